// SVG output: path data built command by command, and a canvas that turns
// paths and graphic properties into SVG elements.
#pragma once

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "vxdispc12u/color.h"
#include "vxstd12u/rect.h"
#include "vxstd12u/vector.h"

// A number as SVG text: at most 12 significant digits, no exponent for the
// magnitudes drawings have ("12.5", "-0.001"). A non-finite number throws
// ccShapesError::BadParams: SVG has no spelling for it.
std::string cfSvgNumber(double value);
// The same with at most `decimals` (0 to 12; outside, clamped) digits after
// the point and no trailing zeros ("12.5", "3", "-0.25"): pictures need only
// a fraction of a pixel, and shorter numbers make large drawings small.
std::string cfSvgNumber(double value, int decimals);

// One command of SVG path data: its letter (M, L, C, A or Z) and numbers, as
// ccSvgPath::data() spells them.
struct ccSvgPathCommand {
    char letter;
    std::vector<double> numbers;
};

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
    bool isEmpty() const noexcept { return commands_.empty() && dots_.empty(); }
    // The path data, numbers as cfSvgNumber(double) spells them.
    std::string data() const;
    const std::vector<ccVector<2>>& dots() const noexcept { return dots_; }
    // The commands behind data(), in order, for writers that spell numbers
    // otherwise or draw the path themselves (ccRasterCanvas).
    const std::vector<ccSvgPathCommand>& commands() const noexcept { return commands_; }

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

    std::vector<ccSvgPathCommand> commands_;
    std::vector<ccVector<2>> dots_;
    bool hasPen_ = false;
    ccVector<2> pen_;
    ccVector<2> subpathStart_;
};

// An SVG arc command in centre form, worked out by the SVG rules (radii too
// small to reach the end are scaled up): the ellipse's centre, radii and axis
// angle (radians), and the ellipse's own parameter at the start and the
// signed sweep to the end.
struct ccSvgArc {
    ccVector<2> centre;
    ccVector<2> radii;
    double axisAngle = 0;
    double startAngle = 0;
    double sweepAngle = 0;
    // The point at `fraction` (0 start, 1 end) of the sweep.
    ccVector<2> pointAt(double fraction) const;
    // The direction of travel there (not of unit length).
    ccVector<2> directionAt(double fraction) const;
};
// The arc that `arc` (an 'A' command) draws from the pen position `from`. A
// zero radius or an end at the start gives radii (0, 0), no sweep and the
// centre halfway, which SVG draws as a straight line. Another command throws
// ccShapesError::BadParams.
ccSvgArc cfSvgArc(const ccVector<2>& from, const ccSvgPathCommand& arc);

// The arrowhead that ends `path`, as the triangle tip, left and right corner
// (the tip at the path's end, pointing along its last piece). Its length is
// `length`, but never more than a third of the last piece (the chord of a
// curved piece, a lower bound of its length), so an arrow cannot hide the line
// it ends; its base is as wide as it is long. False, with `triangle` unchanged,
// when the path has no drawn piece or its last piece has no length.
bool cfArrowHead(const ccSvgPath& path, double length, ccVector<2> (&triangle)[3]);

// How both canvases (SVG and pixels) size what graphic properties ask for,
// in screen pixels: the stroke width (0 draws as 1, the thinnest line); the
// dash pattern, on and off (dash 6 and 4 widths, dot 1 and 3, solid 0 and 0);
// the arrowhead's length before cfArrowHead bounds it (4 plus twice the
// width); the radius of a dot (1.5 plus the width). Fills are kFillOpacity
// opaque, so that what lies under them shows.
int cfStrokePixels(const ccGraphicProps& props);
std::pair<int, int> cfDashPixels(const ccGraphicProps& props);
double cfArrowHeadPixels(const ccGraphicProps& props);
double cfDotRadiusPixels(const ccGraphicProps& props);
constexpr double kFillOpacity = 0.35;

// The attributes of an SVG group (<g>); empty strings are left out.
struct ccSvgGroup {
    std::string transform;  // an SVG transform, "matrix(1 0 0 -1 0 10)"
    std::string id;         // unique in the document
    std::string classes;    // space-separated class names
    std::string node;       // written as data-node, the node a page refers to
};

// The style classes a canvas gives its elements, so a page can restyle them
// (all widths in screen pixels):
// - "s-RRGGBB-W-PEN": a stroke of colour #RRGGBB, width W px, PEN solid, dash
//   or dot, that keeps its width on screen at every zoom (vector-effect
//   non-scaling-stroke); no fill;
// - "f-RRGGBB": the 35 % opaque even-odd fill of a filled path (with its
//   stroke class);
// - "a-RRGGBB": a filled arrowhead;
// - "d-RRGGBB-W": the dots of a path, round, 3 + 2 W px across.
// The rules depend on nothing but the name, so several pictures on one page
// may each carry them.
std::string cfSvgStrokeClass(const ccGraphicProps& props);

// Collects SVG elements for one picture.
//
// The picture shows the rectangle `view` of the drawing's coordinates, one
// screen pixel being `unitsPerPixel` drawing units. Line widths, dash patterns
// and dots are styled in screen pixels through the classes above, so they
// look the same at every zoom; arrowheads are paths in drawing units, sized
// from `unitsPerPixel` and bounded by the piece they end. Numbers are written
// with decimals() digits after the point: a millionth of the view's larger
// side. Consecutive stroked paths of the same classes inside the same group
// are written as one element, which paints the same. Element ids carry
// `idPrefix`, so several pictures can share one HTML page.
class ccSvgCanvas {
  public:
    // A scale that is not positive and finite throws ccShapesError::BadParams.
    ccSvgCanvas(const ccRect& view, double unitsPerPixel, std::string idPrefix = "g");

    const ccRect& view() const noexcept { return view_; }
    double unitsPerPixel() const noexcept { return unitsPerPixel_; }
    int decimals() const noexcept { return decimals_; }
    // What this picture's ids begin with.
    const std::string& idPrefix() const noexcept { return idPrefix_; }

    // Strokes `path` in the properties' colour, width (0 is drawn as 1 pixel,
    // the thinnest line) and pen style: solid, dash (6 on, 4 off) or dot (1
    // on, 3 off), in multiples of the width. The arrowhead flag puts an arrow
    // at the end of the path. `filled` also fills the path's inside (even-odd
    // rule, so a ring's hole stays open) in the same colour, 35 % opaque so
    // that what lies under it shows. The arrowhead is cfArrowHead's triangle
    // of 4 + 2 width pixels. Dots are drawn as round dots of radius 1.5
    // pixels plus the width. An empty path draws nothing.
    void draw(const ccSvgPath& path, const ccGraphicProps& props, bool filled);
    // The same, the elements also carrying `classes` (space-separated names,
    // such as "glyph") for a page to select them by.
    void draw(const ccSvgPath& path, const ccGraphicProps& props, bool filled,
              const std::string& classes);
    // Elements drawn between beginGroup and endGroup share the SVG transform
    // (for example "matrix(1 0 0 -1 0 10)"), or the group's attributes.
    // Groups nest.
    void beginGroup(const std::string& transform);
    void beginGroup(const ccSvgGroup& group);
    void endGroup();
    // Raw SVG text, for elements the canvas has no call for (an image).
    void raw(const std::string& svg);

    // The style sheet of the classes the drawn elements use
    // ("<style>...</style>", empty when nothing was drawn), and the elements
    // themselves.
    std::string defs() const;
    std::string body() const;
    // A complete <svg> element of the given pixel size showing the view;
    // groups still open are closed in it.
    std::string svgElement(double pixelWidth, double pixelHeight) const;

  private:
    // Adds path data to the element being written, or starts a new one when
    // its classes differ from the last.
    void addElement(const std::string& classes, const std::string& data, bool mergeable);
    void flush();
    std::string pathData(const ccSvgPath& path) const;
    void drawArrowHead(const ccSvgPath& path, const ccGraphicProps& props,
                       const std::string& classes);
    void drawDots(const ccSvgPath& path, const ccGraphicProps& props, const std::string& classes);

    ccRect view_;
    double unitsPerPixel_;
    int decimals_;
    std::string idPrefix_;
    std::string body_;
    std::string pendingClasses_;
    std::string pendingData_;
    bool pendingMergeable_ = false;
    std::set<std::string> strokeClasses_, fillColors_, arrowColors_, dotClasses_;
    int openGroups_ = 0;
};
