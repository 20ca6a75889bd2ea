// Trees far deeper than a thread's stack could follow by plain recursion, and
// trees of a million leaves. Every walk here runs on a thread with a small
// stack, so that a walk that recurses once per level without passing the
// stack guard overflows at these depths instead of passing by luck on a large
// main stack.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "model_fixtures.h"
#include "shmd/inspect.h"
#include "shmd/properties.h"
#include "vxdispc12u/graphiclist.h"
#include "vxstd12u/shapeinfo.h"
#include "vxstd12u/stackguard.h"
#include "vxstd12u/tolerances.h"

namespace {

using namespace fixtures;

#if defined(VXSTD_RACE_DETECTOR) || defined(__SANITIZE_ADDRESS__)
#define SHMD_INSTRUMENTED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SHMD_INSTRUMENTED 1
#endif
#endif

constexpr long kDepth = 10000;
// Clipping a contour and featurizing region nodes still take time in the
// square of the depth, so they are checked at a tenth of it. The race
// detector keeps a call stack for every allocation, which makes their memory
// grow with that square as well (4.4 GB for a clip at a tenth), so under it
// they are checked at a thirtieth.
#ifdef VXSTD_RACE_DETECTOR
constexpr long kQuadraticDepth = kDepth / 30;
#else
constexpr long kQuadraticDepth = kDepth / 10;
#endif
// Twice the room the stack guard keeps in reserve: an unguarded recursion of
// a few hundred bytes a level runs out of it well before kDepth levels.
constexpr std::size_t kSmallStack = std::size_t(2) << 20;

// Runs `work` on a new thread with a kSmallStack stack; what it throws is
// rethrown here.
void onSmallStack(const std::function<void()>& work) {
    cc_stack::runOnFreshStack(work, kSmallStack);
}

// `leaf` inside `depth` open contours; every other level a model, the
// outermost model of weight 2, so records must be combined all the way down.
ConstShape nestedContour(const ConstShape& leaf, long depth) {
    ConstShape node = leaf;
    for (long level = 0; level < depth; ++level) {
        auto tree = cfMakeHandle<ccContourTree>(false);
        tree->addChild(node, false);
        node = level % 2 == 0 ? ConstShape(tree) : model(tree, weight(level + 2 >= depth ? 2 : 1));
    }
    return node;
}

// Rings of growing radius, each one a region node holding the next smaller;
// the outermost a solid.
ConstShape nestedRings(long depth) {
    auto node = cfMakeHandle<ccRegionTree>(ccCircle(ccVector<2>(0, 0), 1.0), depth % 2 == 0);
    for (long ring = 1; ring < depth; ++ring) {
        auto outer =
            cfMakeHandle<ccRegionTree>(ccCircle(ccVector<2>(0, 0), 1.0 + ring), !node->isHole());
        outer->addChild(ConstShape(node), true);
        node = outer;
    }
    return node;
}

ConstShape nestedGeneral(const ConstShape& leaf, long depth) {
    ConstShape node = leaf;
    for (long level = 0; level < depth; ++level) node = general({node});
    return node;
}

long featureletCount(const ccShape& s) {
    return ccShapeModel::features(s, ccShapeModel::ccFeatureParams())->numFeaturelets();
}

std::vector<unsigned char> stored(ConstShape shape) {
    std::vector<unsigned char> bytes;
    ccArchive out(bytes, ccArchive::eStoring);
    out || shape;
    return bytes;
}

ConstShape loaded(std::vector<unsigned char> bytes) {
    ConstShape back;
    ccArchive in(bytes, ccArchive::eLoading);
    in || back;
    return back;
}

long graphicCount(const ccShape& s) {
    ccGraphicList list;
    const ccGraphicProps g;
    ccShapeModel::draw(list, s, g, g, g);
    return list.size();
}

std::wstring description(const ccShape& s) {
    std::wstring out;
    cfDescribeShape(s, ccShapeModel::shapeModelProps(s), {0}, ccDrawShapeParams(), out);
    return out;
}

void expectNear(const ccVector<2>& a, const ccVector<2>& b) {
    EXPECT_NEAR(a.x(), b.x(), cc_tol::kCoincident);
    EXPECT_NEAR(a.y(), b.y(), cc_tol::kCoincident);
}

TEST(DeepContour, EveryOperationReachesTheLeafTenThousandLevelsDown) {
    onSmallStack([] {
        const ConstShape leaf = model(segment(0, 0, 10, 0), weight(3));
        const ConstShape deep = nestedContour(leaf, kDepth);

        EXPECT_EQ(featureletCount(*deep), featureletCount(*leaf));
        ccShape::ccSampleParams uniform;
        uniform.uniformMode(true);
        uniform.maxPoints(7);
        std::vector<ccPerimPos> positions;
        EXPECT_EQ(cfFeatures(*deep, ccShapeModelProps(), ccShapeModel::ccFeatureParams(uniform),
                             eConsistentDirection, 0, positions)
                      ->numFeaturelets(),
                  7);
        EXPECT_EQ(cfComplexFeatures(*deep, 1, 2, 0, ccNoPointLimit, 0)->numFeaturelets(),
                  cfComplexFeatures(*leaf, 1, 2, 0, ccNoPointLimit, 0)->numFeaturelets());

        const ccXform<2> mirror(ccMatrix<2>(-1, 0, 0, 1), ccVector<2>(5, 1));
        const ConstShape mirrored = cfCorrectPolarities(deep->mapShape(mirror), *deep, mirror);
        expectNear(mirrored->startPoint(), ccVector<2>(5, 1));
        expectNear(mirrored->endPoint(), ccVector<2>(-5, 1));
        expectNear(deep->reverse()->startPoint(), ccVector<2>(10, 0));
        EXPECT_TRUE(deep->decompose()->isDecomposed());
        // Clipping measures each level's perimeter afresh.
        ccClipInfo cut;
        const Shape window = square(-1, -1, 5);
        const auto& polygon = dynamic_cast<const ccPolyline&>(*window);
        EXPECT_NEAR(nestedContour(leaf, kQuadraticDepth)->clip(polygon, cut)->perimeter(), 4,
                    cc_tol::kCoincident);

        EXPECT_TRUE(
            ccShapeModel::isInsidePolarity(*ccShapeModel::setInsidePolarity(*deep, true), true));
        EXPECT_FALSE(ccShapeModel::areAnyPolaritiesIgnored(*deep));
        const auto distributed =
            cfDistributeShapeProps(dynamic_cast<const ccShapeTree&>(*deep), ccShapeModelProps());
        const auto leaves = cfLeafHandles(*distributed);
        ASSERT_EQ(leaves.size(), 1u);
        EXPECT_EQ(ccShapeModel::shapeModelProps(*leaves[0]).weight(), 6);
        EXPECT_TRUE(cfHasPositiveWeights(*deep));
        ccGeneralShapeTree found;
        cfFindContoursWithWeightInRange(deep, ccShapeModelProps(), ccRange(5, 7), true, found);
        EXPECT_EQ(found.numChildren(), 1);

        EXPECT_EQ(graphicCount(*deep), graphicCount(*leaf));
        const std::wstring text = description(*deep);
        EXPECT_NE(text.find(L"10001"), std::wstring::npos) << "the height of the tree";
        EXPECT_NE(text.find(L"Start point"), std::wstring::npos);

        const std::vector<unsigned char> bytes = stored(deep);
        const ConstShape back = loaded(bytes);
        EXPECT_TRUE(*back == *deep);
        EXPECT_EQ(stored(back), bytes);
        EXPECT_FALSE(*nestedContour(segment(0, 0, 10, 1), kDepth) == *deep);

        EXPECT_NEAR(deep->perimeter(), 10, cc_tol::kCoincident);
        EXPECT_EQ(ccShapeInfo(*deep).numNodes(), kDepth + 1);
        ccShape::ccSampleResult samples;
        ccShapeModel::sampleWithPolarity(*deep, ccShape::ccSampleParams(), samples);
        EXPECT_EQ(samples.positions().size(), 11u);
    });
}

TEST(DeepContour, AChainFarDeeperThanAnyWalkIsDestroyedWithoutRecursing) {
    onSmallStack([] {
        ConstShape node = segment(0, 0, 1, 0);
        for (long level = 0; level < 20 * kDepth; ++level) {
            auto tree = cfMakeHandle<ccContourTree>(false);
            tree->addChild(node, false);
            node = tree;
        }
        // A second owner of a level halfway down keeps that part alive.
        ConstShape middle = node;
        for (long level = 0; level < 10 * kDepth; ++level)
            middle = dynamic_cast<const ccShapeTree&>(*middle).child(0);
        node = ConstShape();
        EXPECT_EQ(dynamic_cast<const ccShapeTree&>(*middle).height(), 10 * kDepth);
    });
}

TEST(DeepRegion, RingsNestedTenThousandDeepMapArchiveDrawDescribeAndKeepTheirPolarity) {
    onSmallStack([] {
        const ConstShape rings = nestedRings(kDepth);
        const ccXform<2> mirror(ccMatrix<2>(-1, 0, 0, 1), ccVector<2>(0, 0));
        const ConstShape mapped = rings->mapShape(mirror);
        EXPECT_TRUE(*mapped->reverse()->reverse() == *mapped);
        EXPECT_TRUE(*loaded(stored(rings)) == *rings);
        EXPECT_EQ(graphicCount(*rings), graphicCount(*nestedRings(1)) * kDepth);
        EXPECT_NE(description(*rings).find(L"10000"), std::wstring::npos);
        // The outermost ring is a solid, so with an even depth the innermost is a hole.
        EXPECT_FALSE(rings->within(ccVector<2>(0.5, 0)));
        EXPECT_TRUE(rings->within(ccVector<2>(1.5, 0)));
        EXPECT_EQ(dynamic_cast<const ccShapeTree&>(*rings).flatten(true)->numChildren(),
                  kDepth - 1);
        EXPECT_TRUE(
            ccShapeModel::isInsidePolarity(*ccShapeModel::setInsidePolarity(*rings, false), false));
        // Sampling a region node numbers its parts afresh at every level.
        const ConstShape fewer = nestedRings(kQuadraticDepth);
        EXPECT_EQ(featureletCount(*fewer),
                  featureletCount(*dynamic_cast<const ccShapeTree&>(*fewer).flatten(true)));
    });
}

TEST(DeepGeneralTree, TenThousandLevelsFeaturizeMapConnectArchiveAndSetPolarity) {
    onSmallStack([] {
        const ConstShape leaf = segment(0, 0, 10, 0);
        const ConstShape deep = model(nestedGeneral(leaf, kDepth), weight(2));
        EXPECT_EQ(featureletCount(*deep), featureletCount(*leaf));
        const ConstShape moved =
            deep->mapShape(ccXform<2>(ccMatrix<2>(2, 0, 0, 2), ccVector<2>(3, 4)));
        EXPECT_NEAR(moved->perimeter(), 20, cc_tol::kCoincident);
        // An empty subtree beside the chain has no points to widen its box.
        const ccRect box = general({moved, general({})})->boundingBox();
        expectNear(box.corner(0), ccVector<2>(3, 4));
        expectNear(box.corner(2), ccVector<2>(23, 4));
        // The weight given at the top must reach the leaf to put it in range.
        ccGeneralShapeTree found;
        cfFindContoursWithWeightInRange(general({deep, model(segment(0, 5, 1, 5), weight(7))}),
                                        ccShapeModelProps(), ccRange(1.5, 3), true, found);
        ASSERT_EQ(found.numChildren(), 1);
        EXPECT_EQ(ccShapeModel::shapeModelProps(*found.child(0)).weight(), 2);
        EXPECT_EQ(featureletCount(*cfConnect(*deep, 1.0)), featureletCount(*leaf));
        EXPECT_TRUE(
            ccShapeModel::isInsidePolarity(*ccShapeModel::setInsidePolarity(*deep, true), true));
        EXPECT_FALSE(ccShapeModel::areAnyPolaritiesIgnored(*deep));
        EXPECT_TRUE(*loaded(stored(deep)) == *deep);
        EXPECT_EQ(graphicCount(*deep), graphicCount(*leaf));
    });
}

long peakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A million leaves take seconds even uninstrumented; under the sanitizers they
// would take minutes, so those builds leave this test out.
TEST(LargeTree, AMillionLeavesFeaturizeMapArchiveDescribeAndGoAway) {
#ifdef SHMD_INSTRUMENTED
    GTEST_SKIP() << "too slow under the sanitizers";
#endif
    constexpr long kLeaves = 1000000;
    const long before = peakKilobytes();
    const auto start = std::chrono::steady_clock::now();
    auto seconds = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    auto tree = cfMakeHandle<ccGeneralShapeTree>();
    for (long i = 0; i < kLeaves; ++i) {
        const double x = static_cast<double>(i % 1000) * 3, y = static_cast<double>(i / 1000) * 3;
        tree->addChild(model(segment(x, y, x + 1, y), weight(1 + i % 3)), false);
    }
    ConstShape large = tree;
    tree = nullptr;
    std::printf("built %.2f s\n", seconds());
    const ccShapeModel::ccFeatureParams params;
    EXPECT_EQ(ccShapeModel::features(*large, params)->numFeaturelets(), 2 * kLeaves);
    std::printf("featurized %.2f s\n", seconds());
    const ConstShape moved = large->mapShape(ccXform<2>(ccMatrix<2>(1, 0, 0, 1), {1, 1}));
    expectNear(moved->startPoint(), ccVector<2>(1, 1));
    std::printf("mapped %.2f s\n", seconds());
    const std::vector<unsigned char> bytes = stored(large);
    EXPECT_TRUE(*loaded(bytes) == *large);
    std::printf("archived and loaded %.2f s (%zu bytes)\n", seconds(), bytes.size());
    EXPECT_NE(description(*large).find(L"1000000"), std::wstring::npos);
    std::printf("described %.2f s\n", seconds());
    large = ConstShape();
    std::printf("destroyed %.2f s, peak %ld kB over %ld kB before, %.0f bytes a leaf\n", seconds(),
                peakKilobytes(), before,
                1024.0 * static_cast<double>(peakKilobytes() - before) / kLeaves);
    // Bounded in proportion to the leaves: a few kilobytes each at most.
    EXPECT_LT((peakKilobytes() - before) * 1024 / kLeaves, 4096);
}

}  // namespace
