// Internal to vxfind12u: the stages of cfEdges, edge points found and then
// linked into chains.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include <opencv2/core.hpp>

#include "find/edges.h"

// The raw Scharr gradient (32 times the slope, cc_find_tol::kScharrToSlope
// turns it into grey levels per pixel), borders replicated: 16-bit integers
// for an 8-bit source without blur, which hold it exactly in half the memory
// of floats, and floats otherwise.
struct ccScharrGradient {
    cv::Mat gx, gy;
};

// The gradient of the one-channel matrix `source` (8 or 16 bits, or float)
// after a Gaussian blur of `blurSigma` pixels (none when 0), borders
// replicated. Edges and the finder read the same gradient through it.
ccScharrGradient cfScharrGradient(const cv::Mat& source, double blurSigma);

// One edge point: the pixel it was found at, its subpixel position in the
// buffer's own frame (pixel centres at whole numbers), its gradient there,
// the gradient magnitude at the edge's peak and the variance (in square
// pixels) of a Gaussian magnitude profile across the edge with the same fit.
struct ccEdgePoint {
    int col = 0, row = 0;
    double x = 0.0, y = 0.0;
    double gx = 0.0, gy = 0.0;
    double magnitude = 0.0;
    double width2 = 0.0;
};

// Edge points in raster order of their pixels, at most one per pixel, and
// where each row's points start.
struct ccEdgePointMap {
    long width = 0, height = 0;
    std::vector<ccEdgePoint> points;
    std::vector<std::int32_t> rowStart;  // height + 1 entries

    // Calls f(index) for each point whose pixel lies within `reach` columns
    // and rows of (col, row), in raster order.
    template <class F>
    void forEachNear(int col, int row, int reach, F f) const {
        const int r0 = std::max(0, row - reach);
        const int r1 = std::min(static_cast<int>(height) - 1, row + reach);
        for (int r = r0; r <= r1; ++r) {
            const auto first = points.begin() + rowStart[r],
                       last = points.begin() + rowStart[r + 1];
            auto p = std::lower_bound(first, last, col - reach,
                                      [](const ccEdgePoint& e, int c) { return e.col < c; });
            for (; p != last && p->col <= col + reach; ++p)
                f(static_cast<std::int32_t>(p - points.begin()));
        }
    }
};

// The edge points of `image` under `params` (checked by the caller) that
// survive hysteresis: Scharr gradient after the optional blur, non-maximum
// suppression along the dominant axis, subpixel refinement. A non-empty
// image is expected; one narrower or lower than 3 pixels has no points.
ccEdgePointMap cfFindEdgePoints(const ccImage& image, const ccEdgeParams& params);

// The points of `map` linked into chains (see cfEdges), each of at least
// `minLength` featurelets, positions moved by (offsetX, offsetY).
ccFeatureletChainSet cfLinkEdgePoints(const ccEdgePointMap& map, long minLength, double offsetX,
                                      double offsetY);
