// Numeric tolerances and limits of the image and finding library, each named
// once so that what the library promises is stated in one place.
#pragma once

namespace cc_find_tol {

// Largest width or height of an image the library makes or reads, in pixels,
// and largest number of pixels: beyond these a size is refused before any
// memory is taken (a 2^28-pixel 16-bit image is already 512 MB).
constexpr long kMaxImageSide = 1L << 16;
constexpr long kMaxImagePixels = 1L << 28;

// Edges. The 3x3 Scharr operator weighs the difference across its centre
// row by 3 + 10 + 3 and takes it over two pixels, so on a ramp it reads 32
// times the slope; multiplied by this it reads grey levels per pixel.
constexpr double kScharrToSlope = 1.0 / 32.0;

// Largest blur sigma, in pixels, cfEdges applies: its kernel spans about
// 8 sigma, and a blur wider than any image the library takes smooths nothing
// more.
constexpr double kMaxEdgeBlurSigma = 4096.0;

// The squared magnitude under which the subpixel fit's logarithm stops
// falling. Beside an unblurred step a neighbour has no gradient at all; at
// this floor the fit puts the step halfway between its two pixels, where it
// is, instead of taking the logarithm of 0.
constexpr double kMinEdgeMagnitudeSquared = 1e-12;

// How far, in pixels along each axis, linking looks for a point's neighbours
// along the edge. One would do on straight edges; two bridges the gaps
// suppression leaves where a curve's dominant gradient axis changes.
constexpr int kEdgeLinkReach = 2;

// How many points either side along a chain the curvature under each point
// is measured over, and the largest shift, in pixels, that undoing the
// curvature bias may make: beyond it the curve turns within the blur
// itself (a corner) and its peak says little about where the edge is.
constexpr long kEdgeCurvatureSpan = 3;
constexpr double kMaxEdgeCurvatureShift = 0.25;

// Fewest points of a closed chain: two points linked both ways would be one
// link walked there and back.
constexpr long kMinClosedEdgeChain = 3;

// Rendering. Featurelets are taken this far apart along the boundary, in
// image pixels, and joined into polygons: a curve of radius r lies within
// kRenderSpacing^2 / (8 r) of its chords, and a corner that falls between two
// samples loses at most kRenderSpacing^2 / 8 (3e-4) of a pixel's area.
constexpr double kRenderSpacing = 0.05;

// How far a pixel's winding sum may lie past a whole number and still count
// as that number when the grey levels are chosen: rounding in the coverage
// sums, never a real part of a level.
constexpr double kRenderLevelTolerance = 1e-6;

// An open part is drawn as a band this wide, in pixels, its coverage counted
// on a grid of kRenderLineSubsamples x kRenderLineSubsamples points a pixel.
constexpr double kRenderLineWidth = 1.0;
constexpr int kRenderLineSubsamples = 4;

// Largest blur sigma, in pixels, and largest illumination ramp, in grey
// levels a pixel, a rendering takes: beyond them a blur smooths nothing more
// on any image the library takes, and a ramp spans more than a 16-bit range
// from one pixel to the next.
constexpr double kMaxRenderBlurSigma = 4096.0;
constexpr double kMaxRenderRamp = 65535.0;

// Overlays sample outlines this far apart, in image pixels: at the largest
// zoom a chord then strays from a curve of radius 2 px by under 0.01 of a
// written pixel. Widths and zooms are bounded so that a picture stays a
// picture of its image.
constexpr double kOverlaySpacing = 0.1;
constexpr double kMaxOverlayWidth = 64.0;
constexpr int kMaxOverlayZoom = 16;

}  // namespace cc_find_tol
