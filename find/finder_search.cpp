// The search: an exhaustive scan of the coarsest level, its candidates
// followed down the pyramid and refined.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <thread>

#include "find/finder_image.h"
#include "find/tolerances.h"

namespace {

// The steps the search takes at one level: angle and log-scale.
struct Steps {
    double angle = 0.0, logScale = 0.0;
};

Steps stepsAt(const ccSearchSetup& setup, int k) {
    const double reach =
        setup.levels[static_cast<std::size_t>(k)].radius * setup.scaleMax * std::ldexp(1.0, -k);
    const double r = std::max(reach, 1.0);
    return {cc_find_tol::kAngleSearchStep / r, cc_find_tol::kScaleSearchStep / r};
}

bool isFullCircle(const ccSearchSetup& setup, double step) {
    return setup.angleMax - setup.angleMin > ccTwoPi - step;
}

// `count` values from `first` to `last` (both included), evenly spaced; the
// middle when there is one.
std::vector<double> evenly(double first, double last, long count) {
    std::vector<double> values;
    if (count == 1) return {(first + last) / 2};
    for (long i = 0; i < count; ++i)
        values.push_back(first + (last - first) * static_cast<double>(i) / (count - 1));
    return values;
}

std::vector<double> anglesOf(const ccSearchSetup& setup, double step) {
    const double range = setup.angleMax - setup.angleMin;
    if (isFullCircle(setup, step)) {
        const auto count = static_cast<long>(std::ceil(ccTwoPi / step));
        std::vector<double> angles = evenly(setup.angleMin, setup.angleMin + ccTwoPi, count + 1);
        angles.pop_back();  // the circle's end is its start
        return angles;
    }
    return evenly(setup.angleMin, setup.angleMax, static_cast<long>(std::ceil(range / step)) + 1);
}

std::vector<double> scalesOf(const ccSearchSetup& setup, double logStep) {
    if (setup.scaleMin == setup.scaleMax) return {setup.scaleMin};
    const double range = std::log(setup.scaleMax / setup.scaleMin);
    std::vector<double> scales =
        evenly(0.0, range, static_cast<long>(std::ceil(range / logStep)) + 1);
    for (double& s : scales) s = setup.scaleMin * std::exp(s);
    return scales;
}

// One featurelet at one angle and scale of the coarse scan: its offset
// from the origin's pixel, its direction, weight and threshold, and how its
// cosine counts (see cfCosineShare).
struct Probe {
    std::ptrdiff_t offset;
    float dx, dy, weight, threshold;
    bool isMod180, isNegative;
};

// Probes in an order that spreads the first ones over the whole model, so
// that a pose which cannot reach the threshold is given up early, and
// after each one the most the rest can add.
struct ProbeSet {
    std::vector<Probe> probes;
    std::vector<float> remaining;
};

ProbeSet probesAt(const ccGradientImage& g, int k, const ccSearchSetup& setup, double angle,
                  double scale) {
    constexpr std::size_t kInterleave = 16;
    const ccSearchLevel& level = setup.levels[static_cast<std::size_t>(k)];
    const double c = std::cos(angle), s = std::sin(angle), toLevel = scale * std::ldexp(1.0, -k);
    const std::size_t n = level.featurelets.size();
    ProbeSet set;
    for (std::size_t start = 0; start < kInterleave; ++start)
        for (std::size_t i = start; i < n; i += kInterleave) {
            const ccSearchFeaturelet& f = level.featurelets[i];
            const auto col = static_cast<int>(std::lround(toLevel * (c * f.x - s * f.y)));
            const auto row = static_cast<int>(std::lround(toLevel * (s * f.x + c * f.y)));
            set.probes.push_back(
                {g.index(col, row) - g.index(0, 0), static_cast<float>(c * f.dx - s * f.dy),
                 static_cast<float>(s * f.dx + c * f.dy),
                 static_cast<float>(f.weight / level.positiveWeight),
                 static_cast<float>(setup.contrast * f.magnitude), f.isMod180, f.weight < 0});
        }
    set.remaining.assign(n + 1, 0.0f);
    for (std::size_t i = n; i-- > 0;)
        set.remaining[i] = set.remaining[i + 1] + std::max(set.probes[i].weight, 0.0f);
    return set;
}

constexpr float kRejected = -std::numeric_limits<float>::infinity();

// Scores of kLanes neighbouring origins in a row, computed together: a
// featurelet reads kLanes neighbouring pixels at once.
constexpr int kLanes = 4;
using Lanes = float __attribute__((vector_size(kLanes * sizeof(float))));
using LaneMask = std::int32_t __attribute__((vector_size(kLanes * sizeof(float))));

Lanes loadLanes(const float* from) {
    Lanes v;
    std::memcpy(&v, from, sizeof v);
    return v;
}

float largestLane(const Lanes& v) {
    float m = v[0];
    for (int l = 1; l < kLanes; ++l) m = std::max(m, v[l]);
    return m;
}

// The scores with nearest-pixel gradients of the kLanes origins from the
// pixel of index `base` on, into `out`; kRejected for each that cannot reach
// `need`. The run is given up once none of its origins can, which does not
// change the scores of those that can.
void scoreRun(const ccGradientImage& g, const ProbeSet& set, std::ptrdiff_t base, float need,
              float* out) {
    constexpr std::size_t kCheckEvery = 8;
    Lanes sum{};
    const std::size_t n = set.probes.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (i % kCheckEvery == 0 && largestLane(sum) + set.remaining[i] < need) {
            std::fill(out, out + kLanes, kRejected);
            return;
        }
        const Probe& p = set.probes[i];
        const std::ptrdiff_t at = base + p.offset;
        const LaneMask strong = loadLanes(&g.magnitude[at]) >= p.threshold;
        Lanes cosine = loadLanes(&g.ux[at]) * p.dx + loadLanes(&g.uy[at]) * p.dy;
        if (p.isMod180) cosine = cosine < 0 ? -cosine : cosine;
        if (p.isNegative) cosine = cosine < 0 ? Lanes{} : cosine;
        const Lanes kept = strong ? cosine : Lanes{};
        sum += kept * p.weight;
    }
    for (int l = 0; l < kLanes; ++l) out[l] = sum[l] >= need ? sum[l] : kRejected;
}

struct Candidate {
    float score;
    int col, row;
    long angleIndex, scaleIndex;
};

// The window of the coarse level the origin is scanned over.
struct Window {
    int col0, row0, col1, row1;
};

Window windowAt(const ccSearchSetup& setup, int k) {
    const double toLevel = std::ldexp(1.0, -k);
    return {static_cast<int>(std::floor(setup.xMin * toLevel)),
            static_cast<int>(std::floor(setup.yMin * toLevel)),
            static_cast<int>(std::ceil(setup.xMax * toLevel)),
            static_cast<int>(std::ceil(setup.yMax * toLevel))};
}

// The local maxima (over the 8 neighbours) of the scores at one angle and
// scale that reach `need`.
void scanStep(const ccGradientImage& g, const ProbeSet& set, const Window& w, float need,
              long angleIndex, long scaleIndex, std::vector<Candidate>& out) {
    const int runs = (w.col1 - w.col0 + kLanes) / kLanes;
    const int cols = runs * kLanes + 2, rows = w.row1 - w.row0 + 3;
    std::vector<float> map(static_cast<std::size_t>(cols) * rows, kRejected);
    const auto at = [&](int c, int r) -> float& {
        return map[static_cast<std::size_t>(r - w.row0 + 1) * cols + (c - w.col0 + 1)];
    };
    for (int r = w.row0; r <= w.row1; ++r)
        for (int run = 0; run < runs; ++run) {
            const int c = w.col0 + run * kLanes;
            scoreRun(g, set, g.index(c, r), need, &at(c, r));
        }
    for (int r = w.row0; r <= w.row1; ++r)
        for (int c = w.col0; c <= w.col1; ++c) {
            const float s = at(c, r);
            if (s == kRejected) continue;
            bool isPeak = true;
            for (int dr = -1; dr <= 1 && isPeak; ++dr)
                for (int dc = -1; dc <= 1 && isPeak; ++dc) {
                    const float other = at(c + dc, r + dr);
                    // Ties go to the first in raster order.
                    const bool isBefore = dr < 0 || (dr == 0 && dc < 0);
                    isPeak = other < s || (other == s && !isBefore) || (dr == 0 && dc == 0);
                }
            if (isPeak) out.push_back({s, c, r, angleIndex, scaleIndex});
        }
}

// Runs f(i) for i in [0, n) over `threads` threads, each taking every
// threads-th index, so that what f writes to slot i does not depend on it.
template <class F>
void forEachIndex(long n, int threads, F f) {
    const int used = static_cast<int>(std::min<long>(threads, n));
    if (used <= 1) {
        for (long i = 0; i < n; ++i) f(i);
        return;
    }
    std::vector<std::thread> workers;
    workers.reserve(static_cast<std::size_t>(used));
    for (int t = 0; t < used; ++t)
        workers.emplace_back([=, &f] {
            for (long i = t; i < n; i += used) f(i);
        });
    for (std::thread& w : workers) w.join();
}

// Is candidate `a` the same part as the better `b`?
bool isSamePart(const Candidate& a, const Candidate& b, long angleCount, bool isCircle) {
    long gap = std::abs(a.angleIndex - b.angleIndex);
    if (isCircle) gap = std::min(gap, angleCount - gap);
    return std::abs(a.col - b.col) <= cc_find_tol::kCandidateSeparation &&
           std::abs(a.row - b.row) <= cc_find_tol::kCandidateSeparation &&
           static_cast<double>(gap) <= cc_find_tol::kCandidateAngleSteps;
}

std::vector<ccPose> coarseCandidates(const ccGradientImage& g, int k, const ccSearchSetup& setup) {
    const Steps steps = stepsAt(setup, k);
    const std::vector<double> angles = anglesOf(setup, steps.angle);
    const std::vector<double> scales = scalesOf(setup, steps.logScale);
    const auto tasks = static_cast<long>(angles.size() * scales.size());
    const auto need = static_cast<float>(setup.minScore * cc_find_tol::kCoarseScoreShare);
    const Window window = windowAt(setup, k);
    std::vector<std::vector<Candidate>> found(static_cast<std::size_t>(tasks));
    forEachIndex(tasks, setup.threads, [&](long task) {
        const long a = task / static_cast<long>(scales.size()),
                   s = task % static_cast<long>(scales.size());
        const ProbeSet set = probesAt(g, k, setup, angles[a], scales[s]);
        scanStep(g, set, window, need, a, s, found[task]);
    });
    std::vector<Candidate> all;
    for (const auto& f : found) all.insert(all.end(), f.begin(), f.end());
    std::stable_sort(all.begin(), all.end(),
                     [](const Candidate& a, const Candidate& b) { return a.score > b.score; });
    const bool isCircle = isFullCircle(setup, steps.angle);
    std::vector<Candidate> kept;
    for (const Candidate& c : all)
        if (std::none_of(kept.begin(), kept.end(), [&](const Candidate& b) {
                return isSamePart(c, b, static_cast<long>(angles.size()), isCircle);
            }))
            kept.push_back(c);
    std::vector<ccPose> poses;
    poses.reserve(kept.size());
    const double toImage = std::ldexp(1.0, k);
    for (const Candidate& c : kept)
        poses.push_back({c.col * toImage, c.row * toImage, ccRadian(angles[c.angleIndex]),
                         scales[c.scaleIndex]});
    return poses;
}

// `pose` kept within the search's ranges; on the full circle its angle
// within (-pi, pi].
ccPose clamped(ccPose pose, const ccSearchSetup& setup, double angleStep) {
    if (isFullCircle(setup, angleStep))
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
    const Steps steps = stepsAt(setup, k);
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
    const Steps steps = stepsAt(setup, level);
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
    ccFoundPose found{clamped(fit.pose, setup, stepsAt(setup, 0).angle), 0.0, fit.fitError};
    found.score = cfScoreAtLevel(full, 0, setup.levels.front(), found.pose, setup.contrast);
    return found;
}

}  // namespace

int cfCoarsePad(const ccSearchSetup& setup, int k) {
    // Past the model's reach, a pixel for rounding and the window's ends,
    // and the lanes a run reads beyond the window's last column.
    return static_cast<int>(std::ceil(setup.levels[static_cast<std::size_t>(k)].radius *
                                      setup.scaleMax * std::ldexp(1.0, -k))) +
           2 + kLanes;
}

std::vector<ccFoundPose> cfSearchPyramid(const std::vector<ccGradientImage>& pyramid,
                                         const ccSearchSetup& setup) {
    const int coarsest = static_cast<int>(pyramid.size()) - 1;
    const std::vector<ccPose> candidates = coarseCandidates(pyramid.back(), coarsest, setup);
    std::vector<ccFoundPose> followed(candidates.size());
    forEachIndex(static_cast<long>(candidates.size()), setup.threads, [&](long i) {
        followed[static_cast<std::size_t>(i)] = followDown(pyramid, setup, candidates[i]);
    });
    const std::vector<ccFoundPose> distinct =
        distinctPoses(std::move(followed), setup, std::min(coarsest, 1));
    std::vector<ccFoundPose> fitted(distinct.size());
    forEachIndex(static_cast<long>(distinct.size()), setup.threads, [&](long i) {
        fitted[static_cast<std::size_t>(i)] = refined(pyramid.front(), setup, distinct[i].pose);
    });
    std::vector<ccFoundPose> kept;
    for (const ccFoundPose& f : fitted)
        if (f.score >= setup.minScore && isInRegion(f.pose, setup)) kept.push_back(f);
    return kept;
}
