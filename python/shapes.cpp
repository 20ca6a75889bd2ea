// Shapes: the base class Shape with the queries and operations every shape
// has, and one class per leaf type, built with keyword arguments.
#include <functional>
#include <string>
#include <typeindex>
#include <unordered_map>

#include "bind.h"

namespace vxpy {

namespace {

using Wrap = ShapeWrapper;

// Dynamic type (plain or model) to the Python class's wrapper. Filled while
// the module loads, read only afterwards.
std::unordered_map<std::type_index, Wrap>& wrappers() {
    static std::unordered_map<std::type_index, Wrap> table;
    return table;
}

template <class T>
py::object made(const T& shape) {
    return wrapShape(ccPtrHandle_const<ccShape>(new T(shape)));
}

// camelCase file field names as Python attribute names.
std::string snakeCase(const std::string& name) {
    std::string out;
    for (char c : name) {
        if (c >= 'A' && c <= 'Z') {
            out += '_';
            out += static_cast<char>(c - 'A' + 'a');
        } else {
            out += c;
        }
    }
    return out;
}

// A JSON value with every innermost list of numbers made a tuple: points
// come back as (x, y), vertex lists as lists of such tuples.
py::object tupled(py::handle value) {
    if (!py::isinstance<py::list>(value)) return py::reinterpret_borrow<py::object>(value);
    py::list items;
    bool allNumbers = true;
    for (py::handle item : value) {
        items.append(tupled(item));
        allNumbers =
            allNumbers && (py::isinstance<py::float_>(item) || py::isinstance<py::int_>(item));
    }
    if (allNumbers && py::len(items) > 0) return py::tuple(items);
    return std::move(items);
}

// The fields of the model file's node of T, one read-only attribute each.
template <class T>
void addFields(ShapeClass<T>& cls, std::initializer_list<const char*> fields) {
    for (const char* field : fields) {
        const std::string name = field;
        cls.def_property_readonly(
            snakeCase(name).c_str(),
            [name](const PyShape& s) { return tupled(nodeDict(s)[name.c_str()]); },
            ("The " + snakeCase(name) + " the shape was made with.").c_str());
    }
}

// A polygon or spline with no points at all, and open, is the type's empty
// shape, which its constructors do not make; as in model files.
template <class T, class Make>
PyTyped<T> unlessEmpty(const std::vector<ccVector<2>>& points, bool closed, Make make) {
    if (points.empty() && !closed) return build<T>();
    return make();
}

std::vector<double> radiiOr(py::handle radii, std::size_t vertices) {
    return radii.is_none() ? std::vector<double>(vertices, 0.0) : toNumbers(radii, "radii");
}

void bindPrimitives(py::module_& m) {
    auto point = shapeClass<cc2Point>(m, "Point", "A single point (cc2Point).");
    point.def(py::init([](const py::object& p) { return build<cc2Point>(toPoint(p, "point")); }),
              py::arg("point"), "Point(point=(x, y))");
    addFields(point, {"point"});

    auto line =
        shapeClass<ccLine>(m, "Line", "An infinite line through a point along a direction.");
    line.def(py::init([](const py::object& p, const py::object& d) {
                 return build<ccLine>(
                     ccLine::throughPointAlong(toPoint(p, "point"), toPoint(d, "direction")));
             }),
             py::arg("point"), py::arg("direction"),
             "Line(point, direction): a zero direction raises ShapesBadParams.");
    addFields(line, {"point", "direction"});

    auto fline = shapeClass<ccFLine>(
        m, "FLine", "An infinite line by its unit normal and distance from the origin.");
    fline.def(py::init([](const py::object& a, const py::object& d) {
                  return build<ccFLine>(ccRadian(toNumber(a, "angle")),
                                        toNumber(d, "distance_from_origin"));
              }),
              py::arg("angle"), py::arg("distance_from_origin"),
              "FLine(angle, distance_from_origin): the points p with p . n = distance, n the unit "
              "normal at `angle` (radians); it runs along angle + pi/2.");
    fline.def_property_readonly(
        "angle", [](const PyShape& s) { return as<ccFLine>(s).angle().toDouble(); },
        "The normal's direction, radians in (-pi, pi].");
    addFields(fline, {"normal", "distanceFromOrigin"});

    auto seg = shapeClass<ccLineSeg>(m, "LineSeg", "A line segment from p1 to p2.");
    seg.def(py::init([](const py::object& a, const py::object& b) {
                return build<ccLineSeg>(toPoint(a, "p1"), toPoint(b, "p2"));
            }),
            py::arg("p1"), py::arg("p2"), "LineSeg(p1, p2)");
    addFields(seg, {"p1", "p2"});

    auto rect =
        shapeClass<ccRect>(m, "Rect", "An axis-aligned rectangle: corner origin, extent size.");
    rect.def(py::init([](const py::object& o, const py::object& s) {
                 return build<ccRect>(toPoint(o, "origin"), toPoint(s, "size"));
             }),
             py::arg("origin"), py::arg("size"), "Rect(origin=(x, y), size=(width, height))");
    addFields(rect, {"origin", "size"});

    auto circle = shapeClass<ccCircle>(m, "Circle", "A circle.");
    circle.def(py::init([](const py::object& c, const py::object& r) {
                   return build<ccCircle>(toPoint(c, "center"), toNumber(r, "radius"));
               }),
               py::arg("center"), py::arg("radius"),
               "Circle(center=(x, y), radius): a negative radius raises ShapesBadParams.");
    addFields(circle, {"center", "radius"});

    auto ellipse = shapeClass<ccEllipse2>(m, "Ellipse2", "An ellipse (angles in radians).");
    ellipse.def(py::init([](const py::object& c, const py::object& r, const py::object& a,
                            const py::object& rh, const py::object& ph) {
                    return build<ccEllipse2>(
                        toPoint(c, "center"), toPoint(r, "radii"), ccRadian(toNumber(a, "angle")),
                        toFlag(rh, "right_handed"), ccRadian(toNumber(ph, "phase")));
                }),
                py::arg("center"), py::arg("radii"), py::arg("angle") = 0.0,
                py::arg("right_handed") = true, py::arg("phase") = 0.0,
                "Ellipse2(center, radii, angle=0, right_handed=True, phase=0)");
    addFields(ellipse, {"center", "radii", "angle", "rightHanded", "phase"});

    auto arc =
        shapeClass<ccEllipseArc2>(m, "EllipseArc2", "An arc of an ellipse between two parameters.");
    arc.def(py::init([](const py::object& e, const py::object& s, const py::object& t) {
                return build<ccEllipseArc2>(ccEllipseArc2::between(
                    toShapeOf<ccEllipse2>(e, "ellipse", "a vxshmd.Ellipse2"),
                    ccRadian(toNumber(s, "phi_start")), ccRadian(toNumber(t, "phi_end"))));
            }),
            py::arg("ellipse"), py::arg("phi_start"), py::arg("phi_end"),
            "EllipseArc2(ellipse: Ellipse2, phi_start, phi_end)");
    arc.def_property_readonly(
        "ellipse", [](const PyShape& s) { return made(as<ccEllipseArc2>(s).ellipse()); },
        "The ellipse the arc lies on.");
    addFields(arc, {"phiStart", "phiEnd"});
}

void bindRings(py::module_& m) {
    auto annulus = shapeClass<ccAnnulus>(m, "Annulus", "A ring between two concentric circles.");
    annulus.def(py::init([](const py::object& c, const py::object& o, const py::object& i,
                            const py::object& rh) {
                    return build<ccAnnulus>(toPoint(c, "center"), toNumber(o, "outer_radius"),
                                            toNumber(i, "inner_radius"),
                                            toFlag(rh, "right_handed"));
                }),
                py::arg("center"), py::arg("outer_radius"), py::arg("inner_radius"),
                py::arg("right_handed") = true,
                "Annulus(center, outer_radius, inner_radius, right_handed=True)");
    addFields(annulus, {"center", "outerRadius", "innerRadius", "rightHanded"});

    auto ea = shapeClass<ccEllipseAnnulus>(m, "EllipseAnnulus",
                                           "A ring between two concentric ellipses.");
    ea.def(
        py::init([](const py::object& o, const py::object& i) {
            return build<ccEllipseAnnulus>(toShapeOf<ccEllipse2>(o, "outer", "a vxshmd.Ellipse2"),
                                           toPoint(i, "inner_radii"));
        }),
        py::arg("outer"), py::arg("inner_radii"), "EllipseAnnulus(outer: Ellipse2, inner_radii)");
    ea.def_property_readonly(
        "outer", [](const PyShape& s) { return made(as<ccEllipseAnnulus>(s).outer()); },
        "The outer ellipse.");
    addFields(ea, {"innerRadii"});

    auto sec = shapeClass<ccEllipseAnnulusSection>(m, "EllipseAnnulusSection",
                                                   "A section of an elliptical ring.");
    sec.def(py::init([](const py::object& c, const py::object& o, const py::object& i,
                        const py::object& a, const py::object& s, const py::object& span,
                        const py::object& rev) {
                return build<ccEllipseAnnulusSection>(
                    toPoint(c, "center"), toPoint(o, "outer_radii"), toPoint(i, "inner_radii"),
                    ccRadian(toNumber(a, "angle")), ccRadian(toNumber(s, "phi_start")),
                    ccRadian(toNumber(span, "phi_span")), toFlag(rev, "reversed"));
            }),
            py::arg("center"), py::arg("outer_radii"), py::arg("inner_radii"), py::arg("angle"),
            py::arg("phi_start"), py::arg("phi_span"), py::arg("reversed") = false,
            "EllipseAnnulusSection(center, outer_radii, inner_radii, angle, phi_start, phi_span, "
            "reversed=False)");
    addFields(sec,
              {"center", "outerRadii", "innerRadii", "angle", "phiStart", "phiSpan", "reversed"});

    auto gr =
        shapeClass<ccGenRect>(m, "GenRect", "A generalized rectangle: rotated, skewed, rounded.");
    gr.def(py::init([](const py::object& c, const py::object& r, const py::object& o,
                       const py::object& sk, const py::object& rd, const py::object& rh) {
               return build<ccGenRect>(toPoint(c, "center"), toPoint(r, "radii"),
                                       ccRadian(toNumber(o, "orient")),
                                       ccRadian(toNumber(sk, "skew")), toPoint(rd, "round"),
                                       toFlag(rh, "right_handed"));
           }),
           py::arg("center"), py::arg("radii"), py::arg("orient"), py::arg("skew") = 0.0,
           py::arg("round") = py::make_tuple(0.0, 0.0), py::arg("right_handed") = true,
           "GenRect(center, radii, orient, skew=0, round=(0, 0), right_handed=True)");
    addFields(gr, {"center", "radii", "orient", "skew", "round", "rightHanded"});

    auto ga = shapeClass<ccGenAnnulus>(m, "GenAnnulus", "A ring whose outline is a GenRect.");
    ga.def(py::init([](const py::object& o, const py::object& i, const py::object& r) {
               return build<ccGenAnnulus>(toShapeOf<ccGenRect>(o, "outer", "a vxshmd.GenRect"),
                                          toPoint(i, "inner_radii"), toPoint(r, "inner_round"));
           }),
           py::arg("outer"), py::arg("inner_radii"),
           py::arg("inner_round") = py::make_tuple(0.0, 0.0),
           "GenAnnulus(outer: GenRect, inner_radii, inner_round=(0, 0))");
    ga.def_property_readonly(
        "outer", [](const PyShape& s) { return made(as<ccGenAnnulus>(s).outer()); },
        "The outer generalized rectangle.");
    addFields(ga, {"innerRadii", "innerRound"});

    auto ar = shapeClass<ccAffineRectangle>(m, "AffineRectangle", "A rotated, skewed rectangle.");
    ar.def(py::init([](const py::object& c, const py::object& s, const py::object& r,
                       const py::object& sk, const py::object& rh) {
               return build<ccAffineRectangle>(
                   toPoint(c, "center"), toPoint(s, "sides"), ccRadian(toNumber(r, "rotation")),
                   ccRadian(toNumber(sk, "skew")), toFlag(rh, "right_handed"));
           }),
           py::arg("center"), py::arg("sides"), py::arg("rotation"), py::arg("skew") = 0.0,
           py::arg("right_handed") = true,
           "AffineRectangle(center, sides, rotation, skew=0, right_handed=True)");
    addFields(ar, {"center", "sides", "rotation", "skew", "rightHanded"});
}

void bindCurves(py::module_& m) {
    auto poly =
        shapeClass<ccPolyline>(m, "Polyline", "A polyline through vertices, open or closed.");
    poly.def(py::init([](const py::object& v, const py::object& c) {
                 return build<ccPolyline>(toPoints(v, "vertices"), toFlag(c, "closed"));
             }),
             py::arg("vertices"), py::arg("closed") = false, "Polyline(vertices, closed=False)");
    addFields(poly, {"vertices", "closed"});

    auto gp = shapeClass<ccGenPoly>(m, "GenPoly", "A polygon with rounded (or notched) corners.");
    gp.def(py::init([](const py::object& v, const py::object& r, const py::object& c) {
               const auto vertices = toPoints(v, "vertices");
               const auto radii = radiiOr(r, vertices.size());
               const bool closed = toFlag(c, "closed");
               return unlessEmpty<ccGenPoly>(
                   vertices, closed, [&] { return build<ccGenPoly>(vertices, radii, closed); });
           }),
           py::arg("vertices"), py::arg("radii") = py::none(), py::arg("closed") = false,
           "GenPoly(vertices, radii=None (all sharp), closed=False)");
    addFields(gp, {"vertices", "radii", "closed"});

    auto wf = shapeClass<cc2Wireframe>(
        m, "Wireframe", "A generalized polygon with a polarity flag of its own (cc2Wireframe).");
    wf.def(py::init([](const py::object& v, const py::object& r, const py::object& c,
                       const py::object& p) {
               const auto vertices = toPoints(v, "vertices");
               const auto radii = radiiOr(r, vertices.size());
               const bool closed = toFlag(c, "closed");
               const bool reversed = toFlag(p, "polarity_reversed");
               if (vertices.empty() && !closed) {
                   auto empty = ccPtrHandle<cc2Wireframe>(new cc2Wireframe);
                   empty->polarity(reversed);
                   return typed<cc2Wireframe>(empty);
               }
               return build<cc2Wireframe>(vertices, radii, closed, reversed);
           }),
           py::arg("vertices"), py::arg("radii") = py::none(), py::arg("closed") = false,
           py::arg("polarity_reversed") = false,
           "Wireframe(vertices, radii=None, closed=False, polarity_reversed=False)");
    addFields(wf, {"vertices", "radii", "closed", "polarityReversed"});

    auto bz = shapeClass<ccBezierCurve>(m, "BezierCurve", "A rational cubic Bezier curve.");
    bz.def(py::init([](const py::object& p, const py::object& w) {
               const auto points = toPoints(p, "control_points");
               const auto weights = toNumbers(w, "weights");
               if (points.size() != 4 || weights.size() != 4)
                   throw ccShapesError::BadParams(
                       L"BezierCurve: control_points and weights must have four elements each");
               return build<ccBezierCurve>(
                   ccBezierCurve::ccPoints{points[0], points[1], points[2], points[3]},
                   ccBezierCurve::ccWeights{weights[0], weights[1], weights[2], weights[3]});
           }),
           py::arg("control_points"), py::arg("weights") = py::make_tuple(1.0, 1.0, 1.0, 1.0),
           "BezierCurve(control_points (four), weights=(1, 1, 1, 1))");
    addFields(bz, {"controlPoints", "weights"});

    auto db =
        shapeClass<ccDeBoorSpline>(m, "DeBoorSpline", "A cubic B-spline by its control points.");
    db.def(py::init([](const py::object& p, const py::object& c) {
               const auto points = toPoints(p, "control_points");
               const bool closed = toFlag(c, "closed");
               return unlessEmpty<ccDeBoorSpline>(
                   points, closed, [&] { return build<ccDeBoorSpline>(points, closed); });
           }),
           py::arg("control_points"), py::arg("closed") = false,
           "DeBoorSpline(control_points, closed=False)");
    addFields(db, {"controlPoints", "closed"});

    auto ip = shapeClass<ccInterpSpline>(m, "InterpSpline", "A cubic spline through its points.");
    ip.def(py::init([](const py::object& p, const py::object& c) {
               const auto points = toPoints(p, "points");
               const bool closed = toFlag(c, "closed");
               return unlessEmpty<ccInterpSpline>(
                   points, closed, [&] { return build<ccInterpSpline>(points, closed); });
           }),
           py::arg("points"), py::arg("closed") = false, "InterpSpline(points, closed=False)");
    addFields(ip, {"points", "closed"});

    auto hs = shapeClass<ccHermiteSpline>(m, "HermiteSpline",
                                          "A cubic spline through points with given tangents.");
    hs.def(py::init([](const py::object& p, const py::object& t, const py::object& k,
                       const py::object& c) {
               const auto points = toPoints(p, "points");
               const auto tangents = toPoints(t, "tangents");
               const bool closed = toFlag(c, "closed");
               if (k.is_none())
                   return unlessEmpty<ccHermiteSpline>(points, closed, [&] {
                       return build<ccHermiteSpline>(points, tangents, closed);
                   });
               const auto knots = toNumbers(k, "knots");
               return unlessEmpty<ccHermiteSpline>(points, closed, [&] {
                   return build<ccHermiteSpline>(points, tangents, knots, closed);
               });
           }),
           py::arg("points"), py::arg("tangents"), py::arg("knots") = py::none(),
           py::arg("closed") = false,
           "HermiteSpline(points, tangents, knots=None (0, 1, 2, ...), closed=False)");
    addFields(hs, {"points", "tangents", "knots", "closed"});
}

}  // namespace

const ccShape& shapeOf(const PyShape& shape) {
    return *shape.handle;
}

void registerShapeClass(const std::type_info& plain, const std::type_info& model,
                        ShapeWrapper wrap) {
    wrappers()[plain] = wrap;
    wrappers()[model] = wrap;
}

py::object wrapShape(const ccPtrHandle_const<ccShape>& shape) {
    if (!shape) return py::none();
    const ccShape& object = *shape;
    const auto found = wrappers().find(typeid(object));
    if (found != wrappers().end()) return found->second(shape);
    return py::cast(PyShape{shape});
}

void bindShapes(py::module_& m) {
    bindPrimitives(m);
    bindRings(m);
    bindCurves(m);
}

}  // namespace vxpy
