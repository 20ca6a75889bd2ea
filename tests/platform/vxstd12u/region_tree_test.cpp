#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

#include "tree_checks.h"
#include "vxstd12u/errors.h"

namespace {

const ccRegionTree& regionChild(const ccShapeTree& tree, long i) {
    return dynamic_cast<const ccRegionTree&>(*tree.child(i));
}

ccPtrHandle_const<ccShape> circle(double x, double y, double r) {
    return cfMakeHandle<ccCircle>(ccVector<2>(x, y), r);
}

}  // namespace

TEST(RegionTree, DefaultIsARootHoleWithoutBoundary) {
    ccRegionTree background;
    EXPECT_THROW(background.boundary(), ccBadPointer);
    EXPECT_FALSE(background.isRightHanded());
    EXPECT_FALSE(background.within({0, 0}));

    ccRegionTree solid(*circle(0, 0, 2), false);
    EXPECT_TRUE(solid.within({1, 1}));
    EXPECT_FALSE(solid.within({2, 2}));
    EXPECT_THROW(ccRegionTree(*segment({0, 0}, {1, 1}), false), ccShapesError::NotRegion);
    EXPECT_THROW(solid.boundary(segment({0, 0}, {1, 1})), ccShapesError::NotRegion);
    EXPECT_THROW(solid.boundary(ccPtrHandle_const<ccShape>()), ccBadPointer);
}

TEST(RegionTree, ClosedShapesArePlacedByContainmentInAnyOrder) {
    // A holds B holds C; D stands apart.
    const std::vector<ccPtrHandle_const<ccShape>> shapes{circle(0, 0, 10), circle(1, 0, 4),
                                                         circle(1.5, 0, 1), circle(30, 0, 2)};
    std::vector<int> order{0, 1, 2, 3};
    do {
        ccRegionTree tree;
        for (int k : order) tree.addChild(shapes[k], true);
        ASSERT_EQ(tree.numChildren(), 2);
        const auto& a = regionChild(tree, tree.child(0)->perimeter() > 20 ? 0 : 1);
        const auto& d = regionChild(tree, tree.child(0)->perimeter() > 20 ? 1 : 0);
        EXPECT_EQ(a.boundaryHandle(), shapes[0]);
        EXPECT_EQ(d.boundaryHandle(), shapes[3]);
        ASSERT_EQ(a.numChildren(), 1);
        const auto& b = regionChild(a, 0);
        EXPECT_EQ(b.boundaryHandle(), shapes[1]);
        ASSERT_EQ(b.numChildren(), 1);
        EXPECT_EQ(regionChild(b, 0).boundaryHandle(), shapes[2]);
        EXPECT_EQ(d.numChildren(), 0);

        EXPECT_TRUE(tree.within({8, 0}));     // in A, outside B
        EXPECT_FALSE(tree.within({3.5, 0}));  // in the hole B
        EXPECT_TRUE(tree.within({1.5, 0}));   // on the island C
        EXPECT_FALSE(tree.within({20, 0}));   // background
        EXPECT_TRUE(tree.within({30, 1}));
    } while (std::next_permutation(order.begin(), order.end()));
}

TEST(RegionTree, RandomNestedCirclesLandInTheirInnermostNode) {
    for (unsigned seed = 1; seed <= 10; ++seed) {
        RandomTrees random(seed);
        // Chains of nested circles about a few centres, added shuffled.
        std::vector<ccPtrHandle_const<ccShape>> shapes;
        std::vector<int> depthOf;
        for (int group = 0; group < 3; ++group) {
            const ccVector<2> center(group * 50.0, random.uniform(-5, 5));
            double r = 20;
            for (int depth = 0; depth < random.count(1, 4); ++depth) {
                shapes.push_back(cfMakeHandle<ccCircle>(center + random.randomPoint(0.1 * r), r));
                depthOf.push_back(depth);
                r *= random.uniform(0.3, 0.6);
            }
        }
        std::vector<size_t> order(shapes.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::shuffle(order.begin(), order.end(), random.rng());
        ccRegionTree tree;
        for (size_t k : order) tree.addChild(shapes[k], true);
        const ccShapeInfo info(tree);
        for (size_t k = 0; k < shapes.size(); ++k) {
            // The boundary's node, its region node, and the depth of that node.
            long node = 0;
            for (long i = 0; i < info.numNodes(); ++i)
                if (&info.node(i) == shapes[k].get()) node = info.parent(i);
            int depth = -1;
            for (long n = node; n > 0; n = info.parent(n)) ++depth;
            EXPECT_EQ(depth, depthOf[k]) << seed;
            EXPECT_EQ(dynamic_cast<const ccRegionTree&>(info.node(node)).isHole(), depth % 2 == 1);
        }
    }
}

TEST(RegionTree, AddingANodeGivesItTheOppositeStanding) {
    ccRegionTree solid(*circle(0, 0, 10), false);
    auto island = cfMakeHandle<ccRegionTree>(*circle(0, 0, 2), false);
    island->addChild(circle(0, 0, 1), true);  // a hole in the island
    ASSERT_TRUE(regionChild(*island, 0).isHole());

    // Adapted in place: the very object becomes a non-root hole, its subtree flipping with it.
    solid.addChild(island, true);
    EXPECT_EQ(solid.child(0), ccPtrHandle_const<ccShape>(island));
    EXPECT_TRUE(island->isHole());
    EXPECT_FALSE(island->isRoot());
    EXPECT_FALSE(regionChild(*island, 0).isHole());

    // Not to be adapted: a copy takes the place, the given object stays as it was.
    auto other = cfMakeHandle<ccRegionTree>(*circle(5, 5, 1), false);
    solid.addChild(other, false);
    EXPECT_FALSE(other->isHole());
    EXPECT_TRUE(other->isRoot());
    EXPECT_TRUE(regionChild(solid, 1).isHole());
    // A node that already has its place is held as it is.
    const ccPtrHandle_const<ccShape> placed = solid.child(1);
    solid.replaceChild(1, placed, false);
    EXPECT_EQ(solid.child(1), placed);

    EXPECT_THROW(solid.addChild(cfMakeHandle<ccRegionTree>(), true), ccShapesError::BadParams);
    EXPECT_THROW(solid.addChild(segment({0, 0}, {1, 0}), true), ccShapesError::NotRegion);
    EXPECT_EQ(solid.numChildren(), 2);
}

TEST(RegionTree, HandednessFollowsStandingWhateverTheBoundaryDirection) {
    RandomTrees random(5);
    for (bool clockwise : {false, true}) {
        for (bool hole : {false, true}) {
            const auto boundary = random.closedContour({0, 0}, 5, clockwise);
            ccRegionTree node(*boundary, hole);
            EXPECT_EQ(node.isRightHanded(), !hole);
            EXPECT_NEAR(node.tangentRotation(), hole ? -ccTwoPi : ccTwoPi, treeTolerance());
            const double area = shape_checks::sampledArea(node, 0.05);
            EXPECT_EQ(area > 0, !hole) << clockwise << hole;
            EXPECT_NEAR(std::fabs(node.windingAngle({0, 0})), ccTwoPi, 1e-6);
            EXPECT_EQ(node.windingAngle({0, 0}) > 0, !hole);

            // Positions stay on the boundary's own numbering and direction.
            shape_checks::expectSamplesWhereTheySay(node, sampleAt(node, 0.5), true);

            // Mirroring and reversing keep the standing and so the handedness.
            const auto mirrored = node.mapShape(random.rigid(true));
            EXPECT_EQ(mirrored->isRightHanded(), !hole);
            EXPECT_NE(dynamic_cast<const ccRegionTree&>(*mirrored).boundary().isRightHanded(),
                      node.boundary().isRightHanded());
            const auto reversed = node.reverse();
            EXPECT_EQ(reversed->isRightHanded(), !hole);
            EXPECT_TRUE(*reversed->reverse() == node);
        }
    }
}

TEST(RegionTree, BaseMappingLeavesTheBoundaryForTheCaller) {
    ccRegionTree tree(*circle(0, 0, 10), false);
    tree.addChild(circle(0, 0, 2), true);
    const ccXform<2> shift = ccXform<2>::translation({5, 0});
    const auto baseHandle = tree.ccShapeTree::mapShape(shift);
    const auto& base = dynamic_cast<const ccRegionTree&>(*baseHandle);
    EXPECT_TRUE(base.boundary() == tree.boundary());
    expectSamePoint(regionChild(base, 0).boundary().startPoint(), {7, 0});
    const auto fullHandle = tree.mapShape(shift);
    const auto& full = dynamic_cast<const ccRegionTree&>(*fullHandle);
    expectSamePoint(full.boundary().startPoint(), {15, 0});
}

TEST(RegionTree, FlatteningGathersEveryBoundaryAtOneLevel) {
    ccRegionTree tree;
    for (const auto& c : {circle(0, 0, 10), circle(0, 0, 5), circle(0, 0, 1), circle(40, 0, 3)})
        tree.addChild(c, true);
    const auto flat = tree.flatten(true);
    const auto& region = dynamic_cast<const ccRegionTree&>(*flat);
    EXPECT_FALSE(region.hasBoundary());
    ASSERT_EQ(region.numChildren(), 4);
    for (long i = 0; i < 4; ++i) {
        EXPECT_FALSE(regionChild(region, i).isHole());
        EXPECT_EQ(regionChild(region, i).numChildren(), 0);
    }
    EXPECT_NEAR(flat->perimeter(), tree.perimeter(), treeTolerance());
    // Called past the override, the base still gives a well-formed region.
    EXPECT_TRUE(*tree.ccShapeTree::flatten_(false) == *flat);
}
