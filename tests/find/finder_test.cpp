// The finder: the score of a pose by hand and on rendered parts, the search
// against an exhaustive one, accuracy, robustness and bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "find/edges.h"
#include "find/finddefs.h"
#include "find/finder.h"
#include "find/render.h"
#include "find_fixtures.h"

namespace {

using V = ccVector<2>;
using find_fixtures::plate;

ccRenderParams renderParams(long width, long height, const ccPose& pose, unsigned seed) {
    ccRenderParams r;
    r.width = width;
    r.height = height;
    r.pose = pose;
    r.dark = 60;
    r.light = 180;
    r.blurSigma = 1;
    r.noiseSigma = 5;
    r.seed = seed;
    return r;
}

ccImage render(const ccShape& model, long width, long height, const ccPose& pose,
               unsigned seed = 1) {
    return cfRenderModel(model, renderParams(width, height, pose, seed));
}

const ccImage8& grey(const ccImage& image) {
    return std::get<ccImage8>(image);
}

// Pixels of the brighter of two images of one size: parts drawn apart on
// one background.
ccImage brighter(const ccImage& a, const ccImage& b) {
    std::vector<unsigned char> pels = grey(a).pels();
    const auto& other = grey(b).pels();
    for (std::size_t i = 0; i < pels.size(); ++i) pels[i] = std::max(pels[i], other[i]);
    return ccImage8(grey(a).width(), grey(a).height(), std::move(pels));
}

double angleGap(double a, double b) {
    return std::abs(ccRadian(a - b).signedNorm().toDouble());
}
double angleGap(const ccRadian& a, const ccRadian& b) {
    return angleGap(a.toDouble(), b.toDouble());
}
double distance(const ccPose& a, const ccPose& b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

double median(std::vector<double> v) {
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
}

// An 8-bit image of the plane 100 + 3 x + 4 y: its slope is (3, 4), 5 grey
// levels a pixel, everywhere but at the border.
ccImage ramp() {
    constexpr long kSide = 16;
    std::vector<unsigned char> pels;
    for (long y = 0; y < kSide; ++y)
        for (long x = 0; x < kSide; ++x)
            pels.push_back(static_cast<unsigned char>(100 + 3 * x + 4 * y));
    return ccImage8(kSide, kSide, std::move(pels));
}

ccFeatureletChainSet chainOf(const std::vector<ccFeaturelet>& featurelets) {
    ccFeatureletChainSet set;
    set.beginChain(false);
    for (const ccFeaturelet& f : featurelets) set.pushBack(f);
    return set;
}

double scoreOn(const ccImage& image, const std::vector<ccFeaturelet>& featurelets,
               const ccPose& pose, double contrast = 1.0,
               ccFindPolarity polarity = ccFindPolarity::eAsIs) {
    ccFindParams params;
    params.contrast = contrast;
    params.polarity = polarity;
    return cfScorePose(ccSearchModel(chainOf(featurelets), 1), image, pose, params);
}

TEST(FinderScore, SingleFeaturelets) {
    const ccImage image = ramp();
    const ccPose at{8.25, 7.5, ccRadian(0), 1.0};
    const ccFeaturelet east(V(0, 0), ccRadian(0), 1.0, 1.0, false);
    // The gradient (3, 4) / 5 against the direction (1, 0), then turned by
    // the pose to (0, 1), then reversed.
    EXPECT_NEAR(scoreOn(image, {east}, at), 0.6, 1e-6);
    EXPECT_NEAR(scoreOn(image, {east}, {8.25, 7.5, ccRadian(ccPi / 2), 1.0}), 0.8, 1e-6);
    const ccFeaturelet west(V(1, 0), ccRadian(ccPi), 1.0, 1.0, false);
    EXPECT_NEAR(scoreOn(image, {west}, at), -0.6, 1e-6);
    EXPECT_NEAR(scoreOn(image, {west}, at, 1.0, ccFindPolarity::eReversed), 0.6, 1e-6);
    EXPECT_NEAR(scoreOn(image, {west}, at, 1.0, ccFindPolarity::eIgnored), 0.6, 1e-6);
    const ccFeaturelet westMod180(V(1, 0), ccRadian(ccPi), 1.0, 1.0, true);
    EXPECT_NEAR(scoreOn(image, {westMod180}, at), 0.6, 1e-6);
    // Below the contrast (5 grey levels a pixel) nothing counts; outside
    // the image there is no gradient.
    EXPECT_EQ(scoreOn(image, {east}, at, 5.5), 0.0);
    EXPECT_EQ(scoreOn(image, {east}, {-30, 8, ccRadian(0), 1.0}), 0.0);
    // A negative weight subtracts where its edge shows; only the positive
    // weight normalises: (2 x 0.6 - 1 x 1) / 2.
    const ccFeaturelet along(V(0, 1), ccRadian(std::atan2(4.0, 3.0)), 1.0, -1.0, false);
    const ccFeaturelet eastTwice(V(0, 0), ccRadian(0), 1.0, 2.0, false);
    EXPECT_NEAR(scoreOn(image, {eastTwice, along}, at), 0.1, 1e-6);
    // It never adds: facing the gradient's reverse, it counts nothing.
    const ccFeaturelet against(V(0, 1), ccRadian(std::atan2(4.0, 3.0) + ccPi), 1.0, -1.0, false);
    EXPECT_NEAR(scoreOn(image, {eastTwice, against}, at), 0.6, 1e-6);
    // Magnitudes 1 and 3 of equal weight are 0.5 and 1.5 of their mean: at
    // a contrast of 4 the first needs 2 grey levels a pixel and counts, the
    // second needs 6 and does not.
    const ccFeaturelet weak(V(0, 0), ccRadian(0), 1.0, 1.0, false);
    const ccFeaturelet strong(V(1, 1), ccRadian(ccPi / 2), 3.0, 1.0, false);
    EXPECT_NEAR(scoreOn(image, {weak, strong}, at, 4.0), 0.3, 1e-6);
    // Scale maps positions: at scale 20 the second featurelet lies outside.
    EXPECT_NEAR(scoreOn(image, {weak, strong}, {8, 8, ccRadian(0), 20.0}, 1.0), 0.3, 1e-6);
}

TEST(FinderScore, RenderedPlateScoresNearOneAndInvertedNegative) {
    const auto part = plate(0.5);
    const ccSearchModel model(*part);
    const ccPose truth{48.4, 47.7, ccRadian(2.1), 1.0};
    ccRenderParams r = renderParams(96, 96, truth, 3);
    const ccImage image = cfRenderModel(*part, r);
    std::swap(r.dark, r.light);
    const ccImage inverted = cfRenderModel(*part, r);
    const ccFindParams asIs;
    EXPECT_GT(cfScorePose(model, image, truth, asIs), 0.95);
    EXPECT_LT(cfScorePose(model, inverted, truth, asIs), -0.95);
    ccFindParams ignored;
    ignored.polarity = ccFindPolarity::eIgnored;
    const double s = cfScorePose(model, image, truth, ignored);
    EXPECT_GT(s, 0.95);
    EXPECT_NEAR(cfScorePose(model, inverted, truth, ignored), s, 0.02);
    // Sixteen bits a pixel, the same grey levels: the same score.
    r.depth = 16;
    std::swap(r.dark, r.light);
    EXPECT_NEAR(cfScorePose(model, cfRenderModel(*part, r), truth, asIs),
                cfScorePose(model, image, truth, asIs), 0.02);
    // Half a pixel off, the score falls but stays high.
    const double off = cfScorePose(model, image, {truth.x + 0.5, truth.y, truth.angle, 1.0}, asIs);
    EXPECT_LT(off, cfScorePose(model, image, truth, asIs));
    EXPECT_GT(off, 0.5);
}

// The test's own Scharr gradient (borders replicated) and nearest-pixel
// score of a pose: the exhaustive reference.
struct Reference {
    long width, height;
    // Unit gradient direction and magnitude at each pixel.
    std::vector<double> ux, uy, magnitude;

    explicit Reference(const ccImage8& image) : width(image.width()), height(image.height()) {
        const auto at = [&](long x, long y) {
            return static_cast<double>(
                image.pel(std::clamp(x, 0L, width - 1), std::clamp(y, 0L, height - 1)));
        };
        for (long y = 0; y < height; ++y)
            for (long x = 0; x < width; ++x) {
                double sx = 0, sy = 0;
                for (long d = -1; d <= 1; ++d) {
                    const double w = d == 0 ? 10 : 3;
                    sx += w * (at(x + 1, y + d) - at(x - 1, y + d));
                    sy += w * (at(x + d, y + 1) - at(x + d, y - 1));
                }
                const double m = std::hypot(sx, sy);
                ux.push_back(m > 0 ? sx / m : 0);
                uy.push_back(m > 0 ? sy / m : 0);
                magnitude.push_back(m / 32);
            }
    }

    // The featurelets turned by `angle`: offsets to the nearest pixel and
    // directions.
    struct Turned {
        long dx, dy;
        double cx, cy, weight;
    };
    static std::vector<Turned> turned(const std::vector<ccFeaturelet>& fs, double angle) {
        std::vector<Turned> out;
        const double c = std::cos(angle), s = std::sin(angle);
        for (const ccFeaturelet& f : fs)
            out.push_back({std::lround(c * f.position.x() - s * f.position.y()),
                           std::lround(s * f.position.x() + c * f.position.y()),
                           std::cos(f.angle.toDouble() + angle),
                           std::sin(f.angle.toDouble() + angle), f.weight});
        return out;
    }

    double score(const std::vector<Turned>& fs, long x, long y, double contrast) const {
        double sum = 0, positive = 0;
        for (const Turned& f : fs) {
            positive += f.weight;
            const long px = x + f.dx, py = y + f.dy;
            if (px < 0 || py < 0 || px >= width || py >= height) continue;
            const long i = py * width + px;
            if (magnitude[i] < contrast || magnitude[i] == 0) continue;
            sum += f.weight * (ux[i] * f.cx + uy[i] * f.cy);
        }
        return sum / positive;
    }
};

TEST(FinderSearch, BestPoseAgreesWithAnExhaustiveSearch) {
    const auto part = plate(0.5);
    ccShape::ccSampleParams sampling(0.0, 2.0, ccNoPointLimit, true, true);
    const auto featurelets =
        ccShapeModel::features(*part, ccShapeModel::ccFeatureParams(sampling))->featurelets();
    const ccSearchModel model(*part);
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> angle(-ccPi, ccPi), shift(-6, 6);
    for (unsigned trial = 0; trial < 3; ++trial) {
        SCOPED_TRACE(trial);
        const ccPose truth{48 + shift(rng), 48 + shift(rng), ccRadian(angle(rng)), 1.0};
        const ccImage image = render(*part, 96, 96, truth, trial);
        const Reference reference(grey(image));
        double best = -2, bestX = 0, bestY = 0, bestAngle = 0;
        for (int degree = -180; degree < 180; degree += 2) {
            const double a = degree * ccPi / 180;
            const auto turned = Reference::turned(featurelets, a);
            for (long y = 0; y < 96; ++y)
                for (long x = 0; x < 96; ++x) {
                    const double s = reference.score(turned, x, y, 10);
                    if (s <= best) continue;
                    best = s;
                    bestX = x;
                    bestY = y;
                    bestAngle = a;
                }
        }
        ccFindParams params;
        params.maxMatches = 1;
        const auto found = cfFind(model, image, params);
        ASSERT_EQ(found.size(), 1u);
        EXPECT_LE(std::abs(found[0].pose.x - bestX), 1.0);
        EXPECT_LE(std::abs(found[0].pose.y - bestY), 1.0);
        EXPECT_LE(angleGap(found[0].pose.angle.toDouble(), bestAngle), 2 * ccPi / 180);
    }
}

TEST(FinderSearch, PlatesAtRandomPosesAreFoundToAHundredthOfAPixel) {
    const auto part = plate();
    const ccSearchModel model(*part);
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> angle(-ccPi, ccPi), shift(-30, 30);
    std::vector<double> positions, angles;
    for (unsigned trial = 0; trial < 6; ++trial) {
        const ccPose truth{160 + shift(rng), 130 + shift(rng), ccRadian(angle(rng)), 1.0};
        const auto found = cfFind(model, render(*part, 320, 260, truth, trial), {});
        ASSERT_EQ(found.size(), 1u) << trial;
        positions.push_back(distance(found[0].pose, truth));
        angles.push_back(angleGap(found[0].pose.angle, truth.angle) * 180 / ccPi);
        EXPECT_NEAR(found[0].pose.scale, 1.0, 1e-12);
        EXPECT_GT(found[0].score, 0.9);
        EXPECT_LT(found[0].fitError, 0.3);
    }
    RecordProperty("positionMedianPx", std::to_string(median(positions)));
    RecordProperty("angleMedianDeg", std::to_string(median(angles)));
    EXPECT_LT(median(positions), 0.05);
    EXPECT_LT(median(angles), 0.02);
}

// A comb of twelve light bars 3 wide times `size`, at uneven gaps and of
// uneven heights, centred on the origin: no turn or shift of it looks much
// like another.
ccPtrHandle<ccShape> comb(double size) {
    const double gaps[] = {7, 12, 8, 15, 6, 10, 13, 9, 11, 7, 14};
    auto bars = cfMakeHandle<ccGeneralShapeTree>();
    double x = -58;
    for (int i = 0; i < 12; ++i) {
        const double height = 60 + (i * 37) % 100;
        bars->addChild(cfMakeHandle<ccRect>(V(x, -height / 2) * size, V(3, height) * size), true);
        if (i < 11) x += 3 + gaps[i];
    }
    return bars;
}

TEST(FinderSearch, APartOfThinStrokesIsSearchedOnlyWhereItsStrokesStillShow) {
    // Bars 3 px wide melt into their background two halvings down, long
    // before the comb's size and featurelets would stop the pyramid.
    const auto thin = comb(1);
    const ccSearchModel model(*thin);
    EXPECT_LE(std::ldexp(1.0, static_cast<int>(model.numLevels() - 1)), 3.0);
    EXPECT_GT(ccSearchModel(*comb(3)).numLevels(), model.numLevels());

    std::mt19937 rng(5);
    std::uniform_real_distribution<double> angle(-ccPi, ccPi), shift(-20, 20);
    for (unsigned trial = 0; trial < 3; ++trial) {
        const ccPose truth{150 + shift(rng), 140 + shift(rng), ccRadian(angle(rng)), 1.0};
        const ccImage image = render(*thin, 300, 280, truth, trial);
        const auto found = cfFind(model, image, {});
        ASSERT_EQ(found.size(), 1u) << trial;
        EXPECT_LT(distance(found[0].pose, truth), 0.1);
        EXPECT_LT(angleGap(found[0].pose.angle, truth.angle) * 180 / ccPi, 0.05);
        EXPECT_GT(found[0].score, 0.9);
        // Searched from a level where the bars have melted, the comb is lost.
        if (trial == 0) {
            EXPECT_TRUE(cfFind(ccSearchModel(*thin, {}, 4), image, {}).empty());
        }
    }
}

TEST(FinderSearch, AHalfTurnedLookAlikeOnThePartIsFoundOnlyWhereMatchesMayOverlap) {
    // The plate's outline half turned matches its sides but not its holes:
    // a match of its own, lying wholly on the part's.
    const auto part = plate();
    const ccSearchModel model(*part);
    const ccPose truth{160.4, 129.7, ccRadian(0.8), 1.0};
    const ccImage image = render(*part, 320, 260, truth, 9);
    ccFindParams params;
    params.minScore = 0.6;
    const auto suppressed = cfFind(model, image, params);
    ASSERT_EQ(suppressed.size(), 1u);
    EXPECT_LT(distance(suppressed[0].pose, truth), 0.05);
    // Nothing overlaps by more than the whole: the look-alike stays, and so
    // does any candidate that converged on the part or on it.
    params.maxOverlap = 1;
    const auto all = cfFind(model, image, params);
    ASSERT_GE(all.size(), 2u);
    EXPECT_EQ(all[0].pose.x, suppressed[0].pose.x);
    EXPECT_EQ(all[0].score, suppressed[0].score);
    const auto isHalfTurned = [&](const ccFindMatch& m) {
        return angleGap(m.pose.angle.toDouble(), truth.angle.toDouble() + ccPi) < 0.01 &&
               m.score < 0.9;
    };
    const auto isPart = [&](const ccFindMatch& m) {
        return angleGap(m.pose.angle, truth.angle) < 0.01 && m.score > 0.99;
    };
    EXPECT_GE(std::count_if(all.begin(), all.end(), isHalfTurned), 1);
    for (const ccFindMatch& m : all) {
        EXPECT_LT(distance(m.pose, truth), 0.5);
        EXPECT_TRUE(isPart(m) || isHalfTurned(m));
    }
    // A minimum above the look-alike's score leaves the part alone, even
    // where matches may overlap.
    params.minScore = 0.9;
    ASSERT_EQ(cfFind(model, image, params).size(), 1u);
}

TEST(FinderSearch, AModelBuiltFromOneImagesEdgesFindsThePartInOthers) {
    // Trained from the edges of a plate rendered at 20 degrees, moved so
    // that the part's centre is the origin: the model is the plate turned by
    // 20 degrees, so it is found at each other pose less those 20 degrees.
    const auto part = plate(2.5);
    const ccPose trainedAt{320, 240, ccRadian(ccPi / 9), 1.0};
    const auto edges = cfModelFromEdges(cfEdges(render(*part, 640, 480, trainedAt, 1), {}),
                                        ccEdgeModelBuilder::eRegion);
    const ccSearchModel model(*edges->mapShape(ccXform<2>::translation(V(-320, -240))));
    for (const ccPose& truth :
         {ccPose{300, 250, ccRadian(1.75), 1.0}, ccPose{340, 230, ccRadian(-1.05), 1.0}}) {
        const auto found = cfFind(model, render(*part, 640, 480, truth, 2), {});
        ASSERT_EQ(found.size(), 1u);
        EXPECT_LT(distance(found[0].pose, truth), 0.1);
        EXPECT_LT(angleGap(found[0].pose.angle + trainedAt.angle, truth.angle) * 180 / ccPi, 0.05);
        EXPECT_GT(found[0].score, 0.9);
    }
}

TEST(FinderRobustness, OccludedCopiedAndInvertedParts) {
    const auto part = plate(0.5);
    const ccSearchModel model(*part);
    const ccPose truth{100.3, 70.6, ccRadian(-2.3), 1.0};
    ccRenderParams r = renderParams(200, 150, truth, 4);
    r.occlusion = 0.3;
    const auto occluded = cfFind(model, cfRenderModel(*part, r), {});
    ASSERT_EQ(occluded.size(), 1u);
    EXPECT_GE(occluded[0].score, 0.6);
    // Three times the unoccluded part's targets: 0.03 px and 0.01 degree.
    EXPECT_LT(distance(occluded[0].pose, truth), 0.09);
    EXPECT_LT(angleGap(occluded[0].pose.angle, truth.angle), 0.03 * ccPi / 180);

    // Four copies side by side: each found once.
    const std::vector<ccPose> copies{{50.2, 40.7, ccRadian(0.3), 1.0},
                                     {150.6, 38.1, ccRadian(2.9), 1.0},
                                     {48.9, 112.4, ccRadian(-1.4), 1.0},
                                     {152.3, 110.0, ccRadian(-2.8), 1.0}};
    ccImage scene = render(*part, 200, 150, copies[0], 5);
    for (std::size_t i = 1; i < copies.size(); ++i)
        scene = brighter(scene, render(*part, 200, 150, copies[i], 5 + i));
    const auto found = cfFind(model, scene, {});
    ASSERT_EQ(found.size(), copies.size());
    for (const ccPose& copy : copies)
        EXPECT_EQ(std::count_if(found.begin(), found.end(),
                                [&](const ccFindMatch& m) { return distance(m.pose, copy) < 0.2; }),
                  1);
    EXPECT_TRUE(std::is_sorted(found.begin(), found.end(),
                               [](const auto& a, const auto& b) { return a.score > b.score; }));
    // At most two: the best two. Within a region around the third copy's
    // origin: that copy alone.
    ccFindParams two;
    two.maxMatches = 2;
    const auto best = cfFind(model, scene, two);
    ASSERT_EQ(best.size(), 2u);
    EXPECT_EQ(best[0].pose.x, found[0].pose.x);
    EXPECT_EQ(best[1].pose.x, found[1].pose.x);
    ccFindParams around;
    around.region = ccRect(V(40, 100), V(20, 20));
    const auto third = cfFind(model, scene, around);
    ASSERT_EQ(third.size(), 1u);
    EXPECT_LT(distance(third[0].pose, copies[2]), 0.2);

    // Dark on light: not the part, unless polarity is ignored.
    r.occlusion = 0;
    std::swap(r.dark, r.light);
    const ccImage inverted = cfRenderModel(*part, r);
    ccFindParams low;
    low.minScore = 0.3;
    EXPECT_TRUE(cfFind(model, inverted, low).empty());
    ccFindParams ignored;
    ignored.polarity = ccFindPolarity::eIgnored;
    const auto either = cfFind(model, inverted, ignored);
    ASSERT_EQ(either.size(), 1u);
    EXPECT_LT(distance(either[0].pose, truth), 0.1);
    EXPECT_LT(angleGap(either[0].pose.angle, truth.angle), 0.05 * ccPi / 180);
}

// The featurelets of `shape` at spacing 1 with `weight`, as chains of `set`.
void appendFeatures(ccFeatureletChainSet& set, const ccShape& shape, double weight) {
    const auto features = ccShapeModel::features(shape, {});
    for (long c = 0; c < features->numChains(); ++c) {
        set.beginChain(features->isClosed(c));
        for (long i = 0; i < features->chainLength(c); ++i) {
            ccFeaturelet f = features->featurelets()[features->startFeatureIndex(c) + i];
            f.weight = weight;
            set.pushBack(f);
        }
    }
}

TEST(FinderRobustness, ANegativeNotchRejectsALookAlike) {
    const auto part = plate(0.5);
    // A notch the part must not have, weighing as much as 8 times its
    // outline.
    const auto marked = plate(0.5, true);
    ccFeatureletChainSet set;
    appendFeatures(set, *part, 1.0);
    appendFeatures(set, *cfMakeHandle<ccCircle>(V(-12, 8), 4.0)->reverse(), -8.0);
    const ccSearchModel model(set);
    const ccPose truth{100.4, 75.2, ccRadian(1.1), 1.0};
    const auto genuine = cfFind(model, render(*part, 200, 150, truth, 6), {});
    ASSERT_EQ(genuine.size(), 1u);
    EXPECT_GT(genuine[0].score, 0.9);
    const ccImage lookAlike = render(*marked, 200, 150, truth, 6);
    EXPECT_LT(cfScorePose(model, lookAlike, truth, {}), 0.5);
    // The plate turned half round, its notch where the look-alike has
    // none, may match; the look-alike's own pose does not.
    for (const ccFindMatch& m : cfFind(model, lookAlike, {}))
        EXPECT_GT(distance(m.pose, truth) + angleGap(m.pose.angle, truth.angle), 1.0);
}

// `base` with `extra` added, pixel by pixel, clamped to the 8-bit range.
ccImage sum(const ccImage& base, const ccImage& extra) {
    std::vector<unsigned char> pels = grey(base).pels();
    const auto& other = grey(extra).pels();
    for (std::size_t i = 0; i < pels.size(); ++i)
        pels[i] = static_cast<unsigned char>(std::min(255, pels[i] + other[i]));
    return ccImage8(grey(base).width(), grey(base).height(), std::move(pels));
}

TEST(FinderRobustness, AHoleOfReversedPolarityMatchesOnlyWhereItIsInverted) {
    // The plate with a disc at (-12, 8) lighter than the plate around it:
    // a hole whose edge has the other polarity.
    const auto part = plate(0.5);
    const auto disc = cfMakeHandle<ccCircle>(V(-12, 8), 4.0);
    const ccPose truth{99.6, 74.3, ccRadian(-0.6), 1.0};
    ccRenderParams light = renderParams(200, 150, truth, 0);
    light.dark = 0;
    light.light = 60;
    light.noiseSigma = 0;
    const ccImage image = sum(render(*part, 200, 150, truth, 8), cfRenderModel(*disc, light));
    ccFeatureletChainSet reversedHole;
    appendFeatures(reversedHole, *part, 1.0);
    appendFeatures(reversedHole, *disc, 1.0);
    const ccSearchModel model(reversedHole);
    const auto found = cfFind(model, image, {});
    ASSERT_EQ(found.size(), 1u);
    EXPECT_GT(found[0].score, 0.9);
    EXPECT_LT(distance(found[0].pose, truth), 0.1);
    EXPECT_LT(angleGap(found[0].pose.angle, truth.angle), 0.05 * ccPi / 180);
    // The same hole of the usual polarity reads the disc's edge backwards.
    const ccSearchModel usual(*plate(0.5, true));
    EXPECT_LT(cfScorePose(usual, image, truth, {}), found[0].score - 0.1);
}

TEST(FinderErrors, BadInputIsRefusedAndNothingFoundIsNoMatch) {
    const auto part = plate(0.5);
    const ccSearchModel model(*part);
    const ccImage image = render(*part, 96, 96, {48, 48, ccRadian(0), 1.0});
    const auto refused = [&](auto change) {
        ccFindParams p;
        change(p);
        EXPECT_THROW(cfFind(model, image, p), ccFindDefs::BadParams);
    };
    refused([](ccFindParams& p) { p.angleMin = ccRadian(1), p.angleMax = ccRadian(0); });
    refused([](ccFindParams& p) { p.angleMin = ccRadian(-4), p.angleMax = ccRadian(4); });
    refused([](ccFindParams& p) { p.angleMax = ccRadian(std::nan("")); });
    refused([](ccFindParams& p) { p.scaleMin = 1.2, p.scaleMax = 1.1; });
    refused([](ccFindParams& p) { p.scaleMin = 0; });
    refused([](ccFindParams& p) { p.minScore = std::nan(""); });
    refused([](ccFindParams& p) { p.minScore = 1.5; });
    refused([](ccFindParams& p) { p.maxOverlap = -0.1; });
    refused([](ccFindParams& p) { p.contrast = std::nan(""); });
    refused([](ccFindParams& p) { p.maxMatches = -1; });
    refused([](ccFindParams& p) { p.threads = -1; });
    // The plate is 60 x 40 at scale 1: an image 30 high cannot hold it.
    EXPECT_THROW(cfFind(model, render(*part, 96, 30, {48, 15, ccRadian(0), 1.0}), {}),
                 ccFindDefs::BadParams);
    const ccFeatureletChainSet none;
    EXPECT_THROW(ccSearchModel{none}, ccFindDefs::BadParams);
    EXPECT_THROW(ccSearchModel(chainOf({ccFeaturelet(V(0, 0), ccRadian(0), 1.0, -1.0, false)})),
                 ccFindDefs::BadParams);
    EXPECT_THROW(ccSearchModel(*part, {}, 9), ccFindDefs::BadParams);
    EXPECT_THROW(cfScorePose(model, image, {std::nan(""), 0, ccRadian(0), 1.0}, {}),
                 ccFindDefs::BadParams);
    // An empty scene holds no match.
    ccRenderParams blank = renderParams(96, 96, {500, 500, ccRadian(0), 1.0}, 2);
    EXPECT_TRUE(cfFind(model, cfRenderModel(*part, blank), {}).empty());
}

TEST(FinderSearch, ResultDoesNotDependOnThreadsAndScaleIsFound) {
    const auto part = plate();
    const ccSearchModel model(*part);
    // Turned nearly half round, where the full circle's ends meet.
    const ccPose truth{130.2, 101.9, ccRadian(-3.13), 1.13};
    const ccImage image = render(*part, 260, 200, truth, 9);
    ccFindParams params;
    params.scaleMin = 0.8;
    params.scaleMax = 1.25;
    params.threads = 1;
    const auto one = cfFind(model, image, params);
    params.threads = 2;
    const auto two = cfFind(model, image, params);
    ASSERT_EQ(one.size(), 1u);
    ASSERT_EQ(two.size(), 1u);
    EXPECT_EQ(one[0].pose.x, two[0].pose.x);
    EXPECT_EQ(one[0].pose.y, two[0].pose.y);
    EXPECT_EQ(one[0].pose.angle, two[0].pose.angle);
    EXPECT_EQ(one[0].score, two[0].score);
    EXPECT_LT(distance(one[0].pose, truth), 0.1);
    EXPECT_LT(angleGap(one[0].pose.angle, truth.angle), 0.05 * ccPi / 180);
    EXPECT_NEAR(one[0].pose.scale, truth.scale, 0.002);
}

}  // namespace
