// The outline of any shape as SVG path data.
#pragma once

#include "vxdispc12u/svg.h"
#include "vxstd12u/cubicpath.h"
#include "vxstd12u/shape.h"

// Appends the outline of `shape` to `path`, exactly wherever SVG can say it:
// - segments, polylines and rectangles as straight lines; a closed outline
//   ends with a close command;
// - circles, ellipses and elliptical arcs as SVG arcs (an arc of more than
//   1.5 pi is drawn as two halves, since an SVG arc whose ends (nearly) meet is
//   ill-defined); an ellipse with a zero radius, which is a segment run out and
//   back, as lines through its turning points;
// - Bezier curves and splines as cubic Bezier commands, one per piece; a
//   rational piece, which SVG cannot say, as polynomial cubics within
//   cc_tol::kDrawCubicFitRelative of it;
// - infinite lines as the segment where they cross `view` (nothing when they
//   miss it);
// - a point as a dot;
// - trees through their parts (a region tree's boundary first, then its
//   children), other composite shapes through decompose();
// - a shape seen through a linear map as its explicit image; through a
//   perspective map, each primitive as cc_tol::kDrawPerspectiveChords chords.
// Empty shapes add nothing. Errors of the shape library (an empty handle in a
// mapped shape) pass through; what was appended before stays.
void cfAppendShapePath(const ccShape& shape, const ccRect& view, ccSvgPath& path);

// Appends one rational or polynomial cubic piece (see above).
void cfAppendCubicSegment(const ccCubicSegment& segment, ccSvgPath& path);
