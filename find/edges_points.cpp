#include "find/edges_points.h"

#include <cmath>

#include <opencv2/imgproc.hpp>

#include "find/cvbridge.h"
#include "find/tolerances.h"

ccScharrGradient cfScharrGradient(const cv::Mat& source, double blurSigma) {
    cv::Mat input = source;
    int depth = CV_16S;
    if (blurSigma > 0 || input.depth() != CV_8U) {
        // Blurring in float keeps the fractions of a level the subpixel fit
        // lives on; an 8-bit blur would round them away.
        cv::Mat smooth;
        input.convertTo(smooth, CV_32F);
        if (blurSigma > 0)
            cv::GaussianBlur(smooth, smooth, cv::Size(), blurSigma, blurSigma,
                             cv::BORDER_REPLICATE);
        input = smooth;
        depth = CV_32F;
    }
    ccScharrGradient g;
    cv::Scharr(input, g.gx, depth, 1, 0, 1, 0, cv::BORDER_REPLICATE);
    cv::Scharr(input, g.gy, depth, 0, 1, 1, 0, cv::BORDER_REPLICATE);
    return g;
}

namespace {

using Gradient = ccScharrGradient;

template <class T>
void squaredMagnitudes(const T* gx, const T* gy, float* out, int n) {
    for (int c = 0; c < n; ++c) {
        const auto x = static_cast<float>(gx[c]), y = static_cast<float>(gy[c]);
        out[c] = x * x + y * y;
    }
}

// Whether any of the `n` values reaches `threshold`. Counting rather than
// stopping at the first lets the compiler test a vector of them at once.
bool isAnyAtLeast(const float* values, int n, float threshold) {
    int count = 0;
    for (int i = 0; i < n; ++i) count += values[i] >= threshold ? 1 : 0;
    return count > 0;
}

bool isHorizontalAxis(double gx, double gy) {
    return std::abs(gx) >= std::abs(gy);
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

// The rows of squared magnitudes above, at and below the row being scanned.
struct Neighbourhood {
    const float *above, *here, *below;
};

// The edge point at maximum (col, row): moved along its dominant axis to
// the fitted peak, with the gradient interpolated to it, in grey levels per
// pixel.
template <class T>
ccEdgePoint refine(const Gradient& g, const Neighbourhood& m2, int col, int row) {
    const double gx = g.gx.at<T>(row, col), gy = g.gy.at<T>(row, col);
    const bool horizontal = isHorizontalAxis(gx, gy);
    const Vertex v = horizontal
                         ? logParabolaVertex(m2.here[col - 1], m2.here[col], m2.here[col + 1])
                         : logParabolaVertex(m2.above[col], m2.here[col], m2.below[col]);
    const int side = v.offset < 0 ? -1 : 1;
    const int nc = horizontal ? col + side : col, nr = horizontal ? row : row + side;
    const double t = std::abs(v.offset), scale = cc_find_tol::kScharrToSlope;
    ccEdgePoint e;
    e.col = col;
    e.row = row;
    e.x = horizontal ? col + v.offset : col;
    e.y = horizontal ? row : row + v.offset;
    e.gx = (gx + t * (g.gx.at<T>(nr, nc) - gx)) * scale;
    e.gy = (gy + t * (g.gy.at<T>(nr, nc) - gy)) * scale;
    e.magnitude = std::exp(v.logMagnitude2 / 2) * scale;
    // A Gaussian profile of variance w2 across the edge, met at an angle
    // whose cosine is the axis's share of the gradient, is a parabola of
    // second difference -2 cos^2 / w2 in the logarithm of the squared
    // magnitude.
    const double cosine2 = (horizontal ? gx * gx : gy * gy) / (gx * gx + gy * gy);
    e.width2 = -2 * cosine2 / v.curvature;
    return e;
}

// Is (col) of the middle row a maximum along its dominant axis? A plateau
// keeps its last pixel: strictly above the one before, not below the one
// after.
template <class T>
bool isMaximum(const Gradient& g, const Neighbourhood& m2, int col, int row) {
    const float m = m2.here[col];
    return isHorizontalAxis(g.gx.at<T>(row, col), g.gy.at<T>(row, col))
               ? m > m2.here[col - 1] && m >= m2.here[col + 1]
               : m > m2.above[col] && m >= m2.below[col];
}

// Every maximum of at least `low2` (squared, raw units) in raster order,
// leaving the border out, refined; `strong` marks those reaching `high2`.
// Magnitudes are kept for three rows only, and runs of pixels below `low2`
// are passed over a vector at a time.
template <class T>
ccEdgePointMap suppressNonMaxima(const Gradient& g, float low2, float high2,
                                 std::vector<char>& strong) {
    constexpr int kRun = 16;
    const int width = g.gx.cols, height = g.gx.rows;
    ccEdgePointMap map;
    map.width = width;
    map.height = height;
    map.rowStart.assign(static_cast<std::size_t>(height) + 1, 0);
    std::vector<float> rows(3 * static_cast<std::size_t>(width));
    // Room for four edge crossings a row, which most scenes stay within.
    map.points.reserve(4 * static_cast<std::size_t>(height));
    strong.reserve(4 * static_cast<std::size_t>(height));
    const auto rowOf = [&](int r) { return rows.data() + static_cast<std::size_t>(r % 3) * width; };
    const auto computeRow = [&](int r) {
        squaredMagnitudes(g.gx.ptr<T>(r), g.gy.ptr<T>(r), rowOf(r), width);
    };
    computeRow(0);
    if (height > 1) computeRow(1);
    for (int r = 1; r + 1 < height; ++r) {
        map.rowStart[r] = static_cast<std::int32_t>(map.points.size());
        computeRow(r + 1);
        const Neighbourhood m2{rowOf(r - 1), rowOf(r), rowOf(r + 1)};
        for (int c0 = 1; c0 + 1 < width; c0 += kRun) {
            const int n = std::min(kRun, width - 1 - c0);
            if (!isAnyAtLeast(m2.here + c0, n, low2)) continue;
            for (int c = c0; c < c0 + n; ++c) {
                if (m2.here[c] < low2 || !isMaximum<T>(g, m2, c, r)) continue;
                map.points.push_back(refine<T>(g, m2, c, r));
                strong.push_back(m2.here[c] >= high2 ? 1 : 0);
            }
        }
    }
    for (int r = std::max(1, height - 1); r <= height; ++r)
        map.rowStart[r] = static_cast<std::int32_t>(map.points.size());
    return map;
}

// Which points hysteresis keeps: the strong ones, and the weak ones
// 8-connected through weak points to a strong one. Edges of good contrast
// are strong nearly throughout, so the search runs over the weak points only.
std::vector<char> hysteresis(const ccEdgePointMap& map, const std::vector<char>& strong) {
    std::vector<char> kept(strong), seen(strong);
    std::vector<std::int32_t> component, pending;
    for (std::size_t i = 0; i < strong.size(); ++i) {
        if (seen[i]) continue;
        seen[i] = 1;
        component.assign(1, static_cast<std::int32_t>(i));
        pending.assign(1, static_cast<std::int32_t>(i));
        bool touchesStrong = false;
        while (!pending.empty()) {
            const ccEdgePoint& p = map.points[pending.back()];
            pending.pop_back();
            map.forEachNear(p.col, p.row, 1, [&](std::int32_t q) {
                touchesStrong = touchesStrong || strong[q];
                if (seen[q]) return;
                seen[q] = 1;
                component.push_back(q);
                pending.push_back(q);
            });
        }
        if (touchesStrong)
            for (std::int32_t q : component) kept[q] = 1;
    }
    return kept;
}

// `map` with only the points `kept`.
ccEdgePointMap keepOnly(const ccEdgePointMap& map, const std::vector<char>& kept) {
    ccEdgePointMap out;
    out.width = map.width;
    out.height = map.height;
    out.rowStart.assign(map.rowStart.size(), 0);
    out.points.reserve(map.points.size());
    for (long r = 0; r < map.height; ++r) {
        out.rowStart[r] = static_cast<std::int32_t>(out.points.size());
        for (std::int32_t i = map.rowStart[r]; i < map.rowStart[r + 1]; ++i)
            if (kept[i]) out.points.push_back(map.points[i]);
    }
    out.rowStart[map.height] = static_cast<std::int32_t>(out.points.size());
    return out;
}

template <class T>
ccEdgePointMap edgePoints(const Gradient& g, const ccEdgeParams& params) {
    const double toRaw = 1 / cc_find_tol::kScharrToSlope;
    const auto low2 = static_cast<float>(params.low * params.low * toRaw * toRaw);
    const auto high2 = static_cast<float>(params.high * params.high * toRaw * toRaw);
    std::vector<char> strong;
    const ccEdgePointMap all = suppressNonMaxima<T>(g, low2, high2, strong);
    return keepOnly(all, hysteresis(all, strong));
}

}  // namespace

ccEdgePointMap cfFindEdgePoints(const ccImage& image, const ccEdgeParams& params) {
    const Gradient g = cfScharrGradient(cfMatView(image), params.blurSigma);
    if (g.gx.depth() == CV_16S) return edgePoints<short>(g, params);
    return edgePoints<float>(g, params);
}
