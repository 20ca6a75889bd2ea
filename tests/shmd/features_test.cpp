// Feature generation: featurelets from samples, contour joining, region
// boundaries, budgets, sampling with polarity and complex features.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "model_fixtures.h"
#include "shmd/properties.h"

namespace {

using namespace fixtures;
using Params = ccShapeModel::ccFeatureParams;

constexpr double kTight = 1e-9;

ccShape::ccSampleParams spacing(double s, bool duplicateCorners = false) {
    return ccShape::ccSampleParams(0.0, s, ccNoPointLimit, true, duplicateCorners);
}

ccShape::ccSampleParams uniform(long points) {
    ccShape::ccSampleParams p(0.0, 1.0, points, true, false);
    p.uniformMode(true);
    return p;
}

long sampleCount(const ccShape& shape, const ccShape::ccSampleParams& params) {
    ccShape::ccSampleResult r;
    shape.sample(params, r);
    return static_cast<long>(r.positions().size());
}

// The samples of a contour's pieces, each sampled alone.
long pieceSampleCount(const ccContourTree& contour, const ccShape::ccSampleParams& params) {
    long sum = 0;
    for (const auto& piece : contour.children()) sum += sampleCount(*piece, params);
    return sum;
}

double angleGap(double a, double b, double period = ccTwoPi) {
    return std::fabs(std::remainder(a - b, period));
}

TEST(FeaturesFromSamples, ScalesOnceAndTurnsByPolarity) {
    const Shape seg = model(segment(0, 0, 3, 0), ccShapeModelProps(true, 0.5, false, 2.0));
    const Params params(spacing(1), 3.0, 2.0);
    const auto set = ccShapeModel::features(*seg, params);
    ASSERT_EQ(set->numChains(), 1);
    EXPECT_FALSE(set->isClosed(0));
    EXPECT_EQ(set->numFeaturelets(), 4);
    for (const ccFeaturelet& f : set->featurelets()) {
        EXPECT_EQ(f.weight, 1.0);
        EXPECT_EQ(f.magnitude(), 6.0);
        EXPECT_FALSE(f.isMod180());
        EXPECT_NEAR(f.angle.toDouble(), -ccPi / 2, kTight);  // tangent 0, reversed
    }
    const Shape ignoredSeg = model(segment(0, 0, 3, 0), ccShapeModelProps(true, 0.5, true, 2.0));
    const auto ignoredSet = ccShapeModel::features(*ignoredSeg, params);
    for (const ccFeaturelet& f : ignoredSet->featurelets()) {
        EXPECT_TRUE(f.isMod180());
        EXPECT_NEAR(f.angle.toDouble(), -ccPi / 2, kTight);
    }
    const auto normal = ccShapeModel::features(*segment(0, 0, 3, 0), Params(spacing(1)));
    EXPECT_NEAR(normal->featurelets()[0].angle.toDouble(), ccPi / 2, kTight);
    // A shape without tangents gives angle zero, not a turned one.
    const auto point = ccShapeModel::features(cc2Point(ccVector<2>(1, 2)), Params(spacing(1)));
    EXPECT_EQ(point->featurelets().at(0).angle.toDouble(), 0.0);
}

// An open contour of three segments of different weights.
ccPtrHandle<ccContourTree> threeWeights(bool closed) {
    const ConstShape a = model(segment(0, 0, 3, 0), weight(1)),
                     b = model(segment(3, 0, 3, 4), weight(2));
    const ConstShape c =
        closed ? model(segment(3, 4, 0, 0), weight(4)) : model(segment(3, 4, 8, 4), weight(4));
    return contour(closed, {a, b, c});
}

TEST(ContourJoining, OpenContourMergesEachJointIntoTheLaterPiece) {
    const auto open = threeWeights(false);
    const long sum = pieceSampleCount(*open, spacing(1));
    const auto set = ccShapeModel::features(*open, Params(spacing(1)));
    ASSERT_EQ(set->numChains(), 1);
    EXPECT_FALSE(set->isClosed(0));
    ASSERT_EQ(set->numFeaturelets(), sum - 2);
    const auto& f = set->featurelets();
    EXPECT_EQ(f.front().weight, 1.0);
    EXPECT_EQ(f.front().position, ccVector<2>(0, 0));
    EXPECT_EQ(f.back().weight, 4.0);
    EXPECT_EQ(f.back().position, ccVector<2>(8, 4));
    // The first joint: at (3, 0), mean of weights 1 and 2, bisecting +90 and 180 degrees.
    const ccFeaturelet& joint = f[3];
    EXPECT_EQ(joint.position, ccVector<2>(3, 0));
    EXPECT_EQ(joint.weight, 1.5);
    EXPECT_NEAR(joint.angle.toDouble(), 0.75 * ccPi, kTight);
}

TEST(ContourJoining, ClosedContourPutsTheWrapAroundJointFirst) {
    const auto closed = threeWeights(true);
    const long sum = pieceSampleCount(*closed, spacing(1));
    const auto set = ccShapeModel::features(*closed, Params(spacing(1)));
    ASSERT_EQ(set->numChains(), 1);
    EXPECT_TRUE(set->isClosed(0));
    ASSERT_EQ(set->numFeaturelets(), sum - 3);
    const ccFeaturelet& first = set->featurelets().front();
    EXPECT_EQ(first.position, ccVector<2>(0, 0));
    EXPECT_EQ(first.weight, 2.5);  // the last piece (4) meets the first (1)
    // No featurelet of the last piece stands on the start point again.
    EXPECT_NE(set->featurelets().back().position, ccVector<2>(0, 0));
}

// Weights and positions of a set's featurelets, in order.
std::vector<std::pair<double, ccVector<2>>> weightsAndPlaces(const ccFeatureletChainSet& set) {
    std::vector<std::pair<double, ccVector<2>>> out;
    for (const ccFeaturelet& f : set.featurelets()) out.emplace_back(f.weight, f.position);
    return out;
}

TEST(ContourJoining, APieceOfOneSampleHandsItOnAndKeepsNothing) {
    using WP = std::vector<std::pair<double, ccVector<2>>>;
    const auto features = [](const ccPtrHandle<ccContourTree>& c) {
        return weightsAndPlaces(*ccShapeModel::features(*c, Params(spacing(1))));
    };
    // The zero-length piece's one sample, not the first piece's last, meets the third piece.
    const auto middle = contour(
        false, {model(segment(0, 0, 2, 0), weight(1)), model(segment(2, 0, 2, 0), weight(2)),
                model(segment(2, 0, 2, 2), weight(4))});
    EXPECT_EQ(features(middle),
              (WP{{1, {0, 0}}, {1, {1, 0}}, {3, {2, 0}}, {4, {2, 1}}, {4, {2, 2}}}));
    // Ending an open contour, it keeps its sample, merged with the one before.
    const auto last = contour(
        false, {model(segment(0, 0, 2, 0), weight(1)), model(segment(2, 0, 2, 0), weight(2))});
    EXPECT_EQ(features(last), (WP{{1, {0, 0}}, {1, {1, 0}}, {1.5, {2, 0}}}));
    // Opening a closed contour, it keeps nothing, so no wrap-around joint is made.
    const auto first =
        contour(true, {model(segment(0, 0, 0, 0), weight(2)), model(segment(0, 0, 2, 0), weight(1)),
                       model(segment(2, 0, 0, 0), weight(4))});
    EXPECT_EQ(features(first), (WP{{1.5, {0, 0}}, {1, {1, 0}}, {2.5, {2, 0}}, {4, {1, 0}}}));
}

TEST(ContourJoining, SetsAreSizedToTheirFeaturelets) {
    // Joined, sampled whole, and a tree of both beside circles: the set is
    // built in storage of its own size (at most a tenth more).
    const auto joined = threeWeights(true);
    const auto whole =
        contour(true, {segment(0, 0, 5, 0), segment(5, 0, 0, 5), segment(0, 5, 0, 0)});
    const auto tree = general({joined, whole, model(circle(1, 1, 4), weight(2)), circle()});
    for (const ccShape* shape :
         {static_cast<const ccShape*>(joined.get()), static_cast<const ccShape*>(whole.get()),
          static_cast<const ccShape*>(tree.get())}) {
        const auto set = ccShapeModel::features(*shape, Params(spacing(0.5)));
        const std::vector<ccFeaturelet>& all = set->featurelets();
        EXPECT_LE(all.capacity(), all.size() + all.size() / 10);
    }
}

TEST(ContourJoining, DuplicatedCornersAndUniformModeDoNotMerge) {
    const auto open = threeWeights(false);
    const long sum = pieceSampleCount(*open, spacing(1, true));
    for (const auto& [params, count] : {std::pair(spacing(1, true), sum), {uniform(50), 50L}}) {
        const auto set = ccShapeModel::features(*open, Params(params));
        EXPECT_EQ(set->numFeaturelets(), count);
        for (const ccFeaturelet& f : set->featurelets())
            EXPECT_TRUE(f.weight == 1.0 || f.weight == 2.0 || f.weight == 4.0) << f.weight;
    }
}

// Two segments whose featurelets meet at the given angles (before merging).
ccPtrHandle<ccContourTree> cornerWithAngles(double prevAngle, double curAngle) {
    const ccVector<2> j(0, 0);
    const ccVector<2> a = j - ccVector<2>::polar(prevAngle - ccPi / 2) * 2;
    const ccVector<2> b = j + ccVector<2>::polar(curAngle - ccPi / 2) * 2;
    return contour(false, {model(cfMakeHandle<ccLineSeg>(a, j), weight(1)),
                           model(cfMakeHandle<ccLineSeg>(j, b), weight(2))});
}

TEST(ContourJoining, JointBisectsTheShorterArc) {
    auto jointAngle = [](double prev, double cur) {
        const auto set = ccShapeModel::features(*cornerWithAngles(prev, cur), Params(spacing(1)));
        return set->featurelets()[2].angle.toDouble();
    };
    EXPECT_NEAR(jointAngle(0.1, -0.1), 0.0, kTight);
    EXPECT_NEAR(jointAngle(-0.1, 0.1), 0.0, kTight);
    EXPECT_NEAR(jointAngle(3.0, -3.0), ccPi, kTight);  // across the cut at pi
    EXPECT_NEAR(jointAngle(0.0, ccPi), ccRadian(ccPi + ccPi / 2).signedNorm().toDouble(), kTight);
}

TEST(ContourJoining, ConsistentPiecesAreSampledWhole) {
    const auto same = contour(
        false, {model(segment(0, 0, 3, 0), weight(2)), model(segment(3, 0, 3, 4), weight(2))});
    const auto set = ccShapeModel::features(*same, Params(spacing(1)));
    EXPECT_EQ(set->numFeaturelets(), sampleCount(*same, spacing(1)));
    for (const ccFeaturelet& f : set->featurelets()) EXPECT_EQ(f.weight, 2.0);
}

TEST(ConsistentContourProps, ModesCompareDifferentFields) {
    const auto differentWeights = contour(
        false, {model(segment(0, 0, 1, 0), weight(1)), model(segment(1, 0, 2, 0), weight(3))});
    ccShapeModelProps out = weight(9);
    EXPECT_FALSE(
        cfConsistentContourProps(*differentWeights, ccShapeModelProps(), out, eConsistentAll));
    EXPECT_EQ(out, weight(9));
    EXPECT_TRUE(
        cfConsistentContourProps(*differentWeights, ccShapeModelProps(), out, eConsistentPolarity));
    EXPECT_EQ(out.weight(), 1.0);  // the first piece's
    const auto differentIgnore =
        contour(false, {model(segment(0, 0, 1, 0), ignored()), segment(1, 0, 2, 0)});
    EXPECT_FALSE(
        cfConsistentContourProps(*differentIgnore, ccShapeModelProps(), out, eConsistentPolarity));
    EXPECT_TRUE(
        cfConsistentContourProps(*differentIgnore, ccShapeModelProps(), out, eConsistentDirection));
    const auto differentReversal =
        contour(false, {model(segment(0, 0, 1, 0), reversed()), segment(1, 0, 2, 0)});
    EXPECT_FALSE(cfConsistentContourProps(*differentReversal, ccShapeModelProps(), out,
                                          eConsistentDirection));

    const ccShapeModelProps d;
    const auto closed = squareContour(2, {weight(2), weight(3), weight(2), weight(3)});
    EXPECT_TRUE(cfConsistentContourProps(*closed, reversed(5), out, eConsistentDirection));
    EXPECT_EQ(out, ccShapeModelProps(true, 5.0));  // unit weight, the inherited reversal
}

TEST(RegionFeatures, BoundaryComesFirstWithTheRegionsProps) {
    auto solid = cfMakeHandle<ccRegionTree>(*model(circle(0, 0, 10), weight(3)), false);
    solid->addChild(cfMakeHandle<ccRegionTree>(*circle(0, 0, 2), true), true);
    const auto set = ccShapeModel::features(*weight(2).assign(*solid), Params(spacing(1)));
    ASSERT_EQ(set->numChains(), 2);
    const ccFeaturelet& outer = set->featurelets()[0];
    EXPECT_NEAR(outer.position.len(), 10, kTight);
    EXPECT_EQ(outer.weight, 6.0);
    // Into the material: inwards on the solid's boundary, outwards on the hole's.
    EXPECT_LT(ccVector<2>::polar(outer.angle.toDouble()).dot(outer.position), 0);
    const ccFeaturelet& inner = set->featurelets()[set->startFeatureIndex(1)];
    EXPECT_NEAR(inner.position.len(), 2, kTight);
    EXPECT_EQ(inner.weight, 2.0);
    EXPECT_GT(ccVector<2>::polar(inner.angle.toDouble()).dot(inner.position), 0);
}

TEST(RegionFeatures, RootHoleGivesOnlyItsChildren) {
    ccRegionTree root;
    root.addChild(cfMakeHandle<ccRegionTree>(*circle(0, 0, 1), false), true);
    root.addChild(cfMakeHandle<ccRegionTree>(*circle(5, 0, 1), false), true);
    const auto set = ccShapeModel::features(root, Params(spacing(1)));
    EXPECT_EQ(set->numChains(), 2);
    EXPECT_EQ(ccShapeModel::features(ccRegionTree(), Params(spacing(1)))->numFeaturelets(), 0);
    EXPECT_EQ(ccShapeModel::features(*general({}), Params(spacing(1)))->numChains(), 0);
}

TEST(UniformBudget, SharesFollowPerimetersAndNoChildGetsNone) {
    const auto tree = general({segment(0, 0, 30, 0), segment(0, 5, 10, 5)});
    const auto set = ccShapeModel::features(*tree, Params(uniform(100)));
    EXPECT_EQ(set->chainLength(0), 75);
    EXPECT_EQ(set->chainLength(1), 25);
    const auto tiny = general({segment(0, 0, 40, 0), segment(0, 5, 0.1, 5)});
    EXPECT_EQ(ccShapeModel::features(*tiny, Params(uniform(100)))->chainLength(1), 1);
    const auto points = general(
        {cfMakeHandle<cc2Point>(ccVector<2>(0, 0)), cfMakeHandle<cc2Point>(ccVector<2>(1, 0))});
    EXPECT_EQ(ccShapeModel::features(*points, Params(uniform(10)))->numChains(),
              2);  // total 0 divides by 1
    EXPECT_THROW(
        ccShapeModel::features(ccLine(ccVector<2>(0, 0), ccRadian(0)), Params(uniform(10))),
        ccShapesError::InfiniteExtent);
}

TEST(SampleWithPolarity, TurnsTangentsOnReversedPiecesOnly) {
    const auto open = contour(
        false, {model(segment(0, 0, 3, 0), weight(1)), model(segment(3, 0, 6, 0), reversed()),
                model(segment(6, 0, 9, 0), weight(1))});
    ccShape::ccSampleResult result;
    result.positions().push_back(ccVector<2>(-1, -1));
    result.tangents().push_back(ccRadian(0.5));
    result.breaks().push_back(0);
    result.closedFlags().push_back(true);
    ccShapeModel::sampleWithPolarity(*open, spacing(1), result);
    ASSERT_EQ(result.numChains(), 2);
    EXPECT_EQ(result.breaks()[1], 1);
    EXPECT_FALSE(result.closedFlags()[1]);
    for (std::size_t i = 1; i < result.positions().size(); ++i) {
        // Away from the joints, where samples of both pieces meet.
        const double x = result.positions()[i].x();
        const bool onReversed = x > 3.5 && x < 5.5, onPlain = x < 2.5 || x > 6.5;
        if (!onReversed && !onPlain) continue;
        EXPECT_NEAR(angleGap(result.tangents()[i].toDouble(), onReversed ? ccPi : 0), 0, kTight)
            << x;
    }
    ccShape::ccSampleResult unequal;
    unequal.positions().push_back(ccVector<2>());
    EXPECT_THROW(ccShapeModel::sampleWithPolarity(*open, spacing(1), unequal),
                 ccShapesError::BadParams);
    EXPECT_EQ(unequal.positions().size(), 1u);
}

TEST(SampleWithPolarity, WithoutTangentsItIsThePlainSample) {
    ccShape::ccSampleParams noTangents = spacing(1);
    noTangents.computeTangents(false);
    ccShape::ccSampleResult plain, withPolarity;
    const Shape c = model(circle(0, 0, 3), reversed());
    c->sample(noTangents, plain);
    ccShapeModel::sampleWithPolarity(*c, noTangents, withPolarity);
    EXPECT_EQ(plain.positions(), withPolarity.positions());
    EXPECT_EQ(plain.breaks(), withPolarity.breaks());
}

TEST(ComplexFeatures, WeightStandsForTheLengthEachFeatureletCovers) {
    const auto set = cfComplexFeatures(*segment(0, 0, 10, 0), 1.0, 2.0, 0, ccNoPointLimit, 0.0);
    ASSERT_EQ(set->numFeaturelets(), 5);  // at the largest spacing
    for (const ccFeaturelet& f : set->featurelets()) EXPECT_DOUBLE_EQ(f.weight, 1.0);
    const auto dense = cfComplexFeatures(*segment(0, 0, 10, 0), 0.5, 2.0, 20, ccNoPointLimit, 0.0);
    EXPECT_EQ(dense->numFeaturelets(), 20);
    EXPECT_DOUBLE_EQ(dense->featurelets()[0].weight, 0.25);
    // A part shorter than the smallest spacing gives nothing when no target is set.
    EXPECT_EQ(cfComplexFeatures(*segment(0, 0, 0.5, 0), 1.0, 2.0, 0, ccNoPointLimit, 0.0)
                  ->numFeaturelets(),
              0);
    EXPECT_EQ(cfComplexFeatures(*segment(0, 0, 10, 0), 1.0, 2.0, 0, 0, 0.0)->numChains(), 0);
    // A spacing range far finer than the part asked the sampler for 1e13
    // points, which it tried to allocate; it is refused instead.
    EXPECT_THROW(cfComplexFeatures(*segment(0, 0, 1e4, 0), 1e-9, 1e-9, 0, ccNoPointLimit, 0.0),
                 ccShapesError::BadParams);
}

TEST(ComplexFeatures, ALimitedBudgetLeavesOutTheShortestParts) {
    const auto tree = general({segment(0, 0, 100, 0), segment(0, 5, 50, 5), segment(0, 9, 1, 9)});
    // 30 points at spacing 5 cover 150 of the 151: the 1-long part is left out.
    const auto set = cfComplexFeatures(*tree, 1.0, 5.0, 0, 30, 0.0);
    EXPECT_EQ(set->numChains(), 2);
    EXPECT_EQ(set->chainLength(0), 20);
    EXPECT_EQ(set->chainLength(1), 10);
}

// ---- features commute with rigid and mirroring maps ----

ccFeaturelet mapped(const ccFeaturelet& f, const ccXform<2>& x) {
    ccFeaturelet out = f;
    out.position = x.mapPoint(f.position);
    out.angle = x.mapAngle(f.angle);
    return out;
}

bool sameFeaturelet(const ccFeaturelet& a, const ccFeaturelet& b) {
    const double period = a.isMod180() ? ccPi : ccTwoPi;
    return (a.position - b.position).len() < 1e-7 &&
           angleGap(a.angle.toDouble(), b.angle.toDouble(), period) < 1e-7 &&
           a.weight == b.weight && a.magnitude() == b.magnitude() && a.isMod180() == b.isMod180();
}

TEST(FeaturesUnderMaps, MappingFirstOrLastGivesTheSameFeaturelets) {
    RandomTrees random(4242);
    int compared = 0;
    for (int i = 0; i < 200; ++i) {
        const Shape tree = random.modelTree(3);
        if (hasRegionTree(*tree)) continue;
        std::uniform_real_distribution<double> angle(-3, 3);
        const ccXform<2> x =
            i % 2 ? mirroringSimilarity(random.rng())
                  : ccXform<2>::rigid(ccRadian(angle(random.rng())), ccVector<2>(2, -1));
        const ccXform<2> rigidX(
            ccMatrix<2>::rotation(x.matrix().xRot()) *
                (x.determinant() < 0 ? ccMatrix<2>(1, 0, 0, -1) : ccMatrix<2>()),
            x.offset());
        const Params params(spacing(0.7));
        const auto before = ccShapeModel::features(*tree, params);
        const auto after = ccShapeModel::features(*tree->mapShape(rigidX), params);
        ASSERT_EQ(after->numChains(), before->numChains()) << i;
        ASSERT_EQ(after->numFeaturelets(), before->numFeaturelets()) << i;
        for (long k = 0; k < before->numFeaturelets(); ++k) {
            ASSERT_TRUE(
                sameFeaturelet(mapped(before->featurelets()[k], rigidX), after->featurelets()[k]))
                << "tree " << i << " featurelet " << k;
        }
        ++compared;
    }
    EXPECT_GT(compared, 50);
}

TEST(FeaturesUnderMaps, RegionTreesAgreeAsSetsInUniformMode) {
    RandomTrees random(99);
    for (int i = 0; i < 40; ++i) {
        const Shape region = random.region();
        const ccXform<2> x(ccMatrix<2>(1, 0, 0, -1) * ccMatrix<2>::rotation(ccRadian(0.3 * i)),
                           ccVector<2>(1, 2));
        const Params params(uniform(64));
        const auto before = ccShapeModel::features(*region, params);
        const auto after = ccShapeModel::features(*region->mapShape(x), params);
        ASSERT_EQ(after->numFeaturelets(), before->numFeaturelets());
        for (const ccFeaturelet& f : before->featurelets()) {
            const ccFeaturelet expected = mapped(f, x);
            const auto& all = after->featurelets();
            const bool found = std::any_of(all.begin(), all.end(), [&](const ccFeaturelet& g) {
                return (g.position - expected.position).len() < 1e-6 &&
                       angleGap(g.angle.toDouble(), expected.angle.toDouble()) < 1e-6 &&
                       g.weight == expected.weight;
            });
            ASSERT_TRUE(found) << "region " << i;
        }
    }
}

}  // namespace
