// Ordered lists of graphics, and their rendering as SVG pictures.
#pragma once

#include <string>
#include <vector>

#include "vxdispc12u/display.h"
#include "vxdispc12u/graphic.h"

// Graphics in drawing order (later ones on top). Copies of a list share its
// graphics, which are immutable.
class ccGraphicList {
  public:
    using const_iterator = std::vector<ccPtrHandle<ccGraphic>>::const_iterator;

    // Adds `graphic` at the end: with `share` the list keeps the handle
    // itself, otherwise a clone(). An empty handle throws ccBadPointer and
    // leaves the list unchanged.
    void append(const ccPtrHandle<ccGraphic>& graphic, bool share = true);
    // Adds all of `other`'s graphics, shared, after this list's own.
    void append(const ccGraphicList& other);
    void clear() noexcept { graphics_.clear(); }

    long size() const noexcept { return static_cast<long>(graphics_.size()); }
    bool isEmpty() const noexcept { return graphics_.empty(); }
    // Graphic `i`, 0 <= i < size(); otherwise ccShapesError::BadParams.
    const ccPtrHandle<ccGraphic>& at(long i) const;
    const_iterator begin() const noexcept { return graphics_.begin(); }
    const_iterator end() const noexcept { return graphics_.end(); }

    // Every graphic replaced by its image under `xform` (ccGraphic::map), in
    // the same order; this list is unchanged.
    ccGraphicList mapped(const ccXform<2>& xform) const;
    // Whether any graphic has finite extent; if so `box` becomes the smallest
    // rectangle holding all finite graphics.
    bool extent(ccRect& box) const;

    // Draws every graphic onto `canvas` in order.
    void render(ccSvgCanvas& canvas) const;

    // The rectangle a picture of the list shows when nothing else sets it:
    // the extent enlarged by 5 % of its larger side on every side (an extent
    // of no size by one unit); for a list with only infinite graphics, or an
    // empty one, the square of side 100 about the origin.
    ccRect fittedView() const;

    // A standalone SVG document of the list, showing fittedView(), 1000
    // pixels on its larger side. In client coordinates (y up)
    // the graphics are mirrored about the view's horizontal centre line, so
    // that up is up on the screen (see ccDisplay).
    std::string toSvg(ccDisplay::CoordinateSystem coords = ccDisplay::eImageCoords) const;
    // Writes toSvg() to the file `path`; a file that cannot be written throws
    // ccShapesError::BadParams naming it.
    void writeSvg(const std::string& path,
                  ccDisplay::CoordinateSystem coords = ccDisplay::eImageCoords) const;

  private:
    std::vector<ccPtrHandle<ccGraphic>> graphics_;
};

// The map that fits a drawing whose extent is `content` into `frame`, as
// diagrams are fitted to the image they are shown over: a uniform scaling
// about the content's centre, then a shift of that centre onto the frame's
// centre. The scale makes the content, enlarged by `enlargement` about its
// centre, just fit the frame in the tighter direction: with the ratios
// rx = enlarged width / frame width and ry = enlarged height / frame height,
// the scale is 1 / max(rx, ry), where a zero ratio is replaced by the other
// and two zero ratios by 1 (content of no size keeps its size). A frame of
// zero width or height, or an enlargement that is not positive and finite,
// throws ccShapesError::BadParams.
ccXform<2> cfFitXform(const ccRect& content, const ccRect& frame, double enlargement = 1.05);

// The SVG transform that shows client coordinates (y up) in the frame whose
// vertical limits are yMin and yMax (y down): y -> yMin + yMax - y.
std::string cfClientToImageTransform(double yMin, double yMax);
