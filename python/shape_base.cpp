// The base class Shape: what every shape answers and the operations that make
// new shapes from it. Shapes are immutable; every operation returns a new one.
#include "bind.h"
#include "shapemod/modelfile.h"

namespace vxpy {

namespace {

py::object rectOf(const ccRect& box) {
    return wrapShape(ccPtrHandle_const<ccShape>(new ccRect(box)));
}

// Equal geometry and equal records of their own.
bool sameShape(const PyShape& a, py::handle other) {
    if (!py::isinstance<PyShape>(other)) return false;
    const ccShape& b = shapeOf(other.cast<const PyShape&>());
    return shapeOf(a) == b &&
           ccShapeModel::shapeModelProps(shapeOf(a)) == ccShapeModel::shapeModelProps(b);
}

std::string describeBriefly(const py::object& self) {
    const auto& s = self.cast<const PyShape&>();
    const std::string name = py::str(self.get_type().attr("__name__"));
    const ccShapeModel* model = shapeOf(s).asShapeModel();
    if (!model) return "<vxshmd." + name + ">";
    const ccShapeModelProps& p = model->modelProps();
    return "<vxshmd." + name +
           " model weight=" + py::repr(py::float_(p.weight())).cast<std::string>() +
           " magnitude=" + py::repr(py::float_(p.magnitude())).cast<std::string>() +
           (p.isReversedPolarity() ? " reversed" : "") + (p.isIgnoredPolarity() ? " ignored" : "") +
           ">";
}

void bindQueries(py::class_<PyShape>& cls) {
    cls.def_property_readonly(
           "is_model", [](const PyShape& s) { return shapeOf(s).asShapeModel() != nullptr; },
           "Whether the shape is a shape model (carries a Props record).")
        .def_property_readonly(
            "props", [](const PyShape& s) { return ccShapeModel::shapeModelProps(shapeOf(s)); },
            "The shape's own record: a model's, a plain wireframe's polarity, else the default. "
            "Nothing above the shape is combined in (see props_in_force).")
        .def_property_readonly(
            "is_region", [](const PyShape& s) { return shapeOf(s).isRegion(); },
            "Whether the shape bounds a region.")
        .def_property_readonly(
            "is_open_contour", [](const PyShape& s) { return shapeOf(s).isOpenContour(); },
            "Whether the shape is one open contour.")
        .def_property_readonly(
            "is_right_handed", [](const PyShape& s) { return shapeOf(s).isRightHanded(); },
            "Whether a closed boundary has positive signed area.")
        .def_property_readonly(
            "is_reversible", [](const PyShape& s) { return shapeOf(s).isReversible(); },
            "Whether the shape can be reversed.")
        .def_property_readonly(
            "is_finite", [](const PyShape& s) { return shapeOf(s).isFinite(); },
            "Whether the shape has a finite extent (lines do not).")
        .def_property_readonly(
            "is_empty", [](const PyShape& s) { return shapeOf(s).isEmpty(); },
            "Whether the shape has no points.")
        .def_property_readonly(
            "is_decomposed", [](const PyShape& s) { return shapeOf(s).isDecomposed(); },
            "Whether the shape is already made of primitive pieces.")
        .def_property_readonly(
            "has_tangent", [](const PyShape& s) { return shapeOf(s).hasTangent(); },
            "Whether the shape has a tangent (a point has none).")
        .def(
            "within",
            [](const PyShape& s, const py::object& p) {
                return shapeOf(s).within(toPoint(p, "point"));
            },
            py::arg("point"),
            "Whether `point` lies inside the region; NotRegion for an open shape.")
        .def(
            "winding_angle",
            [](const PyShape& s, const py::object& p) {
                return shapeOf(s).windingAngle(toPoint(p, "point"));
            },
            py::arg("point"), "The angle (radians) the boundary winds about `point`.")
        .def_property_readonly(
            "start_point", [](const PyShape& s) { return pointTuple(shapeOf(s).startPoint()); },
            "Where the boundary starts, (x, y).")
        .def_property_readonly(
            "end_point", [](const PyShape& s) { return pointTuple(shapeOf(s).endPoint()); },
            "Where the boundary ends, (x, y).")
        .def_property_readonly(
            "start_angle", [](const PyShape& s) { return shapeOf(s).startAngle().toDouble(); },
            "The tangent direction at the start, radians.")
        .def_property_readonly(
            "end_angle", [](const PyShape& s) { return shapeOf(s).endAngle().toDouble(); },
            "The tangent direction at the end, radians.")
        .def_property_readonly(
            "tangent_rotation", [](const PyShape& s) { return shapeOf(s).tangentRotation(); },
            "The total turn of the tangent along the boundary, radians.")
        .def_property_readonly(
            "bounding_box", [](const PyShape& s) { return rectOf(shapeOf(s).boundingBox()); },
            "The smallest axis-aligned Rect holding the shape.")
        .def(
            "nearest_point",
            [](const PyShape& s, const py::object& p) {
                return pointTuple(shapeOf(s).nearestPoint(toPoint(p, "point")));
            },
            py::arg("point"), "The point of the shape nearest to `point`, (x, y).")
        .def_property_readonly(
            "perimeter", [](const PyShape& s) { return shapeOf(s).perimeter(); },
            "The boundary's length (inf for an infinite shape).");
}

void bindOperations(py::class_<PyShape>& cls) {
    cls.def(
           "map",
           [](const PyShape& s, const py::object& x) {
               const ccXform<2> xform = toAffine(x, "xform");
               ccPtrHandle<ccShape> image;
               {
                   py::gil_scoped_release released;
                   image = shapeOf(s).mapShape(xform);
               }
               return wrapShape(image);
           },
           py::arg("xform"),
           "The shape's image under an affine Xform; a model's records follow, with polarity "
           "corrected under a mirroring map. A perspective Xform raises ShapesBadParams: wrap "
           "the shape in a MappedShape instead.")
        .def(
            "reverse", [](const PyShape& s) { return wrapShape(shapeOf(s).reverse()); },
            "The shape traversed the other way; a model's record unchanged.")
        .def(
            "reverse_preserving_polarity",
            [](const PyShape& s) { return wrapShape(shapeOf(s).reversePreservingPolarity()); },
            "The shape traversed the other way with the reversal flag flipped, so its "
            "featurelets point where they did.")
        .def(
            "decompose",
            [](const PyShape& s) {
                ccPtrHandle<ccShape> pieces;
                {
                    py::gil_scoped_release released;
                    pieces = shapeOf(s).decompose();
                }
                return wrapShape(pieces);
            },
            "The shape as primitive pieces (a tree of segments and arcs, ...).")
        .def(
            "clip",
            [](const PyShape& s, const py::object& region) {
                const auto& polygon = toShapeOf<ccPolyline>(region, "region", "a vxshmd.Polyline");
                ccClipInfo info;
                ccPtrHandle<ccShape> kept;
                {
                    py::gil_scoped_release released;
                    kept = shapeOf(s).clip(polygon, info);
                }
                return py::make_tuple(wrapShape(kept), info.anythingRemoved());
            },
            py::arg("region"),
            "The part of the shape inside the closed Polyline `region`, and whether anything was "
            "removed: (shape, removed).")
        .def(
            "raw", [](const PyShape& s) { return wrapShape(ccShapeModel::rawShape(shapeOf(s))); },
            "The shape without its model wrapping, as a new plain shape of its type.")
        .def("to_dict", &nodeDict, "The shape as the node of a model file (a dict, JSON-ready).");
}

}  // namespace

py::dict nodeDict(const PyShape& shape) {
    const std::string text = shapemod::writeModel(shapemod::ModelFile{shape.handle, {}});
    const py::dict file = py::module_::import("json").attr("loads")(text);
    return file["shape"];
}

py::tuple pointTuple(const ccVector<2>& p) {
    return py::make_tuple(p.x(), p.y());
}

void bindShapeBase(py::module_& m) {
    py::class_<PyShape> cls(
        m, "Shape",
        "Base of every shape: immutable, shared between objects and threads. Subclasses build "
        "each of the 25 types from keyword arguments; vxshmd.model() makes any of them a shape "
        "model. Angles are radians from +x towards +y.");
    bindQueries(cls);
    bindOperations(cls);
    cls.def("__eq__", &sameShape, py::arg("other"), "Equal geometry and equal own records (Props).")
        .def(
            "__ne__", [](const PyShape& a, py::handle b) { return !sameShape(a, b); },
            py::arg("other"))
        .def("__repr__", &describeBriefly);
    cls.attr("__hash__") = py::none();
}

}  // namespace vxpy
