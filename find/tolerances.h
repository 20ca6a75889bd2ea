// Numeric tolerances and limits of the image and finding library, each named
// once so that what the library promises is stated in one place.
#pragma once

namespace cc_find_tol {

// Largest width or height of an image the library makes or reads, in pixels,
// and largest number of pixels: beyond these a size is refused before any
// memory is taken (a 2^28-pixel 16-bit image is already 512 MB).
constexpr long kMaxImageSide = 1L << 16;
constexpr long kMaxImagePixels = 1L << 28;

}  // namespace cc_find_tol
