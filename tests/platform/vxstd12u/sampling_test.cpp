#include <cmath>
#include <cstddef>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tree_checks.h"
#include "vxstd12u/annulus.h"
#include "vxstd12u/bezier.h"
#include "vxstd12u/errors.h"
#include "vxstd12u/mappedshape.h"
#include "vxstd12u/point.h"
#include "vxstd12u/polyline.h"
#include "vxstd12u/transform.h"

namespace {

ccShape::ccSampleParams spaced(double spacing, long maxPoints = ccNoPointLimit,
                               bool duplicates = true) {
    return ccShape::ccSampleParams(0.0, spacing, maxPoints, true, duplicates);
}

ccShape::ccSampleParams uniform(long n) {
    ccShape::ccSampleParams p(0.0, 1.0, n, true, true);
    p.uniformMode(true);
    return p;
}

// An open contour of segments of lengths 3, 4 and 5 (closed: a 3-4-5 triangle).
ccPtrHandle<ccContourTree> triangle(bool closed) {
    auto contour = cfMakeHandle<ccContourTree>(closed);
    contour->addChild(segment({0, 0}, {3, 0}), true);
    contour->addChild(segment({3, 0}, {3, 4}), true);
    contour->addChild(segment({3, 4}, {0, 0}), true);
    return contour;
}

long count(const ccShape& shape, const ccShape::ccSampleParams& params) {
    ccShape::ccSampleResult result;
    shape.sample(params, result);
    return static_cast<long>(result.positions().size());
}

}  // namespace

TEST(Sampling, OffsetsFollowTheSpacingAndTheLimit) {
    const double circle = 20 * ccPi;  // radius 10
    // Closed: 0, 1, ..., 62; the start is not repeated.
    const auto closed = cfSampleOffsets(circle, true, spaced(1));
    ASSERT_EQ(closed.size(), 63u);
    EXPECT_EQ(closed.back(), 62);
    // Too many for 7 points: 7 evenly spread over the circle.
    const auto limited = cfSampleOffsets(circle, true, spaced(1, 7));
    ASSERT_EQ(limited.size(), 7u);
    EXPECT_NEAR(limited[1], circle / 7, 1e-12);
    EXPECT_EQ(cfSampleOffsets(circle, true, uniform(5)).size(), 5u);

    // Open: the end point is added unless a sample already lies on it.
    EXPECT_EQ(cfSampleOffsets(10, false, spaced(3)), (std::vector<double>{0, 3, 6, 9, 10}));
    EXPECT_EQ(cfSampleOffsets(9, false, spaced(3)), (std::vector<double>{0, 3, 6, 9}));
    EXPECT_EQ(cfSampleOffsets(10, false, uniform(3)), (std::vector<double>{0, 5, 10}));
    EXPECT_EQ(cfSampleOffsets(10, false, uniform(1)), (std::vector<double>{5}));
    EXPECT_EQ(cfSampleOffsets(10, false, spaced(3, 3)), (std::vector<double>{0, 5, 10}));

    // The start offset is reduced modulo the spacing.
    auto shifted = spaced(3);
    shifted.startOffset(7);
    EXPECT_EQ(cfSampleOffsets(10, false, shifted), (std::vector<double>{1, 4, 7, 10}));
    EXPECT_EQ(cfSampleOffsets(0, true, spaced(3)), (std::vector<double>{0}));

    EXPECT_THROW(cfSampleOffsets(10, true, spaced(0)), ccShapesError::BadParams);
    EXPECT_THROW(cfSampleOffsets(10, true, spaced(1, 0)), ccShapesError::BadParams);
    EXPECT_THROW(cfSampleOffsets(INFINITY, true, spaced(1)), ccShapesError::InfiniteExtent);
    // More points than memory holds are refused, not allocated.
    EXPECT_THROW(cfSampleOffsets(1e6, true, spaced(1e-6)), ccShapesError::BadParams);
    EXPECT_THROW(cfSampleOffsets(1, false, uniform(cc_tol::kMaxSamples + 1)),
                 ccShapesError::BadParams);
    EXPECT_EQ(cfSampleCount(1e6, true, spaced(1e-6)), -1);
}

TEST(Sampling, ContourJointsAppearTwiceOnlyWithDuplicateCorners) {
    const auto open = triangle(false);
    ccShape::ccSampleResult twice, once;
    open->sample(spaced(1, ccNoPointLimit, true), twice);
    open->sample(spaced(1, ccNoPointLimit, false), once);
    ASSERT_EQ(twice.numChains(), 1);
    ASSERT_EQ(once.numChains(), 1);
    EXPECT_FALSE(once.closedFlags()[0]);
    EXPECT_EQ(twice.positions().size(), 15u);  // 4 + 5 + 6
    ASSERT_EQ(once.positions().size(), 13u);
    expectSamePoint(twice.positions()[3], {3, 0});
    expectSamePoint(twice.positions()[4], {3, 0});
    expectSamePoint(once.positions()[3], {3, 0});
    expectSamePoint(once.positions()[4], {3, 1});
    // The joint's sample is the next piece's, with its tangent.
    expectSameHeading(once.tangents()[3], ccRadian(ccPi / 2));

    const auto closed = triangle(true);
    ccShape::ccSampleResult loop;
    closed->sample(spaced(1, ccNoPointLimit, false), loop);
    EXPECT_TRUE(loop.closedFlags()[0]);
    EXPECT_EQ(loop.positions().size(), 12u);
    EXPECT_EQ(count(*closed, spaced(1, ccNoPointLimit, true)), 15);
    // Over the limit the contour is spread evenly instead.
    EXPECT_EQ(count(*closed, spaced(1, 6, false)), 6);
}

TEST(Sampling, AContourStartingWhereTheShapeBeforeItEndsKeepsItsFirstSample) {
    // Joints are merged within one contour, never across the chains of a
    // result: the triangle starts at (0, 0), where the segment before it ends.
    auto tree = cfMakeHandle<ccGeneralShapeTree>();
    tree->addChild(segment({-2, 0}, {0, 0}), true);
    tree->addChild(triangle(false), true);
    ccShape::ccSampleResult result;
    tree->sample(spaced(1, ccNoPointLimit, false), result);
    ASSERT_EQ(result.numChains(), 2);
    ASSERT_EQ(result.positions().size(), 3u + 13u);
    expectSamePoint(result.positions()[2], {0, 0});
    expectSamePoint(result.positions()[3], {0, 0});
}

TEST(Sampling, UniformContourReportsThePieceUnderEachSample) {
    const auto contour = triangle(true);
    auto params = uniform(6);
    params.perimPosRequested(true);
    ccShape::ccSampleResult result;
    result.shapeIndex(4);
    std::vector<ccPtrHandle_const<ccShape>> pieces;
    cfUniformSampleContour(*contour, params, true, pieces, result);
    ASSERT_EQ(result.positions().size(), 6u);
    const std::vector<long> pieceOf{0, 0, 1, 1, 2, 2};
    const std::vector<ccPerimPos> expected{{5, 0}, {5, 2}, {6, 1}, {6, 3}, {7, 1}, {7, 3}};
    ASSERT_EQ(pieces.size(), 6u);
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(pieces[i], contour->child(pieceOf[i]));
        EXPECT_EQ(result.perimPositions()[i].node(), expected[i].node());
        EXPECT_NEAR(result.perimPositions()[i].offset(), expected[i].offset(), 1e-12);
    }
    expectSamePoint(result.positions()[3], {3, 3});
}

TEST(Sampling, TreesShareUniformPointsByPerimeterAndNumberFromTheShapeIndex) {
    ccGeneralShapeTree tree;
    tree.addChild(segment({0, 0}, {1, 0}), true);
    auto nested = cfMakeHandle<ccGeneralShapeTree>();
    nested->addChild(segment({0, 5}, {3, 5}), true);
    tree.addChild(nested, true);
    auto params = uniform(8);
    params.perimPosRequested(true);
    ccShape::ccSampleResult result;
    result.shapeIndex(10);
    tree.sample(params, result);
    ASSERT_EQ(result.numChains(), 2);
    EXPECT_EQ(result.chainLength(0), 2);
    EXPECT_EQ(result.chainLength(1), 6);
    EXPECT_EQ(result.perimPositions().front().node(), 11);
    EXPECT_EQ(result.perimPositions().back(), ccPerimPos(13, 3));
    EXPECT_EQ(result.shapeIndex(), 10);

    // Sampling appends: a second pass adds chains after the first.
    tree.sample(spaced(1), result);
    EXPECT_EQ(result.numChains(), 4);
    EXPECT_EQ(result.breaks()[2], 8);
    // A tree over its limit shares the limit out instead.
    EXPECT_EQ(count(tree, spaced(0.01, 9)), 9);
    // Seven points over 10, 20, 30 and 40 are 0.7, 1.4, 2.1 and 2.8 exactly:
    // the floors give 5, and the two left go to the largest remainders, 0.8
    // and 0.7.
    EXPECT_EQ(cfShareSamples({10, 20, 30, 40}, 7), (std::vector<long>{1, 1, 2, 3}));
}

TEST(Sampling, InfiniteAndBadInputIsRefusedWithoutChangingTheResult) {
    ccGeneralShapeTree tree;
    tree.addChild(segment({0, 0}, {1, 0}), true);
    tree.addChild(cfMakeHandle<ccLine>(ccVector<2>(0, 0), ccRadian(0.0)), true);
    ccShape::ccSampleResult result;
    EXPECT_THROW(tree.sample(spaced(1), result), ccShapesError::InfiniteExtent);
    EXPECT_THROW(tree.sample(uniform(5), result), ccShapesError::InfiniteExtent);
    EXPECT_TRUE(result.positions().empty());
    EXPECT_THROW(triangle(false)->sample(spaced(-1), result), ccShapesError::BadParams);
    EXPECT_THROW(triangle(false)->sample(uniform(0), result), ccShapesError::BadParams);
    EXPECT_EQ(result.numChains(), 0);
}

TEST(Sampling, ContourPiecesOfEveryKindSampleWhereTheirPositionsSay) {
    // A polyline with a repeated vertex, a mapped segment and a closed piece
    // each take another way through the contour's sampling than plain pieces.
    auto contour = cfMakeHandle<ccContourTree>(false);
    contour->addChild(cfMakeHandle<ccPolyline>(
                          std::vector<ccVector<2>>{{0, 0}, {2.5, 0}, {2.5, 0}, {2.5, 3.2}}, false),
                      true);
    contour->addChild(
        cfMakeHandle<ccMappedShape>(
            segment({0, 0}, {1.7, 0}),
            cc2XformLinear(ccXform<2>::rigid(ccRadian(ccPi / 2), ccVector<2>(2.5, 3.2))), true),
        true);
    contour->addChild(cfMakeHandle<ccCircle>(ccVector<2>(1.5, 4.9), 1.0), true);
    contour->addChild(bulge({2.5, 4.9}, {0, 6}, 0.4), true);

    const auto result = sampleAt(*contour, 0.6, false);
    ASSERT_EQ(result.numChains(), 1);
    shape_checks::expectSamplesWhereTheySay(*contour, result);
    // Each joint once: no two neighbours coincide.
    for (std::size_t i = 1; i < result.positions().size(); ++i)
        EXPECT_GT((result.positions()[i] - result.positions()[i - 1]).len(), cc_tol::kCoincident);

    // Behind a chain already in the result the same samples follow.
    auto appended = sampleAt(*triangle(false), 1.0);
    contour->sample(ccShape::ccSampleParams(0.0, 0.6, ccNoPointLimit, true, false), appended);
    const auto tail = appended.positions().end() - result.positions().size();
    EXPECT_EQ(std::vector<ccVector<2>>(tail, appended.positions().end()), result.positions());
    EXPECT_EQ(appended.tangents().back(), result.tangents().back());
}

TEST(Sampling, TangentsStayOnePerSampleWhenResultsMixShapesWithAndWithoutThem) {
    const cc2Point point(ccVector<2>(5, 5));
    const std::vector<ccPtrHandle<ccShape>> curves = {
        cfMakeHandle<ccEllipse2>(ccVector<2>(0, 0), ccVector<2>(6, 3)),
        cfMakeHandle<ccCircle>(ccVector<2>(0, 0), 4.0),
        cfMakeHandle<ccPolyline>(std::vector<ccVector<2>>{{0, 0}, {7, 0}, {7, 3}}, false),
        cfMakeHandle<ccBezierCurve>(ccVector<2>(0, 0), ccVector<2>(2, 4), ccVector<2>(5, 4),
                                    ccVector<2>(7, 0))};
    for (const auto& curve : curves) {
        ccShape::ccSampleResult alone;
        curve->sample(spaced(1.0), alone);
        // A point has no tangent: its sample gets angle 0, and the curve's
        // tangents stay with the curve's own samples.
        ccShape::ccSampleResult mixed;
        point.sample(spaced(1.0), mixed);
        curve->sample(spaced(1.0), mixed);
        ASSERT_EQ(mixed.tangents().size(), mixed.positions().size());
        EXPECT_EQ(mixed.tangents()[0].toDouble(), 0.0);
        for (size_t i = 0; i < alone.tangents().size(); ++i)
            EXPECT_EQ(mixed.tangents()[i + 1].toDouble(), alone.tangents()[i].toDouble()) << i;
        // Samples taken later without tangents get angle 0 too.
        point.sample(spaced(1.0), mixed);
        curve->sample(ccShape::ccSampleParams(0.0, 1.0, ccNoPointLimit, false, true), mixed);
        EXPECT_EQ(mixed.tangents().size(), mixed.positions().size());
        EXPECT_EQ(mixed.tangents().back().toDouble(), 0.0);
    }
}

// Spaced sampling keeps its spacing while the samples it gives number at most
// maxPoints, and only above that spreads maxPoints samples evenly instead
// (restarting at the start). Each natural count below is counted by hand: an
// open curve of length L at spacing 1 from offset 0 gets 0, 1, ... below L and
// L itself, a closed one no sample on its start again; a contour without
// duplicated corners keeps one sample per joint.
TEST(Sampling, ANaturalCountEqualToMaxPointsKeepsTheSpacing) {
    // One case: the shape sampled at spacing 1; the lengths of the chains it
    // gives and where some of its samples (by index) lie.
    const auto check = [](const char* what, const ccShape& shape, double startOffset,
                          long maxPoints, bool duplicates, const std::vector<long>& chainLengths,
                          const std::vector<std::pair<long, ccVector<2>>>& at) {
        SCOPED_TRACE(what);
        ccShape::ccSampleResult result;
        shape.sample(ccShape::ccSampleParams(startOffset, 1.0, maxPoints, true, duplicates),
                     result);
        ASSERT_EQ(result.numChains(), static_cast<long>(chainLengths.size()));
        for (long k = 0; k < result.numChains(); ++k)
            EXPECT_EQ(result.chainLength(k), chainLengths[static_cast<std::size_t>(k)]) << k;
        for (const auto& [index, point] : at) {
            ASSERT_LT(index, static_cast<long>(result.positions().size()));
            expectSamePoint(result.positions()[static_cast<std::size_t>(index)], point);
        }
    };

    // 0 .. 10 and the end 10.5: 12. Evenly spread, 11 samples lie 1.05 apart.
    const auto seg105 = segment({0, 0}, {10.5, 0});
    check("segment 10.5, one to spare", *seg105, 0, 13, true, {12}, {{1, {1, 0}}, {11, {10.5, 0}}});
    check("segment 10.5, exactly", *seg105, 0, 12, true, {12}, {{1, {1, 0}}, {11, {10.5, 0}}});
    check("segment 10.5, one short", *seg105, 0, 11, true, {11}, {{1, {1.05, 0}}, {10, {10.5, 0}}});
    // 0 .. 9 and the end 10 (a sample would lie on it, so it comes once): 11.
    const auto seg10 = segment({0, 0}, {10, 0});
    check("segment 10, exactly", *seg10, 0, 11, true, {11}, {{1, {1, 0}}, {10, {10, 0}}});
    check("segment 10, one short", *seg10, 0, 10, true, {10}, {{1, {10.0 / 9, 0}}, {9, {10, 0}}});

    // Perimeter 2 (10.25 + 10) = 40.5; from offset 0.5: 0.5 .. 39.5, 40
    // samples, the last on the left side at (0, 1). Evenly spread, they
    // restart at the start point.
    const ccPolyline rect(std::vector<ccVector<2>>{{0, 0}, {10.25, 0}, {10.25, 10}, {0, 10}}, true);
    check("closed polyline, one to spare", rect, 0.5, 41, true, {40},
          {{0, {0.5, 0}}, {1, {1.5, 0}}, {39, {0, 1}}});
    check("closed polyline, exactly", rect, 0.5, 40, true, {40},
          {{0, {0.5, 0}}, {1, {1.5, 0}}, {39, {0, 1}}});
    check("closed polyline, one short", rect, 0.5, 39, true, {39},
          {{0, {0, 0}}, {1, {40.5 / 39, 0}}});

    // Pieces 2.5 and 2 long: 4 + 3 samples, the joint's once: 6; duplicated, 7.
    // Evenly spread over 4.5: 1.125 apart (5 samples), 0.9 apart (6).
    ccContourTree open(false);
    open.addChild(segment({0, 0}, {2.5, 0}), true);
    open.addChild(segment({2.5, 0}, {2.5, 2}), true);
    check("open contour, one to spare", open, 0, 7, false, {6},
          {{2, {2, 0}}, {3, {2.5, 0}}, {4, {2.5, 1}}});
    check("open contour, exactly", open, 0, 6, false, {6},
          {{2, {2, 0}}, {3, {2.5, 0}}, {4, {2.5, 1}}});
    check("open contour, one short", open, 0, 5, false, {5},
          {{1, {1.125, 0}}, {2, {2.25, 0}}, {3, {2.5, 0.875}}});
    check("open contour duplicated, exactly", open, 0, 7, true, {7},
          {{3, {2.5, 0}}, {4, {2.5, 0}}, {5, {2.5, 1}}});
    check("open contour duplicated, one short", open, 0, 6, true, {6},
          {{1, {0.9, 0}}, {3, {2.5, 0.2}}});

    // The 2.5 x 2 rectangle of four pieces: 4 + 3 + 4 + 3, less three joints
    // and the start met again: 10. Evenly spread over 9: 1 apart (9 samples).
    ccContourTree closed(true);
    const ccVector<2> corner[4] = {{0, 0}, {2.5, 0}, {2.5, 2}, {0, 2}};
    for (int i = 0; i < 4; ++i) closed.addChild(segment(corner[i], corner[(i + 1) % 4]), true);
    check("closed contour, one to spare", closed, 0, 11, false, {10}, {{6, {1.5, 2}}, {9, {0, 1}}});
    check("closed contour, exactly", closed, 0, 10, false, {10}, {{6, {1.5, 2}}, {9, {0, 1}}});
    check("closed contour, one short", closed, 0, 9, false, {9},
          {{4, {2.5, 1.5}}, {6, {1, 2}}, {8, {0, 1}}});

    // Loops of 4 pi (0 .. 12: 13 samples) and 2 pi (0 .. 6: 7 samples), 20 in
    // all; the outer runs counter-clockwise from (2, 0), the inner clockwise
    // from (1, 0). Over the limit the budget is shared by perimeter: of 19,
    // 12.67 and 6.33, floors 12 and 6, the one left to the larger remainder,
    // the outer loop; each loop is then spread evenly.
    const ccAnnulus ring(ccVector<2>(0, 0), 2.0, 1.0);
    const auto onCircle = [](double r, double phi) {
        return ccVector<2>(r * std::cos(phi), r * std::sin(phi));
    };
    check("annulus, one to spare", ring, 0, 21, true, {13, 7},
          {{1, onCircle(2, 0.5)}, {13, {1, 0}}, {14, onCircle(1, -1)}});
    check("annulus, exactly", ring, 0, 20, true, {13, 7},
          {{1, onCircle(2, 0.5)}, {13, {1, 0}}, {14, onCircle(1, -1)}});
    check("annulus, one short", ring, 0, 19, true, {13, 6},
          {{1, onCircle(2, 2 * ccPi / 13)}, {13, {1, 0}}, {14, onCircle(1, -2 * ccPi / 6)}});
}
