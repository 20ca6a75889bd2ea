// Clipping and sampling trees nested deep: contours inside contours, general
// trees inside general trees, region nodes inside region nodes, at 1,000 and
// 10,000 levels. Every level costs the same, so the time at 10,000 levels
// should be ten times that at 1,000; a walk that measures or copies a level's
// whole subtree again would make it a hundred times.
#include <benchmark/benchmark.h>

#include "ch_core/shapemod.h"

namespace {

using Shape = ccPtrHandle_const<ccShape>;

Shape segment() {
    return cfMakeHandle<ccLineSeg>(ccVector<2>(0, 0), ccVector<2>(10, 0));
}

// A segment inside `depth` open contours, every other one a model.
Shape deepContour(long depth) {
    Shape node = segment();
    for (long level = 0; level < depth; ++level) {
        auto tree = cfMakeHandle<ccContourTree>(false);
        tree->addChild(node, false);
        node = level % 2 == 0 ? Shape(tree) : Shape(ccShapeModelProps(false, 2.0).assign(*tree));
    }
    return node;
}

Shape deepGeneral(long depth) {
    Shape node = segment();
    for (long level = 0; level < depth; ++level) {
        auto tree = cfMakeHandle<ccGeneralShapeTree>();
        tree->addChild(node, false);
        node = tree;
    }
    return node;
}

// Rings of radius 1 to 2, each a region node holding the next smaller, so
// that every ring gives a handful of samples at any depth.
Shape deepRings(long depth) {
    auto node = cfMakeHandle<ccRegionTree>(ccCircle(ccVector<2>(0, 0), 1.0), depth % 2 == 0);
    for (long ring = 1; ring < depth; ++ring) {
        const double radius = 1.0 + static_cast<double>(ring) / static_cast<double>(depth);
        auto outer =
            cfMakeHandle<ccRegionTree>(ccCircle(ccVector<2>(0, 0), radius), !node->isHole());
        outer->addChild(Shape(node), true);
        node = outer;
    }
    return node;
}

// The square from (-1, -1) to (4, 4): it cuts the segment at (4, 0) and lies
// inside every ring.
const ccPolyline& window() {
    static const ccPolyline square(std::vector<ccVector<2>>{{-1, -1}, {4, -1}, {4, 4}, {-1, 4}},
                                   true);
    return square;
}

// A square that cuts the outer tenth of the rings, whatever their number.
const ccPolyline& ringWindow() {
    static const ccPolyline square(
        std::vector<ccVector<2>>{{-1.9, -1.9}, {1.9, -1.9}, {1.9, 1.9}, {-1.9, 1.9}}, true);
    return square;
}

template <Shape (*Make)(long)>
void BM_Clip(benchmark::State& state) {
    const Shape shape = Make(state.range(0));
    const ccPolyline& region = Make == deepRings ? ringWindow() : window();
    for (auto _ : state) {
        ccClipInfo info;
        benchmark::DoNotOptimize(shape->clip(region, info));
    }
    state.counters["levels"] = static_cast<double>(state.range(0));
}

template <Shape (*Make)(long)>
void BM_Sample(benchmark::State& state) {
    const Shape shape = Make(state.range(0));
    for (auto _ : state) {
        ccShape::ccSampleResult samples;
        shape->sample(ccShape::ccSampleParams(), samples);
        benchmark::DoNotOptimize(samples.positions().data());
    }
    state.counters["levels"] = static_cast<double>(state.range(0));
}

template <Shape (*Make)(long)>
void BM_Features(benchmark::State& state) {
    const Shape shape = Make(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(ccShapeModel::features(*shape, ccShapeModel::ccFeatureParams()));
    state.counters["levels"] = static_cast<double>(state.range(0));
}

}  // namespace

BENCHMARK_TEMPLATE(BM_Clip, deepContour)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Clip, deepGeneral)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Clip, deepRings)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Sample, deepGeneral)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Sample, deepRings)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Features, deepRings)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
