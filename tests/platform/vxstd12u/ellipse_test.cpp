#include "vxstd12u/ellipse.h"

#include <gtest/gtest.h>

#include <cmath>

#include "shape_checks.h"
#include "vxstd12u/errors.h"
#include "vxstd12u/rect.h"
#include "vxstd12u/shapeinfo.h"

namespace {

using shape_checks::expectSameHeading;
using shape_checks::expectSamePoint;
using shape_checks::kRoundoff;
using shape_checks::sampleAt;

// The relative accuracy promised for perimeters and the lengths of pieces.
constexpr double kLengthRelative = 1e-9;
// How far sums over polygons of some thousand pieces stray from the curve's
// own lengths and angles.
constexpr double kPolygonSum = 1e-6;
// How much farther the best of 20000 evenly spread points may be than the
// nearest point itself.
constexpr double kDenseSearchMiss = 1e-3;

// p in the frame where the ellipse's curve is the unit circle.
ccVector<2> unitFrame(const ccEllipse2& e, const ccVector<2>& p) {
    const ccVector<2> q = ccMatrix<2>::rotation(-e.angle()) * (p - e.center());
    return {q.x() / e.radii().x(), q.y() / e.radii().y()};
}

// How far p is off the ellipse's curve, measured along the ray from the
// centre and scaled back to model units by the larger radius.
double offCurve(const ccEllipse2& e, const ccVector<2>& p) {
    return std::fabs(unitFrame(e, p).len() - 1.0) * std::max(e.radii().x(), e.radii().y());
}

double phiOf(const ccEllipse2& e, const ccVector<2>& p) {
    return unitFrame(e, p).angle();
}

// The length of the curve between two parameters by summing a fine polygon.
double polygonLength(const ccEllipse2& e, double phi0, double phi1, int pieces) {
    double sum = 0;
    ccVector<2> last = e.pointAt(phi0);
    for (int i = 1; i <= pieces; ++i) {
        const ccVector<2> next = e.pointAt(phi0 + (phi1 - phi0) * i / pieces);
        sum += (next - last).len();
        last = next;
    }
    return sum;
}

// How far `angleAt` turns over the arc, summed over a fine polygon of its
// parameter: the sweep seen from a point, or the turn of the tangent.
template <class AngleAt>
double summedTurn(const ccEllipseArc2& arc, AngleAt angleAt) {
    const int pieces = 20000;
    const double from = arc.phiStart().toDouble(), span = arc.phiSpan().toDouble();
    double turn = 0, last = angleAt(from);
    for (int i = 1; i <= pieces; ++i) {
        const double next = angleAt(from + span * i / pieces);
        turn += ccRadian(next - last).signedNorm().toDouble();
        last = next;
    }
    return turn;
}

double polygonSweep(const ccEllipseArc2& arc, const ccVector<2>& p) {
    return summedTurn(arc, [&](double phi) { return (arc.ellipse().pointAt(phi) - p).angle(); });
}

double polygonTurn(const ccEllipseArc2& arc) {
    return summedTurn(arc, [&](double phi) {
        return (arc.ellipse().derivativeAt(phi) * arc.direction()).angle();
    });
}

// The nearest point of `shape`, which runs over `span` of the phase of
// `curve` from `from`, is no farther than the best of a dense search, and the
// point at its arc length is that point.
void expectNearestBeatsADenseSearch(const ccShape& shape, const ccEllipse2& curve, double from,
                                    double span, const ccVector<2>& p) {
    const ccVector<2> n = shape.nearestPoint(p);
    EXPECT_LE(offCurve(curve, n), shape_checks::kSamePoint);
    double dense = INFINITY;
    for (int k = 0; k <= 20000; ++k)
        dense = std::min(dense, (curve.pointAt(from + span * k / 20000) - p).len());
    EXPECT_LE((n - p).len(), dense + kRoundoff);
    EXPECT_GE((n - p).len(), dense - kDenseSearchMiss);
    expectSamePoint(shape_checks::pointAt(shape, shape.nearestPerimPos(p).offset()), n);
}

// Pieces of a closed ellipse are arcs, meeting without a kink, and their
// turns add up to the whole.
void expectArcPieces(const ccShape& shape, double a, double b) {
    const ccShapeInfo info(shape);
    const ccPtrHandle<ccShape> first = shape.subShape(info, {ccPerimPos(0, 0.0), a});
    const ccPtrHandle<ccShape> middle = shape.subShape(info, {ccPerimPos(0, a), b - a});
    const ccPtrHandle<ccShape> last = shape.subShape(info, {ccPerimPos(0, b), shape.perimeter()});
    ASSERT_NE(middle.dynamicCast<ccEllipseArc2>(), nullptr);
    expectSameHeading(middle->startAngle(), first->endAngle());
    EXPECT_NEAR(first->tangentRotation() + middle->tangentRotation() + last->tangentRotation(),
                shape.tangentRotation(), kLengthRelative);
}

TEST(Circle, StartsOnPlusXRunsCounterClockwiseAndClampsOffsets) {
    const ccCircle c({1, 2}, 3);
    EXPECT_EQ(c.startPoint(), ccVector<2>(4, 2));
    EXPECT_DOUBLE_EQ(c.startAngle().toDouble(), ccPi / 2);
    EXPECT_DOUBLE_EQ(c.perimeter(), 6 * ccPi);
    EXPECT_TRUE(c.isRightHanded());
    // A quarter of the way round is the top of the circle, heading -x.
    ccVector<2> p;
    ccRadian t;
    c.perimPointAndTangent(ccPerimPos(0, 1.5 * ccPi), p, t);
    expectSamePoint(p, {1, 5});
    expectSameHeading(t, ccRadian(ccPi));
    expectSamePoint(shape_checks::pointAt(c, 100), c.startPoint());
    EXPECT_EQ(shape_checks::pointAt(c, -5), c.startPoint());
    EXPECT_EQ(c.boundingBox(), ccRect({-2, -1}, {6, 6}));

    EXPECT_TRUE(c.within({4, 2}));  // the boundary belongs to the region
    EXPECT_FALSE(c.within({4.001, 2}));
    EXPECT_DOUBLE_EQ(c.windingAngle({2, 2}), ccTwoPi);
    EXPECT_DOUBLE_EQ(c.windingAngle({5, 2}), 0.0);
    EXPECT_NEAR(c.nearestPerimPos({1, 10}).offset(), 1.5 * ccPi, kRoundoff);
    // Just below the start the offset is nearly a whole turn, not negative.
    EXPECT_NEAR(c.nearestPerimPos({9, 1.5}).offset(), 3 * (ccTwoPi + std::atan2(-0.5, 8.0)),
                kRoundoff);
    // The centre has no nearest direction; the start point stands for it.
    EXPECT_EQ(c.nearestPoint({1, 2}), c.startPoint());

    // Radius zero is a point that still samples.
    const ccCircle dot({3, 4}, 0.0);
    EXPECT_TRUE(dot.within({3, 4}));
    EXPECT_EQ(dot.windingAngle({3, 4}), 0.0);
    const ccShape::ccSampleResult r = sampleAt(dot, 1.0);
    ASSERT_EQ(r.positions().size(), 1u);
    EXPECT_EQ(r.positions()[0], ccVector<2>(3, 4));
}

TEST(Circle, StaysACircleOnlyUnderPositiveUniformScaling) {
    const ccCircle c({1, 2}, 3);
    const ccPtrHandle<ccShape> scaled = c.mapShape(ccXform<2>(ccMatrix<2>::scale(2, 2), {5, 0}));
    ASSERT_NE(scaled.dynamicCast<ccCircle>(), nullptr);
    EXPECT_EQ(*scaled, ccCircle({7, 4}, 6));
    // A rotation or a mirror moves the start off +x: an ellipse. Where its
    // samples lie is checked on the random circles.
    EXPECT_NE(c.mapShape(ccXform<2>::rigid(ccRadian(ccPi / 2), {0, 0})).dynamicCast<ccEllipse2>(),
              nullptr);
    EXPECT_NE(c.mapShape(ccXform<2>(ccMatrix<2>(-1, 0, 0, 1), {})).dynamicCast<ccEllipse2>(),
              nullptr);
    EXPECT_EQ(*c.reverse(), ccEllipse2({1, 2}, {3, 3}, ccRadian(0.0), false, ccRadian(0.0)));
    EXPECT_NE(c.subShape(ccShapeInfo(c), {ccPerimPos(0, 0.0), ccPi}).dynamicCast<ccEllipseArc2>(),
              nullptr);
}

TEST(Ellipse, RandomEllipsesAndArcsKeepEveryCurveProperty) {
    std::mt19937 rng(21);
    for (int i = 0; i < 30; ++i) {
        SCOPED_TRACE(i);
        // Radii down to a hundredth, where the curve is nearly flat.
        const ccEllipse2 e(
            shape_checks::randomPoint(rng, 100),
            {shape_checks::uniform(rng, 0.5, 60), shape_checks::uniform(rng, 0.01, 60)},
            shape_checks::randomAngle(rng), shape_checks::coin(rng),
            shape_checks::randomAngle(rng));
        const ccEllipseArc2 arc = shape_checks::randomArc(rng);
        for (const ccShape* shape :
             {static_cast<const ccShape*>(&e), static_cast<const ccShape*>(&arc)}) {
            shape_checks::checkCurve(*shape, rng, i % 2 == 0);
            const double total = shape->perimeter();
            expectArcPieces(*shape, shape_checks::uniform(rng, 0, total / 2),
                            shape_checks::uniform(rng, total / 2, total));
        }
        // A circle maps to an ellipse, which must sample where the circle's samples map to.
        const ccCircle circle = shape_checks::randomCircle(rng);
        double scale = 1;
        const ccXform<2> similarity = shape_checks::randomSimilarity(rng, scale, i % 2 == 1);
        shape_checks::expectMapCommutesWithSampling(circle, similarity, scale,
                                                    circle.perimeter() / 29);
        // Half of the points near the centre, where two minima compete.
        const double from = arc.phiStart().toDouble(), span = arc.phiSpan().toDouble();
        for (const ccVector<2>& p : {shape_checks::randomPoint(rng, 100),
                                     e.center() + shape_checks::randomPoint(rng, 5)}) {
            expectNearestBeatsADenseSearch(e, e, 0, ccTwoPi, p);
            expectNearestBeatsADenseSearch(arc, arc.ellipse(), from, span,
                                           p - e.center() + arc.ellipse().center());
        }
        EXPECT_TRUE(arc.coversPhi(
            phiOf(arc.ellipse(), arc.nearestPoint(shape_checks::randomPoint(rng, 100)))));
    }
}

TEST(Ellipse, PerimeterIsExactForElongatedRoundAndFlatEllipses) {
    const ccEllipse2 e({0, 0}, {3, 1});
    // Independent: a polygon of a million sides is short by far less than that.
    EXPECT_NEAR(e.perimeter(), polygonLength(e, 0, ccTwoPi, 1000000),
                kLengthRelative * e.perimeter());
    // The published figure: 12 E(8/9), the complete elliptic integral.
    EXPECT_NEAR(e.perimeter(), 13.364893220555259, kRoundoff);
    EXPECT_DOUBLE_EQ(ccEllipse2({0, 0}, {2, 2}).perimeter(), 4 * ccPi);
    EXPECT_DOUBLE_EQ(ccEllipse2({0, 0}, {5, 0}).perimeter(), 20.0);
    EXPECT_NEAR(ccEllipse2({0, 0}, {100, 0.001}).perimeter(),
                polygonLength(ccEllipse2({0, 0}, {100, 0.001}), 0, ccTwoPi, 1000000),
                400 * kLengthRelative);
}

TEST(Ellipse, PhaseAndHandednessSetStartAndDirection) {
    const double phase = 0.7;
    const ccEllipse2 right({1, 1}, {4, 2}, ccRadian(0.3), true, ccRadian(phase));
    const ccEllipse2 left({1, 1}, {4, 2}, ccRadian(0.3), false, ccRadian(phase));
    expectSamePoint(right.startPoint(), right.pointAt(phase));
    expectSamePoint(left.startPoint(), right.startPoint());
    expectSameHeading(right.startAngle(), ccRadian(right.derivativeAt(phase).angle()));
    expectSameHeading(left.startAngle(), right.startAngle() + ccRadian(ccPi));
    // A short way along, the right-handed one has phi grown, the left one shrunk.
    EXPECT_GT(phiOf(right, shape_checks::pointAt(right, 0.1)), phase);
    EXPECT_LT(phiOf(left, shape_checks::pointAt(left, 0.1)), phase);
    EXPECT_DOUBLE_EQ(left.tangentRotation(), -ccTwoPi);
    EXPECT_DOUBLE_EQ(left.windingAngle({1, 1}), -ccTwoPi);
    EXPECT_EQ(left.windingAngle({10, 10}), 0.0);
}

TEST(Ellipse, WithinAndBoundingBoxFollowTheTurnedAxes) {
    const ccEllipse2 e({0, 0}, {4, 1}, ccRadian(ccPi / 4));
    const double d = 3.9 / std::sqrt(2.0);
    EXPECT_TRUE(e.within({d, d}));
    EXPECT_FALSE(e.within({d, -d}));
    EXPECT_TRUE(e.within(e.pointAt(1.0)));
    const double h = std::sqrt((16 + 1) / 2.0);
    expectSamePoint(e.boundingBox().origin(), {-h, -h});
    expectSamePoint(e.boundingBox().size(), {2 * h, 2 * h});
    // A flat ellipse holds its segment and nothing beside it.
    const ccEllipse2 flat({0, 0}, {5, 0});
    EXPECT_TRUE(flat.within({2, 0}));
    EXPECT_FALSE(flat.within({2, 0.01}));
    EXPECT_EQ(flat.windingAngle({2, 0.01}), 0.0);
}

TEST(Ellipse, AffineImagesKeepEndsDirectionHandednessAndTheCurve) {
    std::mt19937 rng(23);
    for (int i = 0; i < 15; ++i) {
        const ccEllipse2 e = shape_checks::randomEllipse(rng);
        const ccEllipseArc2 arc = shape_checks::randomArc(rng);
        const ccXform<2> xform = shape_checks::randomAffine(rng);
        const bool keepsSense = xform.determinant() > 0;
        const ccPtrHandle<ccShape> image = e.mapShape(xform);
        const ccPtrHandle<ccShape> arcImage = arc.mapShape(xform);
        ASSERT_NE(arcImage.dynamicCast<ccEllipseArc2>(), nullptr);
        expectSamePoint(image->startPoint(), xform.mapPoint(e.startPoint()));
        expectSameHeading(image->startAngle(), xform.mapAngle(e.startAngle()));
        expectSamePoint(arcImage->endPoint(), xform.mapPoint(arc.endPoint()));
        expectSameHeading(arcImage->endAngle(), xform.mapAngle(arc.endAngle()));
        EXPECT_EQ(image->isRightHanded(), e.isRightHanded() == keepsSense);
        EXPECT_EQ(arcImage->tangentRotation() > 0, keepsSense == (arc.tangentRotation() > 0));
        // Handedness is the sign of the enclosed area, before and after.
        EXPECT_EQ(shape_checks::sampledArea(e, e.perimeter() / 16) > 0, e.isRightHanded());
        EXPECT_EQ(shape_checks::sampledArea(*image, image->perimeter() / 16) > 0,
                  image->isRightHanded());
        // The images' samples lie on the image of the curve, the arc's on its part of it.
        const ccXform<2> back = xform.inverse();
        const auto onImage = sampleAt(*image, image->perimeter() / 29);
        for (const ccVector<2>& p : onImage.positions())
            EXPECT_LE(offCurve(e, back.mapPoint(p)), shape_checks::kSamePoint);
        const auto onArcImage = sampleAt(*arcImage, arcImage->perimeter() / 17);
        for (const ccVector<2>& p : onArcImage.positions()) {
            EXPECT_LE(offCurve(arc.ellipse(), back.mapPoint(p)), shape_checks::kSamePoint);
            EXPECT_TRUE(arc.coversPhi(phiOf(arc.ellipse(), back.mapPoint(p))));
        }
    }
}

TEST(EllipseArc, CircularArcsRunEitherWayAndSweepAsSeen) {
    const ccEllipse2 circle({0, 0}, {2, 2});
    const ccEllipseArc2 ccw(circle, ccRadian(0.0), ccRadian(ccPi / 2));
    expectSamePoint(ccw.endPoint(), {0, 2});
    expectSameHeading(ccw.startAngle(), ccRadian(ccPi / 2));
    EXPECT_NEAR(ccw.tangentRotation(), ccPi / 2, kRoundoff);
    EXPECT_THROW(ccw.within({0, 0}), ccShapesError::NotRegion);
    expectSamePoint(ccw.boundingBox().size(), {2, 2});
    // Half a turn from the top passes the leftmost point.
    const ccRect half = ccEllipseArc2(circle, ccRadian(ccPi / 2), ccRadian(ccPi)).boundingBox();
    expectSamePoint(half.origin(), {-2, -2});
    expectSamePoint(half.size(), {2, 4});

    const ccEllipseArc2 cw(circle, ccRadian(0.0), ccRadian(-ccPi / 2));
    expectSamePoint(cw.endPoint(), {0, -2});
    expectSameHeading(cw.startAngle(), ccRadian(-ccPi / 2));
    EXPECT_NEAR(cw.windingAngle({0, 0}), -ccPi / 2, kRoundoff);
    // From a point on its chord an arc sweeps half a turn in its own sense.
    EXPECT_DOUBLE_EQ(ccw.windingAngle({1, 1}), ccPi);
    EXPECT_DOUBLE_EQ(ccw.reverse()->windingAngle({1, 1}), -ccPi);

    // Between a short arc and its chord the arc fills most of the view ...
    const ccEllipseArc2 shortArc(ccEllipse2(), ccRadian(-0.1), ccRadian(0.2));
    EXPECT_NEAR(shortArc.windingAngle({0.999, 0}), polygonSweep(shortArc, {0.999, 0}), kPolygonSum);
    EXPECT_GT(shortArc.windingAngle({0.999, 0}), ccPi);
    EXPECT_LT(shortArc.reversed().windingAngle({0.999, 0}), -ccPi);
    // ... and a vanishing arc seen from the centre sweeps nothing, not a turn.
    const ccEllipseArc2 sliver(ccEllipse2(), ccRadian(0.3), ccRadian(1e-14));
    EXPECT_NEAR(sliver.windingAngle({0, 0}), 0.0, kRoundoff);
    EXPECT_NEAR(sliver.reversed().windingAngle({0, 0}), 0.0, kRoundoff);
}

TEST(EllipseArc, SpansBeyondATurnAreClampedEndsGivenAreKeptAndAZeroSpanIsAPoint) {
    const ccEllipseArc2 over(ccEllipse2(), ccRadian(1.0), ccRadian(7.0));
    EXPECT_NEAR(over.phiSpan().toDouble(), ccTwoPi, kRoundoff);
    EXPECT_TRUE(over.isFullTurn());
    // A whole turn of an arc measures exactly what its ellipse's perimeter
    // says, to the last bit, so that the two never disagree about a closed
    // outline's length.
    const ccEllipse2 flat({0, 0}, {3, 1});
    EXPECT_EQ(ccEllipseArc2(flat, ccRadian(0.5), ccRadian(0.5 + ccTwoPi)).perimeter(),
              flat.perimeter());
    EXPECT_NEAR(ccEllipseArc2(ccEllipse2(), ccRadian(1.0), ccRadian(-9.0)).phiSpan().toDouble(),
                -ccTwoPi, kRoundoff);
    EXPECT_NEAR(over.windingAngle({0.1, 0}), ccTwoPi, kRoundoff);
    // 3 + (0.1 - 3) rounds away from 0.1; between() keeps both ends as given.
    const ccEllipseArc2 back = ccEllipseArc2::between(ccEllipse2(), ccRadian(3.0), ccRadian(0.1));
    EXPECT_EQ(back.phiEnd().toDouble(), 0.1);
    EXPECT_EQ(back.direction(), -1.0);
    const ccEllipseArc2 dot(ccEllipse2({0, 0}, {3, 1}), ccRadian(1.0), ccRadian(0.0));
    EXPECT_EQ(dot.perimeter(), 0.0);
    EXPECT_EQ(dot.startPoint(), dot.endPoint());
}

TEST(EllipseArc, TangentTurnSweepAndBoundingBoxMatchDenseSums) {
    std::mt19937 rng(31);
    for (int i = 0; i < 20; ++i) {
        const ccEllipseArc2 arc = shape_checks::randomArc(rng);
        EXPECT_NEAR(arc.tangentRotation(), polygonTurn(arc), kPolygonSum);
        const ccVector<2> c = arc.ellipse().center();
        for (const ccVector<2>& p :
             {c, c + shape_checks::randomPoint(rng, 3), shape_checks::randomPoint(rng, 100)})
            EXPECT_NEAR(arc.windingAngle(p), polygonSweep(arc, p), kPolygonSum);

        // Samples are inside the box; it reaches at most a sampling gap further.
        const double gap = arc.perimeter() / 1000;
        ccVector<2> lo(INFINITY, INFINITY), hi(-INFINITY, -INFINITY);
        const auto dense = sampleAt(arc, gap);
        for (const ccVector<2>& p : dense.positions()) {
            lo = {std::min(lo.x(), p.x()), std::min(lo.y(), p.y())};
            hi = {std::max(hi.x(), p.x()), std::max(hi.y(), p.y())};
        }
        const ccRect box = arc.boundingBox();
        EXPECT_LE(box.xMin(), lo.x() + cc_tol::kCoincident);
        EXPECT_LE(box.yMin(), lo.y() + cc_tol::kCoincident);
        EXPECT_GE(box.xMax(), hi.x() - cc_tol::kCoincident);
        EXPECT_GE(box.yMax(), hi.y() - cc_tol::kCoincident);
        EXPECT_GE(box.xMin(), lo.x() - gap);
        EXPECT_LE(box.xMax(), hi.x() + gap);
    }
}

TEST(Ellipse, BadValuesAndQueriesAreRefusedAndTheShapeKept) {
    EXPECT_THROW(ccCircle({0, 0}, -1), ccShapesError::BadParams);
    EXPECT_THROW(ccEllipse2({0, 0}, {1, NAN}), ccShapesError::BadParams);
    EXPECT_THROW(ccEllipse2({0, 0}, {1, 1}, ccRadian(INFINITY)), ccShapesError::BadParams);
    EXPECT_THROW(ccEllipse2({0, 0}, {1, 1}, ccRadian(0.0), true, ccRadian(NAN)),
                 ccShapesError::BadParams);
    EXPECT_THROW(ccEllipseArc2(ccEllipse2(), ccRadian(NAN), ccRadian(1.0)),
                 ccShapesError::BadParams);
    EXPECT_THROW(ccEllipseArc2(ccEllipse2(), ccRadian(0.0), ccRadian(INFINITY)),
                 ccShapesError::BadParams);
    EXPECT_THROW(ccEllipseArc2::between(ccEllipse2(), ccRadian(0.0), ccRadian(6.3)),
                 ccShapesError::BadParams);
    EXPECT_THROW(ccEllipseArc2::between(ccEllipse2(), ccRadian(NAN), ccRadian(1.0)),
                 ccShapesError::BadParams);

    ccCircle c({1, 1}, 2);
    EXPECT_THROW(c.radius(NAN), ccShapesError::BadParams);
    EXPECT_THROW(c.center({0, INFINITY}), ccShapesError::BadParams);
    EXPECT_EQ(c, ccCircle({1, 1}, 2));
    EXPECT_EQ(c.changeCount(), 0);
    ccEllipse2 e({0, 0}, {2, 1});
    EXPECT_THROW(e.radii({2, -1}), ccShapesError::BadParams);
    EXPECT_EQ(e.radii(), ccVector<2>(2, 1));
    ccEllipseArc2 arc(ccEllipse2({0, 0}, {3, 1}), ccRadian(0.0), ccRadian(2.0));
    const ccEllipseArc2 before = arc;
    EXPECT_THROW(arc.phiRange(ccRadian(0.0), ccRadian(NAN)), ccShapesError::BadParams);
    EXPECT_EQ(arc, before);
    EXPECT_THROW(c.mapShape(ccXform<2>(ccMatrix<2>(NAN, 0, 0, 1), {})), ccShapesError::BadParams);
    EXPECT_THROW(e.subShape(ccShapeInfo(e), {ccPerimPos(0, 1.0), -2.0}), ccShapesError::BadParams);

    ccVector<2> p;
    ccRadian t;
    EXPECT_THROW(arc.perimPointAndTangent(ccPerimPos(1, 0.5), p, t), ccShapesError::BadParams);
    EXPECT_THROW(arc.perimPointAndTangent(ccPerimPos(0, NAN), p, t), ccShapesError::BadParams);
    EXPECT_THROW(arc.nearestPoint({NAN, 0}), ccShapesError::BadParams);
    EXPECT_THROW(arc.windingAngle({0, INFINITY}), ccShapesError::BadParams);
    EXPECT_THROW(ccEllipse2().within({NAN, NAN}), ccShapesError::BadParams);
    EXPECT_THROW(ccCircle().nearestPerimPos({NAN, 0}), ccShapesError::BadParams);
    arc.perimPointAndTangent(ccPerimPos(0, INFINITY), p, t);
    EXPECT_EQ(p, arc.endPoint());
}

}  // namespace
