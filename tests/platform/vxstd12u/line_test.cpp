#include "vxstd12u/line.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "shape_checks.h"
#include "vxstd12u/errors.h"
#include "vxstd12u/rect.h"

using shape_checks::expectSameHeading;
using shape_checks::expectSamePoint;
using shape_checks::pointAt;

TEST(LineSeg, RunsFromP1ToP2WithClampedOffsetsAndSubtendsASignedAngle) {
    const ccLineSeg s({1, 1}, {4, 5});
    EXPECT_DOUBLE_EQ(s.startAngle().toDouble(), std::atan2(4.0, 3.0));
    EXPECT_EQ(pointAt(s, 9.0), ccVector<2>(4, 5));
    EXPECT_EQ(pointAt(s, -1.0), ccVector<2>(1, 1));
    expectSamePoint(pointAt(s, 2.5), {2.5, 3});
    EXPECT_NEAR(s.nearestPerimPos({4, 1}).offset(), 1.8, cc_tol::kCoincident);
    EXPECT_DOUBLE_EQ(s.nearestPerimPos({8, 2}).offset(), 5.0);
    EXPECT_EQ(s.boundingBox(), ccRect({1, 1}, {3, 4}));
    EXPECT_EQ(*s.reverse(), ccLineSeg({4, 5}, {1, 1}));
    EXPECT_THROW(s.within({2, 2}), ccShapesError::NotRegion);

    const ccLineSeg upright({1, -1}, {1, 1});
    EXPECT_DOUBLE_EQ(upright.windingAngle({0, 0}), ccPi / 2);
    EXPECT_DOUBLE_EQ(upright.reverse()->windingAngle({0, 0}), -ccPi / 2);
    EXPECT_DOUBLE_EQ(upright.windingAngle({1, -1}), 0.0);

    const ccLineSeg point({2, 3}, {2, 3});
    EXPECT_DOUBLE_EQ(point.startAngle().toDouble(), 0.0);
    EXPECT_EQ(pointAt(point, 1.0), ccVector<2>(2, 3));
    EXPECT_THROW(ccLineSeg({0, NAN}, {1, 1}), ccShapesError::BadParams);
    ccLineSeg changed({0, 0}, {1, 1});
    EXPECT_THROW(changed.p2({INFINITY, 0}), ccShapesError::BadParams);
    EXPECT_EQ(changed, ccLineSeg({0, 0}, {1, 1}));
}

TEST(Line, RunsThroughItsPointInTheDirectionOfItsAngle) {
    const ccLine line({1, 2}, ccRadian(ccPi / 2));
    EXPECT_EQ(line.perimeter(), std::numeric_limits<double>::infinity());
    expectSamePoint(line.nearestPoint({5, 7}), {1, 7});
    EXPECT_NEAR(line.nearestPerimPos({5, -1}).offset(), -3.0, cc_tol::kCoincident);
    expectSamePoint(pointAt(line, -3.0), {1, -1});
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
    EXPECT_THROW(line.subShape(ccShapeInfo(line), {ccPerimPos(0, 0), 1}),
                 ccShapesError::InfiniteExtent);
    EXPECT_TRUE(result.positions().empty());
    // A map that collapses the direction is refused.
    EXPECT_THROW(ccLine({0, 0}, ccRadian(0.0)).mapShape(ccXform<2>(ccMatrix<2>(0, 0, 0, 1), {})),
                 ccShapesError::BadParams);
    EXPECT_THROW(ccLine::throughPointAlong({0, 0}, {0, 0}), ccShapesError::BadParams);
    EXPECT_THROW(ccLine({0, 0}, ccRadian(NAN)), ccShapesError::BadParams);
}

TEST(FLine, HoldsThePointsWhoseProjectionOnTheNormalIsTheDistance) {
    const ccFLine line(ccRadian(0.0), 3.0);  // x = 3, running towards +y
    expectSamePoint(line.foot(), {3, 0});
    EXPECT_DOUBLE_EQ(line.startAngle().toDouble(), ccPi / 2);
    expectSamePoint(line.nearestPoint({10, 4}), {3, 4});
    // The origin lies on the side the normal points away from: the left.
    EXPECT_DOUBLE_EQ(line.windingAngle({0, 0}), ccPi);
    const auto reversed = line.reverse();
    const ccFLine& back = *ccPtrHandle<ccFLine>(reversed);
    EXPECT_DOUBLE_EQ(back.distanceFromOrigin(), -3.0);
    EXPECT_DOUBLE_EQ(back.angle().toDouble(), ccPi);
    EXPECT_EQ(*reversed->reverse(), line);
    EXPECT_EQ(*line.toLine().reverse()->reverse(), line.toLine());
}

TEST(LineProperties, RandomLinesMapAndReverseAndSegmentsKeepEveryCurveProperty) {
    std::mt19937 rng(31);
    for (int trial = 0; trial < 100; ++trial) {
        const ccLine line(shape_checks::randomPoint(rng, 100),
                          ccRadian(shape_checks::uniform(rng, -10, 10)));
        const ccFLine fline(ccRadian(shape_checks::uniform(rng, -10, 10)),
                            shape_checks::uniform(rng, -50, 50));
        const ccXform<2> x =
            trial % 2 ? shape_checks::randomAffine(rng) : shape_checks::randomRigid(rng);
        for (const ccShape* shape :
             {static_cast<const ccShape*>(&line), static_cast<const ccShape*>(&fline)}) {
            ccVector<2> p;
            ccRadian t;
            shape_checks::pointAt(*shape, shape_checks::uniform(rng, -50, 50), p, t);
            const auto image = shape->mapShape(x);
            expectSamePoint(image->nearestPoint(x.mapPoint(p)), x.mapPoint(p));
            expectSameHeading(image->startAngle(), x.mapAngle(t));
            const auto once = shape->reverse();
            EXPECT_EQ(*once->reverse(), *shape);
            expectSameHeading(once->startAngle(), shape->startAngle() + ccRadian(ccPi));
            EXPECT_DOUBLE_EQ(once->windingAngle({0, 0}), -shape->windingAngle({0, 0}));
        }
        if (trial % 4 == 0)
            shape_checks::checkCurve(shape_checks::randomSegment(rng), rng, trial % 8);
    }
}
