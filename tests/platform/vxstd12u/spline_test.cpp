#include "vxstd12u/spline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <thread>

#include "shape_checks.h"
#include "vxstd12u/errors.h"
#include "vxstd12u/rect.h"
#include "vxstd12u/shapeinfo.h"

namespace {

using shape_checks::expectSamePoint;
using shape_checks::kAngleSlack;
using shape_checks::kLengthRelative;

const ccPointList kSquare{{1, -1}, {1, 1}, {-1, 1}, {-1, -1}};  // counter-clockwise

ccPointList randomPoints(std::mt19937& rng, int count) {
    ccPointList points;
    for (int i = 0; i < count; ++i) points.push_back(shape_checks::randomPoint(rng, 10));
    return points;
}

ccPointList circlePoints(int count, double r) {
    ccPointList points;
    for (int i = 0; i < count; ++i) points.push_back(ccVector<2>::polar(ccTwoPi * i / count) * r);
    return points;
}

TEST(DeBoorSpline, OpenSplinesRunFromFirstToLastPointAndClosedOnesBlendAroundTheFirst) {
    const ccDeBoorSpline straight({{0, 0}, {1, 0}, {2, 0}, {3, 0}}, false);
    EXPECT_EQ(straight.numSegments(), 3);
    EXPECT_NEAR(straight.perimeter(), 3.0, kLengthRelative);
    expectSamePoint(straight.endPoint(), {3, 0});
    expectSamePoint(straight.pointAt(1.5), {1.5, 0});

    const ccDeBoorSpline bent({{0, 0}, {2, 0}, {2, 2}}, false);
    EXPECT_NEAR(bent.startAngle().toDouble(), 0.0, kAngleSlack);
    EXPECT_NEAR(bent.endAngle().toDouble(), ccPi / 2, kAngleSlack);

    const ccDeBoorSpline loop(kSquare, true);
    EXPECT_EQ(loop.numSegments(), 4);
    expectSamePoint(loop.startPoint(), (kSquare[3] + kSquare[0] * 4.0 + kSquare[1]) / 6.0);
    EXPECT_TRUE(loop.isRightHanded());
    EXPECT_NEAR(loop.tangentRotation(), ccTwoPi, kAngleSlack);
    EXPECT_TRUE(loop.within({0, 0}));
    EXPECT_FALSE(loop.within({0.99, 0.99}));  // the curve cuts inside the polygon's corners
    EXPECT_NEAR(loop.windingAngle({5, 0}), 0.0, kAngleSlack);
}

TEST(InterpSpline, PassesThroughItsPointsAtWholeParameters) {
    const ccPointList points{{0, 0}, {1, 2}, {3, 1}, {4, 4}, {6, 0}};
    for (bool closed : {false, true}) {
        const ccInterpSpline spline(points, closed);
        for (size_t i = 0; i < points.size(); ++i)
            expectSamePoint(spline.pointAt(double(i)), points[i]);
        if (closed) expectSamePoint(spline.pointAt(double(points.size())), points[0]);
    }

    // Evenly spaced points on a line give the line itself.
    const ccInterpSpline straight({{0, 0}, {1, 1}, {2, 2}}, false);
    EXPECT_NEAR(straight.perimeter(), 2 * std::sqrt(2.0), kLengthRelative);

    // Points on a circle give nearly the circle, run the way the points go.
    const ccInterpSpline round(circlePoints(16, 2.0), true);
    EXPECT_NEAR(round.perimeter(), ccTwoPi * 2.0, 1e-3);
    EXPECT_TRUE(round.isRightHanded());
    EXPECT_TRUE(round.within({2.0, 0.0}));  // on the boundary
    EXPECT_FALSE(round.within({2.5, 0.0}));
}

TEST(HermiteSpline, TangentsAreDerivativesWithRespectToTheKnots) {
    const ccHermiteSpline unit({{0, 0}, {1, 0}}, {{1, 0}, {1, 0}}, false);
    expectSamePoint(unit.pointAt(0.5), {0.5, 0});
    EXPECT_EQ(unit.knots(), (std::vector<double>{0, 1}));

    // Over a knot span of 2 the same unit tangents make the curve start
    // twice as fast: the first quarter of the parameter covers more ground.
    const ccHermiteSpline slow({{0, 0}, {1, 0}}, {{1, 0}, {1, 0}}, {0, 2}, false);
    EXPECT_NEAR(slow.perimeter(), 1.0, kLengthRelative);
    expectSamePoint(slow.pointAt(0.25), {2 * 0.25 - 3 * 0.0625 + 2 * 0.015625, 0});

    const ccHermiteSpline turn({{0, 0}, {1, 1}}, {{2, 0}, {0, 2}}, false);
    EXPECT_NEAR(turn.startAngle().toDouble(), 0.0, kAngleSlack);
    EXPECT_NEAR(turn.endAngle().toDouble(), ccPi / 2, kAngleSlack);
    EXPECT_NEAR(turn.tangentRotation(), ccPi / 2, kAngleSlack);

    const ccHermiteSpline reversed =
        *ccPtrHandle<ccHermiteSpline>(ccPtrHandle<ccShape>(slow.reverse()));
    EXPECT_EQ(reversed.knots(), (std::vector<double>{-2, 0}));
    EXPECT_EQ(reversed.tangents(), (ccPointList{{-1, 0}, {-1, 0}}));
}

TEST(CubicSpline, AffineImagesAreTheSameTypeWithMappedPointsAndTangents) {
    const ccXform<2> shear(ccMatrix<2>(1, 2, 0.5, -1), {4, 5});
    const ccDeBoorSpline deBoor(kSquare, true);
    const auto mappedDeBoor = ccPtrHandle<ccDeBoorSpline>(deBoor.mapShape(shear));
    for (size_t i = 0; i < kSquare.size(); ++i) {
        EXPECT_EQ(mappedDeBoor->controlPoints()[i], shear.mapPoint(kSquare[i]));
    }
    EXPECT_TRUE(mappedDeBoor->isClosed());

    const ccInterpSpline interp(kSquare, false);
    const auto mappedInterp = ccPtrHandle<ccInterpSpline>(interp.mapShape(shear));
    for (double u : {0.0, 0.4, 1.5, 2.9}) {
        expectSamePoint(mappedInterp->pointAt(u), shear.mapPoint(interp.pointAt(u)));
    }

    const ccHermiteSpline hermite({{0, 0}, {1, 1}}, {{2, 0}, {0, 2}}, {1, 3}, false);
    const auto mappedHermite = ccPtrHandle<ccHermiteSpline>(hermite.mapShape(shear));
    EXPECT_EQ(mappedHermite->tangents()[1], shear.mapVector({0, 2}));
    EXPECT_EQ(mappedHermite->knots(), hermite.knots());
}

TEST(CubicSpline, PiecesAreHermiteSplinesOnTheCurve) {
    const ccDeBoorSpline loop(kSquare, true);
    const ccShapeInfo info(loop);
    const auto piece = loop.subShape(info, {ccPerimPos(0, 0.5), 3.0});
    const auto* hermite = piece.dynamicCast<const ccHermiteSpline>();
    ASSERT_NE(hermite, nullptr);
    EXPECT_FALSE(hermite->isClosed());
    EXPECT_NEAR(hermite->perimeter(), 3.0, kLengthRelative);

    // A cut exactly on a joint gives no empty knot interval.
    const ccInterpSpline interp({{0, 0}, {1, 0}, {2, 0}}, false);
    const auto fromJoint = interp.subShape(ccShapeInfo(interp), {ccPerimPos(0, 1.0), 1.0});
    EXPECT_EQ(fromJoint.dynamicCast<const ccHermiteSpline>()->points().size(), 2u);

    // Cut at each inner joint of an unevenly spaced spline, whichever side of
    // the joint the measured length lands: the pieces before and after it hold
    // exactly the intervals they cover, none of them empty.
    const ccInterpSpline uneven({{0, 0}, {1, 0.5}, {3, 0}, {3.5, 2}, {5, 2}}, false);
    const ccShapeInfo whole(uneven);
    for (long k = 1; k <= 3; ++k) {
        SCOPED_TRACE(k);
        const double joint = uneven.nearestPerimPos(uneven.points()[k]).offset();
        const auto before = uneven.subShape(whole, {ccPerimPos(0, 0), joint});
        const auto after =
            uneven.subShape(whole, {ccPerimPos(0, joint), uneven.perimeter() - joint});
        EXPECT_EQ(before.dynamicCast<const ccHermiteSpline>()->points().size(), k + 1u);
        EXPECT_EQ(after.dynamicCast<const ccHermiteSpline>()->points().size(), 5u - k);
    }

    const auto nothing = interp.subShape(ccShapeInfo(interp), {ccPerimPos(0, 0.7), 0.0});
    EXPECT_EQ(nothing->perimeter(), 0.0);
    expectSamePoint(nothing->startPoint(), {0.7, 0});
}

TEST(CubicSpline, BadInputIsRefusedAndLeavesTheSplineUnchanged) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_THROW(ccDeBoorSpline({{0, 0}}, false), ccShapesError::BadParams);
    EXPECT_THROW(ccDeBoorSpline({{0, 0}, {1, 1}}, true), ccShapesError::BadParams);
    EXPECT_THROW(ccInterpSpline({{0, 0}, {1, 1}}, true), ccShapesError::BadParams);
    EXPECT_THROW(ccInterpSpline({{0, 0}, {nan, 1}}, false), ccShapesError::BadParams);
    EXPECT_THROW(ccHermiteSpline({{0, 0}, {1, 1}}, {{1, 0}}, false), ccShapesError::BadParams);
    EXPECT_THROW(ccHermiteSpline({{0, 0}, {1, 1}}, {{1, 0}, {1, 0}}, {0, 0}, false),
                 ccShapesError::BadParams);
    EXPECT_THROW(ccHermiteSpline({{0, 0}, {1, 1}}, {{1, 0}, {1, 0}}, {0, 1}, true),
                 ccShapesError::BadParams);
    EXPECT_THROW(ccHermiteSpline({{0, 0}, {1, 1}}, {{1, 0}, {nan, 0}}, false),
                 ccShapesError::BadParams);

    ccDeBoorSpline spline({{0, 0}, {1, 1}}, false);
    const ccDeBoorSpline before = spline;
    const long changes = spline.changeCount();
    EXPECT_THROW(spline.closed(true), ccShapesError::BadParams);
    EXPECT_THROW(spline.controlPoints({{0, 0}}), ccShapesError::BadParams);
    EXPECT_TRUE(spline == before);
    EXPECT_EQ(spline.changeCount(), changes);
    EXPECT_THROW(spline.within({0, 0}), ccShapesError::NotRegion);

    const ccInterpSpline empty;
    EXPECT_EQ(empty.perimeter(), 0.0);
    EXPECT_THROW(empty.startPoint(), ccShapesError::BadParams);

    // Equality tells the types and closedness apart on the same points.
    EXPECT_FALSE(ccDeBoorSpline(kSquare, true) == ccInterpSpline(kSquare, true));
    EXPECT_FALSE(ccDeBoorSpline(kSquare, true) == ccDeBoorSpline(kSquare, false));
}

TEST(CubicSpline, RandomSplinesKeepEveryCurveProperty) {
    std::mt19937 rng(61206);
    std::uniform_int_distribution<int> count(3, 7);
    for (int i = 0; i < 12; ++i) {
        SCOPED_TRACE(i);
        const bool closed = i % 2 == 1, mirror = i % 4 < 2;
        const ccPointList points = randomPoints(rng, count(rng));
        shape_checks::checkCurve(ccDeBoorSpline(points, closed), rng, mirror);
        shape_checks::checkCurve(ccInterpSpline(points, closed), rng, mirror);
        std::uniform_real_distribution<double> gap(0.5, 2.0);
        std::vector<double> knots{gap(rng)};
        for (size_t k = 0; k < points.size() + (closed ? 1 : 0) - 1; ++k)
            knots.push_back(knots.back() + gap(rng));
        shape_checks::checkCurve(
            ccHermiteSpline(points, randomPoints(rng, int(points.size())), knots, closed), rng,
            mirror);
    }
}

// Lengths are measured by the first query that needs one: copies made before
// any query share that measurement, and threads that ask at once must all
// get what one thread alone measures, not a half-built table.
TEST(CubicSpline, CopiesQueriedFromManyThreadsAtOnceGetTheLengthsOneThreadMeasures) {
    std::mt19937 rng(61207);
    for (int round = 0; round < 8; ++round) {
        SCOPED_TRACE(round);
        const ccPointList points = randomPoints(rng, 40);
        const bool closed = round % 2 == 1;
        const ccInterpSpline alone(points, closed);
        const double length = alone.perimeter();
        ccVector<2> expected;
        ccRadian tangent;
        alone.perimPointAndTangent(ccPerimPos(0, 0.7 * length), expected, tangent);

        const ccInterpSpline original(points, closed);
        const std::vector<ccInterpSpline> copies(4, original);
        std::vector<double> lengths(copies.size());
        std::vector<ccVector<2>> found(copies.size());
        std::vector<std::thread> threads;
        for (std::size_t t = 0; t < copies.size(); ++t)
            threads.emplace_back([&, t] {
                ccRadian ignored;
                copies[t].perimPointAndTangent(ccPerimPos(0, 0.7 * length), found[t], ignored);
                lengths[t] = copies[t].perimeter();
            });
        for (auto& thread : threads) thread.join();
        for (std::size_t t = 0; t < copies.size(); ++t) {
            EXPECT_EQ(lengths[t], length);
            EXPECT_EQ(found[t], expected);
        }
        EXPECT_EQ(original.perimeter(), length);
    }
}

}  // namespace
