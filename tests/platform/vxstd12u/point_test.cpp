#include "vxstd12u/point.h"

#include <cmath>

#include <gtest/gtest.h>

#include "vxstd12u/errors.h"
#include "vxstd12u/rect.h"

TEST(Point, IsADegenerateOpenContourWithoutTangent) {
    const cc2Point p({2, -3});
    EXPECT_FALSE(p.hasTangent());
    EXPECT_FALSE(p.isReversible());
    EXPECT_TRUE(p.isOpenContour());
    EXPECT_FALSE(p.isRegion());
    EXPECT_DOUBLE_EQ(p.perimeter(), 0.0);
    EXPECT_EQ(p.startPoint(), p.endPoint());
    EXPECT_EQ(p.nearestPoint({100, 100}), ccVector<2>(2, -3));
    EXPECT_EQ(p.boundingBox(), ccRect({2, -3}, {0, 0}));
    EXPECT_EQ(*p.reverse(), p);
    EXPECT_EQ(*p.decompose(), p);
    EXPECT_THROW(p.within({2, -3}), ccShapesError::NotRegion);
}

TEST(Point, SamplesAsOnePointWithNoTangentWhateverTheSpacing) {
    const cc2Point p({1, 1});
    ccShape::ccSampleResult result;
    result.shapeIndex(4);
    ccShape::ccSampleParams params(0.0, 0.01, ccNoPointLimit, true, true);
    params.perimPosRequested(true);
    p.sample(params, result);
    p.sample(params, result);
    ASSERT_EQ(result.positions().size(), 2u);
    EXPECT_EQ(result.numChains(), 2);
    EXPECT_EQ(result.positions()[1], ccVector<2>(1, 1));
    EXPECT_TRUE(result.tangents().empty());
    EXPECT_FALSE(result.closedFlags()[0]);
    EXPECT_EQ(result.perimPositions()[0], ccPerimPos(4, 0.0));
    params.spacing(0.0);
    EXPECT_THROW(p.sample(params, result), ccShapesError::BadParams);
    EXPECT_EQ(result.positions().size(), 2u);
}

TEST(Point, MapsAndRefusesNonFiniteCoordinates) {
    const cc2Point p({1, 0});
    EXPECT_EQ(*p.mapShape(ccXform<2>(ccMatrix<2>(0, -1, 1, 0), {0, 5})), cc2Point({0, 6}));
    EXPECT_THROW(cc2Point({NAN, 0}), ccShapesError::BadParams);
    EXPECT_THROW(p.mapShape(ccXform<2>(ccMatrix<2>(INFINITY, 0, 0, 1), {})),
                 ccShapesError::BadParams);
    cc2Point changed({1, 0});
    EXPECT_THROW(changed.point({0, INFINITY}), ccShapesError::BadParams);
    EXPECT_EQ(changed, cc2Point({1, 0}));
    EXPECT_NE(cc2Point({1, 0}), cc2Point({1, 1}));
}
