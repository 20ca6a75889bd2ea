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

// The sides of a regular polygon of `n` sides one unit long, in shuffled
// order, every other one (after shuffling) running backwards.
ccPtrHandle<ccGeneralShapeTree> shuffledPolygon(long n) {
    const double radius = 0.5 / std::sin(ccPi / static_cast<double>(n));
    std::vector<ccVector<2>> corners;
    for (long i = 0; i < n; ++i) {
        const double a = 2 * ccPi * static_cast<double>(i) / static_cast<double>(n);
        corners.emplace_back(radius * std::cos(a), radius * std::sin(a));
    }
    std::vector<long> order(static_cast<std::size_t>(n));
    for (long i = 0; i < n; ++i) order[static_cast<std::size_t>(i)] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937_64(20));
    auto tree = cfMakeHandle<ccGeneralShapeTree>();
    for (std::size_t k = 0; k < order.size(); ++k) {
        const auto i = static_cast<std::size_t>(order[k]);
        const ccVector<2>& a = corners[i];
        const ccVector<2>& b = corners[(i + 1) % corners.size()];
        tree->addChild(k % 2 == 0 ? cfMakeHandle<ccLineSeg>(a, b) : cfMakeHandle<ccLineSeg>(b, a),
                       true);
    }
    return tree;
}

constexpr double kDistance = 0.01;

void BM_Connect(benchmark::State& state) {
    const auto polygon = shuffledPolygon(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(cfConnect(*polygon, kDistance));
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
BENCHMARK(BM_ConnectByScan)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
