#include "vxstd12u/genrect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "shape_checks.h"
#include "vxstd12u/ellipse.h"
#include "vxstd12u/errors.h"
#include "vxstd12u/shapetree.h"

namespace {

using shape_checks::coin;
using shape_checks::expectSamePoint;
using shape_checks::kAngleSlack;
using shape_checks::kLengthRelative;
using shape_checks::uniform;

// The accuracy promised for the perimeter of a rounded rectangle.
constexpr double kPerimeterRelative = 1000 * cc_tol::kArcLengthRelative;

// Rounding fractions that are often exactly 0 or 1, where pieces vanish.
double randomFraction(std::mt19937& rng) {
    const double r = uniform(rng, -0.3, 1.3);
    return std::min(1.0, std::max(0.0, r));
}

ccGenRect randomGenRect(std::mt19937& rng) {
    return ccGenRect(shape_checks::randomPoint(rng, 50),
                     ccVector<2>(uniform(rng, 1, 20), uniform(rng, 1, 20)),
                     ccRadian(uniform(rng, -ccPi, ccPi)), ccRadian(uniform(rng, -1.2, 1.2)),
                     ccVector<2>(randomFraction(rng), randomFraction(rng)), coin(rng));
}

// The inner radii stay within half the outer ones, so that the inner
// rectangle lies inside the outer one whatever the rounding.
ccGenAnnulus randomGenAnnulus(std::mt19937& rng) {
    const ccGenRect outer = randomGenRect(rng);
    const ccVector<2> inner(outer.radii().x() * uniform(rng, 0.1, 0.5),
                            outer.radii().y() * uniform(rng, 0.1, 0.5));
    return ccGenAnnulus(outer, inner, ccVector<2>(randomFraction(rng), randomFraction(rng)));
}

TEST(GenRectTest, RandomGeneralizedRectanglesKeepEveryLoopProperty) {
    shape_checks::checkRandomRegions(21, 6, randomGenRect);
    shape_checks::checkRandomRegions(22, 4, randomGenAnnulus);
}

TEST(GenRectTest, RoundedPerimeterIsTheStraightPartsPlusTheCornerEllipse) {
    // Radii 10 and 5, rounding 0.4 of the smaller radius on both axes: corner
    // circles of radius 2, so straight parts of 2 * (16 + 6) and one whole circle.
    const ccGenRect rounded(ccVector<2>(3, -1), ccVector<2>(10, 5), ccRadian(0.3), ccRadian(0.0),
                            ccVector<2>(0.2, 0.4));
    EXPECT_EQ(rounded.uround(), ccVector<2>(2, 2));
    const double exact = 44 + 4 * ccPi;
    EXPECT_NEAR(rounded.perimeter(), exact, kPerimeterRelative * exact);
    EXPECT_NEAR(rounded.decompose()->perimeter(), exact, kPerimeterRelative * exact);

    // A skew keeps the side lengths; elliptical corners add an ellipse's perimeter.
    const ccGenRect sharp(ccVector<2>(0, 0), ccVector<2>(3, 2), ccRadian(1.0), ccRadian(0.5));
    EXPECT_NEAR(sharp.perimeter(), 20, kLengthRelative * 20);
    const ccGenRect round(ccVector<2>(0, 0), ccVector<2>(4, 3), ccRadian(0.0), ccRadian(0.0),
                          ccVector<2>(0.5, 1));
    const double corners = ccEllipse2(ccVector<2>(0, 0), ccVector<2>(2, 3)).perimeter();
    EXPECT_NEAR(round.perimeter(), 2 * 4 + corners, kLengthRelative * 30);
    const ccGenRect ellipse(ccVector<2>(0, 0), ccVector<2>(4, 3), ccRadian(0.0), ccRadian(0.0),
                            ccVector<2>(1, 1));
    EXPECT_NEAR(ellipse.perimeter(), ccEllipse2(ccVector<2>(0, 0), ccVector<2>(4, 3)).perimeter(),
                kLengthRelative * 30);
    EXPECT_EQ(ellipse.boundaryLoop().size(), 4u);
}

TEST(GenRectTest, StartsMidSideAndDecomposesInTravelOrderWithoutEmptyPieces) {
    const ccGenRect box(ccVector<2>(1, 1), ccVector<2>(2, 1), ccRadian(0.0));
    expectSamePoint(box.startPoint(), ccVector<2>(3, 1));
    EXPECT_NEAR(box.startAngle().toDouble(), ccPi / 2, kAngleSlack);
    const auto parts = box.decompose();
    const auto* contour = parts.dynamicCast<const ccContourTree>();
    ASSERT_NE(contour, nullptr);
    EXPECT_TRUE(contour->isClosed());
    // Sharp corners leave only sides: the half side up, three sides, the half side back.
    ASSERT_EQ(contour->numChildren(), 5);
    const ccVector<2> ends[5] = {{3, 2}, {-1, 2}, {-1, 0}, {3, 0}, {3, 1}};
    for (int i = 0; i < 5; ++i) {
        expectSamePoint(contour->child(i)->endPoint(), ends[i]);
        EXPECT_LE((contour->child(i)->startPoint() - contour->child((i + 4) % 5)->endPoint()).len(),
                  kLengthRelative);
    }

    // Corners rounded on one axis only are sharp.
    const ccGenRect half(ccVector<2>(1, 1), ccVector<2>(2, 1), ccRadian(0.0), ccRadian(0.0),
                         ccVector<2>(0, 0.5));
    EXPECT_NEAR(half.perimeter(), box.perimeter(), kLengthRelative * 10);

    // Fully rounded in v: no half sides, the loop starts on a corner arc.
    const ccGenRect capsule(ccVector<2>(0, 0), ccVector<2>(4, 1), ccRadian(0.0), ccRadian(0.0),
                            ccVector<2>(0.25, 1));
    const auto loop = capsule.boundaryLoop();
    ASSERT_EQ(loop.size(), 6u);
    EXPECT_NE(loop.front().dynamicCast<const ccEllipseArc2>(), nullptr);
    expectSamePoint(loop.front()->startPoint(), ccVector<2>(4, 0));
}

TEST(GenRectTest, SkewTurnsTheSecondAxisAndHandednessTheDirection) {
    const double skew = 0.4;
    const ccGenRect skewed(ccVector<2>(0, 0), ccVector<2>(2, 1), ccRadian(0.0), ccRadian(skew));
    // The +v side is the image of v = 1: the point at u = 0 lies at yDir.
    const ccVector<2> top = ccVector<2>::polar(ccPi / 2 + skew);
    expectSamePoint(skewed.nearestPoint(top + ccVector<2>(0, 0.5)), top);
    EXPECT_TRUE(skewed.within(top * 0.99));
    EXPECT_FALSE(skewed.within(top * 1.01));
    EXPECT_LE(shape_checks::angleGap(skewed.startAngle(), ccRadian(ccPi / 2 + skew)), kAngleSlack);
    const auto left = skewed.reverse();
    EXPECT_LE(shape_checks::angleGap(left->startAngle(), ccRadian(-ccPi / 2 + skew)), kAngleSlack);
    EXPECT_NEAR(left->windingAngle(ccVector<2>(0, 0)), -ccTwoPi, kAngleSlack);
}

// Where the image lies is checked on the random rectangles.
TEST(GenRectTest, AffineMapsKeepTheTypeAndSingularOnesGiveTheMappedPieces) {
    const ccGenRect rect(ccVector<2>(1, 2), ccVector<2>(3, 2), ccRadian(0.2), ccRadian(0.1),
                         ccVector<2>(0.5, 0.3));
    const ccXform<2> shear(ccMatrix<2>(1, 0.8, -0.3, 1.5), ccVector<2>(4, 4));
    EXPECT_NE(rect.mapShape(shear).dynamicCast<const ccGenRect>(), nullptr);
    const auto mirrored = rect.mapShape(ccXform<2>(ccMatrix<2>::scale(-1, 1), ccVector<2>()));
    EXPECT_NE(mirrored.dynamicCast<const ccGenRect>(), nullptr);
    const auto flat = rect.mapShape(ccXform<2>(ccMatrix<2>(1, 2, 2, 4), ccVector<2>()));
    EXPECT_NE(flat.dynamicCast<const ccContourTree>(), nullptr);
}

TEST(GenRectTest, AnnulusHasTheInnerRectangleAsAHoleRunningTheOtherWay) {
    const ccGenRect outer(ccVector<2>(0, 0), ccVector<2>(4, 3), ccRadian(0.0), ccRadian(0.0),
                          ccVector<2>(0.5, 0.5));
    const ccGenAnnulus ring(outer, ccVector<2>(2, 1), ccVector<2>(0, 0));
    EXPECT_FALSE(ring.inner().isRightHanded());
    EXPECT_NEAR(ring.perimeter(), outer.perimeter() + 12, kLengthRelative * 30);
    EXPECT_FALSE(ring.within(ccVector<2>(0, 0)));
    EXPECT_TRUE(ring.within(ccVector<2>(2, 1)));
    EXPECT_FALSE(ring.within(ccVector<2>(3.9, 2.9)));
    const auto parts = ring.decompose();
    const auto* region = parts.dynamicCast<const ccRegionTree>();
    ASSERT_NE(region, nullptr);
    ASSERT_EQ(region->numChildren(), 1);
    EXPECT_TRUE(region->child(0).dynamicCast<const ccRegionTree>()->isHole());

    const auto mapped = ring.mapShape(ccXform<2>(ccMatrix<2>(2, 1, 0, -1), ccVector<2>(1, 1)));
    EXPECT_NE(mapped.dynamicCast<const ccGenAnnulus>(), nullptr);

    const ccGenAnnulus solid(outer, ccVector<2>(0, 1));
    EXPECT_FALSE(solid.hasHole());
    EXPECT_EQ(solid.loops().size(), 1u);
    EXPECT_THROW(solid.inner(), ccShapesError::BadParams);
}

TEST(GenRectTest, BadParametersThrowAndLeaveTheShapeAsItWas) {
    const ccVector<2> origin(0, 0);
    EXPECT_THROW(ccGenRect(origin, ccVector<2>(0, 1), ccRadian(0.0)), ccShapesError::BadParams);
    EXPECT_THROW(ccGenRect(origin, ccVector<2>(1, NAN), ccRadian(0.0)), ccShapesError::BadParams);
    EXPECT_THROW(ccGenRect(origin, ccVector<2>(1, 1), ccRadian(INFINITY)),
                 ccShapesError::BadParams);
    EXPECT_THROW(ccGenRect(origin, ccVector<2>(1, 1), ccRadian(0.0), ccRadian(ccPi / 2)),
                 ccShapesError::BadParams);
    EXPECT_THROW(
        ccGenRect(origin, ccVector<2>(1, 1), ccRadian(0.0), ccRadian(0.0), ccVector<2>(1.5, 0)),
        ccShapesError::BadParams);
    EXPECT_THROW(
        ccGenRect(origin, ccVector<2>(1, 1), ccRadian(0.0), ccRadian(0.0), ccVector<2>(-0.1, 0)),
        ccShapesError::BadParams);
    const ccGenRect outer(origin, ccVector<2>(2, 2), ccRadian(0.0));
    EXPECT_THROW(ccGenAnnulus(outer, ccVector<2>(3, 1)), ccShapesError::BadParams);
    EXPECT_THROW(ccGenAnnulus(outer, ccVector<2>(1, 1), ccVector<2>(0, 2)),
                 ccShapesError::BadParams);
    // An inner radius of 0 on either axis is a hole without area; below 0 none at all.
    for (const ccVector<2>& flat : {ccVector<2>(0, 0.5), ccVector<2>(0.5, 0)})
        EXPECT_FALSE(ccGenAnnulus(outer, flat).hasHole());
    const double below = -std::numeric_limits<double>::denorm_min();
    for (const ccVector<2>& negative : {ccVector<2>(below, 0.5), ccVector<2>(0.5, below)})
        EXPECT_THROW(ccGenAnnulus(outer, negative), ccShapesError::BadParams);

    // Sharp inner corners poke out of a round outer rectangle; rounded ones fit.
    const ccGenRect disc(origin, ccVector<2>(2, 2), ccRadian(0.0), ccRadian(0.0),
                         ccVector<2>(1, 1));
    EXPECT_THROW(ccGenAnnulus(disc, ccVector<2>(1.5, 1.5)), ccShapesError::BadParams);
    EXPECT_NO_THROW(ccGenAnnulus(disc, ccVector<2>(1.5, 1.5), ccVector<2>(1, 1)));
    ccGenAnnulus ring(disc, ccVector<2>(1, 1));
    EXPECT_THROW(ring.rects(disc, ccVector<2>(1.9, 1.9), ccVector<2>(0.1, 0.1)),
                 ccShapesError::BadParams);
    EXPECT_TRUE(ring == ccGenAnnulus(disc, ccVector<2>(1, 1)));

    ccGenRect rect(origin, ccVector<2>(2, 1), ccRadian(0.0));
    const ccGenRect before = rect;
    EXPECT_THROW(rect.round(ccVector<2>(2, 0)), ccShapesError::BadParams);
    EXPECT_THROW(rect.skew(ccRadian(-2.0)), ccShapesError::BadParams);
    EXPECT_THROW(rect.radii(ccVector<2>(1, -1)), ccShapesError::BadParams);
    EXPECT_TRUE(rect == before);
    EXPECT_EQ(rect.changeCount(), 0);
}

}  // namespace
