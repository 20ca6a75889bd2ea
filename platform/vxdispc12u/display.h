// Where a graphic's coordinates are taken to be.
#pragma once

class ccDisplay {
  public:
    // Coordinate systems a display (and a diagnostic record) understands.
    //
    // - eImageCoords: the image's own frame: x to the right, y down, one unit
    //   per pixel, the buffer's first pixel covering [offset, offset + 1) in
    //   both directions. SVG's y axis runs down too, so graphics in image
    //   coordinates are written to SVG unchanged.
    // - eClientCoords: the same rectangle as the image, but with y up: the
    //   point (x, y) shows where the image point (x, top + bottom - y) does,
    //   top and bottom being the image's (or, with no image, the drawing's
    //   own) vertical limits. Diagrams built upwards (a tree with its root on
    //   top) use it. SVG draws them inside a group mirrored about the frame's
    //   horizontal centre line.
    //
    // The numbers are fixed: stored diagnostics and callers pass them as plain
    // integers.
    enum CoordinateSystem { eClientCoords = 1, eImageCoords = 2 };

    // Whether `value` names one of the coordinate systems above.
    static constexpr bool isCoordinateSystem(long value) noexcept {
        return value == eClientCoords || value == eImageCoords;
    }
};
