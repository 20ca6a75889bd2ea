// The candidates' way down: each climbs through the finer levels, those
// that meet are merged, and the rest are fitted at full resolution.
#include <algorithm>
#include <cmath>

#include "find/finder_search.h"
#include "find/tolerances.h"

namespace {

// `pose` kept within the search's ranges; on the full circle its angle
// within (-pi, pi].
ccPose clamped(ccPose pose, const ccSearchSetup& setup, double angleStep) {
    if (cfIsFullCircle(setup, angleStep))
        pose.angle = pose.angle.signedNorm();
    else
        pose.angle = ccRadian(std::clamp(pose.angle.toDouble(), setup.angleMin, setup.angleMax));
    pose.scale = std::clamp(pose.scale, setup.scaleMin, setup.scaleMax);
    return pose;
}

// `pose` moved a step at a time, along one of position, angle and scale,
// to the best score among those neighbours at level k until none is better;
// its score.
double climb(const ccGradientImage& g, int k, const ccSearchSetup& setup, ccPose& pose) {
    const ccSearchLevel& level = setup.levels[static_cast<std::size_t>(k)];
    const ccSearchSteps steps = cfSearchSteps(setup, k);
    const double move = std::ldexp(1.0, k);
    const int dimensions = setup.scaleMin == setup.scaleMax ? 3 : 4;
    double best = cfScoreAtLevel(g, k, level, pose, setup.contrast);
    for (int step = 0; step < cc_find_tol::kMaxClimbSteps; ++step) {
        ccPose next = pose;
        double nextScore = best;
        for (int d = 0; d < dimensions; ++d)
            for (int sign = -1; sign <= 1; sign += 2) {
                ccPose trial = pose;
                if (d == 0) trial.x += sign * move;
                if (d == 1) trial.y += sign * move;
                if (d == 2) trial.angle += ccRadian(sign * steps.angle);
                if (d == 3) trial.scale *= std::exp(sign * steps.logScale);
                trial = clamped(trial, setup, steps.angle);
                const double score = cfScoreAtLevel(g, k, level, trial, setup.contrast);
                if (score > nextScore) {
                    nextScore = score;
                    next = trial;
                }
            }
        if (nextScore <= best) break;
        best = nextScore;
        pose = next;
    }
    return best;
}

bool isInRegion(const ccPose& pose, const ccSearchSetup& setup) {
    return pose.x >= setup.xMin && pose.x <= setup.xMax && pose.y >= setup.yMin &&
           pose.y <= setup.yMax;
}

// A coarse candidate followed down to level 1 (or to the coarsest level,
// if that is finer), its score there; below the share of the minimum score
// the coarse scan keeps once it fades on the way. The climb stops at level
// 1: within a pixel and a half there, the least-squares fit's reach takes
// over at level 0 for a fraction of the climb's cost.
ccFoundPose followDown(const std::vector<ccGradientImage>& pyramid, const ccSearchSetup& setup,
                       const ccPose& coarse) {
    const double keep = setup.minScore * cc_find_tol::kCoarseScoreShare;
    const int coarsest = static_cast<int>(pyramid.size()) - 1;
    ccFoundPose found{coarse, 0.0, 0.0};
    found.score =
        cfScoreAtLevel(pyramid.back(), coarsest, setup.levels[static_cast<std::size_t>(coarsest)],
                       coarse, setup.contrast);
    for (int k = coarsest - 1; k >= 1 && found.score >= keep; --k)
        found.score = climb(pyramid[static_cast<std::size_t>(k)], k, setup, found.pose);
    return found;
}

// Candidates that reached the same pose on their way down, within one step
// of the finest level climbed, are one: the better is kept.
bool isSamePose(const ccFoundPose& a, const ccFoundPose& b, const ccSearchSetup& setup, int level) {
    const ccSearchSteps steps = cfSearchSteps(setup, level);
    const double pixel = std::ldexp(1.0, level);
    return std::abs(a.pose.x - b.pose.x) <= pixel && std::abs(a.pose.y - b.pose.y) <= pixel &&
           std::abs((a.pose.angle - b.pose.angle).signedNorm().toDouble()) <= steps.angle &&
           std::abs(std::log(a.pose.scale / b.pose.scale)) <= steps.logScale;
}

std::vector<ccFoundPose> distinctPoses(std::vector<ccFoundPose> poses, const ccSearchSetup& setup,
                                       int level) {
    const double keep = setup.minScore * cc_find_tol::kCoarseScoreShare;
    std::stable_sort(poses.begin(), poses.end(),
                     [](const ccFoundPose& a, const ccFoundPose& b) { return a.score > b.score; });
    std::vector<ccFoundPose> distinct;
    for (const ccFoundPose& p : poses)
        if (p.score >= keep && std::none_of(distinct.begin(), distinct.end(), [&](const auto& d) {
                return isSamePose(p, d, setup, level);
            }))
            distinct.push_back(p);
    return distinct;
}

// The pose fitted at full resolution, its score there.
ccFoundPose refined(const ccGradientImage& full, const ccSearchSetup& setup, const ccPose& pose) {
    const ccRefinedPose fit = cfRefinePose(full, setup.levels.front(), pose, setup.contrast,
                                           setup.scaleMin == setup.scaleMax);
    ccFoundPose found{clamped(fit.pose, setup, cfSearchSteps(setup, 0).angle), 0.0, fit.fitError};
    found.score = cfScoreAtLevel(full, 0, setup.levels.front(), found.pose, setup.contrast);
    return found;
}

}  // namespace

ccSearchSteps cfSearchSteps(const ccSearchSetup& setup, int k) {
    const double reach =
        setup.levels[static_cast<std::size_t>(k)].radius * setup.scaleMax * std::ldexp(1.0, -k);
    const double r = std::max(reach, 1.0);
    return {cc_find_tol::kAngleSearchStep / r, cc_find_tol::kScaleSearchStep / r};
}

bool cfIsFullCircle(const ccSearchSetup& setup, double step) {
    return setup.angleMax - setup.angleMin > ccTwoPi - step;
}

std::vector<ccFoundPose> cfSearchPyramid(const std::vector<ccGradientImage>& pyramid,
                                         const ccSearchSetup& setup) {
    const int coarsest = static_cast<int>(pyramid.size()) - 1;
    const std::vector<ccPose> candidates = cfCoarseCandidates(pyramid.back(), coarsest, setup);
    std::vector<ccFoundPose> followed(candidates.size());
    cfForEachIndex(static_cast<long>(candidates.size()), setup.threads, [&](long i) {
        followed[static_cast<std::size_t>(i)] = followDown(pyramid, setup, candidates[i]);
    });
    const std::vector<ccFoundPose> distinct =
        distinctPoses(std::move(followed), setup, std::min(coarsest, 1));
    std::vector<ccFoundPose> fitted(distinct.size());
    cfForEachIndex(static_cast<long>(distinct.size()), setup.threads, [&](long i) {
        fitted[static_cast<std::size_t>(i)] = refined(pyramid.front(), setup, distinct[i].pose);
    });
    std::vector<ccFoundPose> kept;
    for (const ccFoundPose& f : fitted)
        if (f.score >= setup.minScore && isInRegion(f.pose, setup)) kept.push_back(f);
    return kept;
}
