#include <algorithm>
#include <cmath>

#include <opencv2/imgproc.hpp>

#include "find/cvbridge.h"
#include "find/edges_points.h"
#include "find/tolerances.h"

namespace {

// The image's gradient in grey levels per pixel and its squared magnitude,
// all CV_32F of the image's size.
struct Gradient {
    cv::Mat gx, gy, magnitude2;
};

Gradient gradientOf(const ccImage& image, double blurSigma) {
    cv::Mat source = cfMatView(image);
    if (blurSigma > 0) {
        // Blurring in float keeps the fractions of a level the subpixel fit
        // lives on; an 8-bit blur would round them away.
        cv::Mat smooth;
        source.convertTo(smooth, CV_32F);
        cv::GaussianBlur(smooth, smooth, cv::Size(), blurSigma, blurSigma, cv::BORDER_REPLICATE);
        source = smooth;
    }
    Gradient g;
    cv::Scharr(source, g.gx, CV_32F, 1, 0, cc_find_tol::kScharrToSlope, 0, cv::BORDER_REPLICATE);
    cv::Scharr(source, g.gy, CV_32F, 0, 1, cc_find_tol::kScharrToSlope, 0, cv::BORDER_REPLICATE);
    g.magnitude2.create(source.size(), CV_32F);
    for (int r = 0; r < source.rows; ++r) {
        const float* gx = g.gx.ptr<float>(r);
        const float* gy = g.gy.ptr<float>(r);
        float* m2 = g.magnitude2.ptr<float>(r);
        for (int c = 0; c < source.cols; ++c) m2[c] = gx[c] * gx[c] + gy[c] * gy[c];
    }
    return g;
}

// A pixel that is a maximum of the magnitude across the edge and at least
// the low threshold; strong when it reaches the high one.
struct Candidate {
    int col, row;
    bool strong;
};

bool isHorizontalAxis(float gx, float gy) {
    return std::abs(gx) >= std::abs(gy);
}

// The maxima of the squared magnitude along each pixel's dominant axis, in
// raster order, leaving the border out; `pointAt` gets each one's index.
std::vector<Candidate> suppressNonMaxima(const Gradient& g, float low2, float high2,
                                         std::vector<std::int32_t>& pointAt) {
    const int width = g.magnitude2.cols;
    std::vector<Candidate> found;
    for (int r = 1; r + 1 < g.magnitude2.rows; ++r) {
        const float* above = g.magnitude2.ptr<float>(r - 1);
        const float* m2 = g.magnitude2.ptr<float>(r);
        const float* below = g.magnitude2.ptr<float>(r + 1);
        const float* gx = g.gx.ptr<float>(r);
        const float* gy = g.gy.ptr<float>(r);
        for (int c = 1; c + 1 < width; ++c) {
            const float m = m2[c];
            if (m < low2) continue;
            // A plateau keeps its last pixel: strictly above the one before,
            // not below the one after.
            const bool isMaximum = isHorizontalAxis(gx[c], gy[c]) ? m > m2[c - 1] && m >= m2[c + 1]
                                                                  : m > above[c] && m >= below[c];
            if (!isMaximum) continue;
            pointAt[static_cast<std::size_t>(r) * width + c] =
                static_cast<std::int32_t>(found.size());
            found.push_back({c, r, m >= high2});
        }
    }
    return found;
}

// Which candidates hysteresis keeps: those 8-connected through candidates to
// a strong one.
std::vector<char> hysteresis(const std::vector<Candidate>& candidates,
                             const std::vector<std::int32_t>& pointAt, int width) {
    std::vector<char> kept(candidates.size(), 0);
    std::vector<std::int32_t> pending;
    for (std::size_t i = 0; i < candidates.size(); ++i)
        if (candidates[i].strong) {
            kept[i] = 1;
            pending.push_back(static_cast<std::int32_t>(i));
        }
    while (!pending.empty()) {
        const Candidate& p = candidates[pending.back()];
        pending.pop_back();
        // Candidates never lie on the border, so every neighbour is inside.
        for (int dr = -1; dr <= 1; ++dr)
            for (int dc = -1; dc <= 1; ++dc) {
                const std::int32_t q =
                    pointAt[static_cast<std::size_t>(p.row + dr) * width + p.col + dc];
                if (q < 0 || kept[q]) continue;
                kept[q] = 1;
                pending.push_back(q);
            }
    }
    return kept;
}

// The vertex of the parabola through the logarithms of the squared
// magnitudes before, at and after a maximum, as an offset from the middle
// (within [-0.5, 0.5] since the middle is the largest), the logarithm of
// the squared magnitude there, and its second difference (negative).
struct Vertex {
    double offset, logMagnitude2, curvature;
};

Vertex logParabolaVertex(double before, double middle, double after) {
    const double a = std::log(std::max(before, cc_find_tol::kMinEdgeMagnitudeSquared));
    const double b = std::log(middle);
    const double c = std::log(std::max(after, cc_find_tol::kMinEdgeMagnitudeSquared));
    const double offset = std::clamp((a - c) / (2 * (a - 2 * b + c)), -0.5, 0.5);
    return {offset, b + (c - a) / 4 * offset, a - 2 * b + c};
}

// The edge point of candidate `p`: moved along its dominant axis to the
// fitted peak, with the gradient interpolated to it.
ccEdgePoint refine(const Candidate& p, const Gradient& g) {
    const auto m2 = [&](int c, int r) { return static_cast<double>(g.magnitude2.at<float>(r, c)); };
    const double gx = g.gx.at<float>(p.row, p.col), gy = g.gy.at<float>(p.row, p.col);
    const bool horizontal = isHorizontalAxis(static_cast<float>(gx), static_cast<float>(gy));
    const int dc = horizontal ? 1 : 0, dr = horizontal ? 0 : 1;
    const Vertex v =
        logParabolaVertex(m2(p.col - dc, p.row - dr), m2(p.col, p.row), m2(p.col + dc, p.row + dr));
    const int side = v.offset < 0 ? -1 : 1;
    const double t = std::abs(v.offset);
    const int nc = p.col + side * dc, nr = p.row + side * dr;
    ccEdgePoint e;
    e.col = p.col;
    e.row = p.row;
    e.x = p.col + dc * v.offset;
    e.y = p.row + dr * v.offset;
    e.gx = gx + t * (g.gx.at<float>(nr, nc) - gx);
    e.gy = gy + t * (g.gy.at<float>(nr, nc) - gy);
    e.magnitude = std::exp(v.logMagnitude2 / 2);
    // A Gaussian profile of variance w2 across the edge, met at an angle
    // whose cosine is the axis's share of the gradient, is a parabola of
    // second difference -2 cos^2 / w2 in the logarithm of the squared
    // magnitude.
    const double cosine2 = (horizontal ? gx * gx : gy * gy) / (gx * gx + gy * gy);
    e.width2 = -2 * cosine2 / v.curvature;
    return e;
}

}  // namespace

ccEdgePointMap cfFindEdgePoints(const ccImage& image, const ccEdgeParams& params) {
    const Gradient g = gradientOf(image, params.blurSigma);
    ccEdgePointMap map;
    map.width = g.magnitude2.cols;
    map.height = g.magnitude2.rows;
    map.pointAt.assign(static_cast<std::size_t>(map.width * map.height), -1);
    const auto low2 = static_cast<float>(params.low * params.low);
    const auto high2 = static_cast<float>(params.high * params.high);
    const std::vector<Candidate> candidates = suppressNonMaxima(g, low2, high2, map.pointAt);
    const std::vector<char> kept = hysteresis(candidates, map.pointAt, g.magnitude2.cols);
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const Candidate& p = candidates[i];
        std::int32_t& slot = map.pointAt[static_cast<std::size_t>(p.row) * map.width + p.col];
        if (!kept[i]) {
            slot = -1;
            continue;
        }
        slot = static_cast<std::int32_t>(map.points.size());
        map.points.push_back(refine(p, g));
    }
    return map;
}
