// SVG output: path data built command by command, and a canvas that turns
// paths and graphic properties into SVG elements.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "vxdispc12u/color.h"
#include "vxstd12u/rect.h"
#include "vxstd12u/vector.h"

// A number as SVG text: at most 12 significant digits, no exponent for the
// magnitudes drawings have ("12.5", "-0.001"). A non-finite number throws
// ccShapesError::BadParams: SVG has no spelling for it.
std::string cfSvgNumber(double value);

// The "d" attribute of an SVG path, and the points to be shown as dots
// (path data cannot show a lone point).
//
// The pen position is tracked: startAt() moves only when the pen is not
// already within cc_tol::kCoincident of the point, so the pieces of a contour
// join into one stroke with proper corners. close() closes the current
// subpath only when the pen has come back to where it started; otherwise it
// does nothing, leaving an open contour open.
class ccSvgPath {
  public:
    bool isEmpty() const noexcept { return data_.empty() && dots_.empty(); }
    const std::string& data() const noexcept { return data_; }
    const std::vector<ccVector<2>>& dots() const noexcept { return dots_; }

    void moveTo(const ccVector<2>& p);
    void startAt(const ccVector<2>& p);
    // Commands that continue from the pen. SVG path data must begin with a
    // move, so callers place the pen with moveTo or startAt first.
    void lineTo(const ccVector<2>& p);
    void cubicTo(const ccVector<2>& c1, const ccVector<2>& c2, const ccVector<2>& p);
    // SVG's elliptical arc command: radii, axis angle in radians, the two
    // flags, end point.
    void arcTo(const ccVector<2>& radii, double axisAngle, bool largeArc, bool sweep,
               const ccVector<2>& p);
    void close();
    void dot(const ccVector<2>& p) { dots_.push_back(p); }

  private:
    bool penAt(const ccVector<2>& p) const;
    void command(char letter, const std::vector<double>& numbers);

    std::string data_;
    std::vector<ccVector<2>> dots_;
    bool hasPen_ = false;
    ccVector<2> pen_;
    ccVector<2> subpathStart_;
};

// Collects SVG elements for one picture.
//
// The picture shows the rectangle `view` of the drawing's coordinates, one
// screen pixel being `unitsPerPixel` drawing units. Line widths, dash patterns,
// arrowheads and dots are sized in screen pixels (so they look the same at
// every zoom) and converted to drawing units here. Element ids carry
// `idPrefix`, so several pictures can share one HTML page.
class ccSvgCanvas {
  public:
    // A scale that is not positive and finite throws ccShapesError::BadParams.
    ccSvgCanvas(const ccRect& view, double unitsPerPixel, std::string idPrefix = "g");

    const ccRect& view() const noexcept { return view_; }
    double unitsPerPixel() const noexcept { return unitsPerPixel_; }

    // Strokes `path` in the properties' colour, width (0 is drawn as 1 pixel,
    // the thinnest line) and pen style: solid, dash (6 on, 4 off) or dot (1
    // on, 3 off), in multiples of the width. The arrowhead flag puts an arrow
    // at the end of the path. `filled` also fills the path's inside (even-odd
    // rule, so a ring's hole stays open) in the same colour, 35 % opaque so
    // that what lies under it shows. Dots are drawn as filled circles of
    // radius 1.5 pixels plus the width. An empty path draws nothing.
    void draw(const ccSvgPath& path, const ccGraphicProps& props, bool filled);
    // Elements drawn between beginGroup and endGroup share the SVG transform
    // (for example "matrix(1 0 0 -1 0 10)"). Groups nest.
    void beginGroup(const std::string& transform);
    void endGroup();
    // Raw SVG text, for elements the canvas has no call for (an image).
    void raw(const std::string& svg) { body_ += svg; }

    // The marker definitions the drawn elements refer to ("<defs>...</defs>",
    // empty when none), and the elements themselves.
    std::string defs() const;
    const std::string& body() const noexcept { return body_; }
    // A complete <svg> element of the given pixel size showing the view;
    // groups still open are closed in it.
    std::string svgElement(double pixelWidth, double pixelHeight) const;

  private:
    std::string arrowMarker(const ccColor& color);
    double pixels(double px) const { return px * unitsPerPixel_; }

    ccRect view_;
    double unitsPerPixel_;
    std::string idPrefix_;
    std::string body_;
    std::set<std::string> arrowColors_;
    int openGroups_ = 0;
};
