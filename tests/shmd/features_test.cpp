// Feature generation: featurelets from samples, contour joining, region
// boundaries, budgets, sampling with polarity and complex features.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

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

// An open contour of three segments of different weights, of lengths 3, 4
// and 5: at spacing 1 each gives a sample every unit and one on its end, 4, 5
// and 6 samples, 15 in all.
ccPtrHandle<ccContourTree> threeWeights(bool closed) {
    const ConstShape a = model(segment(0, 0, 3, 0), weight(1)),
                     b = model(segment(3, 0, 3, 4), weight(2));
    const ConstShape c =
        closed ? model(segment(3, 4, 0, 0), weight(4)) : model(segment(3, 4, 8, 4), weight(4));
    return contour(closed, {a, b, c});
}

TEST(ContourJoining, OpenContourMergesEachJointIntoTheLaterPiece) {
    const auto open = threeWeights(false);
    const auto set = ccShapeModel::features(*open, Params(spacing(1)));
    ASSERT_EQ(set->numChains(), 1);
    EXPECT_FALSE(set->isClosed(0));
    ASSERT_EQ(set->numFeaturelets(), 15 - 2);  // two joints merged
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
    const auto set = ccShapeModel::features(*closed, Params(spacing(1)));
    ASSERT_EQ(set->numChains(), 1);
    EXPECT_TRUE(set->isClosed(0));
    ASSERT_EQ(set->numFeaturelets(), 15 - 3);  // three joints merged, the wrap-around one too
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
    for (const auto& [params, count] : {std::pair(spacing(1, true), 15L), {uniform(50), 50L}}) {
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
    // Exactly half a turn apart, the arc from the later angle on is taken:
    // pi + pi/2, that is -pi/2.
    EXPECT_NEAR(jointAngle(0.0, ccPi), -ccPi / 2, kTight);
}

// ---- joints between pieces whose records differ in several fields ----

// One featurelet as worked out by hand from Parts 4.2 and 4.4: where it
// stands, its raw angle (not normalised, except that a merged joint is
// signedNorm'ed), weight, magnitude and isMod180.
struct Want {
    double x, y, angle, weight, magnitude;
    bool mod180;
};

constexpr double kH = ccPi / 2;  // a quarter turn

// `set` is exactly one chain, closed or open as asked, of the featurelets `want`.
void expectOneChain(const ccFeatureletChainSet& set, bool closed, const std::vector<Want>& want,
                    const std::string& what) {
    SCOPED_TRACE(what);
    ASSERT_EQ(set.numChains(), 1);  // no break at a joint, whatever the pieces disagree in
    EXPECT_EQ(set.isClosed(0), closed);
    ASSERT_EQ(set.numFeaturelets(), static_cast<long>(want.size()));
    for (std::size_t i = 0; i < want.size(); ++i) {
        const ccFeaturelet& f = set.featurelets()[i];
        const Want& w = want[i];
        EXPECT_NEAR(f.position.x(), w.x, kTight) << "featurelet " << i;
        EXPECT_NEAR(f.position.y(), w.y, kTight) << "featurelet " << i;
        EXPECT_NEAR(f.angle.toDouble(), w.angle, kTight) << "featurelet " << i;
        EXPECT_EQ(f.weight, w.weight) << "featurelet " << i;
        EXPECT_EQ(f.magnitude(), w.magnitude) << "featurelet " << i;
        EXPECT_EQ(f.isMod180(), w.mod180) << "featurelet " << i;
    }
}

// Two segments (0,0)-(2,0) and (2,0)-(2,2), sampled at spacing 1: three
// samples each, tangents 0 and pi/2. Angle = tangent + pi/2, or - pi/2 when
// reversed; the joint at (2,0) bisects the shorter arc from the first piece's
// last angle to the second's first, with mean weight and magnitude and
// isMod180 if either had it.
TEST(ContourJoining, JointsBetweenPiecesThatDifferInSeveralFields) {
    const auto check = [](const char* what, const ccShapeModelProps& a, const ccShapeModelProps& b,
                          const Params& params, const std::vector<Want>& want) {
        const auto open =
            contour(false, {model(segment(0, 0, 2, 0), a), model(segment(2, 0, 2, 2), b)});
        expectOneChain(*ccShapeModel::features(*open, params), false, want, what);
    };
    const ccShapeModelProps normal(false, 1.0, false, 1.0);
    // pi/2 then pi: the shorter arc runs from pi/2 up to pi.
    check("ignored beside normal", normal, ccShapeModelProps(false, 1.0, true, 1.0),
          Params(spacing(1)),
          {{0, 0, kH, 1, 1, false},
           {1, 0, kH, 1, 1, false},
           {2, 0, 0.75 * ccPi, 1, 1, true},
           {2, 1, ccPi, 1, 1, true},
           {2, 2, ccPi, 1, 1, true}});
    // -pi/2 then 0: the shorter arc runs from -pi/2 up to 0.
    check("reversed and ignored beside reversed", ccShapeModelProps(true, 1.0, false, 1.0),
          ccShapeModelProps(true, 1.0, true, 1.0), Params(spacing(1)),
          {{0, 0, -kH, 1, 1, false},
           {1, 0, -kH, 1, 1, false},
           {2, 0, -0.25 * ccPi, 1, 1, true},
           {2, 1, 0, 1, 1, true},
           {2, 2, 0, 1, 1, true}});
    // Weights 1 and 3 scaled by 0.5, magnitudes 1 and 2 scaled by 2, then
    // averaged; pi/2 then 0 (reversed): the joint at pi/4.
    check("weight, magnitude and reversal differ, scaled", normal,
          ccShapeModelProps(true, 3.0, false, 2.0), Params(spacing(1), 2.0, 0.5),
          {{0, 0, kH, 0.5, 2, false},
           {1, 0, kH, 0.5, 2, false},
           {2, 0, 0.25 * ccPi, 1, 3, false},
           {2, 1, 0, 1.5, 4, false},
           {2, 2, 0, 1.5, 4, false}});
    // -pi/2 then pi: the shorter arc runs from pi on to 3pi/2, bisected at
    // 5pi/4, which signedNorm writes as -3pi/4.
    const ccShapeModelProps reversedIgnored(true, 2.0, true, 1.0), plain(false, 4.0, false, 3.0);
    check("every field differs", reversedIgnored, plain, Params(spacing(1)),
          {{0, 0, -kH, 2, 1, true},
           {1, 0, -kH, 2, 1, true},
           {2, 0, -0.75 * ccPi, 3, 2, true},
           {2, 1, ccPi, 4, 3, false},
           {2, 2, ccPi, 4, 3, false}});
    // With duplicated corners both featurelets at (2,0) stay, unmerged.
    check("every field differs, corners duplicated", reversedIgnored, plain,
          Params(spacing(1, true)),
          {{0, 0, -kH, 2, 1, true},
           {1, 0, -kH, 2, 1, true},
           {2, 0, -kH, 2, 1, true},
           {2, 0, ccPi, 4, 3, false},
           {2, 1, ccPi, 4, 3, false},
           {2, 2, ccPi, 4, 3, false}});
}

// The square (0,0)-(2,2) of four pieces, counter-clockwise, tangents 0, pi/2,
// pi, -pi/2. Every joint is merged, the wrap-around one (last piece into the
// first) first.
TEST(ContourJoining, ClosedContourMergesEveryJointAcrossMixedRecords) {
    const auto square = squareContour(
        2, {ccShapeModelProps(false, 1.0, false, 1.0), ccShapeModelProps(true, 2.0, true, 1.0),
            ccShapeModelProps(false, 1.0, false, 1.0), ccShapeModelProps(false, 3.0, true, 2.0)});
    // Angles: bottom pi/2, right 0 (reversed), top 3pi/2 (raw pi + pi/2), left 0.
    expectOneChain(*ccShapeModel::features(*square, Params(spacing(1))), true,
                   {{0, 0, 0.25 * ccPi, 2, 1.5, true},  // left (0, w 3) into bottom (pi/2, w 1)
                    {1, 0, kH, 1, 1, false},
                    {2, 0, 0.25 * ccPi, 1.5, 1, true},  // pi/2 into 0
                    {2, 1, 0, 2, 1, true},
                    {2, 2, -0.25 * ccPi, 1.5, 1, true},  // 0 into 3pi/2
                    {1, 2, 3 * kH, 1, 1, false},
                    {0, 2, -0.25 * ccPi, 2, 1.5, true},  // 3pi/2 into 0
                    {0, 1, 0, 3, 2, true}},
                   "closed square");
}

// ---- pieces that give no samples ----

// An empty contour tree as a piece gives no chain at all; a contour whose
// (empty) pieces disagree is joined, and gives one chain of no featurelets.
// Neither has a featurelet to merge, so the joints of the other pieces stay
// as they are without it.
TEST(ContourJoining, EmptyPiecesFirstLastOrBetweenLeaveTheJointsAsTheyAre) {
    const ConstShape noChain = cfMakeHandle<ccContourTree>(false);
    const ConstShape emptyChain =
        contour(false, {model(cfMakeHandle<ccContourTree>(false), weight(5)),
                        model(cfMakeHandle<ccContourTree>(false), weight(7))});
    {
        const auto alone = ccShapeModel::features(*emptyChain, Params(spacing(1)));
        ASSERT_EQ(alone->numChains(), 1);
        ASSERT_EQ(alone->numFeaturelets(), 0);
        EXPECT_EQ(ccShapeModel::features(*noChain, Params(spacing(1)))->numChains(), 0);
    }
    // The square (0,0)-(2,2) with pieces of weights 1, 2, 4, 8; angles pi/2,
    // pi, 3pi/2 and 0 (raw); joints bisect pi/2 and pi (3pi/4), pi and 3pi/2
    // (5pi/4, written -3pi/4), 3pi/2 and 0 (7pi/4, written -pi/4), 0 and pi/2 (pi/4).
    const ccVector<2> c[4] = {{0, 0}, {2, 0}, {2, 2}, {0, 2}};
    std::vector<ConstShape> p;
    for (int i = 0; i < 4; ++i)
        p.push_back(model(cfMakeHandle<ccLineSeg>(c[i], c[(i + 1) % 4]), weight(1 << i)));
    const std::vector<Want> closedWant = {
        {0, 0, 0.25 * ccPi, 4.5, 1, false}, {1, 0, kH, 1, 1, false},
        {2, 0, 0.75 * ccPi, 1.5, 1, false}, {2, 1, ccPi, 2, 1, false},
        {2, 2, -0.75 * ccPi, 3, 1, false},  {1, 2, 3 * kH, 4, 1, false},
        {0, 2, -0.25 * ccPi, 6, 1, false},  {0, 1, 0, 8, 1, false}};
    std::vector<Want> openWant(closedWant);
    openWant[0] = {0, 0, kH, 1, 1, false};       // no wrap-around joint: the first piece's own
    openWant.push_back({0, 0, 0, 8, 1, false});  // the last piece keeps its end
    // Joining lets only the last chain of an open contour keep its last
    // featurelet. When that last chain is an empty one, the piece before it
    // has already given its last up, and nothing follows to merge it into.
    std::vector<Want> openEndingInEmptyChain(openWant.begin(), openWant.end() - 1);

    const auto check = [](const char* what, bool closed, const std::vector<ConstShape>& pieces,
                          const std::vector<Want>& want) {
        auto tree = cfMakeHandle<ccContourTree>(closed);
        for (const ConstShape& piece : pieces) tree->addChild(piece, true);
        expectOneChain(*ccShapeModel::features(*tree, Params(spacing(1))), closed, want, what);
    };
    check("closed, no chain last", true, {p[0], p[1], p[2], p[3], noChain}, closedWant);
    check("closed, empty chain last", true, {p[0], p[1], p[2], p[3], emptyChain}, closedWant);
    check("closed, no chain first", true, {noChain, p[0], p[1], p[2], p[3]}, closedWant);
    check("closed, empty chain first", true, {emptyChain, p[0], p[1], p[2], p[3]}, closedWant);
    check("closed, empty chain between", true, {p[0], p[1], emptyChain, p[2], p[3]}, closedWant);
    check("closed, empty chains first and last", true,
          {emptyChain, p[0], p[1], p[2], p[3], emptyChain}, closedWant);
    check("open, no chain last", false, {p[0], p[1], p[2], p[3], noChain}, openWant);
    check("open, no chain first", false, {noChain, p[0], p[1], p[2], p[3]}, openWant);
    check("open, empty chain first", false, {emptyChain, p[0], p[1], p[2], p[3]}, openWant);
    check("open, empty chain between", false, {p[0], p[1], emptyChain, p[2], p[3]}, openWant);
    check("open, empty chain last", false, {p[0], p[1], p[2], p[3], emptyChain},
          openEndingInEmptyChain);
}

TEST(ContourJoining, ConsistentPiecesAreSampledWhole) {
    const auto same = contour(
        false, {model(segment(0, 0, 3, 0), weight(2)), model(segment(3, 0, 3, 4), weight(2))});
    const auto set = ccShapeModel::features(*same, Params(spacing(1)));
    // The contour's own sample: 4 + 5 samples, the joint's once.
    ASSERT_EQ(set->numChains(), 1);
    ASSERT_EQ(set->numFeaturelets(), 8);
    for (const ccFeaturelet& f : set->featurelets()) EXPECT_EQ(f.weight, 2.0);
    // Its joint sample is the later piece's, tangent pi/2 and angle pi; a
    // merged joint would bisect pi/2 and pi instead.
    EXPECT_EQ(set->featurelets()[3].position, ccVector<2>(3, 0));
    EXPECT_NEAR(set->featurelets()[3].angle.toDouble(), ccPi, kTight);
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
    // Without a target a part of 1.5, between the spacings, is one featurelet
    // standing for all of it: weight 1.5 / 2.
    const auto single = cfComplexFeatures(*segment(0, 0, 1.5, 0), 1.0, 2.0, 0, ccNoPointLimit, 0.0);
    ASSERT_EQ(single->numFeaturelets(), 1);
    EXPECT_DOUBLE_EQ(single->featurelets()[0].weight, 0.75);
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
    // A part of 10 would still get a point of its own (10 x 30 / 160), but
    // 160 is past the 150 the budget covers at the largest spacing.
    const auto past = general({segment(0, 0, 100, 0), segment(0, 5, 50, 5), segment(0, 9, 10, 9)});
    EXPECT_EQ(cfComplexFeatures(*past, 1.0, 5.0, 0, 30, 0.0)->numChains(), 2);
}

TEST(ComplexFeatures, RegionBoundariesCountUnlessTheRootIsAHole) {
    // A square of side 10 around a circle of radius 2: both outlines give
    // featurelets, except that a root hole's boundary is only the frame of
    // the part, which gives none.
    for (bool rootIsHole : {false, true}) {
        SCOPED_TRACE(rootIsHole);
        ccRegionTree region(*square(0, 0, 10), rootIsHole);
        region.addChild(circle(5, 5, 2), true);
        const auto set = cfComplexFeatures(region, 1.0, 2.0, 0, ccNoPointLimit, 0.0);
        long onSquare = 0, onCircle = 0;
        for (const ccFeaturelet& f : set->featurelets()) {
            const ccVector<2>& p = f.position;
            onCircle += std::abs((p - ccVector<2>(5, 5)).len() - 2) < 1e-9;
            onSquare += std::min({std::abs(p.x()), std::abs(p.y()), std::abs(10 - p.x()),
                                  std::abs(10 - p.y())}) < 1e-9;
        }
        EXPECT_EQ(onSquare, rootIsHole ? 0 : 20);  // 40 long at the largest spacing, 2
        EXPECT_EQ(onCircle, 6);                    // 4 pi long: six steps of about 2.1
        EXPECT_EQ(set->numFeaturelets(), onSquare + onCircle);
    }
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
