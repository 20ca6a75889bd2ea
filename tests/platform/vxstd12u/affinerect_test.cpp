#include "vxstd12u/affinerect.h"

#include <gtest/gtest.h>

#include <cmath>

#include "shape_checks.h"
#include "vxstd12u/errors.h"
#include "vxstd12u/line.h"
#include "vxstd12u/shapetree.h"

namespace {

using shape_checks::coin;
using shape_checks::expectSamePoint;
using shape_checks::kAngleSlack;
using shape_checks::kLengthRelative;
using shape_checks::uniform;

ccAffineRectangle randomAffineRect(std::mt19937& rng) {
    return ccAffineRectangle(
        shape_checks::randomPoint(rng, 50), ccVector<2>(uniform(rng, 1, 30), uniform(rng, 1, 30)),
        ccRadian(uniform(rng, -ccPi, ccPi)), ccRadian(uniform(rng, -1.3, 1.3)), coin(rng));
}

TEST(AffineRectTest, RandomAffineRectanglesKeepEveryLoopProperty) {
    shape_checks::checkRandomRegions(31, 10, randomAffineRect);
}

TEST(AffineRectTest, DecomposesIntoFourSidesFromTheFirstCorner) {
    const ccAffineRectangle rect(ccVector<2>(2, 1), ccVector<2>(4, 2), ccRadian(0.0));
    expectSamePoint(rect.corner(0), ccVector<2>(0, 0));
    expectSamePoint(rect.corner(2), ccVector<2>(4, 2));
    EXPECT_NEAR(rect.perimeter(), 12, kLengthRelative * 12);
    const auto parts = rect.decompose();
    const auto* contour = parts.dynamicCast<const ccContourTree>();
    ASSERT_NE(contour, nullptr);
    ASSERT_EQ(contour->numChildren(), 4);
    const ccVector<2> ends[4] = {{4, 0}, {4, 2}, {0, 2}, {0, 0}};
    for (int i = 0; i < 4; ++i) {
        ASSERT_NE(contour->child(i).dynamicCast<const ccLineSeg>(), nullptr);
        expectSamePoint(contour->child(i)->endPoint(), ends[i]);
    }

    // Left-handed: up the second side first, from the same corner.
    const auto left = rect.reverse();
    expectSamePoint(left->startPoint(), ccVector<2>(0, 0));
    EXPECT_NEAR(left->startAngle().toDouble(), ccPi / 2, kAngleSlack);
    EXPECT_NEAR(left->endAngle().toDouble(), ccPi, kAngleSlack);
    ccVector<2> p;
    ccRadian t;
    left->perimPointAndTangent(ccPerimPos(0, 3), p, t);
    expectSamePoint(p, ccVector<2>(1, 2));
}

TEST(AffineRectTest, SkewMakesAParallelogramWithTheSameSides) {
    const ccAffineRectangle slanted(ccVector<2>(0, 0), ccVector<2>(2, 2), ccRadian(0.0),
                                    ccRadian(-ccPi / 4));
    const double h = std::sqrt(2.0);
    expectSamePoint(slanted.corner(3) - slanted.corner(0), ccVector<2>(h, h));
    EXPECT_NEAR(slanted.perimeter(), 8, kLengthRelative * 8);
    EXPECT_TRUE(slanted.within(ccVector<2>(0.5, 0.5)));
    EXPECT_FALSE(slanted.within(ccVector<2>(-1.2, 0.5)));
    const ccRect box = slanted.boundingBox();
    EXPECT_NEAR(box.width(), 2 + h, kLengthRelative * 10);
    EXPECT_NEAR(box.height(), h, kLengthRelative * 10);
}

// Where the image lies is checked on the random rectangles.
TEST(AffineRectTest, MirrorsKeepTheTypeAndSingularMapsGiveTheMappedPieces) {
    const ccAffineRectangle rect(ccVector<2>(1, 1), ccVector<2>(4, 2), ccRadian(0.3),
                                 ccRadian(0.2));
    const auto image = rect.mapShape(ccXform<2>(ccMatrix<2>::scale(1, -1), ccVector<2>(0, 5)));
    EXPECT_NE(image.dynamicCast<const ccAffineRectangle>(), nullptr);
    const auto flat = rect.mapShape(ccXform<2>(ccMatrix<2>(1, 1, 1, 1), ccVector<2>()));
    EXPECT_NE(flat.dynamicCast<const ccContourTree>(), nullptr);
}

TEST(AffineRectTest, BadParametersThrowAndLeaveTheShapeAsItWas) {
    const ccVector<2> origin(0, 0);
    EXPECT_THROW(ccAffineRectangle(origin, ccVector<2>(1, -1), ccRadian(0.0)),
                 ccShapesError::BadParams);
    EXPECT_THROW(ccAffineRectangle(ccVector<2>(NAN, 0), ccVector<2>(1, 1), ccRadian(0.0)),
                 ccShapesError::BadParams);
    EXPECT_THROW(ccAffineRectangle(origin, ccVector<2>(1, 1), ccRadian(0.0), ccRadian(2.0)),
                 ccShapesError::BadParams);
    ccAffineRectangle rect(origin, ccVector<2>(1, 1), ccRadian(0.0));
    EXPECT_THROW(rect.corner(4), ccShapesError::BadParams);
    EXPECT_THROW(rect.sides(ccVector<2>(INFINITY, 1)), ccShapesError::BadParams);
    EXPECT_THROW(rect.rotation(ccRadian(NAN)), ccShapesError::BadParams);
    EXPECT_TRUE(rect == ccAffineRectangle(origin, ccVector<2>(1, 1), ccRadian(0.0)));
    EXPECT_THROW(rect.within(ccVector<2>(NAN, 0)) || true, ccShapesError::BadParams);
}

}  // namespace
