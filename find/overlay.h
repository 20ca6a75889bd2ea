// Pictures for people: a grey image shown in colour with outlines drawn over
// it, to see where a model, its edges or a match lie.
#pragma once

#include <string>
#include <vector>

#include "find/image.h"
#include "vxdispc12u/color.h"
#include "vxstd12u/handle.h"
#include "vxstd12u/shape.h"

// One outline to draw: a shape in image coordinates (find/image.h), its
// colour and its line width in pixels of the written picture.
struct ccOverlayStroke {
    ccPtrHandle_const<ccShape> shape;
    ccColor color;
    double width = 1.0;
};

// Writes `image` as a colour PNG at `path`, enlarged `zoom` times (each pixel
// a square of zoom x zoom, so that subpixel positions can be seen), with
// every stroke drawn over it in order, antialiased, the shapes sampled 0.1
// image pixels apart. A 16-bit image is shown stretched from its darkest to
// its brightest pixel. The file is written whole or not at all.
//
// An empty image, a zoom outside 1 to 16, a picture beyond
// cc_find_tol::kMaxImageSide / kMaxImagePixels, a stroke without a shape or
// with a width outside (0, 64] throws ccFindDefs::BadParams; an infinite
// shape throws what its sampling throws (ccShapesError::InfiniteExtent); a
// failed write throws ccFindDefs::BadImage. Parts of strokes outside the
// picture are clipped.
void cfWriteOverlayPng(const std::string& path, const ccImage& image,
                       const std::vector<ccOverlayStroke>& strokes, int zoom = 1);
