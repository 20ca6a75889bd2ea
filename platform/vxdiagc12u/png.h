// PNG encoding and decoding of grey pixel buffers (through libpng).
#pragma once

#include <string>

#include "vxdiagc12u/pelbuffer.h"
#include "vxdispc12u/raster.h"

// The image as a grey PNG file held in a string of bytes: 8-bit pixels as
// bit depth 8, 16-bit pixels as bit depth 16. The offset is not stored. An
// empty image (PNG has none) throws ccShapesError::BadParams.
std::string cfEncodePng(const ccPelBuffer_const<unsigned char>& image);
std::string cfEncodePng(const ccPelBuffer_const<unsigned short>& image);
// A colour picture as an RGB PNG of bit depth 8; an empty one throws
// ccShapesError::BadParams.
std::string cfEncodePng(const ccRgbImage& image);

// Reads PNG bytes as a grey image of 8 or 16 bits, converted as libpng's
// simplified reader converts (colour to grey, alpha dropped; 16-bit results
// are linear, so an 8-bit file read as 16 bits is linearised). What
// cfEncodePng wrote reads back unchanged. Bytes that are not a PNG image throw
// ccShapesError::BadParams with libpng's reason.
ccPelBuffer_const<unsigned char> cfDecodePng8(const std::string& bytes);
ccPelBuffer_const<unsigned short> cfDecodePng16(const std::string& bytes);
