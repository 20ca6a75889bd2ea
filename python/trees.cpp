// Transforms, shape trees built from lists, and mapped shapes.
#include "bind.h"

namespace vxpy {

namespace {

PyXform xformOf(ccPtrHandle_const<cc2XformBase> x) {
    return PyXform{std::move(x)};
}

void bindXform(py::module_& m) {
    py::class_<PyXform>(m, "Xform",
                        "A transform of the plane: linear (affine: matrix and translation), rigid "
                        "(a rotation in radians and a translation) or perspective (3 x 3).")
        .def(py::init([]() { return xformOf(cfMakeHandle<cc2XformLinear>(ccXform<2>())); }),
             "The identity.")
        .def_static(
            "linear",
            [](const py::object& matrix, const py::object& translation) {
                const auto a = toNumbers(matrix, "matrix");
                if (a.size() != 4)
                    throw ccShapesError::BadParams(
                        L"Xform.linear: matrix must hold 4 numbers (a, b, c, d)");
                return xformOf(cfMakeHandle<cc2XformLinear>(ccXform<2>(
                    ccMatrix<2>(a[0], a[1], a[2], a[3]), toPoint(translation, "translation"))));
            },
            py::arg("matrix"), py::arg("translation") = py::make_tuple(0.0, 0.0),
            "The affine map (x, y) -> (a x + b y + tx, c x + d y + ty), matrix=(a, b, c, d) row "
            "by row.")
        .def_static(
            "rigid",
            [](const py::object& angle, const py::object& translation) {
                return xformOf(cfMakeHandle<cc2Rigid>(ccDegree(ccRadian(toNumber(angle, "angle"))),
                                                      toPoint(translation, "translation")));
            },
            py::arg("angle"), py::arg("translation") = py::make_tuple(0.0, 0.0),
            "A rotation by `angle` radians (from +x towards +y) followed by a translation.")
        .def_static(
            "perspective",
            [](const py::object& h) {
                const auto values = toNumbers(py::module_::import("numpy").attr("ravel")(h), "h");
                if (values.size() != 9)
                    throw ccShapesError::BadParams(
                        L"Xform.perspective: h must hold 9 numbers (3 x 3)");
                double grid[9];
                std::copy(values.begin(), values.end(), grid);
                return xformOf(cfMakeHandle<cc2XformPerspective>(grid));
            },
            py::arg("h"), "The projective map of the 3 x 3 matrix h (row by row, 9 numbers).")
        .def_property_readonly(
            "is_linear", [](const PyXform& x) { return x.handle->isLinear(); },
            "Whether the map is affine.")
        .def(
            "map_point",
            [](const PyXform& x, const py::object& p) {
                return pointTuple(x.handle->mapPoint(toPoint(p, "point")));
            },
            py::arg("point"), "The image of `point`, (x, y).")
        .def(
            "inverse", [](const PyXform& x) { return xformOf(x.handle->inverse()); },
            "The inverse map; a singular one raises ShapesBadParams.")
        .def(
            "__matmul__",
            [](const PyXform& outer, const py::object& inner) {
                return xformOf(outer.handle->compose(*toXform(inner, "inner")));
            },
            py::arg("inner"), "outer @ inner: inner first, then outer.")
        .def_property_readonly(
            "matrix",
            [](const PyXform& x) {
                py::array_t<double> h({3, 3});
                auto v = h.mutable_unchecked<2>();
                for (int r = 0; r < 3; ++r)
                    for (int c = 0; c < 3; ++c) v(r, c) = r == c ? 1.0 : 0.0;
                if (const auto* linear = dynamic_cast<const cc2XformLinear*>(x.handle.get())) {
                    const ccXform<2>& a = linear->xform();
                    for (int r = 0; r < 2; ++r)
                        for (int c = 0; c < 2; ++c) v(r, c) = a.matrix().element(r, c);
                    v(0, 2) = a.offset().x();
                    v(1, 2) = a.offset().y();
                } else {
                    const auto& p = dynamic_cast<const cc2XformPerspective&>(*x.handle);
                    for (int r = 0; r < 3; ++r)
                        for (int c = 0; c < 3; ++c) v(r, c) = p.element(r, c);
                }
                return h;
            },
            "The map as a 3 x 3 homogeneous matrix (numpy array).")
        .def(
            "__eq__",
            [](const PyXform& a, py::handle b) {
                return py::isinstance<PyXform>(b) &&
                       a.handle->equals(*b.cast<const PyXform&>().handle);
            },
            py::arg("other"))
        .attr("__hash__") = py::none();
}

py::list childList(const ccShapeTree& tree) {
    py::list children;
    for (const auto& child : tree.children()) children.append(wrapShape(child));
    return children;
}

// Children are shared, never copied: shapes are immutable. A region tree's
// children adapt to their place on a copy (the caller's shape is not changed).
template <class Tree>
PyTyped<Tree> treeOf(ccPtrHandle<Tree> tree, const py::object& children) {
    for (const auto& child : toShapes(children, "children")) tree->addChild(child, false);
    return typed<Tree>(tree);
}

void bindTreeClasses(py::module_& m) {
    py::class_<PyTyped<ccShapeTree>, PyShape>(m, "ShapeTree",
                                              "Base of the three kinds of shape tree.")
        .def_property_readonly(
            "children", [](const PyShape& s) { return childList(as<ccShapeTree>(s)); },
            "The children, in order (shared, not copied).")
        .def("__len__", [](const PyShape& s) { return as<ccShapeTree>(s).numChildren(); })
        .def_property_readonly(
            "height", [](const PyShape& s) { return as<ccShapeTree>(s).height(); },
            "Levels below the tree's top (0 for a tree of leaves).")
        .def(
            "size",
            [](const PyShape& s, const py::object& leaves) {
                return as<ccShapeTree>(s).size(toFlag(leaves, "leaves_only"));
            },
            py::arg("leaves_only") = false, "The number of nodes (or leaves) below the top.")
        .def(
            "flatten",
            [](const PyShape& s, const py::object& intoContours) {
                const bool contours = toFlag(intoContours, "into_contours");
                ccPtrHandle<ccShapeTree> flat;
                {
                    py::gil_scoped_release released;
                    flat = as<ccShapeTree>(s).flatten(contours);
                }
                return wrapShape(flat);
            },
            py::arg("into_contours") = false,
            "The tree with its inner nodes removed; a model's records are pushed to the leaves "
            "first, so the flat tree means what this one means.");

    shapeClass<ccGeneralShapeTree, PyTyped<ccShapeTree>>(m, "GeneralShapeTree",
                                                         "A tree of any shapes.")
        .def(py::init([](const py::object& children) {
                 return treeOf(cfMakeHandle<ccGeneralShapeTree>(), children);
             }),
             py::arg("children") = py::list(), "GeneralShapeTree(children=[])");

    shapeClass<ccContourTree, PyTyped<ccShapeTree>>(
        m, "ContourTree", "A chain of pieces, each starting where the one before ends.")
        .def(py::init([](const py::object& children, const py::object& closed) {
                 return treeOf(cfMakeHandle<ccContourTree>(toFlag(closed, "closed")), children);
             }),
             py::arg("children") = py::list(), py::arg("closed") = false,
             "ContourTree(children=[], closed=False): pieces that do not meet raise "
             "ShapesBadParams.")
        .def_property_readonly(
            "closed", [](const PyShape& s) { return as<ccContourTree>(s).isClosed(); },
            "Whether the contour is closed.");

    shapeClass<ccRegionTree, PyTyped<ccShapeTree>>(
        m, "RegionTree",
        "A region: a closed boundary and nested region trees of the other standing.")
        .def(
            py::init([](const py::object& boundary, const py::object& children,
                        const py::object& hole) {
                const bool isHole = toFlag(hole, "hole");
                auto tree = boundary.is_none()
                                ? cfMakeHandle<ccRegionTree>()
                                : cfMakeHandle<ccRegionTree>(shapeOf(toShape(boundary, "boundary")),
                                                             isHole);
                if (boundary.is_none() && !isHole)
                    throw ccShapesError::NotRegion(L"RegionTree: only a hole may have no boundary");
                return treeOf(tree, children);
            }),
            py::arg("boundary") = py::none(), py::arg("children") = py::list(),
            py::arg("hole") = false,
            "RegionTree(boundary=None, children=[], hole=False): children are RegionTrees; each "
            "takes the standing opposite its parent's. Only a hole may have no boundary (the "
            "whole plane).")
        .def_property_readonly(
            "boundary",
            [](const PyShape& s) { return wrapShape(as<ccRegionTree>(s).boundaryHandle()); },
            "The boundary shape, or None for a hole without one.")
        .def_property_readonly(
            "hole", [](const PyShape& s) { return as<ccRegionTree>(s).isHole(); },
            "Whether the node is a hole.");

    shapeClass<ccMappedShape>(m, "MappedShape",
                              "A shape seen through a transform, perspective included.")
        .def(py::init([](const py::object& shape, const py::object& xform) {
                 return build<ccMappedShape>(toShape(shape, "shape").handle,
                                             *toXform(xform, "xform"), true);
             }),
             py::arg("shape"), py::arg("xform"), "MappedShape(shape, xform: Xform)")
        .def_property_readonly(
            "shape", [](const PyShape& s) { return wrapShape(as<ccMappedShape>(s).shape()); },
            "The shape before the transform.")
        .def_property_readonly(
            "xform",
            [](const PyShape& s) { return xformOf(as<ccMappedShape>(s).mapXform().clone()); },
            "The transform.")
        .def(
            "explicit_shape",
            [](const PyShape& s) { return wrapShape(as<ccMappedShape>(s).explicitShape()); },
            "The image as an explicit shape (an affine map's image of the underlying shape).");
}

}  // namespace

void bindTransforms(py::module_& m) {
    bindXform(m);
}

void bindTrees(py::module_& m) {
    bindTreeClasses(m);
}

}  // namespace vxpy
