// Clipping shapes by a closed polyline region.
#pragma once

#include "vxstd12u/shape.h"

// Throws ccShapesError::BadParams unless `region` is usable as a clip region:
// closed, at least three vertices, finite, non-zero area, and not
// self-intersecting.
void cfCheckClipRegion(const ccPolyline& region);

// The parts of the primitive `shape` that lie inside `region` (boundary
// included), for shapes that are not trees. Whole inside: a copy of the shape.
// Wholly outside: an empty ccGeneralShapeTree. Otherwise each inside piece is
// made with the shape's own piece operation (so a segment gives segments, an
// arc arcs), gathered in a ccGeneralShapeTree when there are several. `info`
// is cleared, then records whether anything was removed and the arc lengths
// of the cuts. The region is checked with cfCheckClipRegion first.
ccPtrHandle<ccShape> cfClipPrimitive(const ccShape& shape, const ccPolyline& region, ccClipInfo& info);
