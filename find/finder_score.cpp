// The gradient pyramid and the score of a pose on it.
#include <algorithm>
#include <cmath>

#include <opencv2/imgproc.hpp>

#include "find/cvbridge.h"
#include "find/edges_points.h"
#include "find/finddefs.h"
#include "find/finder_image.h"
#include "find/tolerances.h"

namespace {

// The raw Scharr gradient (of type T) in grey levels per pixel, into the
// rows of `g`.
template <class T>
void copySlopes(const ccScharrGradient& raw, ccGradientImage& g) {
    const auto scale = static_cast<float>(cc_find_tol::kScharrToSlope);
    for (int r = 0; r < g.height; ++r) {
        const T* gx = raw.gx.ptr<T>(r);
        const T* gy = raw.gy.ptr<T>(r);
        float* outX = &g.gx[g.index(0, r)];
        float* outY = &g.gy[g.index(0, r)];
        for (int c = 0; c < g.width; ++c) {
            outX[c] = static_cast<float>(gx[c]) * scale;
            outY[c] = static_cast<float>(gy[c]) * scale;
        }
    }
}

// The gradient of `grey`; with its directions and magnitudes only when
// `isCoarsest`, since only the coarse scan reads them.
ccGradientImage gradientImage(const cv::Mat& grey, int pad, bool isCoarsest) {
    const ccScharrGradient raw = cfScharrGradient(grey, 0.0);
    ccGradientImage g;
    g.width = grey.cols;
    g.height = grey.rows;
    g.pad = pad;
    const std::size_t size = static_cast<std::size_t>(g.stride()) * (g.height + 2 * pad);
    g.gx.assign(size, 0.0f);
    g.gy.assign(size, 0.0f);
    if (raw.gx.depth() == CV_16S)
        copySlopes<short>(raw, g);
    else
        copySlopes<float>(raw, g);
    if (!isCoarsest) return g;
    g.ux.assign(size, 0.0f);
    g.uy.assign(size, 0.0f);
    g.magnitude.assign(size, 0.0f);
    for (std::size_t i = 0; i < size; ++i) {
        const float m = std::sqrt(g.gx[i] * g.gx[i] + g.gy[i] * g.gy[i]);
        if (m == 0.0f) continue;
        g.ux[i] = g.gx[i] / m;
        g.uy[i] = g.gy[i] / m;
        g.magnitude[i] = m;
    }
    return g;
}

}  // namespace

int cfUsableLevels(long width, long height, int wanted) {
    int levels = 1;
    while (levels < wanted && std::min(width, height) >> levels >= cc_find_tol::kMinLevelSide)
        ++levels;
    return levels;
}

std::vector<ccGradientImage> cfGradientPyramid(const ccImage& image, int levels, int coarsePad) {
    std::vector<ccGradientImage> pyramid;
    // The image's own depth throughout: an 8-bit image's gradient is exact
    // in 16-bit integers, and the coarser levels, which only lead the search
    // to the fit at full resolution, lose nothing that matters to rounding.
    cv::Mat grey = cfMatView(image);
    for (int k = 0; k < levels; ++k) {
        if (k > 0) {
            cv::Mat half;
            cv::pyrDown(grey, half, cv::Size(), cv::BORDER_REPLICATE);
            grey = half;
        }
        const bool isCoarsest = k + 1 == levels;
        pyramid.push_back(gradientImage(grey, isCoarsest ? coarsePad : 0, isCoarsest));
    }
    return pyramid;
}

double cfScoreAtLevel(const ccGradientImage& gradient, int k, const ccSearchLevel& level,
                      const ccPose& pose, double contrast) {
    const double toLevel = std::ldexp(1.0, -k);
    const double c = std::cos(pose.angle.toDouble()), s = std::sin(pose.angle.toDouble());
    const double a = c * pose.scale * toLevel, b = s * pose.scale * toLevel;
    double sum = 0.0;
    for (const ccSearchFeaturelet& f : level.featurelets) {
        const double x = pose.x * toLevel + a * f.x - b * f.y;
        const double y = pose.y * toLevel + b * f.x + a * f.y;
        double gx = 0.0, gy = 0.0;
        cfGradientAt(gradient, x, y, gx, gy);
        const double m = std::sqrt(gx * gx + gy * gy);
        if (m < contrast * f.magnitude || m == 0.0) continue;
        const double cosine = (gx * (c * f.dx - s * f.dy) + gy * (s * f.dx + c * f.dy)) / m;
        sum += f.weight * cfCosineShare(f, cosine);
    }
    return sum / level.positiveWeight;
}

double cfScorePose(const ccSearchModel& model, const ccImage& image, const ccPose& pose,
                   const ccFindParams& params) {
    pose.xform();  // a pose outside its domain throws, naming the field
    if (!std::isfinite(params.contrast) || params.contrast < 0)
        throw ccFindDefs::BadParams(L"the contrast must be finite and not negative");
    if (cfImageWidth(image) <= 0 || cfImageHeight(image) <= 0)
        throw ccFindDefs::BadParams(L"the image is empty");
    const std::vector<ccGradientImage> g = cfGradientPyramid(image, 1, 0);
    return cfScoreAtLevel(g.front(), 0,
                          cfWithPolarity(model.data().levels.front(), params.polarity), pose,
                          params.contrast);
}
