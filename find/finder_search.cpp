// The candidates' way down: best first, each climbs through the finer
// levels and is fitted at full resolution, unless a match found before or
// a candidate that reached the same pose makes it moot.
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
// its score. The neighbour a step came from is not scored again: it scored
// less than where the step went.
double climb(const ccGradientImage& g, int k, const ccSearchSetup& setup, ccPose& pose) {
    const ccSearchLevel& level = setup.levels[static_cast<std::size_t>(k)];
    const ccSearchSteps steps = cfSearchSteps(setup, k);
    const double move = std::ldexp(1.0, k);
    // Move m goes along dimension m / 2, backwards when m is even; m ^ 1
    // undoes it.
    const int moves = setup.scaleMin == setup.scaleMax ? 6 : 8;
    double best = cfScoreAtLevel(g, k, level, pose, setup.contrast);
    int back = -1;
    for (int step = 0; step < cc_find_tol::kMaxClimbSteps; ++step) {
        ccPose next = pose;
        double nextScore = best;
        int taken = -1;
        for (int m = 0; m < moves; ++m) {
            if (m == back) continue;
            const double sign = m % 2 == 0 ? -1.0 : 1.0;
            ccPose trial = pose;
            if (m / 2 == 0) trial.x += sign * move;
            if (m / 2 == 1) trial.y += sign * move;
            if (m / 2 == 2) trial.angle += ccRadian(sign * steps.angle);
            if (m / 2 == 3) trial.scale *= std::exp(sign * steps.logScale);
            trial = clamped(trial, setup, steps.angle);
            const double score = cfScoreAtLevel(g, k, level, trial, setup.contrast);
            if (score > nextScore) {
                nextScore = score;
                next = trial;
                taken = m;
            }
        }
        if (nextScore <= best) break;
        best = nextScore;
        pose = next;
        back = taken ^ 1;
    }
    return best;
}

bool isInRegion(const ccPose& pose, const ccSearchSetup& setup) {
    return pose.x >= setup.xMin && pose.x <= setup.xMax && pose.y >= setup.yMin &&
           pose.y <= setup.yMax;
}

// A coarse candidate, of score `found.score` at the coarsest level,
// followed down to level 1 (or left at the coarsest level, if that is
// finer), its score there; once it fades below the share of the minimum
// score the coarse scan keeps, it is left where it is. The climb stops at
// level 1: within a pixel and a half there, the least-squares fit's reach
// takes over at level 0 for a fraction of the climb's cost.
ccFoundPose followDown(const std::vector<ccGradientImage>& pyramid, const ccSearchSetup& setup,
                       ccFoundPose found) {
    const double keep = setup.minScore * cc_find_tol::kCoarseScoreShare;
    const int coarsest = static_cast<int>(pyramid.size()) - 1;
    for (int k = coarsest - 1; k >= 1 && found.score >= keep; --k)
        found.score = climb(pyramid[static_cast<std::size_t>(k)], k, setup, found.pose);
    return found;
}

// Do two candidates stand at the same pose, within one step of level
// `level`?
bool isSamePose(const ccPose& a, const ccPose& b, const ccSearchSetup& setup, int level) {
    const ccSearchSteps steps = cfSearchSteps(setup, level);
    const double pixel = std::ldexp(1.0, level);
    return std::abs(a.x - b.x) <= pixel && std::abs(a.y - b.y) <= pixel &&
           std::abs((a.angle - b.angle).signedNorm().toDouble()) <= steps.angle &&
           std::abs(std::log(a.scale / b.scale)) <= steps.logScale;
}

// The pose fitted at full resolution, its score there. A pose the fit
// cannot fix climbs at full resolution first: the coarser levels can leave
// it further from the part than the pairing reaches, along a direction only
// fine detail tells (a comb of thin bars slid along them).
ccFoundPose refined(const ccGradientImage& full, const ccSearchSetup& setup, ccPose pose) {
    const bool isScaleFixed = setup.scaleMin == setup.scaleMax;
    ccRefinedPose fit =
        cfRefinePose(full, setup.levels.front(), pose, setup.contrast, isScaleFixed);
    if (!fit.isFitted) {
        climb(full, 0, setup, pose);
        fit = cfRefinePose(full, setup.levels.front(), pose, setup.contrast, isScaleFixed);
    }
    ccFoundPose found{clamped(fit.pose, setup, cfSearchSteps(setup, 0).angle), 0.0, fit.fitError};
    found.score = cfScoreAtLevel(full, 0, setup.levels.front(), found.pose, setup.contrast);
    return found;
}

// What the way down has met so far: the matches kept, with their boxes, and
// the poses candidates reached at the finest level climbed.
class WayDown {
  public:
    WayDown(const ccSearchSetup& setup, int finest) : setup_(setup), finest_(finest) {}

    // Does a kept match overlap `pose` by more than the search allows and
    // score at least `score`? Overlap suppression would keep that match
    // over whatever the candidate becomes; the false candidates of a part
    // (its outline half turned, or shifted along a straight side) lie on
    // the part itself, and so cost neither a climb nor a fit.
    bool isOutdone(const ccPose& pose, double score) const {
        if (matches_.empty()) return false;
        const ccMatchBox box = cfMatchBox(setup_.levels.front(), pose);
        for (std::size_t m = 0; m < matches_.size(); ++m)
            if (matches_[m].score >= score && cfOverlapOf(box, boxes_[m]) > setup_.maxOverlap)
                return true;
        return false;
    }

    // Did a candidate before reach the same pose with at least this score?
    // Then fitting this one would find that one's match again.
    bool isReachedBefore(const ccFoundPose& reached) const {
        return std::any_of(reached_.begin(), reached_.end(), [&](const ccFoundPose& r) {
            return r.score >= reached.score && isSamePose(r.pose, reached.pose, setup_, finest_);
        });
    }

    void addReached(const ccFoundPose& reached) { reached_.push_back(reached); }

    void addMatch(const ccFoundPose& match) {
        matches_.push_back(match);
        boxes_.push_back(cfMatchBox(setup_.levels.front(), match.pose));
    }

    const std::vector<ccFoundPose>& matches() const noexcept { return matches_; }

  private:
    const ccSearchSetup& setup_;
    int finest_;
    std::vector<ccFoundPose> matches_;
    std::vector<ccMatchBox> boxes_;
    std::vector<ccFoundPose> reached_;
};

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
    const ccSearchLevel& coarseLevel = setup.levels[static_cast<std::size_t>(coarsest)];
    const double keep = setup.minScore * cc_find_tol::kCoarseScoreShare;
    WayDown way(setup, std::min(coarsest, 1));
    for (const ccPose& coarse : cfCoarseCandidates(pyramid.back(), coarsest, setup)) {
        const double score =
            cfScoreAtLevel(pyramid.back(), coarsest, coarseLevel, coarse, setup.contrast);
        if (score < keep || way.isOutdone(coarse, score)) continue;
        const ccFoundPose reached = followDown(pyramid, setup, {coarse, score, 0.0});
        if (reached.score < keep || way.isReachedBefore(reached)) continue;
        way.addReached(reached);
        if (way.isOutdone(reached.pose, reached.score)) continue;
        const ccFoundPose fitted = refined(pyramid.front(), setup, reached.pose);
        if (fitted.score >= setup.minScore && isInRegion(fitted.pose, setup)) way.addMatch(fitted);
    }
    return way.matches();
}

ccMatchBox cfMatchBox(const ccSearchLevel& level, const ccPose& pose) {
    const double c = std::cos(pose.angle.toDouble()) * pose.scale,
                 s = std::sin(pose.angle.toDouble()) * pose.scale;
    ccMatchBox b{pose.x, pose.y, pose.x, pose.y};
    bool first = true;
    for (const ccSearchFeaturelet& f : level.featurelets) {
        const double x = pose.x + c * f.x - s * f.y, y = pose.y + s * f.x + c * f.y;
        if (first) b = {x, y, x, y};
        first = false;
        b = {std::min(b.xMin, x), std::min(b.yMin, y), std::max(b.xMax, x), std::max(b.yMax, y)};
    }
    return b;
}

double cfOverlapOf(const ccMatchBox& a, const ccMatchBox& b) {
    const double w = std::min(a.xMax, b.xMax) - std::max(a.xMin, b.xMin);
    const double h = std::min(a.yMax, b.yMax) - std::max(a.yMin, b.yMin);
    if (w < 0 || h < 0) return 0.0;
    const double smaller = std::min(a.area(), b.area());
    return smaller > 0 ? w * h / smaller : 1.0;
}
