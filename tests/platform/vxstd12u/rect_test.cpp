#include "vxstd12u/rect.h"

#include <cmath>

#include <gtest/gtest.h>

#include "shape_checks.h"
#include "vxstd12u/errors.h"
#include "vxstd12u/line.h"
#include "vxstd12u/polyline.h"
#include "vxstd12u/shapeinfo.h"
#include "vxstd12u/shapetree.h"

using shape_checks::expectSamePoint;
using shape_checks::pointAt;

TEST(Rect, StartsAtTheOriginAndRunsAlongXFirstCounterClockwise) {
    const ccRect r({1, 2}, {4, 3});
    EXPECT_TRUE(r.isRightHanded());
    EXPECT_EQ(r.startPoint(), ccVector<2>(1, 2));
    EXPECT_DOUBLE_EQ(r.startAngle().toDouble(), 0.0);
    EXPECT_DOUBLE_EQ(r.endAngle().toDouble(), -ccPi / 2);
    EXPECT_DOUBLE_EQ(r.perimeter(), 14.0);
    EXPECT_DOUBLE_EQ(r.tangentRotation(), ccTwoPi);
    EXPECT_EQ(pointAt(r, 4.0), ccVector<2>(5, 2));
    EXPECT_EQ(pointAt(r, 7.0), ccVector<2>(5, 5));
    EXPECT_EQ(pointAt(r, 11.0), ccVector<2>(1, 5));
    EXPECT_DOUBLE_EQ(r.windingAngle({3, 3}), ccTwoPi);
    EXPECT_NEAR(r.windingAngle({0, 3}), 0.0, cc_tol::kAngle);
}

TEST(Rect, DecomposesIntoFourSidesInOrderInAClosedContour) {
    const ccRect r({0, 0}, {2, 1});
    const auto tree = ccPtrHandle<ccContourTree>(r.decompose());
    EXPECT_TRUE(tree->isClosed());
    ASSERT_EQ(tree->numChildren(), 4);
    EXPECT_EQ(*tree->child(0), ccLineSeg({0, 0}, {2, 0}));
    EXPECT_EQ(*tree->child(1), ccLineSeg({2, 0}, {2, 1}));
    EXPECT_EQ(*tree->child(2), ccLineSeg({2, 1}, {0, 1}));
    EXPECT_EQ(*tree->child(3), ccLineSeg({0, 1}, {0, 0}));
    // A flat rectangle's zero-length sides are left out.
    EXPECT_EQ(ccPtrHandle<ccContourTree>(ccRect({0, 0}, {2, 0}).decompose())->numChildren(), 2);
}

TEST(Rect, WithinIncludesTheBoundaryAndNearestFindsTheRightSide) {
    const ccRect r({0, 0}, {4, 2});
    EXPECT_TRUE(r.within({4, 2}));
    EXPECT_TRUE(r.within({0, 1}));
    EXPECT_FALSE(r.within({4.0000001, 1}));
    EXPECT_TRUE(r.within({4 + cc_tol::kCoincident / 2, 1}));
    EXPECT_EQ(r.nearestPoint({5, 1}), ccVector<2>(4, 1));
    EXPECT_DOUBLE_EQ(r.nearestPerimPos({5, 1}).offset(), 5.0);
    EXPECT_DOUBLE_EQ(r.nearestPerimPos({1, 3}).offset(), 9.0);
    EXPECT_DOUBLE_EQ(r.nearestPerimPos({-1, 0.5}).offset(), 11.5);
}

TEST(Rect, MapsToARectOnlyWhenItStaysAxisAlignedWithTheSameStart) {
    const ccRect r({1, 1}, {2, 1});
    const auto scaled = r.mapShape(ccXform<2>(ccMatrix<2>::scale(2, 3), {1, 0}));
    EXPECT_EQ(*scaled, ccRect({3, 3}, {4, 3}));

    const auto turned = r.mapShape(ccXform<2>::rigid(ccRadian(ccPi / 2), {}));
    const ccPolyline& poly = *ccPtrHandle<ccPolyline>(turned);
    expectSamePoint(poly.vertex(0), {-1, 1});
    expectSamePoint(poly.vertex(1), {-1, 3});
    expectSamePoint(poly.vertex(2), {-2, 3});
    EXPECT_TRUE(poly.isRightHanded());

    const auto mirrored = r.mapShape(ccXform<2>(ccMatrix<2>::scale(-1, 1), {}));
    EXPECT_NE(mirrored.dynamicCast<const ccPolyline>(), nullptr);
    EXPECT_FALSE(mirrored->isRightHanded());
    EXPECT_EQ(mirrored->startPoint(), ccVector<2>(-1, 1));
}

TEST(Rect, ReverseAndPiecesArePolylines) {
    const ccRect r({0, 0}, {2, 1});
    const ccPolyline reversed = *ccPtrHandle<ccPolyline>(r.reverse());
    EXPECT_EQ(reversed.vertices(), (std::vector<ccVector<2>>{{0, 0}, {0, 1}, {2, 1}, {2, 0}}));
    EXPECT_FALSE(reversed.isRightHanded());
    EXPECT_EQ(*reversed.reverse(), r.toPolyline());
    // Pieces through the shape's sub-shape operation keep the polyline form.
    const auto piece = r.subShape(ccShapeInfo(r), {ccPerimPos(0, 1.0), 3.0});
    EXPECT_EQ(*piece, ccPolyline({{1, 0}, {2, 0}, {2, 1}, {1, 1}}, false));
}

TEST(Rect, BadSizesAndCoordinatesAreRefused) {
    EXPECT_THROW(ccRect({0, 0}, {-1, 1}), ccShapesError::BadParams);
    EXPECT_THROW(ccRect({0, NAN}, {1, 1}), ccShapesError::BadParams);
    EXPECT_THROW(ccRect({0, 0}, {1, INFINITY}), ccShapesError::BadParams);
    ccRect r({0, 0}, {1, 1});
    EXPECT_THROW(r.size({2, -2}), ccShapesError::BadParams);
    EXPECT_EQ(r, ccRect({0, 0}, {1, 1}));
    EXPECT_THROW(r.corner(4), ccShapesError::BadParams);
    EXPECT_EQ(ccRect::spanning({3, -1}, {1, 2}), ccRect({1, -1}, {2, 3}));
}

TEST(RectProperties, AgreesWithItsPolylineUnderEveryMap) {
    std::mt19937 rng(21);
    for (int trial = 0; trial < 100; ++trial) {
        const ccRect r(shape_checks::randomPoint(rng, 100),
                       {shape_checks::uniform(rng, 0.5, 80), shape_checks::uniform(rng, 0.5, 80)});
        const ccPolyline poly = r.toPolyline();
        const ccXform<2> x =
            trial % 2 ? shape_checks::randomAffine(rng) : shape_checks::randomRigid(rng);
        const auto image = r.mapShape(x);
        const auto polyImage = poly.mapShape(x);
        EXPECT_EQ(image->isRightHanded(), x.determinant() > 0);
        const double f = shape_checks::uniform(rng, 0, 1);
        EXPECT_NEAR(image->perimeter(), polyImage->perimeter(), cc_tol::kCoincident);
        expectSamePoint(pointAt(*image, f * image->perimeter()),
                        pointAt(*polyImage, f * polyImage->perimeter()));
        EXPECT_EQ(*r.reverse()->reverse(), poly);
        const ccVector<2> q = shape_checks::randomPoint(rng, 100);
        EXPECT_EQ(r.within(q), poly.within(q));

        const ccShape::ccSampleParams params(shape_checks::uniform(rng, 0, 2),
                                             shape_checks::uniform(rng, 0.5, 5), ccNoPointLimit,
                                             true, true);
        ccShape::ccSampleResult direct, viaPolyline;
        r.sample(params, direct);
        poly.sample(params, viaPolyline);
        EXPECT_TRUE(direct.closedFlags().at(0));
        ASSERT_EQ(direct.positions().size(), viaPolyline.positions().size());
        for (std::size_t k = 0; k < direct.positions().size(); ++k)
            expectSamePoint(direct.positions()[k], viaPolyline.positions()[k]);
    }
}
