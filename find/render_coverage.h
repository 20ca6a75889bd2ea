// Internal to vxfind12u: the exact area coverage and the thin bands that
// cfRenderModel draws with. Included by no public header, so OpenCV stays out
// of what users of the library compile.
//
// Both work in the frame of find/image.h: pixel (c, r) covers
// [c - 0.5, c + 0.5) x [r - 0.5, r + 0.5).
#pragma once

#include <cstdint>
#include <opencv2/core.hpp>
#include <vector>

#include "vxstd12u/vector.h"

// For each pixel of a width x height image, the integral over the pixel of
// the sum of weight x winding number of every polygon whose edges were added:
// a signed-area scanline rasterizer. Each edge adds the exact signed areas of
// the trapezoids between it and the pixel edges to its right into a buffer of
// differences along each row; the running sum along the row is then the
// coverage. Adding is linear in the pixels an edge crosses, and the result is
// linear in the edges, so polygons of different weights simply add.
class cc_AreaCoverage {
  public:
    // A buffer of zeros; the caller has checked the size (positive, within
    // the library's limits).
    cc_AreaCoverage(long width, long height);

    // Adds the directed edge from `a` to `b` with `weight`. Once every edge of
    // a closed polygon is added, a point it winds round n times, counted as
    // positive when the polygon turns from +x towards +y (positive shoelace
    // area), has gained weight x n. Edges may lie partly or wholly outside the
    // image, at any finite coordinates; horizontal ones add nothing.
    void addEdge(const ccVector<2>& a, const ccVector<2>& b, double weight);

    // The coverage: a height x width CV_64F matrix. Takes the buffer; the
    // object holds nothing afterwards.
    cv::Mat takeCoverage();

  private:
    void addRowPiece(int row, double xa, double xb, double height);
    void addCellPiece(double* row, int column, double xMiddle, double height) const;

    cv::Mat differences_;
};

// For each pixel of a width x height image, the share (0 to 1) of it covered
// by the union of bands cc_find_tol::kRenderLineWidth wide around the
// segments added (with round ends), counted on a grid of
// cc_find_tol::kRenderLineSubsamples squared points a pixel.
class cc_BandCoverage {
  public:
    // No band yet; the caller has checked the size.
    cc_BandCoverage(long width, long height);

    // Adds the band around the segment from `a` to `b` (a dot when they are
    // equal), at any finite coordinates.
    void addSegment(const ccVector<2>& a, const ccVector<2>& b);

    // The share of pixel (column, row), both within the image.
    double coverage(long column, long row) const;

  private:
    long width_, height_;
    // One bit per subsample point, row by row.
    std::vector<std::uint16_t> hits_;
};
