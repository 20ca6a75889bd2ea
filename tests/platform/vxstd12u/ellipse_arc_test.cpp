#include <cmath>

#include <gtest/gtest.h>

#include "random_curves.h"
#include "vxstd12u/ellipse.h"
#include "vxstd12u/errors.h"
#include "vxstd12u/rect.h"
#include "vxstd12u/shapeinfo.h"

namespace {

// The angle the arc sweeps seen from p, summed over a fine polygon.
double polygonSweep(const ccEllipseArc2& arc, const ccVector<2>& p) {
    const int pieces = 20000;
    const double from = arc.phiStart().toDouble(), span = arc.phiSpan().toDouble();
    double sweep = 0;
    ccVector<2> last = arc.startPoint();
    for (int i = 1; i <= pieces; ++i) {
        const ccVector<2> next = arc.ellipse().pointAt(from + span * i / pieces);
        sweep += ccRadian((next - p).angle() - (last - p).angle()).signedNorm().toDouble();
        last = next;
    }
    return sweep;
}

// The turn of the tangent, summed over a fine polygon of the ellipse's curve.
double polygonTurn(const ccEllipseArc2& arc) {
    const int pieces = 20000;
    double turn = 0;
    const double from = arc.phiStart().toDouble(), span = arc.phiSpan().toDouble();
    double last = (arc.ellipse().derivativeAt(from) * arc.direction()).angle();
    for (int i = 1; i <= pieces; ++i) {
        const double next =
            (arc.ellipse().derivativeAt(from + span * i / pieces) * arc.direction()).angle();
        turn += ccRadian(next - last).signedNorm().toDouble();
        last = next;
    }
    return turn;
}

TEST(EllipseArc, CircularArcsRunEitherWay) {
    const ccEllipse2 circle({0, 0}, {2, 2});
    const ccEllipseArc2 ccw(circle, ccRadian(0.0), ccRadian(ccPi / 2));
    expectClose(ccw.startPoint(), {2, 0});
    expectClose(ccw.endPoint(), {0, 2});
    EXPECT_NEAR(ccw.perimeter(), ccPi, kRoundoff);
    expectSameHeading(ccw.startAngle(), ccRadian(ccPi / 2));
    expectSameHeading(ccw.endAngle(), ccRadian(ccPi));
    EXPECT_NEAR(ccw.tangentRotation(), ccPi / 2, kRoundoff);
    EXPECT_TRUE(ccw.isOpenContour());
    EXPECT_FALSE(ccw.isRegion());
    EXPECT_THROW(ccw.within({0, 0}), ccShapesError::NotRegion);

    const ccEllipseArc2 cw(circle, ccRadian(0.0), ccRadian(-ccPi / 2));
    expectClose(cw.endPoint(), {0, -2});
    expectSameHeading(cw.startAngle(), ccRadian(-ccPi / 2));
    EXPECT_NEAR(cw.tangentRotation(), -ccPi / 2, kRoundoff);
    EXPECT_NEAR(cw.windingAngle({0, 0}), -ccPi / 2, kRoundoff);
    EXPECT_NEAR(cw.windingAngle({0, -10}),
                ccRadian(ccVector<2>(0, 8).angle() - ccVector<2>(2, 10).angle()).toDouble(),
                kRoundoff);

    const ccRect box = ccw.boundingBox();
    expectClose(box.origin(), {0, 0});
    expectClose(box.size(), {2, 2});
    // Half a turn from the top passes the leftmost point.
    const ccRect half = ccEllipseArc2(circle, ccRadian(ccPi / 2), ccRadian(ccPi)).boundingBox();
    expectClose(half.origin(), {-2, -2});
    expectClose(half.size(), {2, 4});
}

TEST(EllipseArc, SpansBeyondATurnAreClampedAndBadAnglesRefused) {
    const ccEllipseArc2 over(ccEllipse2(), ccRadian(1.0), ccRadian(7.0));
    EXPECT_NEAR(over.phiSpan().toDouble(), ccTwoPi, kRoundoff);
    EXPECT_TRUE(over.isFullTurn());
    EXPECT_NEAR(over.perimeter(), ccTwoPi, kRoundoff);
    EXPECT_NEAR(ccEllipseArc2(ccEllipse2(), ccRadian(1.0), ccRadian(-9.0)).phiSpan().toDouble(),
                -ccTwoPi, kRoundoff);
    EXPECT_NEAR(over.windingAngle({0.1, 0}), ccTwoPi, kRoundoff);

    EXPECT_THROW(ccEllipseArc2(ccEllipse2(), ccRadian(NAN), ccRadian(1.0)),
                 ccShapesError::BadParams);
    EXPECT_THROW(ccEllipseArc2(ccEllipse2(), ccRadian(0.0), ccRadian(INFINITY)),
                 ccShapesError::BadParams);
    ccEllipseArc2 arc;
    EXPECT_THROW(arc.phiRange(ccRadian(0.0), ccRadian(NAN)), ccShapesError::BadParams);
    EXPECT_EQ(arc, ccEllipseArc2());

    // A zero span is a single point.
    const ccEllipseArc2 dot(ccEllipse2({0, 0}, {3, 1}), ccRadian(1.0), ccRadian(0.0));
    EXPECT_EQ(dot.perimeter(), 0.0);
    EXPECT_EQ(dot.startPoint(), dot.endPoint());
}

TEST(EllipseArc, SweepFromInsideTellsShortArcsFromNearlyFullOnes) {
    const ccEllipse2 circle({0, 0}, {1, 1});
    // Between a short arc and its chord the arc fills most of the view ...
    const ccEllipseArc2 shortArc(circle, ccRadian(-0.1), ccRadian(0.2));
    EXPECT_GT(shortArc.windingAngle({0.999, 0}), ccPi);
    EXPECT_NEAR(shortArc.windingAngle({0.999, 0}), polygonSweep(shortArc, {0.999, 0}), kPolygonSum);
    EXPECT_LT(shortArc.reversed().windingAngle({0.999, 0}), -ccPi);
    // ... and a vanishing arc seen from the centre sweeps nothing, not a turn.
    const ccEllipseArc2 sliver(circle, ccRadian(0.3), ccRadian(1e-14));
    EXPECT_NEAR(sliver.windingAngle({0, 0}), 0.0, kRoundoff);
    EXPECT_NEAR(sliver.reversed().windingAngle({0, 0}), 0.0, kRoundoff);
}

TEST(EllipseArc, QueriesRefuseWhatTheyCannotAnswer) {
    const ccEllipseArc2 arc(ccEllipse2({0, 0}, {3, 1}), ccRadian(0.0), ccRadian(2.0));
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

TEST(EllipseArc, TangentTurnAndSweepMatchPolygons) {
    RandomCurves random(31);
    for (int i = 0; i < 20; ++i) {
        const ccEllipseArc2 arc = random.arc();
        EXPECT_NEAR(arc.tangentRotation(), polygonTurn(arc), kPolygonSum);
        const ccVector<2> c = arc.ellipse().center();
        for (const ccVector<2>& p :
             {c, c + ccVector<2>(random.uniform(-3, 3), random.uniform(-3, 3)), random.point()})
            EXPECT_NEAR(arc.windingAngle(p), polygonSweep(arc, p), kPolygonSum);
    }
}

TEST(EllipseArc, SamplesLieOnTheArcWithBothEnds) {
    RandomCurves random(33);
    for (int i = 0; i < 15; ++i) {
        const ccEllipseArc2 arc = random.arc();
        const double spacing = arc.perimeter() / random.uniform(5, 40);
        const ccShape::ccSampleResult r = sampled(arc, spacing);
        ASSERT_EQ(r.numChains(), 1);
        EXPECT_FALSE(r.closedFlags()[0]);
        expectClose(r.positions().front(), arc.startPoint());
        expectClose(r.positions().back(), arc.endPoint());
        for (const ccVector<2>& p : r.positions()) {
            EXPECT_LE(offCurve(arc.ellipse(), p), curveTolerance());
            EXPECT_TRUE(arc.coversPhi(phiOf(arc.ellipse(), p)));
        }
        // Every full step but the last is one spacing of arc.
        for (size_t k = 1; k + 1 < r.positions().size(); ++k) {
            const ccPtrHandle<ccShape> piece =
                arc.subShape(ccShapeInfo(arc), {ccPerimPos(0, (k - 1) * spacing), spacing});
            expectClose(piece->endPoint(), r.positions()[k]);
        }
    }
}

TEST(EllipseArc, AffineImagesAreArcsWithMappedEndsAndTurn) {
    RandomCurves random(34);
    for (int i = 0; i < 15; ++i) {
        const ccEllipseArc2 arc = random.arc();
        const ccXform<2> xform = random.affine();
        const ccPtrHandle<ccShape> image = arc.mapShape(xform);
        const ccEllipseArc2* mapped = image.dynamicCast<ccEllipseArc2>();
        ASSERT_NE(mapped, nullptr);
        expectClose(image->startPoint(), xform.mapPoint(arc.startPoint()));
        expectClose(image->endPoint(), xform.mapPoint(arc.endPoint()));
        expectSameHeading(image->startAngle(), xform.mapAngle(arc.startAngle()));
        expectSameHeading(image->endAngle(), xform.mapAngle(arc.endAngle()));
        // A mirror turns the tangent the other way.
        const double turnSign = xform.determinant() > 0 ? 1 : -1;
        EXPECT_EQ(image->tangentRotation() > 0, turnSign * arc.tangentRotation() > 0);
        const ccXform<2> back = xform.inverse();
        const ccShape::ccSampleResult samples = sampled(*image, image->perimeter() / 17);
        for (const ccVector<2>& p : samples.positions()) {
            const ccVector<2> source = back.mapPoint(p);
            EXPECT_LE(offCurve(arc.ellipse(), source), curveTolerance());
            EXPECT_TRUE(arc.coversPhi(phiOf(arc.ellipse(), source)));
        }
    }
}

TEST(EllipseArc, BoundingBoxHugsTheSamples) {
    RandomCurves random(37);
    for (int i = 0; i < 20; ++i) {
        const ccEllipseArc2 arc = random.arc();
        const ccRect box = arc.boundingBox();
        ccVector<2> lo(INFINITY, INFINITY), hi(-INFINITY, -INFINITY);
        const ccShape::ccSampleResult samples = sampled(arc, arc.perimeter() / 1000);
        for (const ccVector<2>& p : samples.positions()) {
            lo = {std::min(lo.x(), p.x()), std::min(lo.y(), p.y())};
            hi = {std::max(hi.x(), p.x()), std::max(hi.y(), p.y())};
        }
        // Samples are inside; the box reaches at most a sampling gap further.
        const double gap = arc.perimeter() / 1000;
        EXPECT_LE(box.origin().x(), lo.x() + cc_tol::kCoincident);
        EXPECT_LE(box.origin().y(), lo.y() + cc_tol::kCoincident);
        EXPECT_GE(box.origin().x() + box.size().x(), hi.x() - cc_tol::kCoincident);
        EXPECT_GE(box.origin().y() + box.size().y(), hi.y() - cc_tol::kCoincident);
        EXPECT_GE(box.origin().x(), lo.x() - gap);
        EXPECT_LE(box.origin().x() + box.size().x(), hi.x() + gap);
    }
}

TEST(EllipseArc, FromAPointOnItsChordAnArcSweepsHalfATurnInItsOwnSense) {
    const ccEllipseArc2 quarter(ccEllipse2(ccVector<2>(0, 0), ccVector<2>(4, 4)), ccRadian(0),
                                ccRadian(ccPi / 2));
    const ccVector<2> onChord(2, 2);
    EXPECT_DOUBLE_EQ(quarter.windingAngle(onChord), ccPi);
    EXPECT_DOUBLE_EQ(quarter.reverse()->windingAngle(onChord), -ccPi);
}

}  // namespace
