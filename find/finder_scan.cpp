// The coarse scan: every origin of the coarsest level by every angle and
// scale step, scored with nearest-pixel gradients a row of origins at a
// time, its local peaks kept as candidates.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>

#include "find/finder_search.h"
#include "find/tolerances.h"

namespace {

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
    if (cfIsFullCircle(setup, step)) {
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

// One scale of the scan and its angles. The angle step is the search's at
// the largest scale, lengthened as the scale is smaller: a turn moves the
// model's farthest featurelet in proportion to its radius, which shrinks
// with the scale, so the longer step still moves it by the same distance.
struct ScaleStep {
    double scale = 1.0, angleStep = 0.0;
    bool isCircle = false;
    std::vector<double> angles;
};

std::vector<ScaleStep> scaleStepsOf(const ccSearchSetup& setup, const ccSearchSteps& steps) {
    std::vector<ScaleStep> out;
    for (const double scale : scalesOf(setup, steps.logScale)) {
        ScaleStep step;
        step.scale = scale;
        step.angleStep = steps.angle * (setup.scaleMax / scale);
        step.isCircle = cfIsFullCircle(setup, step.angleStep);
        step.angles = anglesOf(setup, step.angleStep);
        out.push_back(std::move(step));
    }
    return out;
}

// The smallest threshold of level k's featurelets: contrast times their
// relative magnitudes.
float thresholdFloor(const ccSearchSetup& setup, int k) {
    const auto& featurelets = setup.levels[static_cast<std::size_t>(k)].featurelets;
    float floor = std::numeric_limits<float>::infinity();
    for (const ccSearchFeaturelet& f : featurelets)
        floor = std::min(floor, static_cast<float>(setup.contrast * f.magnitude));
    return floor;
}

// The coarsest level's gradient as the scan reads it, in planes laid out as
// the level's: magnitudes, and unit directions left at 0 where the
// magnitude is below `floor` (or 0). A probe whose threshold is the floor,
// as every probe of a drawn model is (its magnitudes are all 1), then reads
// no magnitude: below its threshold the cosine is 0 already.
struct ScanPlanes {
    std::vector<float> ux, uy, magnitude;
    float floor = 0.0f;
};

ScanPlanes scanPlanesOf(const ccGradientImage& g, float floor) {
    const std::size_t size = g.gx.total();
    ScanPlanes planes{std::vector<float>(size), std::vector<float>(size), std::vector<float>(size),
                      floor};
    const auto* gx = g.gx.ptr<float>();
    const auto* gy = g.gy.ptr<float>();
    for (std::size_t i = 0; i < size; ++i) {
        const float m = std::sqrt(gx[i] * gx[i] + gy[i] * gy[i]);
        planes.magnitude[i] = m;
        if (m == 0.0f || m < floor) continue;
        planes.ux[i] = gx[i] / m;
        planes.uy[i] = gy[i] / m;
    }
    return planes;
}

// One featurelet at one angle and scale of the coarse scan: its offset
// from the origin's pixel, its direction, weight and threshold, whether the
// threshold lies above the planes' floor, and how its cosine counts (see
// cfCosineShare).
struct Probe {
    std::ptrdiff_t offset;
    float dx, dy, weight, threshold;
    bool isAboveFloor, isMod180, isNegative;
};

// Probes in an order that spreads the first ones over the whole model, so
// that a pose which cannot reach the threshold is given up early, and
// after each one the most the rest can add.
struct ProbeSet {
    std::vector<Probe> probes;
    std::vector<float> remaining;
};

ProbeSet probesAt(const ccGradientImage& g, int k, const ccSearchSetup& setup, float floor,
                  double angle, double scale) {
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
            const auto threshold = static_cast<float>(setup.contrast * f.magnitude);
            set.probes.push_back({g.index(col, row) - g.index(0, 0),
                                  static_cast<float>(c * f.dx - s * f.dy),
                                  static_cast<float>(s * f.dx + c * f.dy),
                                  static_cast<float>(f.weight / level.positiveWeight), threshold,
                                  threshold > floor, f.isMod180, f.weight < 0});
        }
    set.remaining.assign(n + 1, 0.0f);
    for (std::size_t i = n; i-- > 0;)
        set.remaining[i] = set.remaining[i + 1] + std::max(set.probes[i].weight, 0.0f);
    return set;
}

constexpr float kRejected = -std::numeric_limits<float>::infinity();

// Scores of kLanes neighbouring origins in a row, computed together: a
// featurelet reads kLanes neighbouring pixels at once.
constexpr int kLanes = 16;
using Lanes = float __attribute__((vector_size(kLanes * sizeof(float))));
using LaneMask = std::int32_t __attribute__((vector_size(kLanes * sizeof(float))));

// The kLanes values from `from` on into `v`: returned by value, a vector
// wider than the default target's registers would change the calling
// convention between the scan's builds.
void loadLanes(const float* from, Lanes& v) {
    std::memcpy(&v, from, sizeof v);
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
__attribute__((target_clones("avx512f", "avx2", "default"))) void scoreRun(const ScanPlanes& g,
                                                                           const ProbeSet& set,
                                                                           std::ptrdiff_t base,
                                                                           float need, float* out) {
    constexpr std::size_t kCheckEvery = 8;
    Lanes sum{};
    const float* magnitude = g.magnitude.data();
    const float* ux = g.ux.data();
    const float* uy = g.uy.data();
    const std::size_t n = set.probes.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (i % kCheckEvery == 0 && largestLane(sum) + set.remaining[i] < need) {
            std::fill(out, out + kLanes, kRejected);
            return;
        }
        const Probe& p = set.probes[i];
        const std::ptrdiff_t at = base + p.offset;
        Lanes x, y;
        loadLanes(ux + at, x);
        loadLanes(uy + at, y);
        Lanes cosine = x * p.dx + y * p.dy;
        if (p.isAboveFloor) {
            Lanes m;
            loadLanes(magnitude + at, m);
            cosine = m >= p.threshold ? cosine : Lanes{};
        }
        if (p.isMod180) cosine = cosine < 0 ? -cosine : cosine;
        if (p.isNegative) cosine = cosine < 0 ? Lanes{} : cosine;
        sum += cosine * p.weight;
    }
    for (int l = 0; l < kLanes; ++l) out[l] = sum[l] >= need ? sum[l] : kRejected;
}

struct Candidate {
    float score;
    int col, row;
    std::size_t scaleIndex, angleIndex;
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
void scanStep(const ccGradientImage& g, const ScanPlanes& planes, const ProbeSet& set,
              const Window& w, float need, std::size_t scaleIndex, std::size_t angleIndex,
              std::vector<Candidate>& out) {
    const int runs = (w.col1 - w.col0 + kLanes) / kLanes;
    const int cols = runs * kLanes + 2, rows = w.row1 - w.row0 + 3;
    std::vector<float> map(static_cast<std::size_t>(cols) * rows, kRejected);
    const auto at = [&](int c, int r) -> float& {
        return map[static_cast<std::size_t>(r - w.row0 + 1) * cols + (c - w.col0 + 1)];
    };
    for (int r = w.row0; r <= w.row1; ++r)
        for (int run = 0; run < runs; ++run) {
            const int c = w.col0 + run * kLanes;
            scoreRun(planes, set, g.index(c, r), need, &at(c, r));
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
            if (isPeak) out.push_back({s, c, r, scaleIndex, angleIndex});
        }
}

// The angles between two of a scale's steps, or between two angles of
// different scales, in the steps of the coarser of the two; across the
// circle's seam when it is closed.
double angleGap(const Candidate& a, const Candidate& b, const std::vector<ScaleStep>& scan) {
    const ScaleStep &sa = scan[a.scaleIndex], &sb = scan[b.scaleIndex];
    if (a.scaleIndex == b.scaleIndex) {
        const auto count = static_cast<long>(sa.angles.size());
        long gap = std::abs(static_cast<long>(a.angleIndex) - static_cast<long>(b.angleIndex));
        if (sa.isCircle) gap = std::min(gap, count - gap);
        return static_cast<double>(gap);
    }
    double gap = std::abs(sa.angles[a.angleIndex] - sb.angles[b.angleIndex]);
    if (sa.isCircle && sb.isCircle) gap = std::abs(std::remainder(gap, ccTwoPi));
    return gap / std::max(sa.angleStep, sb.angleStep);
}

// Is candidate `a` the same part as the better `b`?
bool isSamePart(const Candidate& a, const Candidate& b, const std::vector<ScaleStep>& scan) {
    return std::abs(a.col - b.col) <= cc_find_tol::kCandidateSeparation &&
           std::abs(a.row - b.row) <= cc_find_tol::kCandidateSeparation &&
           angleGap(a, b, scan) <= cc_find_tol::kCandidateAngleSteps;
}

// Each (scale, angle) pair of the scan, scale by scale.
std::vector<std::pair<std::size_t, std::size_t>> stepPairsOf(const std::vector<ScaleStep>& scan) {
    std::vector<std::pair<std::size_t, std::size_t>> pairs;
    for (std::size_t s = 0; s < scan.size(); ++s)
        for (std::size_t a = 0; a < scan[s].angles.size(); ++a) pairs.emplace_back(s, a);
    return pairs;
}

}  // namespace

std::vector<ccPose> cfCoarseCandidates(const ccGradientImage& g, int k,
                                       const ccSearchSetup& setup) {
    const std::vector<ScaleStep> scan = scaleStepsOf(setup, cfSearchSteps(setup, k));
    const auto tasks = stepPairsOf(scan);
    const auto need = static_cast<float>(setup.minScore * cc_find_tol::kCoarseScoreShare);
    const Window window = windowAt(setup, k);
    const ScanPlanes planes = scanPlanesOf(g, thresholdFloor(setup, k));
    std::vector<std::vector<Candidate>> found(tasks.size());
    cfForEachIndex(static_cast<long>(tasks.size()), setup.threads, [&](long task) {
        const auto [s, a] = tasks[static_cast<std::size_t>(task)];
        const ProbeSet set = probesAt(g, k, setup, planes.floor, scan[s].angles[a], scan[s].scale);
        scanStep(g, planes, set, window, need, s, a, found[static_cast<std::size_t>(task)]);
    });
    std::vector<Candidate> all;
    for (const auto& f : found) all.insert(all.end(), f.begin(), f.end());
    std::stable_sort(all.begin(), all.end(),
                     [](const Candidate& a, const Candidate& b) { return a.score > b.score; });
    std::vector<Candidate> kept;
    for (const Candidate& c : all)
        if (std::none_of(kept.begin(), kept.end(),
                         [&](const Candidate& b) { return isSamePart(c, b, scan); }))
            kept.push_back(c);
    std::vector<ccPose> poses;
    poses.reserve(kept.size());
    const double toImage = std::ldexp(1.0, k);
    for (const Candidate& c : kept)
        poses.push_back({c.col * toImage, c.row * toImage,
                         ccRadian(scan[c.scaleIndex].angles[c.angleIndex]),
                         scan[c.scaleIndex].scale});
    return poses;
}

int cfCoarsePad(const ccSearchSetup& setup, int k) {
    // Past the model's reach, a pixel for rounding and the window's ends,
    // and the lanes a run reads beyond the window's last column.
    return static_cast<int>(std::ceil(setup.levels[static_cast<std::size_t>(k)].radius *
                                      setup.scaleMax * std::ldexp(1.0, -k))) +
           2 + kLanes;
}
