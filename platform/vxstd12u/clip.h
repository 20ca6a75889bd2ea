// Clipping shapes by a closed polyline region.
//
// How a primitive is clipped:
// - The region is taken as its distinct vertices: consecutive vertices closer
//   than cc_tol::kCoincident (a repeated closing vertex included) count once.
// - A point is inside when it lies in the region or within
//   cc_tol::kCoincident of its boundary, so a piece running along an edge of
//   the region is kept.
// - The shape is cut where it meets the region's boundary: exactly for line
//   segments and polylines (edge against edge), by bracketing and bisection on
//   arc length for every other shape. Each piece between two cuts is kept when
//   its middle is inside. Cuts that do not change inside to outside (a touch
//   of a region vertex, a tangent) fall away, so a shape touching the boundary
//   from inside comes back whole and one touching it from outside gives
//   nothing.
// - A curve is followed by cc_tol::kClipChords chords, each checked against
//   the region's edges and split further (cc_tol::kClipChordSplits times at
//   most) where it meets them. A dip across the boundary that the chords miss
//   (one much shallower than a chord's sag) counts as a touch.
// - A region's boundary (a circle, a closed polyline) is closed: a cut at its
//   start point counts once, and the kept piece running across the start
//   point is one piece where its type can hold it (arcs of one ellipse join
//   into one arc, open polylines into one polyline), else it stays two
//   pieces, the one at the start first and the one at the end last. A joined
//   piece is made afresh, as a plain ccEllipseArc2 or ccPolyline. An open
//   curve (a full-turn arc included) is never joined across its ends.
// - A line is clipped as its chord across the region (a ccLineSeg).
// - Before any of this, a shape whose bounding box no region edge meets is
//   kept whole when the box lies inside the region and dropped when the two
//   lie apart, without following the shape.
#pragma once

#include "vxstd12u/shape.h"

// Throws ccShapesError::BadParams, with a message naming the fault, unless
// `region` is usable as a clip region: closed, finite, at least three distinct
// vertices, non-zero area, and simple (no edge meets another except where
// neighbours share a vertex, and no edge folds back over its neighbour).
// Either direction of travel is accepted.
void cfCheckClipRegion(const ccPolyline& region);

// The parts of the primitive `shape` that lie inside `region` (boundary
// included), for shapes that are not trees.
// - Wholly inside: a copy of the shape (clone), nothing removed.
// - Wholly outside, or an empty shape: an empty ccGeneralShapeTree; for a
//   shape with points, anything removed is set.
// - Otherwise each inside piece is made with the shape's own piece operation
//   subShape (so a segment gives segments, an arc arcs); one piece is returned
//   as it is, several are gathered in a ccGeneralShapeTree in the order of
//   their start arc lengths.
// - A shape that is not decomposed and not a polyline (a rectangle, an
//   annulus) is clipped as its decomposition, unless nothing of it is
//   removed.
// - A shape of zero length (a point) is kept or dropped whole as its start
//   point is inside or not.
// On success `info` holds whether anything was removed and, in increasing
// order, the arc length of every point where the shape passes from inside to
// outside or back. For a shape clipped as its decomposition these are the
// offsets the decomposition's clip reports; for a line, offsets from its
// reference point (its arc length 0), the chord's ends included when they lie
// on the boundary.
// The region is checked with cfCheckClipRegion first. Throws
// ccShapesError::BadParams for a bad region and
// ccShapesError::InfiniteExtent for an infinite shape that is not a line.
// A failed call leaves `info` unchanged.
ccPtrHandle<ccShape> cfClipPrimitive(const ccShape& shape, const ccPolyline& region,
                                     ccClipInfo& info);
