// Connecting loose pieces: cfConnect on a closed polygon whose sides are
// shuffled and half of them turned round, against the plain pass of the
// tests (every later piece compared with the chain) on the same input.
//
// The goals are stated per size and as growth: the time per piece at each
// size over the time per piece at 10,000 pieces, which is 1 for a pass
// linear in the number of pieces.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "ch_core/shapemod.h"
#include "shmd/connect_by_scan.h"  // tests/shmd

namespace {

// The sides of a regular polygon of `n` sides one unit long, every other one
// running backwards, in the order the outline runs or shuffled.
struct Polygon {
    ccPtrHandle<ccGeneralShapeTree> tree;
    std::vector<long> sides;  // the side each piece is, in order of piece
};

Polygon polygon(long n, bool shuffled) {
    const double radius = 0.5 / std::sin(ccPi / static_cast<double>(n));
    std::vector<ccVector<2>> corners;
    for (long i = 0; i < n; ++i) {
        const double a = 2 * ccPi * static_cast<double>(i) / static_cast<double>(n);
        corners.emplace_back(radius * std::cos(a), radius * std::sin(a));
    }
    Polygon p{cfMakeHandle<ccGeneralShapeTree>(), std::vector<long>(static_cast<std::size_t>(n))};
    for (long i = 0; i < n; ++i) p.sides[static_cast<std::size_t>(i)] = i;
    if (shuffled) std::shuffle(p.sides.begin(), p.sides.end(), std::mt19937_64(20));
    for (std::size_t k = 0; k < p.sides.size(); ++k) {
        const auto i = static_cast<std::size_t>(p.sides[k]);
        const ccVector<2>& a = corners[i];
        const ccVector<2>& b = corners[(i + 1) % corners.size()];
        p.tree->addChild(k % 2 == 0 ? cfMakeHandle<ccLineSeg>(a, b) : cfMakeHandle<ccLineSeg>(b, a),
                         true);
    }
    return p;
}

ccPtrHandle<ccGeneralShapeTree> shuffledPolygon(long n) {
    return polygon(n, true).tree;
}

constexpr double kDistance = 0.01;

void BM_Connect(benchmark::State& state) {
    const auto polygon = shuffledPolygon(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(cfConnect(*polygon, kDistance));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The drawn order: a chain takes its neighbours one after another from
// nearby memory.
void BM_ConnectInOrder(benchmark::State& state) {
    const auto inOrder = polygon(state.range(0), false).tree;
    for (auto _ : state) benchmark::DoNotOptimize(cfConnect(*inOrder, kDistance));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The floor under any connect of the shuffled polygon: going round the
// outline once, reading each piece's end, with the next piece known
// beforehand. Each step waits for the next piece's number, which lies
// anywhere in memory, so the time a step is about one trip to memory at the
// size of the input.
void BM_WalkRoundTheOutline(benchmark::State& state) {
    const Polygon p = polygon(state.range(0), true);
    std::vector<std::size_t> pieceOfSide(p.sides.size()), next(p.sides.size());
    for (std::size_t k = 0; k < p.sides.size(); ++k)
        pieceOfSide[static_cast<std::size_t>(p.sides[k])] = k;
    for (std::size_t k = 0; k < p.sides.size(); ++k)
        next[k] = pieceOfSide[(static_cast<std::size_t>(p.sides[k]) + 1) % p.sides.size()];
    const ccShapeTree::ChildList& pieces = p.tree->children();
    for (auto _ : state) {
        double sum = 0;
        for (std::size_t step = 0, piece = pieceOfSide[0]; step < pieces.size(); ++step) {
            sum += pieces[piece]->endPoint().x();
            piece = next[piece];
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_ConnectByScan(benchmark::State& state) {
    const auto polygon = shuffledPolygon(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(connect_by_scan::connectByScan(
            *polygon, kDistance, cc2XformLinear(), connect_by_scan::Flavour::Module));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

}  // namespace

BENCHMARK(BM_Connect)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConnectInOrder)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WalkRoundTheOutline)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConnectByScan)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
