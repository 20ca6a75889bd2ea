#include <cmath>

#include <gtest/gtest.h>

#include "tree_checks.h"
#include "vxstd12u/errors.h"
#include "vxstd12u/polyline.h"

TEST(ShapeTree, RandomTreesKeepEveryShapeProperty) {
    for (unsigned seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE(seed);
        RandomTrees random(seed);
        const std::vector<ccPtrHandle<ccShapeTree>> trees = {
            random.openContour({0, 0}, 6), random.closedContour({1, 2}, 7),
            random.closedContour({-3, 1}, 5, true), random.generalTree()};
        for (const auto& tree : trees) {
            const auto parts = tree->decompose();
            EXPECT_NEAR(parts->perimeter(), tree->perimeter(), treeTolerance());
            EXPECT_TRUE(parts->isDecomposed());
            EXPECT_TRUE(*parts->decompose() == *parts);
            // Chains keep their number, lengths and closedness under a map.
            const auto x = random.rigid(random.coin());
            EXPECT_EQ(sampleAt(*tree->mapShape(x), 0.9).breaks(), sampleAt(*tree, 0.9).breaks());
            EXPECT_EQ(sampleAt(*tree->mapShape(x), 0.9).closedFlags(),
                      sampleAt(*tree, 0.9).closedFlags());
        }
        // Contours run their pieces in order, so every curve property holds.
        for (size_t i = 0; i < 3; ++i)
            shape_checks::checkCurve(*trees[i], random.rng(), i == 1, true);

        // A general tree keeps its children's order when reversed; its
        // samples, images and pieces still agree with the tree.
        const ccShapeTree& general = *trees[3];
        const auto reversed = general.reverse();
        EXPECT_TRUE(*reversed->reverse() == general);
        EXPECT_NEAR(reversed->perimeter(), general.perimeter(), treeTolerance());
        EXPECT_NEAR(reversed->tangentRotation(), -general.tangentRotation(), treeTolerance());
        shape_checks::expectSamplesWhereTheySay(general, sampleAt(general, 0.7));
        shape_checks::expectMapCommutesWithSampling(general, random.rigid(true), 1.0, 0.9);
        const ccShapeInfo info(general);
        const double cut = random.uniform(0, info.perimeter());
        EXPECT_NEAR(
            general.subShape(info, {info.perimPos(0), cut})->perimeter() +
                general.subShape(info, {info.perimPos(cut), info.perimeter() - cut})->perimeter(),
            info.perimeter(), treeTolerance());
    }
}

TEST(ShapeTree, EditingSharesTheGivenObjectsAndRefusesBadInput) {
    auto tree = cfMakeHandle<ccGeneralShapeTree>();
    const auto a = segment({0, 0}, {1, 0});
    const auto b = segment({1, 0}, {1, 1});
    tree->addChild(a, true);
    tree->addChild(b, false);
    EXPECT_EQ(tree->child(0), a);
    EXPECT_EQ(tree->child(1), b);

    tree->insertChild(0, b, true);
    EXPECT_EQ(tree->child(0), b);
    tree->replaceChild(2, a, true);
    EXPECT_EQ(tree->children(), (ccShapeTree::ChildList{b, a, a}));
    tree->removeChild(1);
    EXPECT_EQ(tree->children(), (ccShapeTree::ChildList{b, a}));

    EXPECT_THROW(tree->child(2), ccShapesError::BadParams);
    EXPECT_THROW(tree->child(-1), ccShapesError::BadParams);
    EXPECT_THROW(tree->insertChild(3, a, true), ccShapesError::BadParams);
    EXPECT_THROW(tree->addChild(ccPtrHandle_const<ccShape>(), true), ccBadPointer);

    // A contour refuses a general tree, and a failed addChildren adds nothing.
    ccContourTree contour;
    EXPECT_THROW(contour.addChildren({a, tree, b}, true), ccShapesError::BadParams);
    EXPECT_EQ(contour.numChildren(), 0);

    tree->removeChildren();
    EXPECT_TRUE(tree->isEmpty());
    EXPECT_THROW(tree->startPoint(), ccShapesError::BadParams);
}

TEST(ShapeTree, HeightAndSizeCountLevelsAndNodes) {
    ccGeneralShapeTree tree;
    EXPECT_EQ(tree.height(), 1);
    EXPECT_EQ(tree.size(false), 1);
    auto contour = cfMakeHandle<ccContourTree>(false);
    contour->addChild(segment({0, 0}, {1, 0}), true);
    contour->addChild(segment({1, 0}, {2, 0}), true);
    tree.addChild(contour, true);
    tree.addChild(segment({5, 5}, {6, 6}), true);
    EXPECT_EQ(tree.height(), 2);
    EXPECT_EQ(tree.size(false), 5);
    EXPECT_EQ(tree.size(true), 3);
}

TEST(ShapeTree, FlatteningKeepsTheLeafObjectsInPreOrder) {
    RandomTrees random(3);
    const auto tree = random.generalTree();
    const auto leaves = cfLeafHandles(*tree);
    const auto flat = tree->flatten(true);
    EXPECT_TRUE(dynamic_cast<const ccGeneralShapeTree*>(flat.get()));
    EXPECT_EQ(flat->children(), leaves);
    EXPECT_EQ(flat->height(), 1);

    // Without opening contours, each contour stays one leaf.
    const auto kept = tree->flatten(false);
    ASSERT_EQ(kept->numChildren(), 5);
    EXPECT_EQ(kept->child(0), tree->child(0));
    EXPECT_EQ(kept->child(1), tree->child(1));
    EXPECT_EQ(kept->child(4), dynamic_cast<const ccShapeTree&>(*tree->child(3)).child(1));
}

TEST(ShapeTree, ContourTurnsAddUpThroughItsJoints) {
    ccContourTree square(true);
    const std::vector<ccVector<2>> c{{0, 0}, {2, 0}, {2, 2}, {0, 2}};
    for (int i = 0; i < 4; ++i) square.addChild(segment(c[i], c[(i + 1) % 4]), true);
    EXPECT_NEAR(square.tangentRotation(), ccTwoPi, treeTolerance());
    EXPECT_TRUE(square.isRightHanded());
    EXPECT_TRUE(square.within({1, 1}));
    EXPECT_TRUE(square.within({2, 1}));
    EXPECT_FALSE(square.within({3, 1}));
    EXPECT_NEAR(square.windingAngle({1, 1}), ccTwoPi, treeTolerance());
    square.isClosed(false);
    EXPECT_NEAR(square.tangentRotation(), 1.5 * ccPi, treeTolerance());
    EXPECT_THROW(square.within({1, 1}), ccShapesError::NotRegion);
}

TEST(ShapeTree, ConnectingJoinsPiecesIntoChains) {
    // A square's sides, the third reversed, the last out of place, plus a loose piece.
    ccGeneralShapeTree tree;
    tree.addChild(segment({0, 0}, {2, 0}), true);
    tree.addChild(segment({2, 0.001}, {2, 2}), true);
    tree.addChild(segment({0, 2}, {2, 2}), true);
    tree.addChild(segment({9, 9}, {8, 8}), true);
    tree.addChild(segment({0, 2}, {0, 0.001}), true);
    const auto joined = tree.connect(0.01);
    ASSERT_EQ(joined->numChildren(), 2);
    const auto* chain = dynamic_cast<const ccContourTree*>(joined->child(0).get());
    ASSERT_NE(chain, nullptr);
    EXPECT_TRUE(chain->isClosed());
    EXPECT_EQ(chain->numChildren(), 4);
    EXPECT_TRUE(chain->isRightHanded());
    EXPECT_EQ(joined->child(1), tree.child(3));
    // At a smaller distance the first side stays alone; the others still meet.
    EXPECT_EQ(tree.connect(0.0001)->numChildren(), 3);
    EXPECT_THROW(tree.connect(-1), ccShapesError::BadParams);
}

TEST(ShapeTree, ClippingAClosedContourOpensItAtTheCuts) {
    ccContourTree square(true);
    const std::vector<ccVector<2>> c{{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    for (int i = 0; i < 4; ++i) square.addChild(segment(c[i], c[(i + 1) % 4]), true);
    const ccPolyline leftHalf({{-1, -1}, {5, -1}, {5, 11}, {-1, 11}}, true);
    ccClipInfo info;
    const auto clipped = square.clip(leftHalf, info);
    EXPECT_TRUE(info.anythingRemoved());
    ASSERT_EQ(info.cutOffsets().size(), 2u);
    EXPECT_NEAR(info.cutOffsets()[0], 5, treeTolerance());
    EXPECT_NEAR(info.cutOffsets()[1], 25, treeTolerance());
    // One run: top half-side, left side, bottom half-side, joined across the start.
    const auto* run = dynamic_cast<const ccContourTree*>(clipped.get());
    ASSERT_NE(run, nullptr);
    EXPECT_FALSE(run->isClosed());
    EXPECT_EQ(run->numChildren(), 3);
    EXPECT_NEAR(run->perimeter(), 20, treeTolerance());
    expectSamePoint(run->startPoint(), {5, 10});
    expectSamePoint(run->endPoint(), {5, 0});

    const ccPolyline everything({{-1, -1}, {11, -1}, {11, 11}, {-1, 11}}, true);
    EXPECT_TRUE(*square.clip(everything, info) == square);
    EXPECT_FALSE(info.anythingRemoved());
}
