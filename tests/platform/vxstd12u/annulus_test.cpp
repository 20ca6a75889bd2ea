#include "vxstd12u/annulus.h"

#include <gtest/gtest.h>

#include <cmath>

#include "shape_checks.h"
#include "vxstd12u/errors.h"
#include "vxstd12u/line.h"
#include "vxstd12u/shapetree.h"

namespace {

using shape_checks::coin;
using shape_checks::expectSamePoint;
using shape_checks::kLengthRelative;
using shape_checks::uniform;

ccAnnulus randomAnnulus(std::mt19937& rng) {
    const double outer = uniform(rng, 1, 20);
    return ccAnnulus(shape_checks::randomPoint(rng, 50), outer, outer * uniform(rng, 0.1, 0.9),
                     coin(rng));
}

ccVector<2> shrunk(std::mt19937& rng, const ccVector<2>& r) {
    return ccVector<2>(r.x() * uniform(rng, 0.1, 0.9), r.y() * uniform(rng, 0.1, 0.9));
}

ccEllipseAnnulus randomEllipseAnnulus(std::mt19937& rng) {
    const ccEllipse2 outer = shape_checks::randomEllipse(rng);
    return ccEllipseAnnulus(outer, shrunk(rng, outer.radii()));
}

ccEllipseAnnulusSection randomSection(std::mt19937& rng) {
    const ccVector<2> outer(uniform(rng, 1, 20), uniform(rng, 1, 20));
    const double span = uniform(rng, 0.2, ccTwoPi) * (coin(rng) ? 1 : -1);
    return ccEllipseAnnulusSection(shape_checks::randomPoint(rng, 50), outer, shrunk(rng, outer),
                                   ccRadian(uniform(rng, -ccPi, ccPi)),
                                   ccRadian(uniform(rng, -ccPi, ccPi)), ccRadian(span), coin(rng));
}

TEST(AnnulusTest, RandomRingsKeepEveryLoopProperty) {
    shape_checks::checkRandomRegions(11, 8, randomAnnulus);
    shape_checks::checkRandomRegions(12, 8, randomEllipseAnnulus);
    shape_checks::checkRandomRegions(13, 6, randomSection);
}

TEST(AnnulusTest, DecomposesIntoASolidOuterCircleWithAHoleInside) {
    const ccAnnulus ring(ccVector<2>(1, 2), 5, 3);
    const auto parts = ring.decompose();
    const auto* region = parts.dynamicCast<const ccRegionTree>();
    ASSERT_NE(region, nullptr);
    EXPECT_FALSE(region->isHole());
    EXPECT_TRUE(region->boundary() == ccCircle(ccVector<2>(1, 2), 5));
    ASSERT_EQ(region->numChildren(), 1);
    const auto* hole = region->child(0).dynamicCast<const ccRegionTree>();
    ASSERT_NE(hole, nullptr);
    EXPECT_TRUE(hole->isHole());
    EXPECT_TRUE(hole->boundary() ==
                ccEllipse2(ccVector<2>(1, 2), ccVector<2>(3, 3), ccRadian(0.0), false));

    EXPECT_EQ(ring.startPoint(), ccVector<2>(6, 2));
    EXPECT_NEAR(ring.tangentRotation(), ccTwoPi, shape_checks::kAngleSlack);
}

TEST(AnnulusTest, InsideIsTheRingBoundariesIncludedAndTheHoleExcluded) {
    const ccAnnulus ring(ccVector<2>(0, 0), 5, 3);
    EXPECT_FALSE(ring.within(ccVector<2>(2.9, 0)));
    EXPECT_TRUE(ring.within(ccVector<2>(3, 0)));
    EXPECT_TRUE(ring.within(ccVector<2>(-5, 0)));
    EXPECT_FALSE(ring.within(ccVector<2>(5.1, 0)));
    EXPECT_NEAR(ring.windingAngle(ccVector<2>(0, 4)), ccTwoPi, shape_checks::kAngleSlack);
    EXPECT_NEAR(ring.windingAngle(ccVector<2>(0, 1)), 0, shape_checks::kAngleSlack);
    EXPECT_TRUE(ring.reverse()->within(ccVector<2>(0, 4)));
    EXPECT_FALSE(ring.reverse()->within(ccVector<2>(0, 1)));
}

TEST(AnnulusTest, ArcLengthRunsRoundTheOuterCircleThenTheInnerOneBackwards) {
    const ccAnnulus ring(ccVector<2>(0, 0), 2, 1);
    const double outer = 4 * ccPi;
    ccVector<2> p;
    ccRadian t;
    ring.perimPointAndTangent(ccPerimPos(0, outer / 4), p, t);
    expectSamePoint(p, ccVector<2>(0, 2));
    ring.perimPointAndTangent(ccPerimPos(0, outer + ccPi / 2), p, t);
    expectSamePoint(p, ccVector<2>(0, -1));
    EXPECT_NEAR(t.signedNorm().toDouble(), ccPi, shape_checks::kAngleSlack);
    EXPECT_NEAR(ring.nearestPerimPos(ccVector<2>(0, -0.5)).offset(), outer + ccPi / 2,
                kLengthRelative * 10);
    ring.perimPointAndTangent(ccPerimPos(0, 1e9), p, t);
    expectSamePoint(p, ccVector<2>(1, 0));
    EXPECT_THROW(ring.perimPointAndTangent(ccPerimPos(1, 0), p, t), ccShapesError::BadParams);
}

TEST(AnnulusTest, AZeroInnerRadiusLeavesTheHoleOut) {
    const ccAnnulus disc(ccVector<2>(0, 0), 2, 0);
    EXPECT_EQ(disc.loops().size(), 1u);
    EXPECT_NEAR(disc.perimeter(), 4 * ccPi, kLengthRelative);
    EXPECT_TRUE(disc.within(ccVector<2>(0, 0)));
    EXPECT_TRUE(*disc.decompose() == ccCircle(ccVector<2>(0, 0), 2));
}

TEST(AnnulusTest, MapsToTheTypeThatHoldsTheImage) {
    const ccAnnulus ring(ccVector<2>(1, 1), 4, 2);
    const auto scaled = ring.mapShape(ccXform<2>(ccMatrix<2>::scale(2, -2), ccVector<2>(0, 0)));
    ASSERT_NE(scaled.dynamicCast<const ccAnnulus>(), nullptr);
    EXPECT_TRUE(*scaled == ccAnnulus(ccVector<2>(2, -2), 8, 4, false));

    const auto stretched = ring.mapShape(ccXform<2>(ccMatrix<2>::scale(2, 3), ccVector<2>(0, 0)));
    const auto* ellipses = stretched.dynamicCast<const ccEllipseAnnulus>();
    ASSERT_NE(ellipses, nullptr);
    expectSamePoint(ellipses->outerRadii(), ccVector<2>(8, 12));
    expectSamePoint(ellipses->innerRadii(), ccVector<2>(4, 6));

    // Axes at 0 and pi/2 sheared apart: the inner ellipse's axes no longer match.
    const ccEllipseAnnulus uneven(ccEllipse2(ccVector<2>(0, 0), ccVector<2>(4, 2)),
                                  ccVector<2>(1, 1.5));
    const auto sheared = uneven.mapShape(ccXform<2>(ccMatrix<2>(1, 0.7, 0, 1), ccVector<2>(0, 0)));
    EXPECT_NE(sheared.dynamicCast<const ccRegionTree>(), nullptr);
    const auto proportional =
        ccEllipseAnnulus(ccEllipse2(ccVector<2>(0, 0), ccVector<2>(4, 2)), ccVector<2>(2, 1))
            .mapShape(ccXform<2>(ccMatrix<2>(1, 0.7, 0, 1), ccVector<2>(0, 0)));
    EXPECT_NE(proportional.dynamicCast<const ccEllipseAnnulus>(), nullptr);
}

TEST(AnnulusTest, SectionRunsOuterArcSegmentInnerArcBackwardsSegment) {
    const ccEllipseAnnulusSection section(ccVector<2>(0, 0), ccVector<2>(4, 4), ccVector<2>(2, 2),
                                          ccRadian(0.0), ccRadian(0.0), ccRadian(ccPi / 2));
    EXPECT_TRUE(section.isRightHanded());
    const auto parts = section.decompose();
    const auto* contour = parts.dynamicCast<const ccContourTree>();
    ASSERT_NE(contour, nullptr);
    EXPECT_TRUE(contour->isClosed());
    ASSERT_EQ(contour->numChildren(), 4);
    const auto* outer = contour->child(0).dynamicCast<const ccEllipseArc2>();
    const auto* out = contour->child(1).dynamicCast<const ccLineSeg>();
    const auto* inner = contour->child(2).dynamicCast<const ccEllipseArc2>();
    const auto* back = contour->child(3).dynamicCast<const ccLineSeg>();
    ASSERT_TRUE(outer && out && inner && back);
    // Each piece ends where the next starts.
    expectSamePoint(outer->endPoint(), ccVector<2>(0, 4));
    expectSamePoint(out->p2(), ccVector<2>(0, 2));
    expectSamePoint(inner->endPoint(), ccVector<2>(2, 0));
    EXPECT_LT(inner->direction(), 0);
    expectSamePoint(back->p2(), ccVector<2>(4, 0));
    EXPECT_NEAR(section.perimeter(), 3 * ccPi + 4, kLengthRelative * 10);
    EXPECT_TRUE(section.within(ccVector<2>(2, 2)));
    EXPECT_FALSE(section.within(ccVector<2>(0.8, 0.9)));
    EXPECT_FALSE(section.within(ccVector<2>(-2, 2)));

    // Reversed, the same start point leads onto the segment to the inner arc.
    const auto reversed = section.reverse();
    EXPECT_FALSE(reversed->isRightHanded());
    expectSamePoint(reversed->startPoint(), ccVector<2>(4, 0));
    EXPECT_NEAR(reversed->startAngle().signedNorm().toDouble(), ccPi, shape_checks::kAngleSlack);
}

TEST(AnnulusTest, SectionWithoutInnerRadiusIsASector) {
    const ccEllipseAnnulusSection sector(ccVector<2>(0, 0), ccVector<2>(2, 2), ccVector<2>(0, 0),
                                         ccRadian(0.0), ccRadian(0.0), ccRadian(-ccPi / 2));
    EXPECT_FALSE(sector.isRightHanded());
    EXPECT_EQ(sector.loops().front().size(), 3u);
    EXPECT_NEAR(sector.perimeter(), ccPi + 4, kLengthRelative * 10);
}

TEST(AnnulusTest, BadRadiiThrowAndLeaveTheShapeAsItWas) {
    EXPECT_THROW(ccAnnulus(ccVector<2>(0, 0), 1, 2), ccShapesError::BadParams);
    EXPECT_THROW(ccAnnulus(ccVector<2>(0, 0), 0, 0), ccShapesError::BadParams);
    EXPECT_THROW(ccAnnulus(ccVector<2>(NAN, 0), 2, 1), ccShapesError::BadParams);
    EXPECT_THROW(ccAnnulus(ccVector<2>(0, 0), INFINITY, 1), ccShapesError::BadParams);
    EXPECT_THROW(
        ccEllipseAnnulus(ccEllipse2(ccVector<2>(0, 0), ccVector<2>(3, 1)), ccVector<2>(2, 2)),
        ccShapesError::BadParams);
    EXPECT_THROW(ccEllipseAnnulusSection(ccVector<2>(0, 0), ccVector<2>(3, 3), ccVector<2>(1, 1),
                                         ccRadian(0.0), ccRadian(0.0), ccRadian(0.0)),
                 ccShapesError::BadParams);
    EXPECT_THROW(ccEllipseAnnulusSection(ccVector<2>(0, 0), ccVector<2>(3, 3), ccVector<2>(1, 1),
                                         ccRadian(0.0), ccRadian(0.0), ccRadian(7.0)),
                 ccShapesError::BadParams);

    ccAnnulus ring(ccVector<2>(0, 0), 3, 1);
    EXPECT_THROW(ring.radii(1, 3), ccShapesError::BadParams);
    EXPECT_THROW(ring.center(ccVector<2>(0, NAN)), ccShapesError::BadParams);
    EXPECT_TRUE(ring == ccAnnulus(ccVector<2>(0, 0), 3, 1));
    EXPECT_THROW(ring.mapShape(ccXform<2>(ccMatrix<2>(NAN, 0, 0, 1), ccVector<2>())),
                 ccShapesError::BadParams);
}

}  // namespace
