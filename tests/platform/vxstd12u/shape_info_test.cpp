#include <cmath>

#include <gtest/gtest.h>

#include "tree_checks.h"
#include "vxstd12u/errors.h"
#include "vxstd12u/polyline.h"

namespace {

const std::vector<ccVector<2>> kSquare{{0, 0}, {10, 0}, {10, 10}, {0, 10}};

ccPtrHandle<ccContourTree> squareContour() {
    auto contour = cfMakeHandle<ccContourTree>(true);
    for (size_t i = 0; i < kSquare.size(); ++i)
        contour->addChild(segment(kSquare[i], kSquare[(i + 1) % 4]), true);
    return contour;
}

}  // namespace

TEST(ShapeInfo, RegionNodeNumbersItsBoundaryBeforeItsChildren) {
    ccRegionTree region(*squareContour(), false);
    region.addChild(cfMakeHandle<ccCircle>(ccVector<2>(3, 3), 1.0), true);
    region.addChild(cfMakeHandle<ccCircle>(ccVector<2>(7, 7), 1.0), true);
    const ccShapeInfo info(region);

    ASSERT_EQ(info.numNodes(), 10);
    EXPECT_EQ(&info.node(0), &region);
    EXPECT_EQ(&info.node(1), &region.boundary());
    EXPECT_EQ(info.subtreeSize(0), 10);
    EXPECT_EQ(info.subtreeSize(1), 5);
    EXPECT_EQ(info.subtreeSize(6), 2);
    const long firstChild = 1 + info.subtreeSize(1);
    EXPECT_EQ(&info.node(firstChild), region.child(0).get());
    EXPECT_EQ(&info.node(firstChild + info.subtreeSize(firstChild)), region.child(1).get());
    EXPECT_EQ(info.parent(7), 6);
    EXPECT_EQ(info.parent(6), 0);
    EXPECT_TRUE(info.isLeaf(2));
    EXPECT_FALSE(info.isLeaf(6));
    EXPECT_NEAR(info.nodePerimeter(0), 40 + 4 * ccPi, 1e-12);
    EXPECT_NEAR(info.nodePerimeter(1), 40, 1e-12);
    EXPECT_NEAR(info.nodeStart(6), 40, 1e-12);
    EXPECT_NEAR(info.nodeStart(9), 40 + 2 * ccPi, 1e-12);
}

TEST(ShapeInfo, RootHoleHasNoBoundaryNode) {
    ccRegionTree background;
    background.addChild(cfMakeHandle<ccCircle>(ccVector<2>(0, 0), 2.0), true);
    const ccShapeInfo info(background);
    ASSERT_EQ(info.numNodes(), 3);
    EXPECT_EQ(&info.node(1), background.child(0).get());
    EXPECT_EQ(info.subtreeSize(1), 2);
    EXPECT_TRUE(info.isLeaf(2));
    EXPECT_NEAR(info.perimeter(), 4 * ccPi, 1e-12);
}

TEST(ShapeInfo, PositionsAndArcLengthsAreInverse) {
    const auto contour = squareContour();
    const ccShapeInfo info(*contour);
    // Joints belong to the piece that starts there; the end to the last piece.
    EXPECT_EQ(info.perimPos(0), ccPerimPos(1, 0));
    EXPECT_EQ(info.perimPos(10), ccPerimPos(2, 0));
    EXPECT_EQ(info.perimPos(25), ccPerimPos(3, 5));
    EXPECT_EQ(info.perimPos(40), ccPerimPos(4, 10));
    EXPECT_EQ(info.perimPos(55), ccPerimPos(4, 10));  // clamped
    EXPECT_EQ(info.perimPos(-1), ccPerimPos(1, 0));
    EXPECT_EQ(info.arcLength(ccPerimPos(3, 5)), 25);
    EXPECT_EQ(info.arcLength(ccPerimPos(0, 33)), 33);
    EXPECT_EQ(info.arcLength(ccPerimPos(2, 99)), 20);  // offset clamped to the node
    EXPECT_EQ(info.perimPosInSubtree(3, 4), ccPerimPos(3, 4));

    RandomTrees random(11);
    const auto tree = random.generalTree();
    const ccShapeInfo treeInfo(*tree);
    for (int k = 0; k <= 50; ++k) {
        const double s = treeInfo.perimeter() * k / 50;
        const ccPerimPos pos = treeInfo.perimPos(s);
        EXPECT_TRUE(treeInfo.isLeaf(pos.node()));
        EXPECT_NEAR(treeInfo.arcLength(pos), s, 1e-9);
    }
}

TEST(ShapeInfo, ExtractingASubtreeRenumbersFromZero) {
    ccRegionTree region(*squareContour(), false);
    region.addChild(cfMakeHandle<ccCircle>(ccVector<2>(3, 3), 1.0), true);
    const ccShapeInfo info(region);
    ccShapeInfo part;
    info.extract_(6, part);
    ASSERT_EQ(part.numNodes(), 2);
    EXPECT_EQ(&part.node(0), region.child(0).get());
    EXPECT_EQ(part.parent(0), -1);
    EXPECT_EQ(part.parent(1), 0);
    EXPECT_EQ(part.nodeStart(1), 0);
    EXPECT_NEAR(part.perimeter(), 2 * ccPi, 1e-12);
}

TEST(ShapeInfo, BadNodesAndArcLengthsAreRefused) {
    const ccShapeInfo empty;
    EXPECT_EQ(empty.numNodes(), 0);
    EXPECT_THROW(empty.perimeter(), ccShapesError::BadParams);
    const auto contour = squareContour();
    const ccShapeInfo info(*contour);
    EXPECT_THROW(info.node(5), ccShapesError::BadParams);
    EXPECT_THROW(info.arcLength(ccPerimPos(-1, 0)), ccShapesError::BadParams);
    EXPECT_THROW(info.perimPos(std::nan("")), ccShapesError::BadParams);
    ccVector<2> p;
    ccRadian t;
    EXPECT_THROW(info.leafPointAndTangent(ccPerimPos(0, 1), p, t), ccShapesError::BadParams);
}

TEST(ShapeInfo, ConvertingPositionsFollowsTheArcLength) {
    // A polyline inside a tree, and the same square as separate pieces.
    ccGeneralShapeTree tree;
    tree.addChild(segment({-5, 0}, {-5, 3}), true);
    tree.addChild(cfMakeHandle<ccPolyline>(kSquare, true), true);
    const ccShapeInfo to(tree);
    const auto pieces = squareContour();
    const ccShapeInfo from(*pieces);

    std::vector<ccPerimPos> positions{ccPerimPos(7, 7), ccPerimPos(1, 2.5), ccPerimPos(3, 4),
                                      ccPerimPos(4, 10)};
    cfConvertPerimPositions(from, 0, to, 2, positions, 1);
    EXPECT_EQ(positions[0], ccPerimPos(7, 7));  // before `first`: untouched
    EXPECT_EQ(positions[1], ccPerimPos(2, 2.5));
    EXPECT_EQ(positions[2], ccPerimPos(2, 24));
    EXPECT_EQ(positions[3], ccPerimPos(2, 40));

    // And back again, from the tree's node 2 to the pieces.
    cfConvertPerimPositions(to, 2, from, 0, positions, 1);
    EXPECT_EQ(positions[1], ccPerimPos(1, 2.5));
    EXPECT_EQ(positions[2], ccPerimPos(3, 4));
    EXPECT_EQ(positions[3], ccPerimPos(4, 10));

    EXPECT_THROW(cfConvertPerimPositions(from, 0, to, 3, positions, 0), ccShapesError::BadParams);
    EXPECT_EQ(positions[1], ccPerimPos(1, 2.5));
}
