// Edge benchmarks: cfEdges on a 1024 x 768 scene against OpenCV's Canny on
// the same image in the same run. Canny gives pixels only, with no subpixel
// positions, directions or chains; it is the yardstick the ratio is taken
// against. OpenCV runs on one thread, as cfEdges does.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <vector>

#include "find/edges.h"

namespace {

constexpr int kWidth = 1024, kHeight = 768;

// Light discs, blocks and a turned block on a dark ground, 50 and 150 grey
// levels, antialiased, blurred by sigma 1, with noise of sigma 5.
cv::Mat scene() {
    cv::Mat grey(kHeight, kWidth, CV_32F, cv::Scalar(50));
    const cv::Scalar light(150);
    cv::circle(grey, {200, 200}, 120, light, cv::FILLED, cv::LINE_AA);
    cv::circle(grey, {200, 200}, 40, cv::Scalar(50), cv::FILLED, cv::LINE_AA);
    cv::circle(grey, {820, 560}, 90, light, cv::FILLED, cv::LINE_AA);
    cv::rectangle(grey, cv::Rect(420, 80, 300, 180), light, cv::FILLED, cv::LINE_AA);
    const cv::RotatedRect turned({450, 520}, {260, 140}, 30);
    cv::Point2f corners[4];
    turned.points(corners);
    const std::vector<cv::Point> polygon(corners, corners + 4);
    cv::fillConvexPoly(grey, polygon, light, cv::LINE_AA);
    cv::GaussianBlur(grey, grey, cv::Size(), 1.0);
    cv::Mat noise(grey.size(), CV_32F);
    cv::RNG random(1);
    random.fill(noise, cv::RNG::NORMAL, 0, 5);
    grey += noise;
    cv::Mat pels;
    grey.convertTo(pels, CV_8U);
    return pels;
}

ccImage8 asImage(const cv::Mat& pels) {
    return ccImage8(pels.cols, pels.rows, std::vector<unsigned char>(pels.datastart, pels.dataend));
}

void BM_cfEdges(benchmark::State& state) {
    cv::setNumThreads(1);
    const ccImage image = asImage(scene());
    long featurelets = 0;
    for (auto _ : state) {
        const ccFeatureletChainSet edges = cfEdges(image, ccEdgeParams{});
        featurelets = edges.numFeaturelets();
        benchmark::DoNotOptimize(featurelets);
    }
    state.counters["featurelets"] = static_cast<double>(featurelets);
}
BENCHMARK(BM_cfEdges)->Unit(benchmark::kMillisecond);

// The same thresholds: Canny's 3x3 Sobel reads 8 times the slope, and its
// L2 norm is the magnitude cfEdges thresholds.
void BM_Canny(benchmark::State& state) {
    cv::setNumThreads(1);
    const cv::Mat pels = scene();
    const ccEdgeParams params;
    cv::Mat edges;
    for (auto _ : state) {
        cv::Canny(pels, edges, 8 * params.low, 8 * params.high, 3, true);
        benchmark::DoNotOptimize(edges.data);
    }
    state.counters["pixels"] = cv::countNonZero(edges);
}
BENCHMARK(BM_Canny)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
