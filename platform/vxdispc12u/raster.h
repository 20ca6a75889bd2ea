// Graphics drawn into pixels: the same paths and properties the SVG canvas
// writes, antialiased, for pictures that must be images (PNG).
#pragma once

#include <vector>

#include "vxdispc12u/color.h"
#include "vxdispc12u/svg.h"
#include "vxstd12u/rect.h"

// An RGB picture of 8 bits a channel, rows top to bottom, each left to right.
class ccRgbImage {
  public:
    // A picture of `width` x `height` pixels, all `background`. A negative
    // size throws ccShapesError::BadParams; a zero one is an empty picture.
    ccRgbImage(long width, long height, const ccColor& background = ccColor::whiteColor());

    long width() const noexcept { return width_; }
    long height() const noexcept { return height_; }
    // Pixel (x, y), 0 <= x < width, 0 <= y < height; outside,
    // ccShapesError::BadParams.
    ccColor pixel(long x, long y) const;
    // All pixels as r, g, b bytes, row by row.
    const std::vector<unsigned char>& bytes() const noexcept { return bytes_; }

    // Pixel (x, y) moved towards `color` by `coverage` (0 leaves it, 1
    // replaces it); pixels outside the picture are left alone.
    void blend(long x, long y, const ccColor& color, double coverage);

  private:
    long width_, height_;
    std::vector<unsigned char> bytes_;
};

// Draws paths into an RGB picture as ccSvgCanvas writes them: the picture
// shows the rectangle `view` of the drawing's coordinates (its top-left
// corner at the view's smallest x and y, y down), stretched to the picture's
// size. Strokes have the properties' width in pixels (0 as 1) and pen style
// (dash 6 on 4 off, dot 1 on 3 off, in widths), with round ends and joins;
// coverage is the distance of each pixel's centre from the stroke's middle
// line, clamped to [0, 1] over a pixel, so lines are antialiased. Curves are
// followed by chords within a tenth of a pixel. Fills (even-odd) are 35 %
// opaque, arrowheads solid, dots discs of radius 1.5 plus the width, as in
// the SVG. What falls outside the picture is cut off.
class ccRasterCanvas {
  public:
    // A view without area or a picture side below 1 throws
    // ccShapesError::BadParams.
    ccRasterCanvas(const ccRect& view, long width, long height,
                   const ccColor& background = ccColor::whiteColor());

    const ccRect& view() const noexcept { return view_; }
    void draw(const ccSvgPath& path, const ccGraphicProps& props, bool filled);
    const ccRgbImage& image() const noexcept { return image_; }

  private:
    ccVector<2> toPixels(const ccVector<2>& p) const;

    ccRect view_;
    ccVector<2> scale_;
    ccRgbImage image_;
};
