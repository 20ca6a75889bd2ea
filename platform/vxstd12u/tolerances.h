// Numeric tolerances of the shape library and of everything built on it.
//
// Every comparison of computed geometry against a threshold goes through one of
// these names, so that the accuracy the library promises is stated in one place.
#pragma once

namespace cc_tol {

// Two points closer than this (in model units) are the same point: pieces of a
// contour whose ends lie this close meet, and a piece shorter than this has no
// length. Model units are pixels or millimetres, so 1e-9 is far below any
// feature a camera or a drawing can show, yet far above double rounding of
// coordinates up to 1e6.
constexpr double kCoincident = 1e-9;

// Relative accuracy of arc lengths computed by numerical integration
// (ellipses, elliptical arcs, Bezier curves, splines): a perimeter is
// correct to this fraction of its value.
constexpr double kArcLengthRelative = 1e-12;

// Relative accuracy to which a parameter is found for a given arc length
// when sampling curves by arc length, as a fraction of the perimeter.
constexpr double kArcParameterRelative = 1e-11;

// A matrix whose columns are unit length and perpendicular to this accuracy
// is a rotation or a reflection; one that is so after dividing out one scale
// is a similarity.
constexpr double kOrthonormal = 1e-9;

// Two angles (radians) closer than this are the same direction.
constexpr double kAngle = 1e-12;

// A determinant, cross product or area whose magnitude is below this fraction
// of the product of the lengths involved is treated as zero (parallel lines,
// collinear points, a singular matrix).
constexpr double kDegenerateRelative = 1e-14;

// Largest number of nested levels a tree, an archive or a recursive walk
// accepts before it refuses the input instead of exhausting the stack.
constexpr long kMaxNestingDepth = 100000;

// Most samples one shape gives in one call: 2^24 points take 256 MiB of
// positions alone, and about a gigabyte with the tangents, perimeter
// positions and pieces that featurelets are made from. Asking for more (a
// spacing far finer than the shape, a huge uniform count) is refused rather
// than left to exhaust memory.
constexpr long kMaxSamples = 1L << 24;

// Clipping follows a curve by this many chords of equal arc length and
// checks each against the clip boundary; a chord that meets the boundary
// without a clear single crossing is split in halves up to kClipChordSplits
// times. A dip of the curve out of the region and back that no chord (nor
// half chord) meets counts as a touch.
constexpr long kClipChords = 256;
constexpr long kClipChordSplits = 12;

// Drawing a rational cubic as SVG, which knows only polynomial cubics: each
// rational piece is split in halves until the polynomial cubic with the same
// ends and end derivatives stays within this fraction of the piece's control
// polygon extent of it, or until it has been split kDrawCubicFitMaxSplits
// times (pieces then are 1/4096 of the original, far below a pixel).
constexpr double kDrawCubicFitRelative = 1e-6;
constexpr long kDrawCubicFitMaxSplits = 12;

// A shape seen through a perspective map is drawn as this many chords of
// equal arc length per primitive: the image of a curve under a perspective
// map has no exact SVG form.
constexpr long kDrawPerspectiveChords = 128;

// The most interval splits one arc-length integration makes. Smooth curves
// settle after a few hundred; a speed that never settles (a rational curve with
// extreme weights) stops here with the best estimate instead of running for
// minutes.
constexpr long kArcLengthMaxSplits = 1L << 14;

// A panel of an arc-length integration whose halves differ from it by less
// than kArcLengthNoiseRelative of its length, and by more than
// kArcLengthStalledRatio of the difference its parent showed, is taken as
// settled: the difference has stopped shrinking with the panel, so it is the
// rounding noise of the speed (a perspective image of far-off coordinates,
// where the map's derivative loses its digits), which further splits would
// only chase until the budget ran out. A smooth speed's difference shrinks a
// thousandfold and more per halving, far below the ratio.
constexpr double kArcLengthNoiseRelative = 1e-9;
constexpr double kArcLengthStalledRatio = 0.1;

// A panel of an arc-length integration whose halves differ from it by less
// than this is settled, however small the panel's own length: a thousandth of
// kCoincident, below anything a geometric answer can tell. Without it, a
// curve whose image is all but a point (far-off coordinates seen close to a
// perspective map's vanishing point) chases relative accuracy in rounding
// noise.
constexpr double kArcLengthAbsolute = 1e-3 * kCoincident;

// The most splits for one piece of a curve measured piece by piece (between
// the breaks of an arc-length table: a leaf of a contour, a cubic of a
// spline, each smooth). A smooth piece settles in a few dozen, a peak close
// to a perspective map's horizon in a few hundred; a piece that needs more
// has reached the rounding noise of its speed (a perspective image of far-off
// coordinates, where the map's derivative loses its digits), and further
// splits only chase that noise.
constexpr long kArcLengthPieceMaxSplits = 1L << 10;

}  // namespace cc_tol
