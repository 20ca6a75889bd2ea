// Grey images: the platform's pixel buffers, read from and written to files.
//
// Coordinates: image x runs to the right and y down; the centre of the pixel
// in column c and row r is the point (c, r), so that pixel covers
// [c - 0.5, c + 0.5) x [r - 0.5, r + 0.5). Every function of this library
// that takes or gives image points uses this frame.
#pragma once

#include <string>
#include <variant>

#include "vxdiagc12u/pelbuffer.h"

using ccImage8 = ccPelBuffer_const<unsigned char>;
using ccImage16 = ccPelBuffer_const<unsigned short>;
// An image of either depth, as files hold them.
using ccImage = std::variant<ccImage8, ccImage16>;

// Reads a grey image from a PNG, JPEG, TIFF, BMP or PGM/PPM file, chosen by
// the file's content. 8-bit files give ccImage8 and 16-bit files ccImage16.
// Colour (RGB or RGBA; alpha is dropped) becomes grey as
// Y = 0.299 R + 0.587 G + 0.114 B, rounded to the nearest level. A missing,
// unreadable, empty or truncated file, another depth (float, 32-bit) or a
// size beyond cc_find_tol::kMaxImageSide / kMaxImagePixels throws
// ccFindDefs::BadImage naming the file and what was wrong.
ccImage cfReadImage(const std::string& path);

// Writes `image` to `path` in the format its extension names (.png, .jpg or
// .jpeg, .tif or .tiff, .bmp, .pgm; case-insensitive). 16-bit images go to
// PNG, TIFF and PGM only. The file is written whole or not at all: an unknown
// extension, an empty image, a 16-bit image for an 8-bit format or a failed
// write throws ccFindDefs::BadImage and leaves any earlier file at `path` as
// it was.
void cfWriteImage(const std::string& path, const ccImage& image);

// Width and height of either kind of image.
long cfImageWidth(const ccImage& image);
long cfImageHeight(const ccImage& image);
