// What the binding units share: the Python face of a shape, the conversion of
// Python arguments to the library's values (a TypeError naming the parameter
// when an argument has the wrong type), and one registration function per
// area of the API.
#pragma once
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

#include "ch_core/shapemod.h"
#include "find/image.h"

namespace vxpy {

namespace py = pybind11;

// A shape as Python holds it: a shared handle to an immutable shape. Every
// Python shape class derives from this one; PyTyped<T> marks the class of
// shape type T (models of T included).
struct PyShape {
    ccPtrHandle_const<ccShape> handle;
};
template <class T>
struct PyTyped : PyShape {};
// The trees' classes derive from ShapeTree's, as in the library.
template <>
struct PyTyped<ccGeneralShapeTree> : PyTyped<ccShapeTree> {};
template <>
struct PyTyped<ccContourTree> : PyTyped<ccShapeTree> {};
template <>
struct PyTyped<ccRegionTree> : PyTyped<ccShapeTree> {};

// The Python object of class T holding `handle`.
template <class T>
PyTyped<T> typed(ccPtrHandle_const<ccShape> handle) {
    PyTyped<T> shape;
    shape.handle = std::move(handle);
    return shape;
}

// A transform: linear (affine), rigid or perspective.
struct PyXform {
    ccPtrHandle_const<cc2XformBase> handle;
};

// Featurelet chains as numpy arrays: `featurelets` a structured array (x, y,
// angle, weight, magnitude, mod180), chain c its rows offsets[c] to
// offsets[c + 1], closed[c] whether the chain is closed.
struct PyFeaturelets {
    py::array featurelets;
    py::array offsets;
    py::array closed;
};

// One row of the featurelet array, as numpy sees it.
struct FeatureletRow {
    double x;
    double y;
    double angle;
    double weight;
    double magnitude;
    bool mod180;
};

// `shape` as an object of the Python class of its type (a model of T gets the
// class of T). Shapes of no bound type get the base class Shape. An empty
// handle gives None.
py::object wrapShape(const ccPtrHandle_const<ccShape>& shape);

// The library object behind a Python shape.
const ccShape& shapeOf(const PyShape& shape);

// The shape behind `shape` as a T (the caller knows its class).
template <class T>
const T& as(const PyShape& shape) {
    return dynamic_cast<const T&>(shapeOf(shape));
}

// Makes wrapShape give objects of a class to shapes of dynamic type `plain`
// and to models of it (`model`).
using ShapeWrapper = py::object (*)(const ccPtrHandle_const<ccShape>&);
void registerShapeClass(const std::type_info& plain, const std::type_info& model,
                        ShapeWrapper wrap);

template <class T, class Base = PyShape>
using ShapeClass = py::class_<PyTyped<T>, Base>;

// The Python class of shape type T, registered with wrapShape.
template <class T, class Base = PyShape>
ShapeClass<T, Base> shapeClass(py::handle m, const char* name, const char* doc) {
    registerShapeClass(
        typeid(T), typeid(ccShapeModelTemplate<T>),
        [](const ccPtrHandle_const<ccShape>& h) -> py::object { return py::cast(typed<T>(h)); });
    return ShapeClass<T, Base>(m, name, doc);
}

// A new Python shape holding a new T made of `args`.
template <class T, class... Args>
PyTyped<T> build(Args&&... args) {
    return typed<T>(ccPtrHandle_const<ccShape>(new T(std::forward<Args>(args)...)));
}

// ---- Arguments: each throws TypeError "<name> must be <kind>, not <type>" ----

// The TypeError of a parameter `name` that should have been `kind`.
[[noreturn]] void wrongType(py::handle value, const char* name, const char* kind);

double toNumber(py::handle value, const char* name);
long toInteger(py::handle value, const char* name);
bool toFlag(py::handle value, const char* name);
std::string toText(py::handle value, const char* name);
// A pair of numbers: a tuple, a list or an array of two elements.
ccVector<2> toPoint(py::handle value, const char* name);
// A sequence of points, or an N x 2 array.
std::vector<ccVector<2>> toPoints(py::handle value, const char* name);
std::vector<double> toNumbers(py::handle value, const char* name);
const PyShape& toShape(py::handle value, const char* name);
// A shape of class T (`kind` names the class for the TypeError).
template <class T>
const T& toShapeOf(py::handle value, const char* name, const char* kind) {
    if (!py::isinstance<PyTyped<T>>(value)) wrongType(value, name, kind);
    return as<T>(value.cast<const PyShape&>());
}
std::vector<ccPtrHandle_const<ccShape>> toShapes(py::handle value, const char* name);
ccShapeModelProps toProps(py::handle value, const char* name);
ccShapeModel::ccFeatureParams toFeatureParams(py::handle value, const char* name);
ccPtrHandle_const<cc2XformBase> toXform(py::handle value, const char* name);
// A transform that must be affine: a linear Xform, or a rigid one.
ccXform<2> toAffine(py::handle value, const char* name);
// A 2-D array of uint8 or uint16, H x W; it is copied.
ccImage toImage(py::handle value, const char* name);
// A featurelet set (Featurelets) as the library's chain set. Arrays that do
// not agree (offsets not rising from 0 to the row count, one more offset than
// chains) throw ccFeatureletDefs::BadParams.
ccFeatureletChainSet toChainSet(py::handle value, const char* name);
// Throws as toChainSet does when the arrays of `chains` do not agree.
void checkFeaturelets(const PyFeaturelets& chains);

// ---- Results ----

// The node of `shape` as a model file writes it, as a dict.
py::dict nodeDict(const PyShape& shape);

py::tuple pointTuple(const ccVector<2>& p);
py::array imageArray(const ccImage& image);
// A Featurelets object holding the chains of `set`, without a Python object
// per featurelet: when the chains lie in storage order the array is the chain
// set's own storage (kept alive by the array), otherwise a copy made without
// the GIL.
py::object featureletsObject(const ccPtrHandle<ccFeatureletChainSet>& set);

// ---- Registration, one per area ----

void bindErrors(py::module_& m);
void bindTransforms(py::module_& m);
void bindShapeBase(py::module_& m);
void bindShapes(py::module_& m);
void bindTrees(py::module_& m);
void bindProperties(py::module_& m);
void bindFeatures(py::module_& m);
void bindFiles(py::module_& m);
void bindInspection(py::module_& m);
void bindImages(py::module_& m);

}  // namespace vxpy
