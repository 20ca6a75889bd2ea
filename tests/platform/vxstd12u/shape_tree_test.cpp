#include <cmath>

#include <gtest/gtest.h>

#include "tree_checks.h"
#include "vxstd12u/errors.h"
#include "vxstd12u/polyline.h"

namespace {

constexpr int kRandomShapes = 12;

// Every random tree kind of the property tests, from one seed.
std::vector<ccPtrHandle<ccShapeTree>> randomTrees(unsigned seed) {
    RandomTrees random(seed);
    return {random.openContour({0, 0}, 6), random.closedContour({1, 2}, 7),
            random.closedContour({-3, 1}, 5, true), random.generalTree()};
}

// The arc lengths of the leaves' joints, where tangents may jump.
bool nearJoint(const ccShapeInfo& info, double s) {
    for (long i = 0; i < info.numNodes(); ++i)
        if (info.isLeaf(i) && std::fabs(info.nodeStart(i) - s) < 1e-6) return true;
    return std::fabs(info.perimeter() - s) < 1e-6;
}

}  // namespace

namespace {

// Reversing twice gives an equal tree; once, it keeps the perimeter, negates
// the turn, flips a region's handedness and, for contours, runs the same
// points backwards away from the joints where tangents may jump.
void expectReversal(const ccShapeTree& tree) {
    const auto reversed = tree.reverse();
    EXPECT_TRUE(*reversed->reverse() == tree);
    const double length = tree.perimeter();
    EXPECT_NEAR(reversed->perimeter(), length, treeTolerance());
    EXPECT_NEAR(reversed->tangentRotation(), -tree.tangentRotation(), treeTolerance());
    if (tree.isRegion()) {
        EXPECT_NE(reversed->isRightHanded(), tree.isRightHanded());
    }
    if (dynamic_cast<const ccGeneralShapeTree*>(&tree)) return;  // children keep their order
    const ccShapeInfo info(tree);
    for (int k = 0; k <= 20; ++k) {
        const double s = length * k / 20;
        if (nearJoint(info, s)) continue;
        ccVector<2> p, q;
        ccRadian a, b;
        pointAt(tree, s, p, a);
        pointAt(*reversed, length - s, q, b);
        expectSamePoint(p, q);
        expectSameHeading(a, b + ccRadian(ccPi));
    }
}

// Samples lie on the tree at the positions they report, with its tangents;
// the decomposition keeps the perimeter and is final.
void expectSamplesAndDecomposition(const ccShapeTree& tree) {
    const auto samples = sampleAt(tree, 0.7);
    ASSERT_EQ(samples.perimPositions().size(), samples.positions().size());
    ASSERT_EQ(samples.tangents().size(), samples.positions().size());
    for (size_t i = 0; i < samples.positions().size(); ++i) {
        const ccVector<2>& p = samples.positions()[i];
        expectSamePoint(tree.nearestPoint(p), p);
        ccVector<2> q;
        ccRadian t;
        tree.perimPointAndTangent(samples.perimPositions()[i], q, t);
        expectSamePoint(q, p);
        expectSameHeading(t, samples.tangents()[i]);
    }
    const auto parts = tree.decompose();
    EXPECT_NEAR(parts->perimeter(), tree.perimeter(), treeTolerance());
    EXPECT_TRUE(parts->isDecomposed());
    EXPECT_TRUE(*parts->decompose() == *parts);
}

// Mapping then sampling agrees with sampling then mapping, chain by chain.
void expectMappingCommutes(const ccShapeTree& tree, RandomTrees& random) {
    for (bool mirror : {false, true}) {
        const ccXform<2> x = random.rigid(mirror);
        const auto before = sampleAt(tree, 0.9);
        const auto after = sampleAt(*tree.mapShape(x), 0.9);
        ASSERT_EQ(after.positions().size(), before.positions().size());
        EXPECT_EQ(after.breaks(), before.breaks());
        EXPECT_EQ(after.closedFlags(), before.closedFlags());
        for (size_t i = 0; i < before.positions().size(); ++i) {
            expectSamePoint(after.positions()[i], x.mapPoint(before.positions()[i]));
            expectSameHeading(after.tangents()[i], x.mapAngle(before.tangents()[i]));
        }
        if (tree.isRegion()) {
            EXPECT_EQ(tree.mapShape(x)->isRightHanded(), tree.isRightHanded() != mirror);
        }
    }
}

// Pieces between random arc lengths add up to the whole and, outside general
// trees, start where they were cut.
void expectPiecesAddUp(const ccShapeTree& tree, RandomTrees& random) {
    const ccShapeInfo info(tree);
    const double length = info.perimeter();
    const std::vector<double> cuts{0.0, random.uniform(0, length / 2),
                                   random.uniform(length / 2, length), length};
    double sum = 0.0;
    for (size_t k = 0; k + 1 < cuts.size(); ++k) {
        const auto piece = tree.subShape(info, {info.perimPos(cuts[k]), cuts[k + 1] - cuts[k]});
        sum += piece->perimeter();
        if (piece->isEmpty() || dynamic_cast<const ccGeneralShapeTree*>(&tree)) continue;
        ccVector<2> p;
        ccRadian t;
        pointAt(tree, cuts[k], p, t);
        expectSamePoint(piece->startPoint(), p);
    }
    EXPECT_NEAR(sum, length, treeTolerance());
}

}  // namespace

TEST(ShapeTree, RandomTreesKeepEveryShapeProperty) {
    for (unsigned seed = 1; seed <= kRandomShapes; ++seed) {
        RandomTrees random(seed + 100);
        for (const auto& tree : randomTrees(seed)) {
            SCOPED_TRACE(seed);
            expectReversal(*tree);
            expectSamplesAndDecomposition(*tree);
            expectMappingCommutes(*tree, random);
            expectPiecesAddUp(*tree, random);
        }
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
