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

// A plane of `g`'s size with its border: zeros when it has one, since the
// gradient fills only the image within; otherwise left unwritten, which at
// full resolution saves as much time as the gradient's conversion takes.
cv::Mat planeOf(const ccGradientImage& g) {
    const int rows = g.height + 2 * g.pad;
    return g.pad > 0 ? cv::Mat(cv::Mat::zeros(rows, g.stride(), CV_32F))
                     : cv::Mat(rows, g.stride(), CV_32F);
}

// The raw Scharr gradient `raw` in grey levels per pixel, into `plane`
// within its border: the factor is a power of two, so the slopes are
// exactly the edges' own.
void writeSlopes(const cv::Mat& raw, const ccGradientImage& g, cv::Mat& plane) {
    cv::Mat inside = plane(cv::Rect(g.pad, g.pad, g.width, g.height));
    raw.convertTo(inside, CV_32F, cc_find_tol::kScharrToSlope);
}

// The gradient of `grey`, padded by `pad` pixels.
ccGradientImage gradientImage(const cv::Mat& grey, int pad) {
    const ccScharrGradient raw = cfScharrGradient(grey, 0.0);
    ccGradientImage g;
    g.width = grey.cols;
    g.height = grey.rows;
    g.pad = pad;
    g.gx = planeOf(g);
    g.gy = planeOf(g);
    writeSlopes(raw.gx, g, g.gx);
    writeSlopes(raw.gy, g, g.gy);
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
        pyramid.push_back(gradientImage(grey, k + 1 == levels ? coarsePad : 0));
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
