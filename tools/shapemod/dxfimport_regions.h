// Nesting the closed contours of one layer into region trees. Internal to
// the DXF importer.
#pragma once
#include <cstddef>
#include <utility>
#include <vector>

#include "ch_core/shapemod.h"

namespace shapemod {

struct DxfNesting {
    // Root region trees, solid, in the order of their outlines' numbers;
    // below each, the contours it holds by containment, hole and solid in
    // turn. Every boundary runs in its node's sense (a solid's right-handed,
    // a hole's left-handed), reversed where it was drawn the other way, so
    // the featurelets of the whole part point into its material.
    std::vector<ccPtrHandle_const<ccShape>> regions;
    // Per contour, whether it is in a region tree.
    std::vector<bool> nested;
    // The pairs of contours (lower number first) that cross, or lie on one
    // another along a stretch, and so cannot nest; neither is nested. A pair
    // (i, i) is a contour whose points are not all finite.
    std::vector<std::pair<std::size_t, std::size_t>> conflicts;
    // The most levels one region tree has: 1 for a plate without holes.
    long depth = 0;
};

// Nests `contours` (closed shapes, any direction; plain or models, whose
// records come along unchanged). Containment is decided on polygons through
// points of each contour (see tolerances.h): a contour lies inside another
// when probes of it lie inside the other's polygon and none lies outside,
// probes within `touch` of the other's polygon counting neither way; a
// contour's parent is the smallest (by polygon area) of the contours that
// hold it, its standing alternates with the number of them. Contours that
// cross (two edges of their polygons cross properly, or their probes fall
// on both sides) or lie on one another (edges overlapping along a stretch
// longer than `touch`, or every probe on the other) are left out of the
// nesting, as if not drawn. A layer of no contour gives no region.
// Work is near linear in the number of polygon points for contours that do
// not crowd each other. Exceptions of the shape library pass through.
DxfNesting dxfNestContours(const std::vector<ccPtrHandle_const<ccShape>>& contours, double touch);

}  // namespace shapemod
