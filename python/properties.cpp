// Model properties: the Props record, making any shape a model, the
// properties in force at a node, and the walks that read or move records
// through whole trees (polarity, weights, distribution, connection,
// extension shapes).
#include <string>

#include "bind.h"
#include "vxstd12u/str.h"

namespace vxpy {

namespace {

std::string propsRepr(const ccShapeModelProps& p) {
    const auto number = [](double v) { return py::repr(py::float_(v)).cast<std::string>(); };
    return "vxshmd.Props(weight=" + number(p.weight()) + ", magnitude=" + number(p.magnitude()) +
           ", reversed=" + (p.isReversedPolarity() ? "True" : "False") +
           ", ignored=" + (p.isIgnoredPolarity() ? "True" : "False") + ")";
}

ccShapeModelProps propsOf(const py::object& weight, const py::object& magnitude,
                          const py::object& reversed, const py::object& ignored) {
    return ccShapeModelProps(toFlag(reversed, "reversed"), toNumber(weight, "weight"),
                             toFlag(ignored, "ignored"), toNumber(magnitude, "magnitude"));
}

void bindProps(py::module_& m) {
    py::class_<ccShapeModelProps>(
        m, "Props",
        "A model-properties record: weight (any value), magnitude (never negative), reversed "
        "and ignored polarity. Defaults: weight 1, magnitude 1, not reversed, not ignored.")
        .def(py::init(&propsOf), py::arg("weight") = 1.0, py::arg("magnitude") = 1.0,
             py::arg("reversed") = false, py::arg("ignored") = false,
             "Props(weight=1, magnitude=1, reversed=False, ignored=False): a negative magnitude "
             "raises BadParams.")
        .def_property(
            "weight", [](const ccShapeModelProps& p) { return p.weight(); },
            [](ccShapeModelProps& p, const py::object& w) { p.weight(toNumber(w, "weight")); },
            "How much the shape counts; negative marks edges that must not match.")
        .def_property(
            "magnitude", [](const ccShapeModelProps& p) { return p.magnitude(); },
            [](ccShapeModelProps& p, const py::object& v) {
                p.magnitude(toNumber(v, "magnitude"));
            },
            "Expected edge magnitude; setting a negative one raises BadParams and keeps the old.")
        .def_property(
            "reversed", [](const ccShapeModelProps& p) { return p.isReversedPolarity(); },
            [](ccShapeModelProps& p, const py::object& v) {
                p.isReversedPolarity(toFlag(v, "reversed"));
            },
            "Whether edge polarity is the opposite of the one the geometry implies.")
        .def_property(
            "ignored", [](const ccShapeModelProps& p) { return p.isIgnoredPolarity(); },
            [](ccShapeModelProps& p, const py::object& v) {
                p.isIgnoredPolarity(toFlag(v, "ignored"));
            },
            "Whether edge polarity is not to be used.")
        .def(
            "combine",
            [](const ccShapeModelProps& p, const py::object& below) {
                return p.combine(toProps(below, "other"));
            },
            py::arg("other"),
            "The properties in force for a node whose own record is `other` below a node where "
            "these are in force: weights multiply (0 unless one is positive), magnitudes "
            "multiply, reversals exclusive-or, ignores or.")
        .def(
            "__eq__",
            [](const ccShapeModelProps& a, py::handle b) {
                return py::isinstance<ccShapeModelProps>(b) && a == b.cast<ccShapeModelProps>();
            },
            py::arg("other"), "All four fields equal (a NaN weight equals nothing).")
        .def("__repr__", &propsRepr)
        .attr("__hash__") = py::none();
}

// The node `path` leads to from `shape`: at a tree, index i is child i; at a
// mapped shape, index 0 is the shape it holds.
ccPtrHandle_const<ccShape> childAt(const ccPtrHandle_const<ccShape>& node, long index,
                                   std::size_t step) {
    const auto refuse = [&] {
        throw ccShapesError::BadParams(L"path[" + std::to_wstring(step) +
                                       L"]: the node has no child " + std::to_wstring(index));
    };
    if (const ccShapeTree* tree = node->asShapeTree()) {
        if (index < 0 || index >= tree->numChildren()) refuse();
        return tree->child(index);
    }
    if (const ccMappedShape* mapped = node->asMappedShape()) {
        if (index != 0) refuse();
        return mapped->shape();
    }
    refuse();
    return {};
}

ccShapeModelProps propsInForce(const py::object& shape, const py::object& path,
                               const py::object& inherited) {
    ccPtrHandle_const<ccShape> node = toShape(shape, "shape").handle;
    ccShapeModelProps props =
        toProps(inherited, "inherited").combine(ccShapeModel::shapeModelProps(*node));
    std::size_t step = 0;
    for (py::handle index : py::reinterpret_borrow<py::sequence>(path)) {
        node = childAt(node, toInteger(index, "path"), step++);
        props = props.combine(ccShapeModel::shapeModelProps(*node));
    }
    return props;
}

template <class Result, class Call>
py::object released(Call call) {
    Result result;
    {
        py::gil_scoped_release unlocked;
        result = call();
    }
    return wrapShape(result);
}

void bindModelling(py::module_& m) {
    m.def(
        "model",
        [](const py::object& shape, const py::object& weight, const py::object& reversed,
           const py::object& ignored, const py::object& magnitude, const py::object& props) {
            const ccShapeModelProps record = props.is_none()
                                                 ? propsOf(weight, magnitude, reversed, ignored)
                                                 : toProps(props, "props");
            return wrapShape(record.assign(shapeOf(toShape(shape, "shape"))));
        },
        py::arg("shape"), py::arg("weight") = 1.0, py::arg("reversed") = false,
        py::arg("ignored") = false, py::arg("magnitude") = 1.0, py::arg("props") = py::none(),
        "A new shape model of `shape`'s type holding a copy of its geometry and the record "
        "(weight, reversed, ignored, magnitude), or `props` when given. A model's old record "
        "is dropped; a tree keeps its children as they are.");
    m.def("props_in_force", &propsInForce, py::arg("shape"), py::arg("path") = py::tuple(),
          py::arg("inherited") = ccShapeModelProps(),
          "The properties in force at the node `path` leads to (child indices from the top; "
          "index 0 of a MappedShape is the shape it holds): `inherited` combined with the "
          "record of every node on the way, the top's and the node's included.");
}

void bindWalks(py::module_& m) {
    m.def(
        "is_inside_polarity",
        [](const py::object& shape, const py::object& polarity) {
            return ccShapeModel::isInsidePolarity(shapeOf(toShape(shape, "shape")),
                                                  toFlag(polarity, "polarity"));
        },
        py::arg("shape"), py::arg("polarity"),
        "Whether every closed part of `shape` has the sense `polarity` (its handedness "
        "exclusive-or the reversal in force); open parts satisfy either.");
    m.def(
        "set_inside_polarity",
        [](const py::object& shape, const py::object& polarity) {
            return wrapShape(ccShapeModel::setInsidePolarity(shapeOf(toShape(shape, "shape")),
                                                             toFlag(polarity, "polarity")));
        },
        py::arg("shape"), py::arg("polarity"),
        "A new model of the same geometry whose reversal flags give every closed part the "
        "sense `polarity`.");
    m.def(
        "any_polarity_ignored",
        [](const py::object& shape) {
            return ccShapeModel::areAnyPolaritiesIgnored(shapeOf(toShape(shape, "shape")));
        },
        py::arg("shape"), "Whether any node of `shape` ignores polarity.");
    m.def(
        "has_positive_weights",
        [](const py::object& shape) {
            return cfHasPositiveWeights(shapeOf(toShape(shape, "shape")));
        },
        py::arg("shape"), "Whether some leaf has an effective weight w with 0 < w < inf.");
    m.def(
        "find_contours_with_weight_in_range",
        [](const py::object& shape, const py::object& low, const py::object& high,
           const py::object& inclusive, const py::object& inherited) {
            const auto handle = toShape(shape, "shape").handle;
            const ccRange range(toNumber(low, "low"), toNumber(high, "high"));
            const bool closedRange = toFlag(inclusive, "inclusive");
            const ccShapeModelProps above = toProps(inherited, "inherited");
            auto found = cfMakeHandle<ccGeneralShapeTree>();
            {
                py::gil_scoped_release unlocked;
                cfFindContoursWithWeightInRange(handle, above, range, closedRange, *found);
            }
            return wrapShape(found);
        },
        py::arg("shape"), py::arg("low"), py::arg("high"), py::arg("inclusive") = true,
        py::arg("inherited") = ccShapeModelProps(),
        "A GeneralShapeTree of the contours and leaves of `shape` whose effective weight lies "
        "in [low, high] (inclusive) or (low, high), runs of a contour kept together.");
    m.def(
        "distribute",
        [](const py::object& tree, const py::object& inherited) {
            const auto& t = toShapeOf<ccShapeTree>(tree, "tree", "a vxshmd.ShapeTree");
            const ccShapeModelProps above = toProps(inherited, "inherited");
            return released<ccPtrHandle<ccShapeTree>>(
                [&] { return cfDistributeShapeProps(t, above); });
        },
        py::arg("tree"), py::arg("inherited") = ccShapeModelProps(),
        "A copy of `tree` whose records have moved to the leaves: every leaf a model of its "
        "properties in force, inner models reset to the default record.");
    m.def(
        "connect",
        [](const py::object& shape, const py::object& distance) {
            const ccShape& s = shapeOf(toShape(shape, "shape"));
            const double d = toNumber(distance, "distance");
            return released<ccPtrHandle<ccShape>>([&] { return cfConnect(s, d); });
        },
        py::arg("shape"), py::arg("distance"),
        "Open pieces of general trees whose ends lie closer than `distance` joined into "
        "contour trees; pieces keep their records (a piece turned round flips its reversal).");
    m.def(
        "extension_shape",
        [](const py::object& shape, const py::object& fraction, const py::object& minLength) {
            const ccShape& s = shapeOf(toShape(shape, "shape"));
            const double f = toNumber(fraction, "fraction");
            const double l = toNumber(minLength, "min_length");
            return released<ccPtrHandle<ccGeneralShapeTree>>(
                [&] { return cfExtensionShape(s, f, l); });
        },
        py::arg("shape"), py::arg("fraction") = 0.5, py::arg("min_length") = 0.0,
        "Short extensions at the junctions of the contours of `shape`, each piece continued by "
        "`fraction` of its length with weight scaled by -0.5 / fraction; pieces shorter than "
        "`min_length` are not extended.");
    m.def(
        "add_genpoly_model_props",
        [](const py::object& shape) {
            const ccShape& s = shapeOf(toShape(shape, "shape"));
            const ccPtrHandle<ccShape> wrapped = cfAddGenPolyModelProps(s);
            return wrapped ? wrapShape(wrapped) : wrapShape(toShape(shape, "shape").handle);
        },
        py::arg("shape"),
        "`shape` with every plain generalized polygon and wireframe reachable without passing "
        "a model made a model; `shape` itself when there is none.");
}

}  // namespace

void bindProperties(py::module_& m) {
    bindProps(m);
    bindModelling(m);
    bindWalks(m);
}

}  // namespace vxpy
