#include "vxstd12u/bezier.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "shape_checks.h"
#include "vxstd12u/errors.h"
#include "vxstd12u/polyline.h"
#include "vxstd12u/rect.h"
#include "vxstd12u/shapeinfo.h"

namespace {

using shape_checks::kLengthRelative;

// 4/3 (sqrt 2 - 1): the inner control distance of the usual cubic
// approximation of a quarter circle, whose radius is off by at most 2.7e-4.
const double kQuarterCircleHandle = 4.0 / 3.0 * (std::sqrt(2.0) - 1.0);
constexpr double kQuarterCircleApproximation = 3e-4;

// The quarter of the circle of radius r about the origin from (r, 0) to
// (0, r), exactly, as a rational cubic: the conic arc with middle weight
// cos(pi/4), raised to degree three.
ccBezierCurve exactQuarterCircle(double r) {
    const double w = std::sqrt(0.5);
    const ccVector<2> p0(r, 0), p1(r, r), p2(0, r);
    const double inner = (1 + 2 * w) / 3;
    return ccBezierCurve(
        {{p0, (p0 + p1 * (2 * w)) / (1 + 2 * w), (p1 * (2 * w) + p2) / (1 + 2 * w), p2}},
        {{1, inner, inner, 1}});
}

ccBezierCurve randomCurve(std::mt19937& rng, bool rational) {
    using shape_checks::randomPoint;
    ccBezierCurve::ccPoints points{
        {randomPoint(rng, 10), randomPoint(rng, 10), randomPoint(rng, 10), randomPoint(rng, 10)}};
    if (!rational) return ccBezierCurve(points);
    std::uniform_real_distribution<double> weight(0.3, 3.0);
    return ccBezierCurve(points, {{weight(rng), weight(rng), weight(rng), weight(rng)}});
}

TEST(BezierCurve, StraightCurvesHaveTheChordLengthAndStayOnTheChord) {
    // Unevenly spaced but monotone control points: the speed varies, the path does not.
    const ccBezierCurve straight({0, 0}, {1, 1}, {1.5, 1.5}, {3, 3});
    EXPECT_NEAR(straight.perimeter(), 3 * std::sqrt(2.0), kLengthRelative);
    ccVector<2> p;
    ccRadian tangent;
    straight.perimPointAndTangent(ccPerimPos(0, std::sqrt(2.0)), p, tangent);
    EXPECT_NEAR(p.x(), 1.0, kLengthRelative);
    EXPECT_NEAR(p.y(), 1.0, kLengthRelative);
    EXPECT_NEAR(tangent.toDouble(), ccPi / 4, shape_checks::kAngleSlack);
    EXPECT_NEAR(straight.nearestPerimPos({2, 0}).offset(), std::sqrt(2.0), kLengthRelative);
    EXPECT_NEAR(straight.tangentRotation(), 0.0, shape_checks::kAngleSlack);
}

TEST(BezierCurve, QuarterCirclesHaveTheLengthOfAQuarterTurn) {
    const double r = 2.0, k = kQuarterCircleHandle;
    const ccBezierCurve approximate({r, 0}, {r, k * r}, {k * r, r}, {0, r});
    EXPECT_NEAR(approximate.perimeter(), ccPi / 2 * r, kQuarterCircleApproximation * r);
    EXPECT_NEAR(approximate.tangentRotation(), ccPi / 2, shape_checks::kAngleSlack);

    const ccBezierCurve exact = exactQuarterCircle(r);
    EXPECT_TRUE(exact.isWeighted());
    EXPECT_NEAR(exact.perimeter(), ccPi / 2 * r, kLengthRelative);
    const auto samples = shape_checks::sampleAt(exact, 0.1);
    for (size_t i = 0; i < samples.positions().size(); ++i) {
        const ccVector<2> p = samples.positions()[i];
        EXPECT_NEAR(p.len(), r, kLengthRelative);
        // On a circle run counter-clockwise the tangent leads the radius by a quarter turn.
        EXPECT_LT(shape_checks::angleGap(samples.tangents()[i], ccRadian(p.angle() + ccPi / 2)),
                  shape_checks::kAngleSlack);
    }
}

TEST(BezierCurve, EndTangentsFollowTheFirstDistinctControlPoint) {
    const ccBezierCurve plain({0, 0}, {1, 0}, {1, 1}, {0, 1});
    EXPECT_NEAR(plain.startAngle().toDouble(), 0.0, shape_checks::kAngleSlack);
    EXPECT_NEAR(plain.endAngle().toDouble(), ccPi, shape_checks::kAngleSlack);

    // Coincident handles: the tangent is the limit in the direction of travel.
    const ccBezierCurve pinched({0, 0}, {0, 0}, {0, 2}, {2, 2});
    EXPECT_NEAR(pinched.startAngle().toDouble(), ccPi / 2, shape_checks::kAngleSlack);
    const ccBezierCurve pinchedEnd({0, 0}, {2, 0}, {2, 2}, {2, 2});
    EXPECT_NEAR(pinchedEnd.endAngle().toDouble(), ccPi / 2, shape_checks::kAngleSlack);

    const ccBezierCurve point;
    EXPECT_EQ(point.perimeter(), 0.0);
    EXPECT_EQ(point.startAngle().toDouble(), 0.0);
    EXPECT_EQ(point.boundingBox().size(), ccVector<2>(0, 0));
}

TEST(BezierCurve, BoundingBoxReachesTheBulgeBetweenTheEnds) {
    const ccBezierCurve arch({0, 0}, {0, 4}, {4, 4}, {4, 0});
    const ccRect box = arch.boundingBox();
    EXPECT_NEAR(box.xMin(), 0.0, kLengthRelative);
    EXPECT_NEAR(box.xMax(), 4.0, kLengthRelative);
    EXPECT_NEAR(box.yMin(), 0.0, kLengthRelative);
    EXPECT_NEAR(box.yMax(), 3.0, kLengthRelative);  // at t = 1/2: 3 * 4 / 4
}

TEST(BezierCurve, AffineImagesAndPiecesAreBezierCurvesOnTheSamePoints) {
    const ccBezierCurve curve = exactQuarterCircle(1.0);
    const ccXform<2> shear(ccMatrix<2>(2, 1, 0, -0.5), {3, -1});
    const auto image = curve.mapShape(shear);
    const auto* mapped = image.dynamicCast<const ccBezierCurve>();
    ASSERT_NE(mapped, nullptr);
    EXPECT_EQ(mapped->weights(), curve.weights());
    for (double t : {0.0, 0.2, 0.5, 0.9, 1.0}) {
        EXPECT_LE((mapped->pointAt(t) - shear.mapPoint(curve.pointAt(t))).len(), kLengthRelative);
    }

    const ccShapeInfo info(curve);
    const auto piece = curve.subShape(info, {ccPerimPos(0, 0.3), 0.5});
    const auto* bezierPiece = piece.dynamicCast<const ccBezierCurve>();
    ASSERT_NE(bezierPiece, nullptr);
    EXPECT_TRUE(bezierPiece->isWeighted());
    EXPECT_NEAR(bezierPiece->perimeter(), 0.5, kLengthRelative);
    for (double t : {0.0, 0.3, 0.7, 1.0})
        EXPECT_NEAR(bezierPiece->pointAt(t).len(), 1.0, kLengthRelative);

    // A polynomial curve's pieces keep weights of exactly 1.
    const ccBezierCurve polynomial({0, 0}, {1, 3}, {4, -2}, {5, 1});
    const auto polyPiece = polynomial.subShape(ccShapeInfo(polynomial), {ccPerimPos(0, 1.0), 2.0});
    EXPECT_FALSE(polyPiece.dynamicCast<const ccBezierCurve>()->isWeighted());
}

TEST(BezierCurve, BadInputIsRefusedAndLeavesTheCurveUnchanged) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_THROW(ccBezierCurve({0, 0}, {nan, 0}, {1, 1}, {2, 2}), ccShapesError::BadParams);
    const ccBezierCurve::ccPoints points{{{0, 0}, {1, 0}, {1, 1}, {0, 1}}};
    for (double bad : {0.0, -1.0, inf, nan}) {
        EXPECT_THROW(ccBezierCurve(points, {{1, bad, 1, 1}}), ccShapesError::BadParams) << bad;
    }

    ccBezierCurve curve(points);
    const ccBezierCurve before = curve;
    const long changes = curve.changeCount();
    EXPECT_THROW(curve.weights({{1, 1, -2, 1}}), ccShapesError::BadParams);
    EXPECT_THROW(curve.controlPoints({{{0, 0}, {inf, 0}, {1, 1}, {0, 1}}}),
                 ccShapesError::BadParams);
    EXPECT_TRUE(curve == before);
    EXPECT_EQ(curve.changeCount(), changes);
    EXPECT_THROW(curve.controlPoint(4), ccShapesError::BadParams);
    EXPECT_THROW(curve.within({0, 0}), ccShapesError::NotRegion);
    ccVector<2> p;
    ccRadian t;
    EXPECT_THROW(curve.perimPointAndTangent(ccPerimPos(1, 0.0), p, t), ccShapesError::BadParams);
    EXPECT_THROW(curve.subShape(ccShapeInfo(curve), {ccPerimPos(0, 0.0), -1.0}),
                 ccShapesError::BadParams);
}

TEST(BezierCurve, RandomCurvesKeepEveryCurveProperty) {
    std::mt19937 rng(20261206);
    for (int i = 0; i < 24; ++i) {
        SCOPED_TRACE(i);
        shape_checks::checkCurve(randomCurve(rng, i % 2 == 1), rng, i % 4 < 2);
    }
}

}  // namespace
