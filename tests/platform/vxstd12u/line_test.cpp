#include "vxstd12u/line.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "random_straight_shapes.h"
#include "vxstd12u/errors.h"
#include "vxstd12u/rect.h"

namespace {

void pointAndTangent(const ccShape& s, double offset, ccVector<2>& p, ccRadian& t) {
    s.perimPointAndTangent(ccPerimPos(0, offset), p, t);
}

ccVector<2> pointAt(const ccShape& s, double offset) {
    ccVector<2> p;
    ccRadian t;
    pointAndTangent(s, offset, p, t);
    return p;
}

}  // namespace

TEST(LineSeg, RunsFromP1ToP2WithClampedOffsets) {
    const ccLineSeg s({1, 1}, {4, 5});
    EXPECT_DOUBLE_EQ(s.perimeter(), 5.0);
    EXPECT_TRUE(s.isOpenContour());
    EXPECT_FALSE(s.isRegion());
    EXPECT_DOUBLE_EQ(s.startAngle().toDouble(), std::atan2(4.0, 3.0));
    EXPECT_EQ(pointAt(s, 5.0), ccVector<2>(4, 5));
    EXPECT_EQ(pointAt(s, 9.0), ccVector<2>(4, 5));
    EXPECT_EQ(pointAt(s, -1.0), ccVector<2>(1, 1));
    expectNear(pointAt(s, 2.5), {2.5, 3});
    EXPECT_EQ(s.nearestPoint({0, 0}), ccVector<2>(1, 1));
    EXPECT_NEAR(s.nearestPerimPos({4, 1}).offset(), 1.8, cc_tol::kCoincident);
    EXPECT_DOUBLE_EQ(s.nearestPerimPos({8, 2}).offset(), 5.0);
    EXPECT_EQ(s.boundingBox(), ccRect({1, 1}, {3, 4}));
    EXPECT_THROW(s.within({2, 2}), ccShapesError::NotRegion);
}

TEST(LineSeg, PiecesAreSegmentsAndZeroLengthIsAllowed) {
    const ccLineSeg s({0, 0}, {10, 0});
    EXPECT_EQ(*s.reverse(), ccLineSeg({10, 0}, {0, 0}));
    const ccLineSeg point({2, 3}, {2, 3});
    EXPECT_DOUBLE_EQ(point.perimeter(), 0.0);
    EXPECT_DOUBLE_EQ(point.startAngle().toDouble(), 0.0);
    EXPECT_EQ(pointAt(point, 1.0), ccVector<2>(2, 3));
    EXPECT_EQ(*point.decompose(), point);
    EXPECT_THROW(ccLineSeg({0, NAN}, {1, 1}), ccShapesError::BadParams);
    ccLineSeg changed({0, 0}, {1, 1});
    EXPECT_THROW(changed.p2({INFINITY, 0}), ccShapesError::BadParams);
    EXPECT_EQ(changed, ccLineSeg({0, 0}, {1, 1}));
}

TEST(LineSeg, WindingAngleIsTheSignedAngleSubtended) {
    const ccLineSeg s({1, -1}, {1, 1});
    EXPECT_DOUBLE_EQ(s.windingAngle({0, 0}), ccPi / 2);
    EXPECT_DOUBLE_EQ(s.reverse()->windingAngle({0, 0}), -ccPi / 2);
    EXPECT_DOUBLE_EQ(s.windingAngle({1, -1}), 0.0);
}

TEST(Line, RunsThroughItsPointInTheDirectionOfItsAngle) {
    const ccLine line({1, 2}, ccRadian(ccPi / 2));
    EXPECT_FALSE(line.isFinite());
    EXPECT_EQ(line.perimeter(), std::numeric_limits<double>::infinity());
    expectNear(line.nearestPoint({5, 7}), {1, 7});
    EXPECT_NEAR(line.nearestPerimPos({5, -1}).offset(), -3.0, cc_tol::kCoincident);
    expectNear(pointAt(line, -3.0), {1, -1});
    // Left of an upward line is -x.
    EXPECT_DOUBLE_EQ(line.windingAngle({0, 0}), ccPi);
    EXPECT_DOUBLE_EQ(line.windingAngle({2, 0}), -ccPi);
    EXPECT_DOUBLE_EQ(line.reverse()->windingAngle({0, 0}), -ccPi);
    EXPECT_THROW(line.startPoint(), ccShapesError::InfiniteExtent);
    EXPECT_THROW(line.boundingBox(), ccShapesError::InfiniteExtent);
    EXPECT_THROW(pointAt(line, INFINITY), ccShapesError::InfiniteExtent);
    EXPECT_THROW(line.within({0, 0}), ccShapesError::NotRegion);
    ccShape::ccSampleResult result;
    EXPECT_THROW(line.sample(ccShape::ccSampleParams(), result), ccShapesError::InfiniteExtent);
    EXPECT_TRUE(result.positions().empty());
}

TEST(Line, AMapThatCollapsesTheDirectionIsRefused) {
    const ccLine line({0, 0}, ccRadian(0.0));
    EXPECT_THROW(line.mapShape(ccXform<2>(ccMatrix<2>(0, 0, 0, 1), {})), ccShapesError::BadParams);
    EXPECT_THROW(ccLine::throughPointAlong({0, 0}, {0, 0}), ccShapesError::BadParams);
    EXPECT_THROW(ccLine({0, 0}, ccRadian(NAN)), ccShapesError::BadParams);
}

TEST(FLine, HoldsThePointsWhoseProjectionOnTheNormalIsTheDistance) {
    const ccFLine line(ccRadian(0.0), 3.0);  // x = 3, running towards +y
    expectNear(line.foot(), {3, 0});
    EXPECT_DOUBLE_EQ(line.startAngle().toDouble(), ccPi / 2);
    expectNear(line.nearestPoint({10, 4}), {3, 4});
    // The origin lies on the side the normal points away from: the left.
    EXPECT_DOUBLE_EQ(line.windingAngle({0, 0}), ccPi);
    const auto reversed = line.reverse();
    const ccFLine& back = *ccPtrHandle<ccFLine>(reversed);
    EXPECT_DOUBLE_EQ(back.distanceFromOrigin(), -3.0);
    EXPECT_DOUBLE_EQ(back.angle().toDouble(), ccPi);
    EXPECT_EQ(*reversed->reverse(), line);
    EXPECT_EQ(*line.toLine().reverse()->reverse(), line.toLine());
}

TEST(LineProperties, MappingKeepsPointsOnTheImageAndTangentsMapped) {
    RandomStraightShapes random(31);
    for (int trial = 0; trial < 200; ++trial) {
        const ccLine line(random.point(), ccRadian(random.uniform(-4, 4)));
        const ccFLine fline(ccRadian(random.uniform(-4, 4)), random.uniform(-50, 50));
        const ccLineSeg seg = random.segment();
        const ccXform<2> maps[] = {random.rigid(), random.mirrored(), random.affine()};
        for (const ccXform<2>& x : maps) {
            for (const ccShape* shape :
                 {static_cast<const ccShape*>(&line), static_cast<const ccShape*>(&fline)}) {
                const auto image = shape->mapShape(x);
                ccVector<2> p;
                ccRadian t;
                pointAndTangent(*shape, random.uniform(-50, 50), p, t);
                const ccVector<2> q = x.mapPoint(p);
                EXPECT_LE((image->nearestPoint(q) - q).len(), cc_tol::kCoincident);
                expectSameDirection(image->startAngle(), x.mapAngle(t));
            }
            const auto segImage = seg.mapShape(x);
            const double f = random.uniform(0, 1);
            expectNear(pointAt(*segImage, f * segImage->perimeter()),
                       x.mapPoint(pointAt(seg, f * seg.perimeter())));
        }
    }
}

TEST(LineProperties, ReversingTwiceIsExactAndReversingFlipsTheTangent) {
    RandomStraightShapes random(32);
    for (int trial = 0; trial < 200; ++trial) {
        const ccLine line(random.point(), ccRadian(random.uniform(-10, 10)));
        const ccFLine fline(ccRadian(random.uniform(-10, 10)), random.uniform(-50, 50));
        const ccLineSeg seg = random.segment();
        for (const ccShape* shape :
             {static_cast<const ccShape*>(&line), static_cast<const ccShape*>(&fline),
              static_cast<const ccShape*>(&seg)}) {
            const auto once = shape->reverse();
            EXPECT_EQ(*once->reverse(), *shape);
            EXPECT_NE(*once, *shape);
            expectSameDirection(once->startAngle(), shape->endAngle() + ccRadian(ccPi));
            EXPECT_DOUBLE_EQ(once->windingAngle({0, 0}), -shape->windingAngle({0, 0}));
        }
        const double s = random.uniform(0, seg.perimeter());
        expectNear(pointAt(*seg.reverse(), seg.perimeter() - s), pointAt(seg, s));
    }
}

TEST(LineProperties, UniformSamplesOfASegmentCommuteWithAnyAffineMap) {
    // Uniform samples sit at fixed fractions of the length, and an affine map
    // keeps fractions along a straight piece.
    RandomStraightShapes random(33);
    ccShape::ccSampleParams params;
    params.uniformMode(true);
    for (int trial = 0; trial < 100; ++trial) {
        const ccLineSeg seg = random.segment();
        const ccXform<2> x = trial % 2 ? random.affine() : random.mirrored();
        params.maxPoints(random.count(1, 40));
        ccShape::ccSampleResult direct, viaImage;
        seg.sample(params, direct);
        seg.mapShape(x)->sample(params, viaImage);
        ASSERT_EQ(direct.positions().size(), static_cast<std::size_t>(params.maxPoints()));
        ASSERT_EQ(viaImage.positions().size(), direct.positions().size());
        for (std::size_t k = 0; k < direct.positions().size(); ++k) {
            expectNear(viaImage.positions()[k], x.mapPoint(direct.positions()[k]));
            expectNear(seg.nearestPoint(direct.positions()[k]), direct.positions()[k]);
            expectSameDirection(viaImage.tangents()[k], x.mapAngle(direct.tangents()[k]));
        }
    }
}
