// Internal to vxfind12u: the stages of cfEdges, edge points found and then
// linked into chains.
#pragma once

#include <cstdint>
#include <vector>

#include "find/edges.h"

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

// The edge points of an image that survive hysteresis, in raster order of
// their pixels, and for every pixel the index of its point or -1.
struct ccEdgePointMap {
    long width = 0, height = 0;
    std::vector<ccEdgePoint> points;
    std::vector<std::int32_t> pointAt;

    std::int32_t at(long col, long row) const { return pointAt[row * width + col]; }
};

// The edge points of `image` under `params` (checked by the caller): Sobel
// gradient after the optional blur, non-maximum suppression along the
// dominant axis, hysteresis, subpixel refinement. A non-empty image is
// expected; one narrower or lower than 3 pixels has no points.
ccEdgePointMap cfFindEdgePoints(const ccImage& image, const ccEdgeParams& params);

// The points of `map` linked into chains (see cfEdges), each of at least
// `minLength` featurelets, positions moved by (offsetX, offsetY).
ccFeatureletChainSet cfLinkEdgePoints(const ccEdgePointMap& map, long minLength, double offsetX,
                                      double offsetY);
