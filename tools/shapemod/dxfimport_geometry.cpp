#include <cmath>

#include "shapemod/dxfimport.h"
#include "vxstd12u/str.h"
#include "vxstd12u/tolerances.h"

namespace shapemod {

DxfSkip::DxfSkip(const std::string& reason) : ccErrorKind(cfWiden(reason)) {}

std::string DxfSkip::reason() const {
    return cfNarrow(detail());
}

namespace {

// The counter-clockwise sweep from `from` to `to` in (0, turn]: DXF angles
// wrap, and equal ends mean a whole turn.
double sweep(double from, double to, double turn) {
    const double s = std::fmod(to - from, turn);
    return s <= 0.0 ? s + turn : s;
}

ccPtrHandle<ccShape> bulgeArc(const ccVector<2>& from, const ccVector<2>& to, double bulge) {
    const double included = 4.0 * std::atan(bulge);
    // The centre lies off the chord's midpoint along its left normal; the
    // signed offset makes a positive bulge turn counter-clockwise.
    const ccVector<2> center =
        (from + to) * 0.5 + (to - from).perp() * ((1.0 - bulge * bulge) / (4.0 * bulge));
    const double radius = (from - center).len();
    const ccEllipse2 circle(center, ccVector<2>(radius, radius));
    return cfMakeHandle<ccEllipseArc2>(circle, ccRadian((from - center).angle()),
                                       ccRadian(included));
}

bool isStraight(double bulge) {
    return std::abs(bulge) <= cc_tol::kAngle;
}

std::vector<DxfVertex> distinctVertices(const std::vector<DxfVertex>& vertices, bool closed,
                                        long& dropped) {
    std::vector<DxfVertex> kept;
    for (const DxfVertex& v : vertices) {
        dxfRequireFinite("a coordinate", {v.point.x(), v.point.y(), v.bulge});
        if (!kept.empty() && (v.point - kept.back().point).len() <= cc_tol::kCoincident) {
            kept.back().bulge = v.bulge;
            ++dropped;
        } else {
            kept.push_back(v);
        }
    }
    if (closed && kept.size() > 1 &&
        (kept.back().point - kept.front().point).len() <= cc_tol::kCoincident) {
        kept.pop_back();
        ++dropped;
    }
    if (kept.size() < 2) throw DxfSkip("fewer than two distinct vertices");
    return kept;
}

}  // namespace

void dxfRequireFinite(const char* what, std::initializer_list<double> values) {
    for (double v : values)
        if (!std::isfinite(v)) throw DxfSkip(std::string(what) + " is not a finite number");
}

cc2Xform dxfPlaneMap(const double n[3]) {
    const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (!std::isfinite(length) || length == 0.0) throw DxfSkip("extrusion is not a direction");
    if (std::hypot(n[0], n[1]) > cc_tol::kAngle * length)
        throw DxfSkip("not in the drawing plane: extrusion (" + cfNarrow(cfStr(n[0])) + ", " +
                      cfNarrow(cfStr(n[1])) + ", " + cfNarrow(cfStr(n[2])) + ")");
    return std::signbit(n[2]) ? cc2Xform(cc2Matrix(-1.0, 0.0, 0.0, 1.0), ccVector<2>())
                              : cc2Xform();
}

ccPtrHandle<ccShape> dxfArc(const ccVector<2>& center, double radius, double startDeg,
                            double endDeg) {
    dxfRequireFinite("a coordinate", {radius, startDeg, endDeg});
    return dxfEllipse(center, ccVector<2>(radius, 0.0), 1.0, startDeg / ccDegreesPerRadian,
                      endDeg / ccDegreesPerRadian, true);
}

ccPtrHandle<ccShape> dxfEllipse(const ccVector<2>& center, const ccVector<2>& major, double ratio,
                                double startParam, double endParam, bool counterClockwise) {
    dxfRequireFinite("a coordinate",
                     {center.x(), center.y(), major.x(), major.y(), ratio, startParam, endParam});
    const double rx = major.len();
    if (rx <= cc_tol::kCoincident) throw DxfSkip("zero radius");
    if (ratio <= 0.0) throw DxfSkip("axis ratio is not positive");
    const double sense = counterClockwise ? 1.0 : -1.0;
    const double span = sweep(startParam, endParam, ccTwoPi);
    const ccRadian axis(major.angle());
    const ccVector<2> radii(rx, rx * ratio);
    if (span >= ccTwoPi - cc_tol::kAngle)
        return cfMakeHandle<ccEllipse2>(center, radii, axis, counterClockwise,
                                        ccRadian(sense * startParam));
    return cfMakeHandle<ccEllipseArc2>(ccEllipse2(center, radii, axis),
                                       ccRadian(sense * startParam), ccRadian(sense * span));
}

ccPtrHandle<ccShape> dxfPolyline(const std::vector<DxfVertex>& vertices, bool closed,
                                 long& droppedVertices) {
    long dropped = 0;
    const std::vector<DxfVertex> kept = distinctVertices(vertices, closed, dropped);
    const std::size_t edges = closed ? kept.size() : kept.size() - 1;
    bool straight = true;
    for (std::size_t i = 0; i < edges; ++i) straight = straight && isStraight(kept[i].bulge);

    ccPtrHandle<ccShape> result;
    if (straight) {
        std::vector<ccVector<2>> points;
        points.reserve(kept.size());
        for (const DxfVertex& v : kept) points.push_back(v.point);
        result = cfMakeHandle<ccPolyline>(points, closed);
    } else {
        auto contour = cfMakeHandle<ccContourTree>(closed);
        for (std::size_t i = 0; i < edges; ++i) {
            const ccVector<2>& from = kept[i].point;
            const ccVector<2>& to = kept[(i + 1) % kept.size()].point;
            if (isStraight(kept[i].bulge))
                contour->addChild(cfMakeHandle<ccLineSeg>(from, to), true);
            else
                contour->addChild(bulgeArc(from, to, kept[i].bulge), true);
        }
        result = contour;
    }
    droppedVertices += dropped;
    return result;
}

}  // namespace shapemod
