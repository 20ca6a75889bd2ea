#include "vxdispc12u/svg.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <utility>

#include "vxstd12u/errors.h"
#include "vxstd12u/radian.h"
#include "vxstd12u/tolerances.h"

namespace {

constexpr int kMostSvgDecimals = 12;

}  // namespace

std::string cfSvgNumber(double value) {
    if (!std::isfinite(value))
        throw ccShapesError::BadParams(L"SVG cannot show a non-finite number");
    if (value == 0.0) return "0";  // also turns -0 into 0
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.12g", value);
    return buf;
}

std::string cfSvgNumber(double value, int decimals) {
    if (!std::isfinite(value))
        throw ccShapesError::BadParams(L"SVG cannot show a non-finite number");
    decimals = std::clamp(decimals, 0, kMostSvgDecimals);
    // Large enough for any finite double in fixed notation.
    char buf[360];
    const auto written =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    std::string text(buf, written.ptr);
    if (text.find('.') != std::string::npos) {
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.') text.pop_back();
    }
    return text == "-0" ? "0" : text;
}

// ---- ccSvgPath ----

bool ccSvgPath::penAt(const ccVector<2>& p) const {
    return hasPen_ && (p - pen_).len() <= cc_tol::kCoincident;
}

void ccSvgPath::command(char letter, const std::vector<double>& numbers) {
    // Checked here, so that a bad number is refused where it is drawn.
    for (double v : numbers)
        if (!std::isfinite(v))
            throw ccShapesError::BadParams(L"SVG cannot show a non-finite number");
    commands_.push_back({letter, numbers});
}

std::string ccSvgPath::data() const {
    std::string data;
    for (const ccSvgPathCommand& c : commands_) {
        if (!data.empty()) data += ' ';
        data += c.letter;
        for (double v : c.numbers) {
            data += ' ';
            data += cfSvgNumber(v);
        }
    }
    return data;
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

// ---- Arcs in centre form ----

ccVector<2> ccSvgArc::pointAt(double fraction) const {
    const double t = startAngle + sweepAngle * fraction;
    const double c = std::cos(axisAngle), s = std::sin(axisAngle);
    const double x = radii.x() * std::cos(t), y = radii.y() * std::sin(t);
    return centre + ccVector<2>(c * x - s * y, s * x + c * y);
}

ccVector<2> ccSvgArc::directionAt(double fraction) const {
    const double t = startAngle + sweepAngle * fraction;
    const double c = std::cos(axisAngle), s = std::sin(axisAngle);
    const double sign = sweepAngle < 0 ? -1.0 : 1.0;
    const double x = -radii.x() * std::sin(t) * sign, y = radii.y() * std::cos(t) * sign;
    return ccVector<2>(c * x - s * y, s * x + c * y);
}

namespace {

double signedAngle(const ccVector<2>& u, const ccVector<2>& v) {
    return std::atan2(u.cross(v), u.dot(v));
}

}  // namespace

ccSvgArc cfSvgArc(const ccVector<2>& from, const ccSvgPathCommand& arc) {
    const std::vector<double>& n = arc.numbers;
    if (arc.letter != 'A' || n.size() != 7)
        throw ccShapesError::BadParams(L"an SVG arc takes the 7 numbers of an A command");
    ccSvgArc out;
    out.axisAngle = n[2] * ccPi / 180.0;
    const bool large = n[3] != 0, sweep = n[4] != 0;
    const ccVector<2> to(n[5], n[6]);
    const double c = std::cos(out.axisAngle), s = std::sin(out.axisAngle);
    const ccVector<2> h = (from - to) * 0.5;
    const ccVector<2> p(c * h.x() + s * h.y(), -s * h.x() + c * h.y());
    double rx = std::fabs(n[0]), ry = std::fabs(n[1]);
    if (!(rx > 0 && ry > 0) || p.len() == 0) {
        out.centre = (from + to) * 0.5;
        out.radii = ccVector<2>(0, 0);
        return out;
    }
    // Radii too small to reach are scaled up, as SVG prescribes.
    const double reach = p.x() * p.x() / (rx * rx) + p.y() * p.y() / (ry * ry);
    if (reach > 1) {
        rx *= std::sqrt(reach);
        ry *= std::sqrt(reach);
    }
    const double num = rx * rx * ry * ry - rx * rx * p.y() * p.y() - ry * ry * p.x() * p.x();
    const double den = rx * rx * p.y() * p.y() + ry * ry * p.x() * p.x();
    double k = std::sqrt(std::max(0.0, num / den));
    if (large == sweep) k = -k;
    const ccVector<2> cp(k * rx * p.y() / ry, -k * ry * p.x() / rx);
    out.centre = (from + to) * 0.5 + ccVector<2>(c * cp.x() - s * cp.y(), s * cp.x() + c * cp.y());
    out.radii = ccVector<2>(rx, ry);
    const ccVector<2> u((p.x() - cp.x()) / rx, (p.y() - cp.y()) / ry);
    const ccVector<2> v((-p.x() - cp.x()) / rx, (-p.y() - cp.y()) / ry);
    out.startAngle = signedAngle(ccVector<2>(1, 0), u);
    double delta = signedAngle(u, v);
    if (!sweep && delta > 0) delta -= 2 * ccPi;
    if (sweep && delta < 0) delta += 2 * ccPi;
    out.sweepAngle = delta;
    return out;
}

// ---- Arrowheads ----

namespace {

ccVector<2> pointOf(const std::vector<double>& n, std::size_t at) {
    return ccVector<2>(n[at], n[at + 1]);
}

}  // namespace

bool cfArrowHead(const ccSvgPath& path, double length, ccVector<2> (&triangle)[3]) {
    ccVector<2> pen, before, direction, tip;
    double pieceLength = 0;
    for (const ccSvgPathCommand& c : path.commands()) {
        before = pen;
        switch (c.letter) {
            case 'M':
                pen = pointOf(c.numbers, 0);
                continue;
            case 'L':
                pen = pointOf(c.numbers, 0);
                direction = pen - before;
                break;
            case 'C': {
                pen = pointOf(c.numbers, 4);
                direction = pen - pointOf(c.numbers, 2);
                if (direction.len() <= cc_tol::kCoincident) direction = pen - pointOf(c.numbers, 0);
                if (direction.len() <= cc_tol::kCoincident) direction = pen - before;
                break;
            }
            case 'A':
                pen = pointOf(c.numbers, 5);
                direction = cfSvgArc(before, c).directionAt(1);
                break;
            default:  // a close adds no piece: the pen is already back at the start
                continue;
        }
        pieceLength = (pen - before).len();
        tip = pen;
    }
    if (!(pieceLength > cc_tol::kCoincident && direction.len() > 0)) return false;
    const double a = std::min(length, pieceLength / 3);
    const ccVector<2> along = direction / direction.len() * a;
    const ccVector<2> across(-along.y() * 0.5, along.x() * 0.5);
    triangle[0] = tip;
    triangle[1] = tip - along + across;
    triangle[2] = tip - along - across;
    return true;
}

// ---- ccSvgCanvas ----

namespace {

// Numbers are written to a millionth of the view's larger side: a thousandth
// of a pixel in a picture of a thousand, still exact when a page zooms in a
// thousandfold.
constexpr double kSvgResolutionOfView = 1e-6;

int decimalsFor(const ccRect& view) {
    const double side = std::max(view.width(), view.height());
    if (!(std::isfinite(side) && side > 0)) return kMostSvgDecimals;
    const double digits = std::ceil(-std::log10(side * kSvgResolutionOfView));
    return static_cast<int>(std::clamp(digits, 0.0, static_cast<double>(kMostSvgDecimals)));
}

const char* penName(ccGraphicProps::cePenStyle style) {
    switch (style) {
        case ccGraphicProps::eDash:
            return "dash";
        case ccGraphicProps::eDot:
            return "dot";
        case ccGraphicProps::eSolid:
            break;
    }
    return "solid";
}

std::string dashText(const ccGraphicProps& props) {
    const auto [on, off] = cfDashPixels(props);
    return on == 0 ? "" : std::to_string(on) + " " + std::to_string(off);
}

std::string colorName(const ccColor& color) {
    return color.hex().substr(1);
}

std::string dotClass(const ccGraphicProps& props) {
    return "d-" + colorName(props.color()) + "-" + std::to_string(cfStrokePixels(props));
}

std::string withClasses(std::string own, const std::string& classes) {
    if (!classes.empty()) own += " " + classes;
    return own;
}

std::string escapedAttribute(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

// The rule of a stroke class, read back from its name "s-RRGGBB-W-PEN".
std::string strokeRule(const std::string& name) {
    const std::string color = name.substr(2, 6);
    const std::size_t widthEnd = name.find('-', 9);
    const std::string width = name.substr(9, widthEnd - 9);
    const std::string pen = name.substr(widthEnd + 1);
    const auto style = pen == "dash"  ? ccGraphicProps::eDash
                       : pen == "dot" ? ccGraphicProps::eDot
                                      : ccGraphicProps::eSolid;
    const std::string dashes = dashText(ccGraphicProps(ccColor(), std::stoi(width), style));
    return "." + name + "{fill:none;stroke:#" + color + ";stroke-width:" + width +
           "px;stroke-linejoin:round;vector-effect:non-scaling-stroke" +
           (dashes.empty() ? "" : ";stroke-dasharray:" + dashes) + "}";
}

std::string dotRule(const std::string& name) {
    const std::string color = name.substr(2, 6);
    const int width = std::stoi(name.substr(9));
    return "." + name + "{fill:none;stroke:#" + color +
           ";stroke-width:" + std::to_string(3 + 2 * width) +
           "px;stroke-linecap:round;vector-effect:non-scaling-stroke}";
}

}  // namespace

int cfStrokePixels(const ccGraphicProps& props) {
    return std::max(props.width(), 1);
}

std::pair<int, int> cfDashPixels(const ccGraphicProps& props) {
    const int w = cfStrokePixels(props);
    switch (props.penStyle()) {
        case ccGraphicProps::eDash:
            return {6 * w, 4 * w};
        case ccGraphicProps::eDot:
            return {w, 3 * w};
        case ccGraphicProps::eSolid:
            break;
    }
    return {0, 0};
}

double cfArrowHeadPixels(const ccGraphicProps& props) {
    return 4.0 + 2.0 * cfStrokePixels(props);
}

double cfDotRadiusPixels(const ccGraphicProps& props) {
    return 1.5 + cfStrokePixels(props);
}

std::string cfSvgStrokeClass(const ccGraphicProps& props) {
    return "s-" + colorName(props.color()) + "-" + std::to_string(cfStrokePixels(props)) + "-" +
           penName(props.penStyle());
}

ccSvgCanvas::ccSvgCanvas(const ccRect& view, double unitsPerPixel, std::string idPrefix)
    : view_(view),
      unitsPerPixel_(unitsPerPixel),
      decimals_(decimalsFor(view)),
      idPrefix_(std::move(idPrefix)) {
    if (!(std::isfinite(unitsPerPixel) && unitsPerPixel > 0))
        throw ccShapesError::BadParams(L"SVG canvas scale must be positive and finite");
}

void ccSvgCanvas::addElement(const std::string& classes, const std::string& data, bool mergeable) {
    if (mergeable && pendingMergeable_ && classes == pendingClasses_) {
        pendingData_ += ' ';
        pendingData_ += data;
        return;
    }
    flush();
    pendingClasses_ = classes;
    pendingData_ = data;
    pendingMergeable_ = mergeable;
}

void ccSvgCanvas::flush() {
    if (pendingData_.empty()) return;
    body_ += "<path class=\"" + pendingClasses_ + "\" d=\"" + pendingData_ + "\"/>\n";
    pendingData_.clear();
    pendingMergeable_ = false;
}

std::string ccSvgCanvas::pathData(const ccSvgPath& path) const {
    std::string data;
    for (const ccSvgPathCommand& c : path.commands()) {
        if (!data.empty()) data += ' ';
        data += c.letter;
        for (std::size_t k = 0; k < c.numbers.size(); ++k) {
            data += ' ';
            // An arc's flags are whole numbers; its axis angle is in degrees.
            const bool flag = c.letter == 'A' && (k == 3 || k == 4);
            data += flag ? (c.numbers[k] != 0 ? "1" : "0") : cfSvgNumber(c.numbers[k], decimals_);
        }
    }
    return data;
}

void ccSvgCanvas::draw(const ccSvgPath& path, const ccGraphicProps& props, bool filled) {
    draw(path, props, filled, "");
}

void ccSvgCanvas::draw(const ccSvgPath& path, const ccGraphicProps& props, bool filled,
                       const std::string& classes) {
    if (!path.commands().empty()) {
        const std::string stroke = cfSvgStrokeClass(props);
        strokeClasses_.insert(stroke);
        std::string own = stroke;
        if (filled) {
            fillColors_.insert(colorName(props.color()));
            own += " f-" + colorName(props.color());
        }
        // Filled paths stay apart: the even-odd rule would cut holes where
        // two of them overlap.
        addElement(withClasses(own, classes), pathData(path), !filled);
        if (props.arrowHead()) drawArrowHead(path, props, classes);
    }
    drawDots(path, props, classes);
}

void ccSvgCanvas::drawArrowHead(const ccSvgPath& path, const ccGraphicProps& props,
                                const std::string& classes) {
    ccVector<2> t[3];
    const double length = cfArrowHeadPixels(props) * unitsPerPixel_;
    if (!cfArrowHead(path, length, t)) return;
    arrowColors_.insert(colorName(props.color()));
    std::string data;
    for (int k = 0; k < 3; ++k)
        data += std::string(k == 0 ? "M " : " L ") + cfSvgNumber(t[k].x(), decimals_) + " " +
                cfSvgNumber(t[k].y(), decimals_);
    addElement(withClasses("a-" + colorName(props.color()), classes), data + " Z", false);
}

void ccSvgCanvas::drawDots(const ccSvgPath& path, const ccGraphicProps& props,
                           const std::string& classes) {
    if (path.dots().empty()) return;
    dotClasses_.insert(dotClass(props));
    std::string data;
    for (const ccVector<2>& p : path.dots()) {
        if (!data.empty()) data += ' ';
        // A subpath of no length shows as one round cap: a dot of the
        // stroke's width, on screen, at every zoom.
        data += "M " + cfSvgNumber(p.x(), decimals_) + " " + cfSvgNumber(p.y(), decimals_) + " h 0";
    }
    addElement(withClasses(dotClass(props), classes), data, true);
}

void ccSvgCanvas::beginGroup(const std::string& transform) {
    ccSvgGroup group;
    group.transform = transform;
    beginGroup(group);
}

void ccSvgCanvas::beginGroup(const ccSvgGroup& group) {
    flush();
    body_ += "<g";
    const std::pair<const char*, const std::string*> attributes[] = {
        {"id", &group.id},
        {"class", &group.classes},
        {"data-node", &group.node},
        {"transform", &group.transform}};
    for (const auto& [name, value] : attributes)
        if (!value->empty())
            body_ += std::string(" ") + name + "=\"" + escapedAttribute(*value) + "\"";
    body_ += ">\n";
    ++openGroups_;
}

void ccSvgCanvas::endGroup() {
    if (openGroups_ == 0) throw ccShapesError::BadParams(L"SVG group ended that was never begun");
    flush();
    body_ += "</g>\n";
    --openGroups_;
}

void ccSvgCanvas::raw(const std::string& svg) {
    flush();
    body_ += svg;
}

std::string ccSvgCanvas::defs() const {
    if (strokeClasses_.empty() && dotClasses_.empty()) return "";
    std::string rules;
    for (const std::string& name : strokeClasses_) rules += strokeRule(name);
    // After the strokes, so that a filled path's fill wins over their none.
    for (const std::string& color : fillColors_)
        rules += ".f-" + color + "{fill:#" + color + ";fill-opacity:" + cfSvgNumber(kFillOpacity) +
                 ";fill-rule:evenodd}";
    for (const std::string& color : arrowColors_)
        rules += ".a-" + color + "{fill:#" + color + ";stroke:none}";
    for (const std::string& name : dotClasses_) rules += dotRule(name);
    return "<style>" + rules + "</style>\n";
}

std::string ccSvgCanvas::body() const {
    if (pendingData_.empty()) return body_;
    return body_ + "<path class=\"" + pendingClasses_ + "\" d=\"" + pendingData_ + "\"/>\n";
}

std::string ccSvgCanvas::svgElement(double pixelWidth, double pixelHeight) const {
    std::string out = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                      cfSvgNumber(pixelWidth, 0) + "\" height=\"" + cfSvgNumber(pixelHeight, 0) +
                      "\" viewBox=\"" + cfSvgNumber(view_.xMin(), decimals_) + " " +
                      cfSvgNumber(view_.yMin(), decimals_) + " " +
                      cfSvgNumber(view_.width(), decimals_) + " " +
                      cfSvgNumber(view_.height(), decimals_) + "\">\n";
    std::string closing;
    for (int i = 0; i < openGroups_; ++i) closing += "</g>\n";
    return out + defs() + body() + closing + "</svg>\n";
}
