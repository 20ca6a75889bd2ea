#include "vxdispc12u/svg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "vxstd12u/errors.h"
#include "vxstd12u/radian.h"
#include "vxstd12u/tolerances.h"

std::string cfSvgNumber(double value) {
    if (!std::isfinite(value))
        throw ccShapesError::BadParams(L"SVG cannot show a non-finite number");
    if (value == 0.0) return "0";  // also turns -0 into 0
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.12g", value);
    return buf;
}

// ---- ccSvgPath ----

bool ccSvgPath::penAt(const ccVector<2>& p) const {
    return hasPen_ && (p - pen_).len() <= cc_tol::kCoincident;
}

void ccSvgPath::command(char letter, const std::vector<double>& numbers) {
    if (!data_.empty()) data_ += ' ';
    data_ += letter;
    for (double v : numbers) {
        data_ += ' ';
        data_ += cfSvgNumber(v);
    }
}

void ccSvgPath::moveTo(const ccVector<2>& p) {
    command('M', {p.x(), p.y()});
    hasPen_ = true;
    pen_ = subpathStart_ = p;
}

void ccSvgPath::startAt(const ccVector<2>& p) {
    if (!penAt(p)) moveTo(p);
}

void ccSvgPath::lineTo(const ccVector<2>& p) {
    command('L', {p.x(), p.y()});
    hasPen_ = true;
    pen_ = p;
}

void ccSvgPath::cubicTo(const ccVector<2>& c1, const ccVector<2>& c2, const ccVector<2>& p) {
    command('C', {c1.x(), c1.y(), c2.x(), c2.y(), p.x(), p.y()});
    hasPen_ = true;
    pen_ = p;
}

void ccSvgPath::arcTo(const ccVector<2>& radii, double axisAngle, bool largeArc, bool sweep,
                      const ccVector<2>& p) {
    command('A', {radii.x(), radii.y(), axisAngle * ccDegreesPerRadian, largeArc ? 1.0 : 0.0,
                  sweep ? 1.0 : 0.0, p.x(), p.y()});
    hasPen_ = true;
    pen_ = p;
}

void ccSvgPath::close() {
    if (!hasPen_ || (pen_ - subpathStart_).len() > cc_tol::kCoincident) return;
    command('Z', {});
    pen_ = subpathStart_;
}

// ---- ccSvgCanvas ----

ccSvgCanvas::ccSvgCanvas(const ccRect& view, double unitsPerPixel, std::string idPrefix)
    : view_(view), unitsPerPixel_(unitsPerPixel), idPrefix_(std::move(idPrefix)) {
    if (!(std::isfinite(unitsPerPixel) && unitsPerPixel > 0))
        throw ccShapesError::BadParams(L"SVG canvas scale must be positive and finite");
}

namespace {

std::string dashArray(const ccGraphicProps& props, double unitsPerPixel) {
    const double w = std::max(props.width(), 1) * unitsPerPixel;
    switch (props.penStyle()) {
        case ccGraphicProps::eDash:
            return cfSvgNumber(6 * w) + " " + cfSvgNumber(4 * w);
        case ccGraphicProps::eDot:
            return cfSvgNumber(w) + " " + cfSvgNumber(3 * w);
        case ccGraphicProps::eSolid:
            break;
    }
    return "";
}

std::string colorId(const ccColor& color) {
    return color.hex().substr(1);
}

}  // namespace

std::string ccSvgCanvas::arrowMarker(const ccColor& color) {
    arrowColors_.insert(colorId(color));
    return idPrefix_ + "-arrow-" + colorId(color);
}

void ccSvgCanvas::draw(const ccSvgPath& path, const ccGraphicProps& props, bool filled) {
    const std::string color = props.color().hex();
    const double width = pixels(std::max(props.width(), 1));
    if (!path.data().empty()) {
        body_ += "<path d=\"" + path.data() + "\" stroke=\"" + color + "\" stroke-width=\"" +
                 cfSvgNumber(width) + "\" stroke-linejoin=\"round\"";
        const std::string dashes = dashArray(props, unitsPerPixel_);
        if (!dashes.empty()) body_ += " stroke-dasharray=\"" + dashes + "\"";
        if (filled)
            body_ += " fill=\"" + color + "\" fill-opacity=\"0.35\" fill-rule=\"evenodd\"";
        else
            body_ += " fill=\"none\"";
        if (props.arrowHead()) body_ += " marker-end=\"url(#" + arrowMarker(props.color()) + ")\"";
        body_ += "/>\n";
    }
    for (const ccVector<2>& p : path.dots())
        body_ += "<circle cx=\"" + cfSvgNumber(p.x()) + "\" cy=\"" + cfSvgNumber(p.y()) +
                 "\" r=\"" + cfSvgNumber(pixels(1.5 + std::max(props.width(), 1))) + "\" fill=\"" +
                 color + "\"/>\n";
}

void ccSvgCanvas::beginGroup(const std::string& transform) {
    body_ += "<g transform=\"" + transform + "\">\n";
    ++openGroups_;
}

void ccSvgCanvas::endGroup() {
    if (openGroups_ == 0) throw ccShapesError::BadParams(L"SVG group ended that was never begun");
    body_ += "</g>\n";
    --openGroups_;
}

std::string ccSvgCanvas::defs() const {
    if (arrowColors_.empty()) return "";
    // Sized in stroke widths, so an arrow grows with its line.
    std::string out = "<defs>\n";
    for (const std::string& id : arrowColors_)
        out += "<marker id=\"" + idPrefix_ + "-arrow-" + id +
               "\" viewBox=\"0 0 10 10\" refX=\"9\" refY=\"5\" markerWidth=\"6\" "
               "markerHeight=\"6\" markerUnits=\"strokeWidth\" orient=\"auto\">"
               "<path d=\"M 0 0 L 10 5 L 0 10 Z\" fill=\"#" +
               id + "\"/></marker>\n";
    return out + "</defs>\n";
}

std::string ccSvgCanvas::svgElement(double pixelWidth, double pixelHeight) const {
    std::string out = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                      cfSvgNumber(pixelWidth) + "\" height=\"" + cfSvgNumber(pixelHeight) +
                      "\" viewBox=\"" + cfSvgNumber(view_.xMin()) + " " +
                      cfSvgNumber(view_.yMin()) + " " + cfSvgNumber(view_.width()) + " " +
                      cfSvgNumber(view_.height()) + "\">\n";
    std::string closing;
    for (int i = 0; i < openGroups_; ++i) closing += "</g>\n";
    return out + defs() + body_ + closing + "</svg>\n";
}
