// A part rendered at a random pose, its edges found and a model built from
// them: the new model's featurelets lie on the original's outline, mapped by
// the pose, and point where its gradients point.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "find/edges.h"
#include "find/render.h"
#include "find_fixtures.h"

namespace {

using V = ccVector<2>;
using find_fixtures::plate;

double median(std::vector<double> v) {
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
}

double angleGap(const ccRadian& a, const ccRadian& b) {
    return std::abs((a - b).signedNorm().toDouble());
}

TEST(RoundTrip, EdgesOfARenderedPartRebuildItsOutlineWhereThePoseSays) {
    const auto original = plate();
    std::mt19937 rng(18);
    std::uniform_real_distribution<double> angle(-ccPi, ccPi), shift(-20, 20);
    for (int trial = 0; trial < 3; ++trial) {
        SCOPED_TRACE(trial);
        ccRenderParams params;
        params.width = 320;
        params.height = 240;
        params.pose = {160 + shift(rng), 120 + shift(rng), ccRadian(angle(rng)), 1.0};
        params.dark = 50;
        params.light = 150;
        params.blurSigma = 1;
        const ccXform<2> pose = params.pose.xform();
        const auto model = cfModelFromEdges(cfEdges(cfRenderModel(*original, params), {}),
                                            ccEdgeModelBuilder::eRegion);

        // The original's own featurelets, 0.1 apart, stand for its outline
        // and the gradient expected along it.
        ccShape::ccSampleParams fine(0.0, 0.1, ccNoPointLimit, true, true);
        const auto truth = ccShapeModel::features(*original, ccShapeModel::ccFeatureParams(fine));
        const auto found =
            ccShapeModel::features(*model, ccShapeModel::ccFeatureParams(ccShape::ccSampleParams(
                                               0.0, 1.0, ccNoPointLimit, true, true)));
        ASSERT_GT(found->numFeaturelets(), 400);
        std::vector<double> distances, turns;
        const ccXform<2> back = pose.inverse();
        for (const ccFeaturelet& f : found->featurelets()) {
            const V p = back.mapPoint(f.position);
            distances.push_back((original->nearestPoint(p) - p).len());
            const auto nearest =
                std::min_element(truth->featurelets().begin(), truth->featurelets().end(),
                                 [&](const ccFeaturelet& a, const ccFeaturelet& b) {
                                     return (a.position - p).lenSq() < (b.position - p).lenSq();
                                 });
            turns.push_back(angleGap(back.mapAngle(f.angle), nearest->angle) * 180 / ccPi);
        }
        EXPECT_LT(median(distances), 0.05);
        EXPECT_LT(median(turns), 1.0);
        // Every outline is found, and nothing else: the featurelets run the
        // whole length of the original's, 1 apart.
        EXPECT_NEAR(found->numFeaturelets(), truth->numFeaturelets() / 10.0, 20);
    }
}

}  // namespace
