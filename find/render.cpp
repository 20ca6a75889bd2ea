#include "find/render.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <opencv2/imgproc.hpp>
#include <random>
#include <string>
#include <vector>

#include "ch_core/shapemod.h"
#include "find/cvbridge.h"
#include "find/finddefs.h"
#include "find/render_coverage.h"
#include "find/tolerances.h"
#include "vxstd12u/str.h"

namespace {

// One drawn chain of featurelets, in image coordinates.
struct ImageChain {
    std::vector<ccVector<2>> points;
    bool closed;
    double sign;  // +1: the left of the direction of travel is lighter
};

void requireWithin(double value, double lo, double hi, const wchar_t* field) {
    if (!(value >= lo && value <= hi))
        throw ccFindDefs::BadParams(std::wstring(L"the render's ") + field + L" " + cfStr(value) +
                                    L" is not within [" + cfStr(lo) + L", " + cfStr(hi) + L"]");
}

double maxLevel(int depth) {
    return depth == 8 ? 255.0 : 65535.0;
}

void checkParams(const ccRenderParams& p) {
    cfRequireImageSize(p.width, p.height, L"the render's width x height");
    p.pose.xform();
    if (p.depth != 8 && p.depth != 16)
        throw ccFindDefs::BadParams(L"the render's depth " + cfStr(long(p.depth)) +
                                    L" is neither 8 nor 16");
    requireWithin(p.dark, 0, maxLevel(p.depth), L"dark level");
    requireWithin(p.light, 0, maxLevel(p.depth), L"light level");
    requireWithin(p.blurSigma, 0, cc_find_tol::kMaxRenderBlurSigma, L"blur sigma");
    requireWithin(p.noiseSigma, 0, std::numeric_limits<double>::max(), L"noise sigma");
    requireWithin(p.ramp, -cc_find_tol::kMaxRenderRamp, cc_find_tol::kMaxRenderRamp, L"ramp");
    requireWithin(p.occlusion, 0, 1, L"occlusion");
}

// +1 when the chain's gradients point, by the majority of their |weight|, to
// the left of its direction of travel. A similarity with a positive scale
// keeps sides, so the model's own frame answers for the image's.
double polaritySign(const ccFeaturelet* f, long n, bool closed) {
    double left = 0, right = 0;
    for (long i = 0; i < n; ++i) {
        const long prev = closed ? (i + n - 1) % n : std::max(i - 1, 0L);
        const long next = closed ? (i + 1) % n : std::min(i + 1, n - 1);
        const ccVector<2> travel = f[next].position - f[prev].position;
        const double cross = travel.x() * std::sin(f[i].angle.toDouble()) -
                             travel.y() * std::cos(f[i].angle.toDouble());
        const double vote = std::fabs(f[i].weight);
        if (travel == ccVector<2>(0, 0) || std::isnan(vote)) continue;
        if (f[i].isMod180() || cross > 0) {
            left += vote;
        } else if (cross < 0) {
            right += vote;
        }
    }
    return right > left ? -1.0 : 1.0;
}

bool allWeightsNegative(const ccFeaturelet* f, long n) {
    return std::all_of(f, f + n, [](const ccFeaturelet& x) { return x.weight < 0; });
}

std::vector<ImageChain> imageChains(const ccShape& model, const ccPose& pose) {
    const ccShape::ccSampleParams sampling(0.0, cc_find_tol::kRenderSpacing / pose.scale,
                                           ccNoPointLimit, true, true);
    const auto set = ccShapeModel::features(model, ccShapeModel::ccFeatureParams(sampling));
    const ccXform<2> toImage = pose.xform();
    std::vector<ImageChain> chains;
    for (long c = 0; c < set->numChains(); ++c) {
        const long n = set->chainLength(c);
        const ccFeaturelet* f = set->featurelets().data() + set->startFeatureIndex(c);
        if (n == 0 || allWeightsNegative(f, n)) continue;
        ImageChain chain{{}, set->isClosed(c), polaritySign(f, n, set->isClosed(c))};
        for (long i = 0; i < n; ++i) {
            const ccVector<2> p = toImage.mapPoint(f[i].position);
            if (!std::isfinite(p.x()) || !std::isfinite(p.y()))
                throw ccFindDefs::BadParams(
                    L"the model has a point that is not finite in the image");
            chain.points.push_back(p);
        }
        chains.push_back(std::move(chain));
    }
    return chains;
}

// The winding sums of the closed chains mapped onto the grey levels.
cv::Mat shadeRegions(const std::vector<ImageChain>& chains, const ccRenderParams& p) {
    cc_AreaCoverage area(p.width, p.height);
    for (const ImageChain& chain : chains) {
        if (!chain.closed) continue;
        const std::size_t n = chain.points.size();
        for (std::size_t i = 0; i < n; ++i)
            area.addEdge(chain.points[i], chain.points[(i + 1) % n], chain.sign);
    }
    cv::Mat grey = area.takeCoverage();
    double lowest = 0, highest = 0;
    cv::minMaxLoc(grey, &lowest, &highest);
    const double low = std::min(0.0, std::floor(lowest + cc_find_tol::kRenderLevelTolerance));
    const double high = std::max(0.0, std::ceil(highest - cc_find_tol::kRenderLevelTolerance));
    if (high == low) {
        grey.setTo(p.dark);
    } else {
        const double perLevel = (p.light - p.dark) / (high - low);
        grey.convertTo(grey, CV_64F, perLevel, p.dark - low * perLevel);
    }
    return grey;
}

void drawOpenChains(cv::Mat& grey, const std::vector<ImageChain>& chains, double light) {
    const bool anyOpen =
        std::any_of(chains.begin(), chains.end(), [](const ImageChain& c) { return !c.closed; });
    if (!anyOpen) return;
    cc_BandCoverage bands(grey.cols, grey.rows);
    for (const ImageChain& chain : chains) {
        if (chain.closed) continue;
        bands.addSegment(chain.points.front(), chain.points.front());
        for (std::size_t i = 1; i < chain.points.size(); ++i)
            bands.addSegment(chain.points[i - 1], chain.points[i]);
    }
    for (int r = 0; r < grey.rows; ++r) {
        auto* row = grey.ptr<double>(r);
        for (int c = 0; c < grey.cols; ++c) row[c] += (light - row[c]) * bands.coverage(c, r);
    }
}

void addRamp(cv::Mat& grey, double ramp) {
    if (ramp == 0) return;
    cv::Mat offsets(1, grey.cols, CV_64F);
    for (int c = 0; c < grey.cols; ++c) offsets.at<double>(c) = ramp * (c - grey.cols / 2.0);
    for (int r = 0; r < grey.rows; ++r) grey.row(r) += offsets;
}

// The length of [lo, hi] that pixel `index` of an axis covers.
double overlap(long index, double lo, double hi) {
    return std::max(0.0, std::min(index + 0.5, hi) - std::max(index - 0.5, lo));
}

void occlude(cv::Mat& grey, const std::vector<ImageChain>& chains, const ccRenderParams& p) {
    if (p.occlusion == 0 || chains.empty()) return;
    double x0 = std::numeric_limits<double>::infinity(), y0 = x0, x1 = -x0, y1 = -x0;
    for (const ImageChain& chain : chains)
        for (const ccVector<2>& q : chain.points) {
            x0 = std::min(x0, q.x());
            x1 = std::max(x1, q.x());
            y0 = std::min(y0, q.y());
            y1 = std::max(y1, q.y());
        }
    x1 = x0 + p.occlusion * (x1 - x0);
    const double mid = (p.dark + p.light) / 2;
    for (int r = 0; r < grey.rows; ++r) {
        const double down = overlap(r, y0, y1);
        if (down == 0) continue;
        auto* row = grey.ptr<double>(r);
        for (int c = 0; c < grey.cols; ++c) row[c] += (mid - row[c]) * down * overlap(c, x0, x1);
    }
}

void addNoise(cv::Mat& grey, double sigma, unsigned seed) {
    if (sigma == 0) return;
    std::mt19937 generator(seed);
    std::normal_distribution<double> noise(0.0, sigma);
    for (int r = 0; r < grey.rows; ++r) {
        auto* row = grey.ptr<double>(r);
        for (int c = 0; c < grey.cols; ++c) row[c] += noise(generator);
    }
}

}  // namespace

ccImage cfRenderModel(const ccShape& model, const ccRenderParams& params) {
    checkParams(params);
    const std::vector<ImageChain> chains = imageChains(model, params.pose);
    cv::Mat grey = shadeRegions(chains, params);
    drawOpenChains(grey, chains, params.light);
    addRamp(grey, params.ramp);
    occlude(grey, chains, params);
    if (params.blurSigma > 0)
        cv::GaussianBlur(grey, grey, cv::Size(), params.blurSigma, params.blurSigma,
                         cv::BORDER_REPLICATE);
    addNoise(grey, params.noiseSigma, params.seed);
    // Clamped before rounding: the conversion's own saturation goes through an
    // int, which far-off values (strong noise) would overflow.
    cv::min(grey, maxLevel(params.depth), grey);
    cv::max(grey, 0.0, grey);
    cv::Mat levels;
    grey.convertTo(levels, params.depth == 8 ? CV_8U : CV_16U);
    return cfImageFromMat(levels, "the rendered image");
}
