// Trees far deeper than a thread's stack could follow by plain recursion, and
// trees of a million leaves. Every walk here runs on a thread with a small
// stack, so that a walk that recurses once per level without passing the
// stack guard overflows at these depths instead of passing by luck on a large
// main stack.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <cmath>
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
// Twice the room the stack guard keeps in reserve: an unguarded recursion of
// a few hundred bytes a level runs out of it well before kDepth levels.
constexpr std::size_t kSmallStack = std::size_t(2) << 20;
// Rings grow by this much in radius, so that kDepth of them span radii 1 to 2
// and every ring gives a handful of samples whatever the depth.
constexpr double kRingStep = 1.0 / kDepth;

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

double ringRadius(long ring) {
    return 1.0 + static_cast<double>(ring) * kRingStep;
}

// Rings of growing radius, each one a region node holding the next smaller;
// the outermost a solid.
ConstShape nestedRings(long depth) {
    auto node = cfMakeHandle<ccRegionTree>(ccCircle(ccVector<2>(0, 0), 1.0), depth % 2 == 0);
    for (long ring = 1; ring < depth; ++ring) {
        auto outer = cfMakeHandle<ccRegionTree>(ccCircle(ccVector<2>(0, 0), ringRadius(ring)),
                                                !node->isHole());
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

const ccShapeTree& asTree(const ConstShape& s) {
    return dynamic_cast<const ccShapeTree&>(*s);
}

long featureletCount(const ccShape& s) {
    return ccShapeModel::features(s, ccShapeModel::ccFeatureParams())->numFeaturelets();
}

ccShape::ccSampleParams uniformParams(long points) {
    ccShape::ccSampleParams uniform;
    uniform.uniformMode(true);
    uniform.maxPoints(points);
    return uniform;
}

long uniformFeatureletCount(const ccShape& s, long points) {
    std::vector<ccPerimPos> positions;
    return cfFeatures(s, ccShapeModelProps(), ccShapeModel::ccFeatureParams(uniformParams(points)),
                      eConsistentDirection, 0, positions)
        ->numFeaturelets();
}

long complexCount(const ccShape& s) {
    return cfComplexFeatures(s, 1, 2, 0, ccNoPointLimit, 0)->numFeaturelets();
}

// The shape library's own samples, with the node of each.
ccShape::ccSampleResult librarySamples(const ccShape& s, ccShape::ccSampleParams params) {
    const ccShapeInfo info(s);
    params.perimPosRequested(true);
    params.perimPosShapeInfo(&info);
    ccShape::ccSampleResult samples;
    s.sample(params, samples);
    return samples;
}

ccPtrHandle<ccShape> clipped(const ConstShape& s, const Shape& window, ccClipInfo& cut) {
    return s->clip(dynamic_cast<const ccPolyline&>(*window), cut);
}

// The weight in force on the last leaf of `s`.
double lastLeafWeight(const ConstShape& s) {
    const auto leaves = cfLeafHandles(*cfDistributeShapeProps(asTree(s), ccShapeModelProps()));
    return ccShapeModel::shapeModelProps(*leaves.back()).weight();
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

// A segment from (0, 0) to (10, 0) clipped by the square from (-1, -1) to
// (4, 4), at the bottom of `deep`: the piece up to (4, 0) is left, cut once,
// with the weight in force at the bottom.
void expectSegmentClippedAtFour(const ConstShape& deep, double leafWeight) {
    ccClipInfo cut;
    const ConstShape piece = clipped(deep, square(-1, -1, 5), cut);
    EXPECT_TRUE(cut.anythingRemoved());
    ASSERT_EQ(cut.cutOffsets().size(), 1u);
    EXPECT_NEAR(cut.cutOffsets()[0], 4, cc_tol::kCoincident);
    EXPECT_NEAR(piece->perimeter(), 4, cc_tol::kCoincident);
    expectNear(piece->endPoint(), ccVector<2>(4, 0));
    EXPECT_EQ(asTree(piece).height(), asTree(deep).height());
    EXPECT_EQ(lastLeafWeight(piece), leafWeight);
}

// The segment (0, 0)-(10, 0) at node `leaf` of `deep`, sampled at spacing 1:
// eleven samples along it, all numbered with the leaf's node; seven evenly
// spread in uniform mode.
void expectSegmentSamples(const ConstShape& deep, long leaf) {
    const ccShape::ccSampleResult spaced = librarySamples(*deep, ccShape::ccSampleParams());
    ASSERT_EQ(spaced.positions().size(), 11u);
    EXPECT_EQ(spaced.numChains(), 1);
    expectNear(spaced.positions()[3], ccVector<2>(3, 0));
    EXPECT_EQ(spaced.perimPositions().front().node(), leaf);
    EXPECT_EQ(spaced.perimPositions().back().node(), leaf);
    const ccShape::ccSampleResult uniform = librarySamples(*deep, uniformParams(7));
    ASSERT_EQ(uniform.positions().size(), 7u);
    expectNear(uniform.positions()[1], ccVector<2>(10.0 / 6, 0));
}

TEST(DeepContour, EveryOperationReachesTheLeafTenThousandLevelsDown) {
    onSmallStack([] {
        const ConstShape leaf = model(segment(0, 0, 10, 0), weight(3));
        const ConstShape deep = nestedContour(leaf, kDepth);

        expectSegmentClippedAtFour(deep, 6);
        expectSegmentSamples(deep, kDepth);
        EXPECT_EQ(featureletCount(*deep), featureletCount(*leaf));
        EXPECT_EQ(uniformFeatureletCount(*deep, 7), 7);
        EXPECT_EQ(complexCount(*deep), complexCount(*leaf));
        ccShape::ccSampleResult samples;
        ccShapeModel::sampleWithPolarity(*deep, ccShape::ccSampleParams(), samples);
        EXPECT_EQ(samples.positions().size(), 11u);

        const ccXform<2> mirror(ccMatrix<2>(-1, 0, 0, 1), ccVector<2>(5, 1));
        const ConstShape mirrored = cfCorrectPolarities(deep->mapShape(mirror), *deep, mirror);
        expectNear(mirrored->startPoint(), ccVector<2>(5, 1));
        expectNear(mirrored->endPoint(), ccVector<2>(-5, 1));
        expectNear(deep->reverse()->startPoint(), ccVector<2>(10, 0));
        EXPECT_TRUE(deep->decompose()->isDecomposed());
        const auto flat = asTree(deep).flatten(true);
        ASSERT_EQ(flat->numChildren(), 1);
        EXPECT_TRUE(*flat->child(0) == *leaf);
        const ConstShape connected = cfConnect(*general({deep}), 1.0);
        ASSERT_EQ(asTree(connected).numChildren(), 1);
        EXPECT_TRUE(*asTree(connected).child(0) == *deep);

        EXPECT_TRUE(
            ccShapeModel::isInsidePolarity(*ccShapeModel::setInsidePolarity(*deep, true), true));
        EXPECT_FALSE(ccShapeModel::areAnyPolaritiesIgnored(*deep));
        EXPECT_EQ(lastLeafWeight(deep), 6);
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

// The length of a circle of radius `r` centred on the origin that lies inside
// the square of half side `h` < r < h sqrt 2 around it: all but the four arcs
// beyond the sides, each 2 acos(h / r) of turn.
double lengthInsideSquare(double r, double h) {
    return r * (2 * M_PI - 8 * std::acos(h / r));
}

TEST(DeepRegion, RingsNestedTenThousandDeepClipSampleAndFeaturizeToTheInnermost) {
    onSmallStack([] {
        const ConstShape rings = nestedRings(kDepth);
        const ConstShape flat = asTree(rings).flatten(true);

        // A square that cuts the outermost nine rings, each at eight points.
        const double h = ringRadius(kDepth - 10) + kRingStep / 2;
        ccClipInfo cut;
        const ConstShape inside = clipped(rings, square(-h, -h, 2 * h), cut);
        double expected = 0;
        for (long ring = 0; ring < kDepth; ++ring) {
            const double r = ringRadius(ring);
            expected += r > h ? lengthInsideSquare(r, h) : 2 * M_PI * r;
        }
        EXPECT_NEAR(inside->perimeter(), expected, 1e-6 * expected);
        EXPECT_EQ(cut.cutOffsets().size(), 9u * 8u);

        // The outermost ring, a solid, starts where its circle does; the
        // innermost, a hole with the last boundary node, turns the other way.
        const ccShape::ccSampleResult spaced = librarySamples(*rings, ccShape::ccSampleParams());
        ASSERT_EQ(spaced.numChains(), kDepth);
        expectNear(spaced.positions().front(), ccVector<2>(ringRadius(kDepth - 1), 0));
        expectNear(spaced.positions()[spaced.breaks().back()], ccVector<2>(1, 0));
        EXPECT_EQ(spaced.perimPositions().back().node(), 2 * kDepth - 1);
        EXPECT_NEAR(std::sin(spaced.tangents().front().toDouble()), 1, 1e-9);
        EXPECT_NEAR(std::sin(spaced.tangents()[spaced.breaks().back()].toDouble()), -1, 1e-9);
        EXPECT_EQ(librarySamples(*rings, uniformParams(1000)).positions().size(), 1000u);

        EXPECT_EQ(featureletCount(*rings), featureletCount(*flat));
        EXPECT_EQ(complexCount(*rings), complexCount(*flat));
        const auto features = ccShapeModel::features(*rings, ccShapeModel::ccFeatureParams());
        expectNear(features->featurelets().front().position,
                   ccVector<2>(ringRadius(kDepth - 1), 0));
        EXPECT_GT(uniformFeatureletCount(*rings, 1000), 0);
        ccShape::ccSampleResult withPolarity;
        ccShapeModel::sampleWithPolarity(*rings, ccShape::ccSampleParams(), withPolarity);
        EXPECT_EQ(withPolarity.positions().size(), spaced.positions().size());
    });
}

TEST(DeepRegion, RingsNestedTenThousandDeepMapArchiveDrawDescribeAndKeepTheirPolarity) {
    onSmallStack([] {
        const ConstShape rings = nestedRings(kDepth);
        const ccXform<2> mirror(ccMatrix<2>(-1, 0, 0, 1), ccVector<2>(0, 0));
        const ConstShape mapped = rings->mapShape(mirror);
        EXPECT_TRUE(*mapped->reverse()->reverse() == *mapped);
        const ConstShape moved = rings->mapShape(ccXform<2>(ccMatrix<2>(1, 0, 0, 1), {5, 0}));
        EXPECT_TRUE(moved->within(ccVector<2>(6 + kRingStep / 2, 0)));
        EXPECT_TRUE(rings->decompose()->isDecomposed());
        EXPECT_TRUE(*loaded(stored(rings)) == *rings);
        EXPECT_EQ(graphicCount(*rings), graphicCount(*nestedRings(1)) * kDepth);
        EXPECT_NE(description(*rings).find(L"10000"), std::wstring::npos);
        // The outermost ring is a solid, so with an even depth the innermost
        // is a hole, the next a solid, the one after a hole again.
        EXPECT_FALSE(rings->within(ccVector<2>(0.5, 0)));
        EXPECT_TRUE(rings->within(ccVector<2>(1 + kRingStep / 2, 0)));
        EXPECT_FALSE(rings->within(ccVector<2>(1 + 1.5 * kRingStep, 0)));
        EXPECT_EQ(asTree(rings).flatten(true)->numChildren(), kDepth - 1);
        const ConstShape connected = cfConnect(*general({rings}), 1.0);
        EXPECT_TRUE(*asTree(connected).child(0) == *rings);

        EXPECT_TRUE(
            ccShapeModel::isInsidePolarity(*ccShapeModel::setInsidePolarity(*rings, false), false));
        EXPECT_FALSE(ccShapeModel::areAnyPolaritiesIgnored(*rings));
        // A weight given at the top reaches the innermost ring.
        const ConstShape weighed = model(rings, weight(2));
        EXPECT_EQ(lastLeafWeight(weighed), 2);
        EXPECT_EQ(cfLeafHandles(asTree(weighed)).size(), static_cast<size_t>(kDepth));
        EXPECT_TRUE(cfHasPositiveWeights(*weighed));
        EXPECT_FALSE(cfHasPositiveWeights(*model(rings, weight(0))));
    });
}

TEST(DeepGeneralTree, TenThousandLevelsClipSampleFeaturizeMapConnectArchiveAndSetPolarity) {
    onSmallStack([] {
        const ConstShape leaf = segment(0, 0, 10, 0);
        const ConstShape deep = model(nestedGeneral(leaf, kDepth), weight(2));

        expectSegmentClippedAtFour(deep, 2);
        expectSegmentSamples(deep, kDepth);
        EXPECT_EQ(featureletCount(*deep), featureletCount(*leaf));
        EXPECT_EQ(uniformFeatureletCount(*deep, 7), 7);
        EXPECT_EQ(complexCount(*deep), complexCount(*leaf));
        ccShape::ccSampleResult samples;
        ccShapeModel::sampleWithPolarity(*deep, ccShape::ccSampleParams(), samples);
        EXPECT_EQ(samples.positions().size(), 11u);

        const ConstShape moved =
            deep->mapShape(ccXform<2>(ccMatrix<2>(2, 0, 0, 2), ccVector<2>(3, 4)));
        EXPECT_NEAR(moved->perimeter(), 20, cc_tol::kCoincident);
        expectNear(deep->reverse()->startPoint(), ccVector<2>(10, 0));
        EXPECT_TRUE(deep->decompose()->isDecomposed());
        EXPECT_EQ(asTree(deep).flatten(true)->numChildren(), 1);
        // An empty subtree beside the chain has no points to widen its box.
        const ccRect box = general({moved, general({})})->boundingBox();
        expectNear(box.corner(0), ccVector<2>(3, 4));
        expectNear(box.corner(2), ccVector<2>(23, 4));
        // The weight given at the top must reach the leaf to put it in range.
        EXPECT_EQ(lastLeafWeight(deep), 2);
        ccGeneralShapeTree found;
        cfFindContoursWithWeightInRange(general({deep, model(segment(0, 5, 1, 5), weight(7))}),
                                        ccShapeModelProps(), ccRange(1.5, 3), true, found);
        ASSERT_EQ(found.numChildren(), 1);
        EXPECT_EQ(ccShapeModel::shapeModelProps(*found.child(0)).weight(), 2);
        EXPECT_TRUE(cfHasPositiveWeights(*deep));
        EXPECT_EQ(featureletCount(*cfConnect(*deep, 1.0)), featureletCount(*leaf));
        EXPECT_TRUE(
            ccShapeModel::isInsidePolarity(*ccShapeModel::setInsidePolarity(*deep, true), true));
        EXPECT_FALSE(ccShapeModel::areAnyPolaritiesIgnored(*deep));
        EXPECT_TRUE(*loaded(stored(deep)) == *deep);
        EXPECT_EQ(graphicCount(*deep), graphicCount(*leaf));
        EXPECT_NE(description(*deep).find(L"10001"), std::wstring::npos);
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
