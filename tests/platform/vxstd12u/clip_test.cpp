#include "vxstd12u/clip.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "shape_checks.h"
#include "vxstd12u/annulus.h"
#include "vxstd12u/bezier.h"
#include "vxstd12u/ellipse.h"
#include "vxstd12u/line.h"
#include "vxstd12u/point.h"
#include "vxstd12u/polyline.h"
#include "vxstd12u/rect.h"
#include "vxstd12u/shapetree.h"
#include "vxstd12u/spline.h"

namespace {

using Point = ccVector<2>;
using shape_checks::pointAt;

// Computed cut points and piece ends agree with hand-derived ones to this.
constexpr double kExact = 1e-9;
// Cut points found by bisection on a curve lie this close to the boundary.
constexpr double kOnBoundary = 1e-6;
// Probes per shape when measuring the inside length by brute force.
constexpr int kDenseProbes = 1000;

ccPolyline polygon(const std::vector<Point>& vertices) {
    return ccPolyline(vertices, true);
}

ccPolyline unitSquare() {
    return polygon({{0, 0}, {1, 0}, {1, 1}, {0, 1}});
}

// A U open at the top: the columns x in [0, 1] and [2, 3] joined below y = 1.
ccPolyline uShape() {
    return polygon({{0, 0}, {3, 0}, {3, 3}, {2, 3}, {2, 1}, {1, 1}, {1, 3}, {0, 3}});
}

Point midpointOf(const ccShape& shape) {
    return pointAt(shape, shape.perimeter() / 2);
}

// The pieces of a clip result: the children of a general tree, else the result itself.
std::vector<ccShapePtrh_const> piecesOf(const ccShapePtrh& result) {
    if (const auto* tree = dynamic_cast<const ccGeneralShapeTree*>(result.get()))
        return tree->children();
    return {result};
}

double totalLength(const std::vector<ccShapePtrh_const>& pieces) {
    double sum = 0;
    for (const auto& piece : pieces) sum += piece->perimeter();
    return sum;
}

// The length of `shape` inside `region`, by probing the middles of many equal steps.
double insideLengthByProbing(const ccShape& shape, const ccPolyline& region) {
    const double step = shape.perimeter() / kDenseProbes;
    int inside = 0;
    for (int i = 0; i < kDenseProbes; ++i)
        inside += region.within(pointAt(shape, (i + 0.5) * step)) ? 1 : 0;
    return inside * step;
}

double distanceToBoundary(const ccPolyline& region, const Point& p) {
    return (region.nearestPoint(p) - p).len();
}

void expectSegment(const ccShapePtrh_const& piece, const Point& p1, const Point& p2) {
    const auto* segment = dynamic_cast<const ccLineSeg*>(piece.get());
    ASSERT_NE(segment, nullptr);
    shape_checks::expectSamePoint(segment->p1(), p1, kExact);
    shape_checks::expectSamePoint(segment->p2(), p2, kExact);
}

void expectCuts(const ccClipInfo& info, const std::vector<double>& expected) {
    ASSERT_EQ(info.cutOffsets().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(info.cutOffsets()[i], expected[i], kExact);
}

// ---- Hand-checked clips ----

TEST(ClipTest, SegmentThroughAConcaveRegionGivesItsPiecesInTravelOrder) {
    ccClipInfo info;
    const ccShapePtrh result = ccLineSeg({4, 2}, {-1, 2}).clip(uShape(), info);
    const auto pieces = piecesOf(result);
    ASSERT_EQ(pieces.size(), 2u);
    expectSegment(pieces[0], {3, 2}, {2, 2});
    expectSegment(pieces[1], {1, 2}, {0, 2});
    expectCuts(info, {1, 2, 3, 4});
}

TEST(ClipTest, ShapesInsideOrTouchingTheBoundaryAreKeptWholeAndOutsideOnesDropped) {
    // The boundary counts as inside; touching it from outside cuts nothing.
    const ccPolyline big = polygon({{-3, -3}, {3, -3}, {3, 3}, {-3, 3}});
    const struct {
        ccShapePtrh shape;
        const ccPolyline& region;
        bool kept;
    } cases[] = {
        {cfMakeHandle<ccLineSeg>(Point(0.2, 0), Point(0.8, 0)), unitSquare(), true},
        {cfMakeHandle<ccLineSeg>(Point(-1, 1), Point(1, -1)), unitSquare(), false},
        {cfMakeHandle<ccCircle>(Point(0.5, 0.5), 0.5), unitSquare(), true},
        {cfMakeHandle<ccCircle>(Point(2, 0.5), 1), unitSquare(), false},
        {cfMakeHandle<ccLine>(Point(0, 5), ccRadian(0.0)), unitSquare(), false},
        {cfMakeHandle<cc2Point>(Point(0.5, 1)), unitSquare(), true},
        {cfMakeHandle<cc2Point>(Point(2, 2)), unitSquare(), false},
        {cfMakeHandle<ccRect>(Point(0, 0), Point(2, 1)), big, true},
        {cfMakeHandle<ccAnnulus>(Point(0, 0), 2, 1), big, true},
    };
    for (const auto& c : cases) {
        ccClipInfo info;
        const ccShapePtrh result = c.shape->clip(c.region, info);
        EXPECT_EQ(info.anythingRemoved(), !c.kept) << typeid(*c.shape).name();
        EXPECT_TRUE(info.cutOffsets().empty());
        if (c.kept) {
            EXPECT_TRUE(*result == *c.shape) << typeid(*c.shape).name();
        } else {
            EXPECT_TRUE(result->isEmpty()) << typeid(*c.shape).name();
        }
    }

    // Passing the inner corner of the U from inside keeps the whole length
    // inside; from a corner across the diagonal there is one cut, at the far corner.
    ccClipInfo cornerInfo;
    const auto pieces = piecesOf(ccLineSeg({0.5, 0.5}, {1.5, 1.5}).clip(uShape(), cornerInfo));
    ASSERT_EQ(pieces.size(), 1u);
    expectSegment(pieces[0], {0.5, 0.5}, {1, 1});
    expectCuts(cornerInfo, {std::sqrt(0.5)});
    ccClipInfo info;
    expectSegment(ccLineSeg({0, 0}, {2, 2}).clip(unitSquare(), info), {0, 0}, {1, 1});
    expectCuts(info, {std::sqrt(2.0)});
}

TEST(ClipTest, ClosedPolylineGivesAnOpenPolylineJoinedAcrossItsStart) {
    const ccPolyline square({{0, 0}, {2, 0}, {2, 2}, {0, 2}}, true);
    ccClipInfo info;
    const ccPolyline right = dynamic_cast<const ccPolyline&>(
        *square.clip(polygon({{1, -1}, {3, -1}, {3, 3}, {1, 3}}), info));
    EXPECT_FALSE(right.isClosed());
    EXPECT_EQ(right.vertices(), (std::vector<Point>{{1, 0}, {2, 0}, {2, 2}, {1, 2}}));
    expectCuts(info, {1, 5});
    // The start vertex (0, 0) lies in the kept left half: one piece, not two.
    const ccPolyline left = dynamic_cast<const ccPolyline&>(
        *square.clip(polygon({{-1, -1}, {1, -1}, {1, 3}, {-1, 3}}), info));
    EXPECT_EQ(left.vertices(), (std::vector<Point>{{1, 2}, {0, 2}, {0, 0}, {1, 0}}));
    expectCuts(info, {1, 5});
}

TEST(ClipTest, ClosedCurveCutAcrossItsStartGivesOneArcAndACutAtZeroIsReportedOnce) {
    const ccCircle circle({0, 0}, 1);
    ccClipInfo info;
    auto pieces = piecesOf(circle.clip(polygon({{0, -2}, {2, -2}, {2, 2}, {0, 2}}), info));
    ASSERT_EQ(info.cutOffsets().size(), 2u);
    EXPECT_NEAR(info.cutOffsets()[0], ccPi / 2, kOnBoundary);
    EXPECT_NEAR(info.cutOffsets()[1], 3 * ccPi / 2, kOnBoundary);
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_NE(dynamic_cast<const ccEllipseArc2*>(pieces[0].get()), nullptr);
    EXPECT_NEAR(pieces[0]->perimeter(), ccPi, kOnBoundary);
    EXPECT_NEAR(pieces[0]->startPoint().y(), -1, kOnBoundary);
    shape_checks::expectSamePoint(midpointOf(*pieces[0]), {1, 0}, kExact);

    // Starting at (1, 0) on the region's lower edge, the circle runs up into it.
    pieces = piecesOf(circle.clip(polygon({{-2, 0}, {2, 0}, {2, 2}, {-2, 2}}), info));
    ASSERT_EQ(info.cutOffsets().size(), 2u);
    EXPECT_EQ(info.cutOffsets()[0], 0.0);
    EXPECT_NEAR(info.cutOffsets()[1], ccPi, kOnBoundary);
    ASSERT_EQ(pieces.size(), 1u);
    shape_checks::expectSamePoint(pieces[0]->startPoint(), {1, 0}, kExact);
}

TEST(ClipTest, LinesRectanglesAndRingsAreCutWhereTheyCrossTheBoundary) {
    ccClipInfo info;
    expectSegment(ccLine({-5, 0.5}, ccRadian(0.0)).clip(unitSquare(), info), {0, 0.5}, {1, 0.5});
    expectCuts(info, {5, 6});
    // Kept of the rectangle: the bottom from the origin to x = 1, then the top back and the left
    // side.
    const ccRect rect({0, 0}, {2, 1});
    EXPECT_NEAR(rect.clip(polygon({{-1, -1}, {1, -1}, {1, 2}, {-1, 2}}), info)->perimeter(), 3,
                kExact);
    expectCuts(info, {1, 4});
    // Half of each of the ring's circles.
    const ccAnnulus ring({0, 0}, 2, 1);
    EXPECT_NEAR(ring.clip(polygon({{0, -3}, {3, -3}, {3, 3}, {0, 3}}), info)->perimeter(), 3 * ccPi,
                kOnBoundary);
    EXPECT_EQ(info.cutOffsets().size(), 4u);
}

TEST(ClipTest, ARegionWithItsClosingVertexRepeatedClipsAsWithout) {
    const ccLineSeg segment({-1, 0.25}, {2, 0.75});
    ccClipInfo plain, repeated;
    EXPECT_TRUE(*segment.clip(unitSquare(), plain) ==
                *segment.clip(polygon({{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}}), repeated));
    EXPECT_EQ(plain.cutOffsets(), repeated.cutOffsets());
}

// ---- Bad regions ----

TEST(ClipTest, UnusableRegionsAreRefusedAndTheCallerKeepsItsInfo) {
    const std::vector<ccPolyline> bad = {
        ccPolyline({{0, 0}, {1, 0}, {1, 1}, {0, 1}}, false),  // open
        polygon({{0, 0}, {1, 1}, {1, 0}, {0, 1}}),            // bow tie
        polygon({{0, 0}, {2, 0}, {2, 2}, {1, 0}, {0, 2}}),    // vertex on an edge
        polygon({{0, 0}, {1, 0}}),                            // two vertices
        polygon({{0, 0}, {1, 0}, {1, 0}, {0, 0}}),            // two distinct vertices
        polygon({{0, 0}, {1, 1}, {2, 2}}),                    // no area
        polygon({{0, 0}, {2, 0}, {1, 0}, {1, 1}}),            // folds back along itself
        polygon(
            {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}, {-1, 0}, {-1, -1}, {0, -1}}),  // figure eight
    };
    ccClipInfo info;
    ccLineSeg({-1, 0.5}, {2, 0.5}).clip(unitSquare(), info);
    const std::vector<double> before = info.cutOffsets();
    for (const ccPolyline& region : bad) {
        EXPECT_THROW(cfCheckClipRegion(region), ccShapesError::BadParams);
        EXPECT_THROW(ccLineSeg({0, 0}, {1, 1}).clip(region, info), ccShapesError::BadParams);
        EXPECT_TRUE(info.anythingRemoved());
        EXPECT_EQ(info.cutOffsets(), before);
    }
    // A polyline can overflow to infinite vertices when mapped; such a region is refused too.
    const ccPolyline huge = polygon({{0, 0}, {1e308, 0}, {1e308, 1e308}});
    EXPECT_THROW(
        {
            const ccShapePtrh overflowed =
                huge.mapShape(ccXform<2>(ccMatrix<2>::scale(10, 10), {}));
            cfCheckClipRegion(dynamic_cast<const ccPolyline&>(*overflowed));
        },
        ccShapesError::BadParams);
    EXPECT_NO_THROW(cfCheckClipRegion(unitSquare()));
    EXPECT_NO_THROW(cfCheckClipRegion(uShape()));
}

// ---- Properties over random shapes and regions ----

class RandomScene {
  public:
    explicit RandomScene(unsigned seed) : rng_(seed) {}

    double uniform(double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(rng_);
    }
    Point pointIn(double half) { return {uniform(-half, half), uniform(-half, half)}; }

    // A polygon star-shaped about the origin (every angular gap below a half
    // turn), so always simple; either direction.
    ccPolyline region() {
        const int n = static_cast<int>(uniform(4, 13));
        std::vector<Point> vertices;
        for (int i = 0; i < n; ++i) {
            const double angle = (i + uniform(0.1, 0.9)) * ccTwoPi / n;
            vertices.push_back(Point::polar(angle) * uniform(0.4, 1.0));
        }
        if (uniform(0, 1) < 0.5) std::reverse(vertices.begin(), vertices.end());
        return polygon(vertices);
    }

    ccShapePtrh shape() {
        switch (static_cast<int>(uniform(0, 8))) {
            case 0:
                return cfMakeHandle<ccLineSeg>(pointIn(1.5), pointIn(1.5));
            case 1:
                return cfMakeHandle<ccPolyline>(pointsIn(static_cast<int>(uniform(2, 7))), false);
            case 2:
                return cfMakeHandle<ccPolyline>(pointsIn(static_cast<int>(uniform(3, 7))), true);
            case 3:
                return cfMakeHandle<ccCircle>(pointIn(1), uniform(0.1, 1.5));
            case 4:
                return cfMakeHandle<ccEllipseArc2>(ellipse(), ccRadian(uniform(-ccPi, ccPi)),
                                                   ccRadian(uniform(-ccTwoPi, ccTwoPi)));
            case 5:
                return cfMakeHandle<ccEllipse2>(ellipse());
            case 6:
                return cfMakeHandle<ccBezierCurve>(pointIn(1.5), pointIn(1.5), pointIn(1.5),
                                                   pointIn(1.5));
            default:
                return cfMakeHandle<ccInterpSpline>(pointsIn(static_cast<int>(uniform(3, 6))),
                                                    true);
        }
    }

  private:
    std::vector<Point> pointsIn(int n) {
        std::vector<Point> points;
        for (int i = 0; i < n; ++i) points.push_back(pointIn(1.5));
        return points;
    }

    ccEllipse2 ellipse() {
        return ccEllipse2(pointIn(1), {uniform(0.1, 1.5), uniform(0.1, 1.5)},
                          ccRadian(uniform(-ccPi, ccPi)), uniform(0, 1) < 0.5,
                          ccRadian(uniform(-ccPi, ccPi)));
    }

    std::mt19937 rng_;
};

constexpr int kRandomCases = 100;

TEST(ClipTest, PiecesCoverExactlyTheInsideAndCutsLieOnTheBoundary) {
    RandomScene scene(98765);
    const ccPolyline holding = polygon({{-10, -10}, {10, -10}, {10, 10}, {-10, 10}});
    const ccPolyline disjoint = polygon({{20, 20}, {21, 20}, {20.5, 21}});
    for (int i = 0; i < kRandomCases; ++i) {
        const ccPolyline region = scene.region();
        const ccShapePtrh shape = scene.shape();
        ccClipInfo info;
        const ccShapePtrh result = shape->clip(region, info);
        const auto pieces = piecesOf(result);
        SCOPED_TRACE(::testing::Message() << "case " << i);
        if (!info.anythingRemoved()) {
            EXPECT_TRUE(*result == *shape);
        }

        const double probeStep = shape->perimeter() / kDenseProbes;
        const double slack = (info.cutOffsets().size() + 2) * probeStep;
        EXPECT_NEAR(totalLength(pieces), insideLengthByProbing(*shape, region), slack);
        for (const auto& piece : pieces) EXPECT_TRUE(region.within(midpointOf(*piece)));
        for (double cut : info.cutOffsets()) {
            EXPECT_LT(distanceToBoundary(region, pointAt(*shape, cut)), kOnBoundary);
        }
        EXPECT_TRUE(std::is_sorted(info.cutOffsets().begin(), info.cutOffsets().end()));
        EXPECT_EQ(info.anythingRemoved(), totalLength(pieces) < shape->perimeter() - kOnBoundary);

        // A region holding the shape changes nothing; a disjoint one leaves an empty tree.
        EXPECT_TRUE(*shape->clip(holding, info) == *shape);
        EXPECT_FALSE(info.anythingRemoved());
        const ccShapePtrh none = shape->clip(disjoint, info);
        EXPECT_TRUE(none->isEmpty());
        EXPECT_NE(dynamic_cast<const ccGeneralShapeTree*>(none.get()), nullptr);
        EXPECT_TRUE(info.cutOffsets().empty());
    }
}

TEST(ClipTest, ReversingTheShapeMirrorsItsCutsAndMovingBothMovesThePieces) {
    RandomScene scene(4242);
    const ccXform<2> move = ccXform<2>::rigid(ccRadian(0.7), Point(3, -2));
    for (int i = 0; i < kRandomCases; ++i) {
        SCOPED_TRACE(::testing::Message() << "case " << i);
        const ccPolyline region = scene.region();
        const ccShapePtrh shape = scene.shape();
        ccClipInfo info, moved, backward;
        const auto pieces = piecesOf(shape->clip(region, info));
        const ccShapePtrh movedRegion = region.mapShape(move);
        const auto movedPieces = piecesOf(
            shape->mapShape(move)->clip(dynamic_cast<const ccPolyline&>(*movedRegion), moved));
        ASSERT_EQ(pieces.size(), movedPieces.size());
        ASSERT_EQ(info.cutOffsets().size(), moved.cutOffsets().size());
        for (std::size_t k = 0; k < pieces.size(); ++k) {
            EXPECT_NEAR(pieces[k]->perimeter(), movedPieces[k]->perimeter(), kOnBoundary);
            EXPECT_LT((move.mapPoint(pieces[k]->startPoint()) - movedPieces[k]->startPoint()).len(),
                      kOnBoundary);
        }

        if (!shape->isOpenContour()) continue;
        const auto& cuts = info.cutOffsets();
        EXPECT_NEAR(totalLength(piecesOf(shape->reverse()->clip(region, backward))),
                    totalLength(pieces), kOnBoundary);
        ASSERT_EQ(cuts.size(), backward.cutOffsets().size());
        for (std::size_t k = 0; k < cuts.size(); ++k) {
            EXPECT_NEAR(backward.cutOffsets()[cuts.size() - 1 - k], shape->perimeter() - cuts[k],
                        kOnBoundary);
        }
    }
}

}  // namespace
