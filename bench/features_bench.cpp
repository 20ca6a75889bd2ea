// Feature-generation benchmarks.
//
// Each library case reports featurelets (or points) per second, and beside it
// a floor: a hand-written loop that emits the same featurelets for the same
// geometry straight into a reserved array, with no trees, handles or records.
// The ratio of the two medians is what the goals are stated in.
//
// Memory is watched by a counting operator new: each library case also
// reports, from one untimed run, how much of the featurelet array is slack
// (capacity over size) and the peak heap growth during generation against
// the heap the result keeps.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>
#include <vector>

#include <boost/geometry.hpp>

#include "ch_core/shapemod.h"

// ---------------------------------------------------------------------------
// Heap accounting

namespace heap {

// Every block carries its size in front, keeping malloc's 16-byte alignment.
struct alignas(16) Header {
    std::size_t size;
};

std::size_t live = 0;
std::size_t peak = 0;

void* take(std::size_t n) {
    auto* h = static_cast<Header*>(std::malloc(n + sizeof(Header)));
    if (!h) throw std::bad_alloc();
    h->size = n;
    live += n;
    peak = std::max(peak, live);
    return h + 1;
}

void give(void* p) noexcept {
    if (!p) return;
    Header* h = static_cast<Header*>(p) - 1;
    live -= h->size;
    std::free(h);
}

}  // namespace heap

void* operator new(std::size_t n) {
    return heap::take(n);
}
void* operator new[](std::size_t n) {
    return heap::take(n);
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    try {
        return heap::take(n);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t n, const std::nothrow_t& t) noexcept {
    return operator new(n, t);
}
void operator delete(void* p) noexcept {
    heap::give(p);
}
void operator delete[](void* p) noexcept {
    heap::give(p);
}
void operator delete(void* p, std::size_t) noexcept {
    heap::give(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    heap::give(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    heap::give(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    heap::give(p);
}

namespace {

using ChainSet = ccPtrHandle<ccFeatureletChainSet>;
using Params = ccShapeModel::ccFeatureParams;

constexpr double kQuarterTurn = 1.5707963267948966;
constexpr double kTwoPi = 6.283185307179586;
// Piece length and spacing: about ten featurelets a piece.
constexpr double kPieceLength = 10.0;
constexpr double kSpacing = 1.0;
// Sampling stops this short of a piece's end, as the library's does.
constexpr double kEndGap = 1e-9;

// Runs `generate` once outside the timing and reports the memory counters:
// slack = featurelet capacity / featurelets; peak_x_result = peak heap growth
// during the call / heap the result keeps.
template <class Generate>
void reportMemory(benchmark::State& state, Generate generate) {
    const std::size_t before = heap::live;
    heap::peak = before;
    ChainSet set = generate();
    const auto kept = static_cast<double>(heap::live - before);
    const auto peak = static_cast<double>(heap::peak - before);
    const auto& all = set->featurelets();
    state.counters["slack"] =
        all.empty() ? 1.0 : static_cast<double>(all.capacity()) / static_cast<double>(all.size());
    state.counters["peak_x_result"] = kept > 0 ? peak / kept : 0.0;
}

void countItems(benchmark::State& state, long perIteration) {
    state.counters["featurelets"] = static_cast<double>(perIteration);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * perIteration);
}

// ---------------------------------------------------------------------------
// The ring: a closed contour of n pieces on a circle, alternating chords and
// arcs of the circle itself, each about kPieceLength long.

struct Ring {
    long pieces;
    double radius;
    double step;  // angle per piece

    explicit Ring(long n)
        : pieces(n),
          radius(kPieceLength * static_cast<double>(n) / kTwoPi),
          step(kTwoPi / static_cast<double>(n)) {}

    double angleAt(long k) const { return step * static_cast<double>(k); }
    ccVector<2> pointAt(long k) const { return ccVector<2>::polar(angleAt(k)) * radius; }
    bool isArc(long k) const { return k % 2 == 1; }
    // Mixed weights cycle with period three, so neighbours always differ.
    double weight(long k, bool mixed) const { return mixed ? 1.0 - 0.25 * (k % 3) : 1.0; }
};

ccPtrHandle<ccContourTree> ringContour(const Ring& ring, bool mixed) {
    auto contour = cfMakeHandle<ccContourTree>(true);
    const ccEllipse2 circle(ccVector<2>(0, 0), ccVector<2>(ring.radius, ring.radius));
    for (long k = 0; k < ring.pieces; ++k) {
        const ccShapeModelProps props(false, ring.weight(k, mixed), false, 1.0);
        ccPtrHandle_const<ccShape> piece;
        if (ring.isArc(k)) {
            piece = cfMakeHandle<ccShapeModelTemplate<ccEllipseArc2>>(
                ccEllipseArc2(circle, ccRadian(ring.angleAt(k)), ccRadian(ring.step)), props);
        } else {
            piece = cfMakeHandle<ccShapeModelTemplate<ccLineSeg>>(
                ccLineSeg(ring.pointAt(k), ring.pointAt(k + 1)), props);
        }
        contour->addChild(piece, true);
    }
    return contour;
}

Params spacedParams() {
    Params params(ccShape::ccSampleParams(0.0, kSpacing, ccNoPointLimit, true, false));
    return params;
}

Params uniformParams(long maxPoints) {
    ccShape::ccSampleParams sample(0.0, kSpacing, maxPoints, true, false);
    sample.uniformMode(true);
    return Params(sample);
}

// ---- floors ----

// Arc lengths at which a piece of `length` is sampled at kSpacing, its end
// included, as an open piece of a contour is.
long spacedCount(double length) {
    long n = 0;
    while (kSpacing * static_cast<double>(n) < length - kEndGap) ++n;
    return n + 1;
}

// The featurelet at arc length s of ring piece k.
ccFeaturelet ringFeaturelet(const Ring& ring, long k, double s, double length, double weight) {
    if (ring.isArc(k)) {
        const double phi = ring.angleAt(k) + s / ring.radius;
        return ccFeaturelet(ccVector<2>::polar(phi) * ring.radius, ccRadian(phi + 2 * kQuarterTurn),
                            1.0, weight, false);
    }
    const ccVector<2> a = ring.pointAt(k), b = ring.pointAt(k + 1);
    const ccVector<2> d = b - a;
    const ccVector<2> p = s >= length ? b : a + d * (s / length);
    return ccFeaturelet(p, ccRadian(d.angle() + kQuarterTurn), 1.0, weight, false);
}

double ringPieceLength(const Ring& ring, long k) {
    if (ring.isArc(k)) return ring.radius * ring.step;
    return (ring.pointAt(k + 1) - ring.pointAt(k)).len();
}

ccFeaturelet mergedJoint(const ccFeaturelet& prev, const ccFeaturelet& cur) {
    const double d = (prev.angle - cur.angle).norm().toDouble();
    const double mid = d <= 2 * kQuarterTurn ? cur.angle.toDouble() + d * 0.5
                                             : prev.angle.toDouble() + (kTwoPi - d) * 0.5;
    return ccFeaturelet(cur.position, ccRadian(mid).signedNorm(),
                        0.5 * (prev.magnitude() + cur.magnitude()),
                        0.5 * (cur.weight + prev.weight), false);
}

// The ring's featurelets: every piece without its last sample, each piece's
// first sample merged with the previous piece's last when `merge`.
void ringFloor(const Ring& ring, bool mixed, bool merge, std::vector<ccFeaturelet>& out) {
    out.clear();
    ccFeaturelet last;
    for (long k = 0; k < ring.pieces; ++k) {
        const double length = ringPieceLength(ring, k);
        const double w = ring.weight(k, mixed);
        const long n = spacedCount(length);
        const std::size_t first = out.size();
        for (long i = 0; i + 1 < n; ++i)
            out.push_back(ringFeaturelet(ring, k, kSpacing * static_cast<double>(i), length, w));
        if (merge && k > 0) out[first] = mergedJoint(last, out[first]);
        last = ringFeaturelet(ring, k, length, length, w);
    }
    if (merge) out[0] = mergedJoint(last, out[0]);
}

// The ring sampled uniformly: `count` samples at equal arc-length steps over
// the whole contour, each taking its piece's weight.
void uniformRingFloor(const Ring& ring, long count, std::vector<ccFeaturelet>& out) {
    out.clear();
    std::vector<double> lengths(ring.pieces);
    double total = 0;
    for (long k = 0; k < ring.pieces; ++k) total += lengths[k] = ringPieceLength(ring, k);
    const double step = total / static_cast<double>(count);
    long k = 0;
    double start = 0;
    for (long i = 0; i < count; ++i) {
        const double s = step * static_cast<double>(i);
        while (k + 1 < ring.pieces && s >= start + lengths[k]) start += lengths[k++];
        out.push_back(ringFeaturelet(ring, k, s - start, lengths[k], ring.weight(k, true)));
    }
}

// ---- (a), (b), (d), and the linearity variant of (a) ----

void contourFeatures(benchmark::State& state, bool mixed, const Params& params) {
    const Ring ring(state.range(0));
    const auto contour = ringContour(ring, mixed);
    long n = 0;
    for (auto _ : state) {
        ChainSet set = ccShapeModel::features(*contour, params);
        n = set->numFeaturelets();
        benchmark::DoNotOptimize(set.get());
    }
    countItems(state, n);
    reportMemory(state, [&] { return ccShapeModel::features(*contour, params); });
}

void BM_a_JoinedContour(benchmark::State& state) {
    contourFeatures(state, true, spacedParams());
}
void BM_a_JoinedContour_Floor(benchmark::State& state) {
    const Ring ring(state.range(0));
    std::vector<ccFeaturelet> out;
    ringFloor(ring, true, true, out);
    for (auto _ : state) {
        ringFloor(ring, true, true, out);
        benchmark::DoNotOptimize(out.data());
    }
    countItems(state, static_cast<long>(out.size()));
}

void BM_b_WholeContour(benchmark::State& state) {
    contourFeatures(state, false, spacedParams());
}
void BM_b_WholeContour_Floor(benchmark::State& state) {
    const Ring ring(state.range(0));
    std::vector<ccFeaturelet> out;
    ringFloor(ring, false, false, out);
    for (auto _ : state) {
        ringFloor(ring, false, false, out);
        benchmark::DoNotOptimize(out.data());
    }
    countItems(state, static_cast<long>(out.size()));
}

// Uniform mode asks for as many samples as spaced sampling gives.
long uniformCount(long pieces) {
    return static_cast<long>(std::lround(kPieceLength / kSpacing)) * pieces;
}

void BM_d_UniformContour(benchmark::State& state) {
    contourFeatures(state, true, uniformParams(uniformCount(state.range(0))));
}
void BM_d_UniformContour_Floor(benchmark::State& state) {
    const Ring ring(state.range(0));
    std::vector<ccFeaturelet> out;
    out.reserve(uniformCount(ring.pieces));
    for (auto _ : state) {
        uniformRingFloor(ring, uniformCount(ring.pieces), out);
        benchmark::DoNotOptimize(out.data());
    }
    countItems(state, static_cast<long>(out.size()));
}

// ---- (c) a general tree of circle models ----

constexpr double kCircleRadius = kPieceLength / kTwoPi * 1.5;

// Circles in rows of a hundred.
ccVector<2> circleCenter(long k) {
    const long column = k % 100, row = k / 100;
    return ccVector<2>(static_cast<double>(column) * 4 * kCircleRadius,
                       static_cast<double>(row) * 4 * kCircleRadius);
}

void BM_c_CircleTree(benchmark::State& state) {
    const long count = state.range(0);
    auto tree = cfMakeHandle<ccGeneralShapeTree>();
    for (long k = 0; k < count; ++k) {
        const ccShapeModelProps props(false, 1.0 - 0.25 * (k % 3), false, 1.0);
        tree->addChild(cfMakeHandle<ccShapeModelTemplate<ccCircle>>(
                           ccCircle(circleCenter(k), kCircleRadius), props),
                       true);
    }
    const Params params = spacedParams();
    long n = 0;
    for (auto _ : state) {
        ChainSet set = ccShapeModel::features(*tree, params);
        n = set->numFeaturelets();
        benchmark::DoNotOptimize(set.get());
    }
    countItems(state, n);
    reportMemory(state, [&] { return ccShapeModel::features(*tree, params); });
}

void circleFloor(long count, std::vector<ccFeaturelet>& out) {
    out.clear();
    const double perimeter = kTwoPi * kCircleRadius;
    const long n = spacedCount(perimeter) - 1;  // a closed curve does not repeat its start
    for (long k = 0; k < count; ++k) {
        const ccVector<2> c = circleCenter(k);
        const double w = 1.0 - 0.25 * (k % 3);
        for (long i = 0; i < n; ++i) {
            const double phi = kSpacing * static_cast<double>(i) / kCircleRadius;
            out.emplace_back(c + ccVector<2>::polar(phi) * kCircleRadius,
                             ccRadian(phi + 2 * kQuarterTurn), 1.0, w, false);
        }
    }
}

void BM_c_CircleTree_Floor(benchmark::State& state) {
    std::vector<ccFeaturelet> out;
    circleFloor(state.range(0), out);
    for (auto _ : state) {
        circleFloor(state.range(0), out);
        benchmark::DoNotOptimize(out.data());
    }
    countItems(state, static_cast<long>(out.size()));
}

// ---- (e) complex features of a plate with holes ----

void BM_e_ComplexPlate(benchmark::State& state) {
    const long holes = state.range(0);
    const long side = static_cast<long>(std::ceil(std::sqrt(static_cast<double>(holes))));
    const double pitch = 30.0;
    const double half = pitch * static_cast<double>(side) / 2;
    auto plate = cfMakeHandle<ccRegionTree>(ccCircle(ccVector<2>(0, 0), half * 1.5), false);
    for (long k = 0; k < holes; ++k) {
        const long column = k % side, row = k / side;
        const ccVector<2> c(pitch * (static_cast<double>(column) + 0.5) - half,
                            pitch * (static_cast<double>(row) + 0.5) - half);
        plate->insertChild(plate->numChildren(),
                           cfMakeHandle<ccRegionTree>(ccCircle(c, 5.0), false), true);
    }
    long n = 0;
    for (auto _ : state) {
        ChainSet set = cfComplexFeatures(*plate, 1.0, 4.0, 0, ccNoPointLimit, 0.0);
        n = set->numFeaturelets();
        benchmark::DoNotOptimize(set.get());
    }
    countItems(state, n);
    reportMemory(state,
                 [&] { return cfComplexFeatures(*plate, 1.0, 4.0, 0, ccNoPointLimit, 0.0); });
}

// ---- (f) sampling a closed polyline, against Boost.Geometry's densify ----

std::vector<ccVector<2>> polygonVertices(long n) {
    const double radius = kPieceLength * static_cast<double>(n) / kTwoPi;
    std::vector<ccVector<2>> vertices;
    for (long k = 0; k < n; ++k)
        vertices.push_back(
            ccVector<2>::polar(kTwoPi * static_cast<double>(k) / static_cast<double>(n)) * radius);
    return vertices;
}

void polylineSample(benchmark::State& state, bool tangents) {
    const ccPolyline polyline(polygonVertices(state.range(0)), true);
    const ccShape::ccSampleParams params(0.0, kSpacing, ccNoPointLimit, tangents, true);
    ccShape::ccSampleResult result;
    for (auto _ : state) {
        result.clear();
        polyline.sample(params, result);
        benchmark::DoNotOptimize(result.positions().data());
    }
    countItems(state, static_cast<long>(result.positions().size()));
}

void BM_f_PolylineSample(benchmark::State& state) {
    polylineSample(state, false);
}
void BM_f_PolylineSampleWithTangents(benchmark::State& state) {
    polylineSample(state, true);
}

namespace bg = boost::geometry;
using BoostPoint = bg::model::d2::point_xy<double>;
using BoostRing = bg::model::ring<BoostPoint>;

void BM_f_PolylineSample_BoostDensify(benchmark::State& state) {
    BoostRing ring;
    for (const ccVector<2>& v : polygonVertices(state.range(0)))
        ring.push_back(BoostPoint(v.x(), v.y()));
    ring.push_back(ring.front());
    BoostRing out;
    for (auto _ : state) {
        out.clear();
        bg::densify(ring, out, kSpacing);
        benchmark::DoNotOptimize(out.data());
    }
    countItems(state, static_cast<long>(out.size()));
}

}  // namespace

BENCHMARK(BM_a_JoinedContour)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_a_JoinedContour_Floor)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_a_JoinedContour)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_a_JoinedContour_Floor)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_b_WholeContour)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_b_WholeContour_Floor)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_c_CircleTree)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_c_CircleTree_Floor)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_d_UniformContour)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_d_UniformContour_Floor)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_e_ComplexPlate)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_f_PolylineSample)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_f_PolylineSampleWithTangents)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_f_PolylineSample_BoostDensify)->Arg(10000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
