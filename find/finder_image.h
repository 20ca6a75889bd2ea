// Internal to vxfind12u: the gradient pyramid the finder searches and the
// score of a pose on one of its levels.
#pragma once

#include <cmath>
#include <cstddef>
#include <vector>

#include <opencv2/core.hpp>

#include "find/image.h"
#include "find/searchmodel.h"
#include "find/tolerances.h"

// The gradient of one pyramid level, in grey levels per pixel of that
// level: its components, each a plane of floats (CV_32F) of stride() by
// height + 2 pad, read through index(). A border of `pad` pixels of no
// gradient lies around the image, so that a scan whose offsets stay within
// it needs no bounds checks.
struct ccGradientImage {
    int width = 0, height = 0, pad = 0;
    cv::Mat gx, gy;

    int stride() const noexcept { return width + 2 * pad; }
    // Index of the pixel in column `col` and row `row`, either within
    // [-pad, width + pad) and [-pad, height + pad).
    std::ptrdiff_t index(int col, int row) const noexcept {
        return static_cast<std::ptrdiff_t>(row + pad) * stride() + col + pad;
    }
    bool isInside(int col, int row) const noexcept {
        return col >= 0 && row >= 0 && col < width && row < height;
    }
};

// The whole number at or below `x`, for |x| < 2^30. The library's target
// has no instruction for it, and std::floor's call costs more than the rest
// of a bilinear lookup.
inline int cfFloorOf(double x) noexcept {
    const int truncated = static_cast<int>(x);
    return x < truncated ? truncated - 1 : truncated;
}

// The gradient of `g` at (x, y), interpolated bilinearly between the pixel
// centres, 0 outside the image (and where x or y is not a number).
inline void cfGradientAt(const ccGradientImage& g, double x, double y, double& gx, double& gy) {
    gx = gy = 0.0;
    constexpr double kFar = cc_find_tol::kFarOutside;
    if (!(std::abs(x) < kFar && std::abs(y) < kFar)) return;
    const int col = cfFloorOf(x), row = cfFloorOf(y);
    const double tx = x - col, ty = y - row;
    const double shares[4] = {(1 - tx) * (1 - ty), tx * (1 - ty), (1 - tx) * ty, tx * ty};
    const float* planeX = g.gx.ptr<float>();
    const float* planeY = g.gy.ptr<float>();
    if (g.isInside(col, row) && g.isInside(col + 1, row + 1)) {
        const std::ptrdiff_t i = g.index(col, row), j = i + g.stride();
        gx = shares[0] * planeX[i] + shares[1] * planeX[i + 1] + shares[2] * planeX[j] +
             shares[3] * planeX[j + 1];
        gy = shares[0] * planeY[i] + shares[1] * planeY[i + 1] + shares[2] * planeY[j] +
             shares[3] * planeY[j + 1];
        return;
    }
    for (int corner = 0; corner < 4; ++corner) {
        const int c = col + corner % 2, r = row + corner / 2;
        if (!g.isInside(c, r)) continue;
        gx += shares[corner] * planeX[g.index(c, r)];
        gy += shares[corner] * planeY[g.index(c, r)];
    }
}

// The gradients of `image` halved `levels` - 1 times by cv::pyrDown (level k
// at index k), each through the Scharr operator of the edges; the coarsest
// padded by `coarsePad` pixels, the others by none.
std::vector<ccGradientImage> cfGradientPyramid(const ccImage& image, int levels, int coarsePad);

// How many pyramid levels, at most `wanted`, an image of this size takes:
// the coarsest at least a few pixels a side.
int cfUsableLevels(long width, long height, int wanted);

// The score of `pose` (in level-0 coordinates) with the featurelets of
// `level` on `gradient`, the pyramid level `k` (positions divided by 2^k),
// gradients interpolated bilinearly and taken as 0 outside the image.
double cfScoreAtLevel(const ccGradientImage& gradient, int k, const ccSearchLevel& level,
                      const ccPose& pose, double contrast);

// The subpixel pose of a match near `pose`, fitted by least squares to the
// gradient peaks along the directions of the positive featurelets of
// `level` on the full-resolution `gradient`, and the RMS distance of the
// fit; the scale stays as it is when `isScaleFixed`. Where the pairs
// cannot fix the pose (too few featurelets paired, or all of them across
// one direction, as on a part of parallel strokes slid along them beyond the
// pairing's reach) the pose is handed back as it was, not fitted, with the
// RMS distance of what pairs there are (0 when none).
struct ccRefinedPose {
    ccPose pose;
    double fitError = 0.0;
    bool isFitted = false;
};
ccRefinedPose cfRefinePose(const ccGradientImage& gradient, const ccSearchLevel& level,
                           const ccPose& pose, double contrast, bool isScaleFixed);
