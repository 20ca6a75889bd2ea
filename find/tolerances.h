// Numeric tolerances and limits of the image and finding library, each named
// once so that what the library promises is stated in one place.
#pragma once

namespace cc_find_tol {

// Largest width or height of an image the library makes or reads, in pixels,
// and largest number of pixels: beyond these a size is refused before any
// memory is taken (a 2^28-pixel 16-bit image is already 512 MB).
constexpr long kMaxImageSide = 1L << 16;
constexpr long kMaxImagePixels = 1L << 28;

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

}  // namespace cc_find_tol
