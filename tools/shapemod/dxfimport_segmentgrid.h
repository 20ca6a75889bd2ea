// A uniform grid over the edges of many polygons, which finds edges that
// meet and locates points against every polygon at once without comparing
// all edges with all. Internal to the DXF importer's nesting.
#pragma once
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "vxstd12u/vector.h"

namespace shapemod {

// An edge from `a` to `b` of polygon `owner`.
struct DxfSegment {
    ccVector<2> a, b;
    std::size_t owner = 0;
};

class DxfSegmentGrid {
  public:
    // Indexes `segments` (finite ends; a polygon's edges are its closed
    // chain of points) in about as many square cells as there are segments,
    // never smaller than `touch` (>= 0, finite), so that a point's
    // neighbourhood of radius `touch` lies in its cell and the eight around.
    // Extents that overflow a double make one cell: still exact, quadratic.
    DxfSegmentGrid(std::vector<DxfSegment> segments, double touch);

    // The pairs of owners (lower first, each pair once, ascending) with edges
    // that cross properly (each edge's ends strictly on either side of the
    // other's line) or run along each other, collinear, over more than
    // `touch`. Edges that only touch at a point, or meet at an end, do not
    // count: outlines of one drawing may share a corner.
    std::vector<std::pair<std::size_t, std::size_t>> conflictingOwners() const;

    // Where `p` lies: `inside` gets the owners whose polygons hold p (an odd
    // number of edges crosses the ray from p towards +x), `touching` those
    // with an edge within `touch` of p; both ascending, each owner once. An
    // owner may be in both; callers treat touching as neither inside nor out.
    void locate(const ccVector<2>& p, std::vector<std::size_t>& inside,
                std::vector<std::size_t>& touching) const;

  private:
    long column(double x) const;
    long row(double y) const;
    void insert(std::uint32_t segment);

    std::vector<DxfSegment> segments_;
    double touch_;
    ccVector<2> origin_;
    double cell_ = 1.0;
    long columns_ = 1, rows_ = 1;
    std::vector<std::vector<std::uint32_t>> cells_;  // row after row
};

}  // namespace shapemod
