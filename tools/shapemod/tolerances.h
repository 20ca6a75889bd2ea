// Numeric tolerances and accuracies of the shapemod tool's own geometry (the
// DXF importer's nesting of closed contours), each named and stated here.
#pragma once

namespace shapemod::tol {

// Closed contours are nested by comparing polygons through points of them:
// every vertex of a straight piece, and along each curved piece at least
// kNestChordsPerPiece chords and one per 1/kNestChordsPerTurn of the turn its
// tangent makes, at most kNestMostChordsPerPiece. At 256 chords a turn a
// chord strays from its arc by 7.5e-5 of the radius: two contours drawn
// apart by more than that are told apart.
constexpr long kNestChordsPerPiece = 16;
constexpr long kNestChordsPerTurn = 256;
constexpr long kNestMostChordsPerPiece = 4096;

// Points of a contour at which it is tested for lying inside another, spread
// evenly over its polygon's points. Where the answers differ, the two cross.
constexpr long kNestProbes = 8;

// A probe closer than this to another contour's polygon lies on it and
// counts neither inside nor outside, in units of the connect distance (and
// never below the shape library's coincidence distance): ends that close
// meet, so outlines that close touch.
constexpr double kNestTouchInConnectDistances = 1.0;

}  // namespace shapemod::tol
