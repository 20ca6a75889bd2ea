#include <cmath>

#include <gtest/gtest.h>

#include "random_curves.h"
#include "shape_checks.h"
#include "vxstd12u/ellipse.h"
#include "vxstd12u/errors.h"
#include "vxstd12u/rect.h"
#include "vxstd12u/shapeinfo.h"

namespace {

// The nearest point of `shape`, which runs over `span` of the phase of
// `curve` from `from`, is no farther than the best of a dense search, and the
// point at its arc length is that point.
void expectNearestBeatsADenseSearch(const ccShape& shape, const ccEllipse2& curve, double from,
                                    double span, const ccVector<2>& p) {
    const ccVector<2> n = shape.nearestPoint(p);
    EXPECT_LE(offCurve(curve, n), curveTolerance());
    double dense = INFINITY;
    for (int k = 0; k <= 20000; ++k)
        dense = std::min(dense, (curve.pointAt(from + span * k / 20000) - p).len());
    EXPECT_LE((n - p).len(), dense + kRoundoff);
    EXPECT_GE((n - p).len(), dense - kDenseSearchMiss);
    ccVector<2> q;
    ccRadian t;
    shape.perimPointAndTangent(shape.nearestPerimPos(p), q, t);
    expectClose(q, n);
}

// Pieces of a closed ellipse are arcs, meeting without a kink, and their
// turns add up to the whole.
void expectArcPieces(const ccShape& shape, double a, double b) {
    const ccShapeInfo info(shape);
    const double total = shape.perimeter();
    const ccPtrHandle<ccShape> first = shape.subShape(info, {ccPerimPos(0, 0.0), a});
    const ccPtrHandle<ccShape> middle = shape.subShape(info, {ccPerimPos(0, a), b - a});
    const ccPtrHandle<ccShape> last = shape.subShape(info, {ccPerimPos(0, b), total});
    ASSERT_NE(middle.dynamicCast<ccEllipseArc2>(), nullptr);
    expectSameHeading(middle->startAngle(), first->endAngle());
    EXPECT_NEAR(first->tangentRotation() + middle->tangentRotation() + last->tangentRotation(),
                shape.tangentRotation(), kLengthRelative);
}

TEST(Ellipse, RandomEllipsesAndArcsReverseCutMapAndFindTheirNearestPoints) {
    RandomCurves random(21);
    for (int i = 0; i < 30; ++i) {
        const ccEllipse2 e(random.point(), {random.uniform(0.5, 60), random.uniform(0.01, 60)},
                           random.angle(), random.coin(), random.angle());
        const ccEllipseArc2 arc = random.arc();
        const double from = arc.phiStart().toDouble(), span = arc.phiSpan().toDouble();
        for (const ccShape* shape :
             {static_cast<const ccShape*>(&e), static_cast<const ccShape*>(&arc)}) {
            shape_checks::expectReversal(*shape, shape->perimeter());
            const double total = shape->perimeter();
            shape_checks::expectPiecesAddUp(*shape, {random.uniform(0, total / 2)});
            expectArcPieces(*shape, random.uniform(0, total / 2), random.uniform(total / 2, total));
        }
        // Half of the points near the centre, where two minima compete.
        for (const ccVector<2>& p :
             {random.point(),
              e.center() + ccVector<2>(random.uniform(-5, 5), random.uniform(-5, 5))}) {
            expectNearestBeatsADenseSearch(e, e, 0, ccTwoPi, p);
            expectNearestBeatsADenseSearch(arc, arc.ellipse(), from, span,
                                           p - e.center() + arc.ellipse().center());
        }
        EXPECT_TRUE(arc.coversPhi(phiOf(arc.ellipse(), arc.nearestPoint(random.point()))));
        // Mapping then sampling agrees with sampling then mapping, circles included.
        const ccCircle circle = random.circle();
        for (const ccShape* shape :
             {static_cast<const ccShape*>(&e), static_cast<const ccShape*>(&arc),
              static_cast<const ccShape*>(&circle)}) {
            expectSamplingCommutesWithRigidMap(*shape, random.rigid(), shape->perimeter() / 29);
            expectSamplingCommutesWithRigidMap(*shape, random.mirrored(), shape->perimeter() / 29);
        }
    }
}

TEST(Ellipse, PerimeterIsExactForElongatedRoundAndFlatEllipses) {
    const ccEllipse2 e({0, 0}, {3, 1});
    // Independent: a polygon of a million sides is short by far less than that.
    EXPECT_NEAR(e.perimeter(), polygonLength(e, 0, ccTwoPi, 1000000),
                kLengthRelative * e.perimeter());
    // The published figure: 12 E(8/9), the complete elliptic integral.
    EXPECT_NEAR(e.perimeter(), 13.364893220555259, kRoundoff);
    // The same curve measured with the axes swapped and turned.
    EXPECT_NEAR(ccEllipse2({5, 5}, {1, 3}, ccRadian(0.4)).perimeter(), e.perimeter(), kRoundoff);
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
    expectClose(right.startPoint(), right.pointAt(phase));
    expectClose(left.startPoint(), right.startPoint());
    expectSameHeading(right.startAngle(), ccRadian(right.derivativeAt(phase).angle()));
    expectSameHeading(left.startAngle(), right.startAngle() + ccRadian(ccPi));

    // A short way along, the right-handed one has phi grown, the left one shrunk.
    ccVector<2> p;
    ccRadian t;
    right.perimPointAndTangent(ccPerimPos(0, 0.1), p, t);
    EXPECT_GT(phiOf(right, p), phase);
    left.perimPointAndTangent(ccPerimPos(0, 0.1), p, t);
    EXPECT_LT(phiOf(left, p), phase);

    EXPECT_DOUBLE_EQ(right.tangentRotation(), ccTwoPi);
    EXPECT_DOUBLE_EQ(left.tangentRotation(), -ccTwoPi);
    EXPECT_DOUBLE_EQ(right.windingAngle({1, 1}), ccTwoPi);
    EXPECT_DOUBLE_EQ(left.windingAngle({1, 1}), -ccTwoPi);
    EXPECT_EQ(left.windingAngle({10, 10}), 0.0);
}

TEST(Ellipse, WithinAndBoundingBoxFollowTheTurnedAxes) {
    const ccEllipse2 e({0, 0}, {4, 1}, ccRadian(ccPi / 4));
    const double d = 3.9 / std::sqrt(2.0);
    EXPECT_TRUE(e.within({d, d}));
    EXPECT_FALSE(e.within({d, -d}));
    EXPECT_TRUE(e.within(e.pointAt(1.0)));  // the boundary belongs to the region
    const double h = std::sqrt((16 + 1) / 2.0);
    const ccRect box = e.boundingBox();
    expectClose(box.origin(), {-h, -h});
    expectClose(box.size(), {2 * h, 2 * h});

    // A flat ellipse holds its segment and nothing beside it.
    const ccEllipse2 flat({0, 0}, {5, 0});
    EXPECT_TRUE(flat.within({2, 0}));
    EXPECT_FALSE(flat.within({2, 0.01}));
    EXPECT_EQ(flat.windingAngle({2, 0.01}), 0.0);
}

TEST(Ellipse, RefusesBadValues) {
    EXPECT_THROW(ccEllipse2({0, 0}, {-1, 1}), ccShapesError::BadParams);
    EXPECT_THROW(ccEllipse2({0, 0}, {1, NAN}), ccShapesError::BadParams);
    EXPECT_THROW(ccEllipse2({0, 0}, {1, 1}, ccRadian(INFINITY)), ccShapesError::BadParams);
    EXPECT_THROW(ccEllipse2({0, 0}, {1, 1}, ccRadian(0.0), true, ccRadian(NAN)),
                 ccShapesError::BadParams);
    ccEllipse2 e({0, 0}, {2, 1});
    EXPECT_THROW(e.radii({2, -1}), ccShapesError::BadParams);
    EXPECT_EQ(e.radii(), ccVector<2>(2, 1));
    const ccShapeInfo info(e);
    EXPECT_THROW(e.subShape(info, {ccPerimPos(0, 1.0), -2.0}), ccShapesError::BadParams);
}

TEST(Ellipse, SamplesLieOnTheCurveEvenlySpreadByArcLength) {
    RandomCurves random(22);
    for (int i = 0; i < 10; ++i) {
        const ccEllipse2 e = random.ellipse();
        const double spacing = e.perimeter() / random.uniform(10, 60);
        const ccShape::ccSampleResult r = sampled(e, spacing);
        ASSERT_EQ(r.positions().size(), static_cast<size_t>(std::ceil(e.perimeter() / spacing)));
        for (size_t k = 0; k < r.positions().size(); ++k) {
            EXPECT_LE(offCurve(e, r.positions()[k]), curveTolerance());
            // The one-pass walk finds what a single query finds.
            ccVector<2> p;
            ccRadian t;
            e.perimPointAndTangent(ccPerimPos(0, k * spacing), p, t);
            expectClose(r.positions()[k], p);
            expectSameHeading(r.tangents()[k], t);
            if (k == 0) continue;
            // The arc between neighbours, measured by a polygon, is one spacing.
            double from = phiOf(e, r.positions()[k - 1]), to = phiOf(e, r.positions()[k]);
            const double step = e.isRightHanded() ? ccRadian(to - from).norm().toDouble()
                                                  : -ccRadian(from - to).norm().toDouble();
            EXPECT_NEAR(polygonLength(e, from, from + step, 2000), spacing, kPolygonSum * spacing);
        }
    }
}

TEST(Ellipse, AffineImagesKeepStartDirectionHandednessAndOrder) {
    RandomCurves random(23);
    for (int i = 0; i < 15; ++i) {
        const ccEllipse2 e = random.ellipse();

        // A general affine map: the image keeps start point and direction and
        // every sample of it lies on the image of the curve.
        const ccXform<2> xform = random.affine();
        const ccPtrHandle<ccShape> image = e.mapShape(xform);
        expectClose(image->startPoint(), xform.mapPoint(e.startPoint()));
        expectSameHeading(image->startAngle(), xform.mapAngle(e.startAngle()));
        EXPECT_EQ(image->isRightHanded(), e.isRightHanded() == (xform.determinant() > 0));
        // Handedness is the sign of the enclosed area, before and after.
        EXPECT_EQ(shoelace(sampled(e, e.perimeter() / 16).positions()) > 0, e.isRightHanded());
        EXPECT_EQ(shoelace(sampled(*image, image->perimeter() / 16).positions()) > 0,
                  image->isRightHanded());
        const ccXform<2> back = xform.inverse();
        const ccShape::ccSampleResult r = sampled(*image, image->perimeter() / 29);
        for (const ccVector<2>& p : r.positions())
            EXPECT_LE(offCurve(e, back.mapPoint(p)), curveTolerance());
        // Points along the curve map to points along the image, in order.
        for (double f : {0.1, 0.35, 0.8}) {
            ccVector<2> p;
            ccRadian t;
            e.perimPointAndTangent(ccPerimPos(0, f * e.perimeter()), p, t);
            const ccPerimPos onImage = image->nearestPerimPos(xform.mapPoint(p));
            ccVector<2> q;
            ccRadian u;
            image->perimPointAndTangent(onImage, q, u);
            expectClose(q, xform.mapPoint(p));
            expectSameHeading(u, xform.mapAngle(t));
        }
    }
}

}  // namespace
