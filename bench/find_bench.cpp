// Finder benchmarks on the test set of bench/find/make_testset.sh, rendered
// here with the same poses and parameters so that no files are needed:
// a full-circle search at scale 1 against an exhaustive search written for the
// purpose, the scale range 0.8 to 1.25 against scale 1, and the accuracy over
// the twenty images. Each ratio is taken within one benchmark, the scale
// range and scale 1 interleaved image by image, so that the load of a shared
// machine falls on both sides alike.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <vector>

#include "find/finder.h"
#include "find/render.h"
#include "shapemod/modelfile.h"

namespace {

constexpr long kImages = 20;
constexpr long kWidth = 1024, kHeight = 768;
// How far the plate's centre keeps from the borders at scale 1.
constexpr double kPlateReach = 185;
// The exhaustive search's featurelets at half resolution.
constexpr double kExhaustiveFeaturelets = 300;

struct Scene {
    ccPose truth;
    ccImage8 image;
};

const shapemod::ModelFile& plate() {
    static const shapemod::ModelFile model = shapemod::readModelFile(SHMD_FIND_PLATE);
    return model;
}

// The poses make_testset.sh draws: the same generator, the same hundredths.
std::vector<ccPose> truths() {
    long long state = 19;
    const auto next = [&state](long long span) {
        state = (1103515245LL * state + 12345) % 2147483648LL;
        return static_cast<double>(state % span);
    };
    std::vector<ccPose> poses;
    for (int i = 0; i < kImages; ++i) {
        const double x = (18500 + next(65400)) / 100;
        const double y = (18500 + next(39800)) / 100;
        const double degrees = next(36000) / 100;
        poses.push_back({x, y, ccDegree(degrees).toRadian(), 1.0});
    }
    return poses;
}

Scene renderScene(const ccPose& pose, unsigned seed) {
    ccRenderParams params;
    params.width = kWidth;
    params.height = kHeight;
    params.pose = pose;
    params.dark = 60;
    params.light = 180;
    params.blurSigma = 1;
    params.noiseSigma = 5;
    params.seed = seed;
    return {pose, std::get<ccImage8>(cfRenderModel(*plate().shape, params))};
}

const std::vector<Scene>& scenes() {
    static const std::vector<Scene> all = [] {
        std::vector<Scene> rendered;
        for (const ccPose& pose : truths())
            rendered.push_back(renderScene(pose, static_cast<unsigned>(rendered.size() + 1)));
        return rendered;
    }();
    return all;
}

// The test set's poses at scales spread evenly over 0.8 to 1.25, moved in
// from the borders as far as the larger plates need.
const std::vector<Scene>& scaledScenes() {
    static const std::vector<Scene> all = [] {
        std::vector<Scene> rendered;
        for (ccPose pose : truths()) {
            pose.scale = 0.8 + 0.45 * static_cast<double>(rendered.size()) / (kImages - 1);
            const double margin = kPlateReach * pose.scale;
            pose.x = std::clamp(pose.x, margin, kWidth - margin);
            pose.y = std::clamp(pose.y, margin, kHeight - margin);
            rendered.push_back(renderScene(pose, static_cast<unsigned>(rendered.size() + 1)));
        }
        return rendered;
    }();
    return all;
}

const ccSearchModel& trained() {
    static const ccSearchModel model(*plate().shape, plate().params);
    return model;
}

ccFindParams searchParams(double scaleMin, double scaleMax, int threads = 0) {
    ccFindParams params;
    params.scaleMin = scaleMin;
    params.scaleMax = scaleMax;
    params.threads = threads;
    return params;
}

template <class F>
double seconds(F&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Processor time of the calling thread: what a search costs when the load
// of a shared machine stretches its wall time.
template <class F>
double threadSeconds(F&& work) {
    const auto now = [] {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
    };
    const double start = now();
    work();
    return now() - start;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0.0 : (values[(n - 1) / 2] + values[n / 2]) / 2;
}

// The largest (or, with `lowest`, the smallest) value; 0 for none.
double extreme(const std::vector<double>& values, bool lowest = false) {
    if (values.empty()) return 0.0;
    return lowest ? *std::min_element(values.begin(), values.end())
                  : *std::max_element(values.begin(), values.end());
}

double searchSeconds(const Scene& scene, const ccFindParams& params) {
    return seconds([&] { benchmark::DoNotOptimize(cfFind(trained(), scene.image, params)); });
}

// ---------------------------------------------------------------------------
// The exhaustive reference: the score of find/finder.h at every pixel of the
// half-resolution image and every whole degree, featurelets looked up at the
// nearest pixel, in plain scalar code.

// Unit gradient vectors of the half-resolution image (Scharr / 32), zero
// where the gradient is weaker than the contrast, inside a border of zeros
// wide enough that no featurelet reads outside.
struct UnitGradient {
    int width = 0, height = 0, border = 0, stride = 0;
    std::vector<float> ux, uy;
};

UnitGradient unitGradient(const ccImage8& image, double contrast, int border) {
    const cv::Mat full(static_cast<int>(image.height()), static_cast<int>(image.width()), CV_8U,
                       const_cast<unsigned char*>(image.pels().data()));
    cv::Mat half, gx, gy;
    cv::resize(full, half, cv::Size(full.cols / 2, full.rows / 2), 0, 0, cv::INTER_AREA);
    cv::Scharr(half, gx, CV_32F, 1, 0, 1.0 / 32);
    cv::Scharr(half, gy, CV_32F, 0, 1, 1.0 / 32);
    UnitGradient g;
    g.width = half.cols;
    g.height = half.rows;
    g.border = border;
    g.stride = half.cols + 2 * border;
    const std::size_t size = static_cast<std::size_t>(g.stride) * (half.rows + 2 * border);
    g.ux.assign(size, 0.0F);
    g.uy.assign(size, 0.0F);
    for (int r = 0; r < half.rows; ++r)
        for (int c = 0; c < half.cols; ++c) {
            const float x = gx.at<float>(r, c), y = gy.at<float>(r, c);
            const float magnitude = std::sqrt(x * x + y * y);
            if (magnitude < contrast) continue;
            const std::size_t at = static_cast<std::size_t>(r + border) * g.stride + c + border;
            g.ux[at] = x / magnitude;
            g.uy[at] = y / magnitude;
        }
    return g;
}

// The plate's featurelets, about kExhaustiveFeaturelets of them, at half
// resolution. The plate is drawn by hand: every relative magnitude is 1.
std::vector<ccFeaturelet> halfResolutionFeaturelets() {
    const ccShape& shape = *plate().shape;
    const double spacing = shape.perimeter() / kExhaustiveFeaturelets;
    const auto chains =
        ccShapeModel::features(shape, ccShapeModel::ccFeatureParams(ccShape::ccSampleParams(
                                          0.0, spacing, ccNoPointLimit, true, false)));
    std::vector<ccFeaturelet> half = chains->featurelets();
    for (ccFeaturelet& f : half) f.position = f.position * 0.5;
    return half;
}

// One featurelet at one angle: where it reads, relative to the pose's pixel,
// and the direction it expects there.
struct Probe {
    long offset;
    float cx, cy, weight;
    bool mod180;
};

std::vector<Probe> probesAt(const std::vector<ccFeaturelet>& featurelets, double angle,
                            int stride) {
    const double c = std::cos(angle), s = std::sin(angle);
    std::vector<Probe> probes;
    for (const ccFeaturelet& f : featurelets) {
        const double x = c * f.position.x() - s * f.position.y();
        const double y = s * f.position.x() + c * f.position.y();
        const double direction = f.angle.toDouble() + angle;
        probes.push_back(
            {std::lround(y) * stride + std::lround(x), static_cast<float>(std::cos(direction)),
             static_cast<float>(std::sin(direction)), static_cast<float>(f.weight), f.isMod180()});
    }
    return probes;
}

struct ExhaustiveBest {
    double score = -1;
    ccPose pose;
    std::size_t featurelets = 0;
};

ExhaustiveBest exhaustiveSearch(const ccImage8& image, double contrast) {
    const std::vector<ccFeaturelet> featurelets = halfResolutionFeaturelets();
    double positive = 0, radius = 0;
    for (const ccFeaturelet& f : featurelets) {
        positive += std::max(f.weight, 0.0);
        radius = std::max(radius, f.position.len());
    }
    const UnitGradient g = unitGradient(image, contrast, static_cast<int>(radius) + 2);
    ExhaustiveBest best;
    best.featurelets = featurelets.size();
    for (int degree = 0; degree < 360; ++degree) {
        const double angle = ccDegree(degree).toRadian().toDouble();
        const std::vector<Probe> probes = probesAt(featurelets, angle, g.stride);
        for (int y = 0; y < g.height; ++y)
            for (int x = 0; x < g.width; ++x) {
                const long at = static_cast<long>(y + g.border) * g.stride + x + g.border;
                double sum = 0;
                for (const Probe& p : probes) {
                    float cosine = g.ux[at + p.offset] * p.cx + g.uy[at + p.offset] * p.cy;
                    if (p.mod180) cosine = std::fabs(cosine);
                    // A featurelet of negative weight only ever subtracts.
                    if (p.weight < 0) cosine = std::max(cosine, 0.0F);
                    sum += p.weight * cosine;
                }
                // Pixel x of the half image covers full pixels 2x and 2x + 1.
                if (sum / positive > best.score) {
                    best.score = sum / positive;
                    best.pose = {2 * x + 0.5, 2 * y + 0.5, ccRadian(angle), 1.0};
                }
            }
    }
    return best;
}

double positionError(const ccPose& found, const ccPose& truth) {
    return std::hypot(found.x - truth.x, found.y - truth.y);
}

double angleErrorDegrees(const ccPose& found, const ccPose& truth) {
    return std::fabs(
        ccDegree(ccRadian(std::remainder(found.angle.toDouble() - truth.angle.toDouble(), ccTwoPi)))
            .toDouble());
}

// ---------------------------------------------------------------------------

// (a) The full-circle search at scale 1, one image an iteration; the reported
// time is the mean per image, the counter the median.
void BM_a_FullCircle(benchmark::State& state) {
    const ccFindParams params = searchParams(1, 1, static_cast<int>(state.range(0)));
    std::vector<double> times;
    std::size_t i = 0;
    for (auto _ : state) {
        times.push_back(searchSeconds(scenes()[i++ % scenes().size()], params));
        state.SetIterationTime(times.back());
    }
    state.counters["median_ms"] = 1e3 * median(times);
    state.counters["featurelets"] = static_cast<double>(trained().numFeaturelets(0));
    state.counters["levels"] = static_cast<double>(trained().numLevels());
    state.counters["model_MB"] = static_cast<double>(trained().memoryBytes()) / 1e6;
}
// Both cores (0), and one.
BENCHMARK(BM_a_FullCircle)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(2 * kImages)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// (b) The exhaustive search on the first image, against the finder's median
// over the test set measured in the same run: wall time with both cores, and
// processor time with one thread against the exhaustive search's own.
void BM_b_Exhaustive(benchmark::State& state) {
    const ccFindParams params = searchParams(1, 1), oneThread = searchParams(1, 1, 1);
    ExhaustiveBest best;
    for (auto _ : state) {
        double processor = 0;
        const double taken = seconds([&] {
            processor =
                threadSeconds([&] { best = exhaustiveSearch(scenes()[0].image, params.contrast); });
        });
        state.SetIterationTime(taken);
        std::vector<double> finder, finderProcessor;
        for (const Scene& scene : scenes()) {
            finder.push_back(searchSeconds(scene, params));
            finderProcessor.push_back(threadSeconds(
                [&] { benchmark::DoNotOptimize(cfFind(trained(), scene.image, oneThread)); }));
        }
        state.counters["exhaustive_s"] = taken;
        state.counters["finder_ms"] = 1e3 * median(finder);
        state.counters["ratio"] = taken / median(finder);
        state.counters["exhaustive_cpu_s"] = processor;
        state.counters["finder1_cpu_ms"] = 1e3 * median(finderProcessor);
        state.counters["cpu_ratio"] = processor / median(finderProcessor);
    }
    state.counters["featurelets"] = static_cast<double>(best.featurelets);
    state.counters["best_score"] = best.score;
    state.counters["best_pos_err"] = positionError(best.pose, scenes()[0].truth);
    state.counters["best_ang_err"] = angleErrorDegrees(best.pose, scenes()[0].truth);
}
BENCHMARK(BM_b_Exhaustive)
    ->Iterations(1)
    ->Repetitions(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

// (c) Scales 0.8 to 1.25 against scale 1, each image searched both ways in
// turn: wall time on both cores, and processor time on one thread.
void BM_c_ScaleRange(benchmark::State& state) {
    const ccFindParams range = searchParams(0.8, 1.25), fixed = searchParams(1, 1);
    const ccFindParams rangeAlone = searchParams(0.8, 1.25, 1), fixedAlone = searchParams(1, 1, 1);
    std::vector<double> ranged, single, rangedProcessor, singleProcessor;
    const auto processorSeconds = [](const Scene& scene, const ccFindParams& params) {
        return threadSeconds(
            [&] { benchmark::DoNotOptimize(cfFind(trained(), scene.image, params)); });
    };
    std::size_t i = 0;
    for (auto _ : state) {
        const Scene& scene = scenes()[i++ % scenes().size()];
        ranged.push_back(searchSeconds(scene, range));
        single.push_back(searchSeconds(scene, fixed));
        rangedProcessor.push_back(processorSeconds(scene, rangeAlone));
        singleProcessor.push_back(processorSeconds(scene, fixedAlone));
        state.SetIterationTime(ranged.back());
    }
    state.counters["median_ms"] = 1e3 * median(ranged);
    state.counters["scale1_ms"] = 1e3 * median(single);
    state.counters["ratio"] = median(ranged) / median(single);
    state.counters["cpu_ms"] = 1e3 * median(rangedProcessor);
    state.counters["scale1_cpu_ms"] = 1e3 * median(singleProcessor);
    state.counters["cpu_ratio"] = median(rangedProcessor) / median(singleProcessor);
}
BENCHMARK(BM_c_ScaleRange)->Iterations(kImages)->UseManualTime()->Unit(benchmark::kMillisecond);

// The best match's errors against the pose each image was rendered at, how
// many were found (within 1 px and 1 degree) and how many other matches
// scored above the minimum of 0.5.
void measureAccuracy(benchmark::State& state, const std::vector<Scene>& all,
                     const ccFindParams& params) {
    std::vector<double> position, angle, scale, score;
    double found = 0, others = 0;
    for (auto _ : state) {
        for (const Scene& scene : all) {
            const std::vector<ccFindMatch> matches = cfFind(trained(), scene.image, params);
            if (matches.empty()) continue;
            position.push_back(positionError(matches[0].pose, scene.truth));
            angle.push_back(angleErrorDegrees(matches[0].pose, scene.truth));
            scale.push_back(100 * std::fabs(matches[0].pose.scale / scene.truth.scale - 1));
            score.push_back(matches[0].score);
            found += position.back() < 1 && angle.back() < 1 ? 1 : 0;
            others += static_cast<double>(matches.size() - 1);
        }
    }
    state.counters["found"] = found;
    state.counters["others"] = others;
    state.counters["pos_med_px"] = median(position);
    state.counters["pos_max_px"] = extreme(position);
    state.counters["ang_med_deg"] = median(angle);
    state.counters["ang_max_deg"] = extreme(angle);
    state.counters["scale_med_pct"] = median(scale);
    state.counters["scale_max_pct"] = extreme(scale);
    state.counters["score_min"] = extreme(score, true);
}

// (d) Accuracy over the test set, searched at scale 1.
void BM_d_Accuracy(benchmark::State& state) {
    measureAccuracy(state, scenes(), searchParams(1, 1));
}
BENCHMARK(BM_d_Accuracy)->Iterations(1)->Repetitions(1)->Unit(benchmark::kMillisecond);

// (e) The same poses at scales 0.8 to 1.25, searched over that range.
void BM_e_ScaleAccuracy(benchmark::State& state) {
    measureAccuracy(state, scaledScenes(), searchParams(0.8, 1.25));
}
BENCHMARK(BM_e_ScaleAccuracy)->Iterations(1)->Repetitions(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
