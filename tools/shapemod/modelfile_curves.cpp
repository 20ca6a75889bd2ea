// Polylines, generalized polygons and wireframes, Bezier curves and splines.
#include "shapemod/modelfile_json.h"

namespace shapemod {

namespace {

// Polygons and splines without points (what their default constructors
// make: empty and open) have no constructor that takes an empty list, so an
// empty open list gives the default-made shape.
template <class T, class Make>
T unlessEmpty(const std::vector<ccVector<2>>& points, bool closed, Make make) {
    return points.empty() && !closed ? T() : make();
}

ccPolyline readPolyline(const JsonIn& n) {
    return ccPolyline(n.at("vertices").points(), n.at("closed").boolean());
}
void writePolyline(const ccPolyline& s, JsonOut& out) {
    out.put("vertices", s.vertices());
    out.put("closed", s.isClosed());
}

// Radii are optional: sharp corners everywhere.
std::vector<double> cornerRadii(const JsonIn& n, std::size_t vertices) {
    return n.has("radii") ? n.at("radii").numbers() : std::vector<double>(vertices, 0.0);
}

ccGenPoly readGenPoly(const JsonIn& n) {
    const auto vertices = n.at("vertices").points();
    const bool closed = n.at("closed").boolean();
    const auto radii = cornerRadii(n, vertices.size());
    return unlessEmpty<ccGenPoly>(vertices, closed,
                                  [&] { return ccGenPoly(vertices, radii, closed); });
}
void writeGenPoly(const ccGenPoly& s, JsonOut& out) {
    out.put("vertices", s.vertices());
    out.put("radii", s.radii());
    out.put("closed", s.isClosed());
}

cc2Wireframe readWireframe(const JsonIn& n) {
    const auto vertices = n.at("vertices").points();
    const bool closed = n.at("closed").boolean();
    const auto radii = cornerRadii(n, vertices.size());
    const bool reversed = n.boolean("polarityReversed", false);
    if (vertices.empty() && !closed) {
        cc2Wireframe empty;
        empty.polarity(reversed);
        return empty;
    }
    return cc2Wireframe(vertices, radii, closed, reversed);
}
void writeWireframe(const cc2Wireframe& s, JsonOut& out) {
    writeGenPoly(s, out);
    out.put("polarityReversed", s.isPolarityReversed());
}

template <class Array, class Read>
Array fixedArray(const JsonIn& n, const char* what, Read read) {
    Array values{};
    const auto items = n.items();
    if (items.size() != values.size()) n.expected(what);
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = read(items[i]);
    return values;
}

ccBezierCurve readBezier(const JsonIn& n) {
    const auto points =
        fixedArray<ccBezierCurve::ccPoints>(n.at("controlPoints"), "4 control points [x, y]",
                                            [](const JsonIn& p) { return p.point(); });
    ccBezierCurve::ccWeights weights{1.0, 1.0, 1.0, 1.0};
    if (n.has("weights")) {
        weights = fixedArray<ccBezierCurve::ccWeights>(n.at("weights"), "4 weights",
                                                       [](const JsonIn& w) { return w.number(); });
    }
    return ccBezierCurve(points, weights);
}
void writeBezier(const ccBezierCurve& s, JsonOut& out) {
    const auto& p = s.controlPoints();
    const auto& w = s.weights();
    out.put("controlPoints", std::vector<ccVector<2>>(p.begin(), p.end()));
    out.put("weights", std::vector<double>(w.begin(), w.end()));
}

ccDeBoorSpline readDeBoor(const JsonIn& n) {
    const auto points = n.at("controlPoints").points();
    const bool closed = n.at("closed").boolean();
    return unlessEmpty<ccDeBoorSpline>(points, closed,
                                       [&] { return ccDeBoorSpline(points, closed); });
}
void writeDeBoor(const ccDeBoorSpline& s, JsonOut& out) {
    out.put("controlPoints", s.controlPoints());
    out.put("closed", s.isClosed());
}

ccInterpSpline readInterp(const JsonIn& n) {
    const auto points = n.at("points").points();
    const bool closed = n.at("closed").boolean();
    return unlessEmpty<ccInterpSpline>(points, closed,
                                       [&] { return ccInterpSpline(points, closed); });
}
void writeInterp(const ccInterpSpline& s, JsonOut& out) {
    out.put("points", s.points());
    out.put("closed", s.isClosed());
}

ccHermiteSpline readHermite(const JsonIn& n) {
    const auto points = n.at("points").points(), tangents = n.at("tangents").points();
    const bool closed = n.at("closed").boolean();
    return unlessEmpty<ccHermiteSpline>(points, closed, [&] {
        return n.has("knots") ? ccHermiteSpline(points, tangents, n.at("knots").numbers(), closed)
                              : ccHermiteSpline(points, tangents, closed);
    });
}
void writeHermite(const ccHermiteSpline& s, JsonOut& out) {
    out.put("points", s.points());
    out.put("tangents", s.tangents());
    out.put("knots", s.knots());
    out.put("closed", s.isClosed());
}

}  // namespace

void addCurveKinds(std::vector<ShapeKind>& kinds) {
    kinds.push_back(
        shapeKind<ccPolyline>("Polyline", {"vertices", "closed"}, readPolyline, writePolyline));
    kinds.push_back(shapeKind<ccGenPoly>("GenPoly", {"vertices", "radii", "closed"}, readGenPoly,
                                         writeGenPoly));
    kinds.push_back(shapeKind<cc2Wireframe>("2Wireframe",
                                            {"vertices", "radii", "closed", "polarityReversed"},
                                            readWireframe, writeWireframe));
    kinds.push_back(shapeKind<ccBezierCurve>("BezierCurve", {"controlPoints", "weights"},
                                             readBezier, writeBezier));
    kinds.push_back(shapeKind<ccDeBoorSpline>("DeBoorSpline", {"controlPoints", "closed"},
                                              readDeBoor, writeDeBoor));
    kinds.push_back(
        shapeKind<ccInterpSpline>("InterpSpline", {"points", "closed"}, readInterp, writeInterp));
    kinds.push_back(shapeKind<ccHermiteSpline>(
        "HermiteSpline", {"points", "tangents", "knots", "closed"}, readHermite, writeHermite));
}

}  // namespace shapemod
