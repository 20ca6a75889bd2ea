// Python arguments to library values. pybind11's own conversion reports a bad
// call without saying which argument was wrong; these name it.
#include <string>

#include "bind.h"
#include "find/finddefs.h"
#include "vxstd12u/str.h"

namespace vxpy {

namespace {

bool isNumber(py::handle value) {
    return PyFloat_Check(value.ptr()) || PyLong_Check(value.ptr()) ||
           py::isinstance(value, py::module_::import("numpy").attr("number"));
}

bool isIntegral(py::handle value) {
    return !PyBool_Check(value.ptr()) &&
           (PyLong_Check(value.ptr()) ||
            py::isinstance(value, py::module_::import("numpy").attr("integer")));
}

// The items of a list, a tuple or an array, or an empty optional for anything else.
bool isSequence(py::handle value) {
    return py::isinstance<py::list>(value) || py::isinstance<py::tuple>(value) ||
           py::isinstance<py::array>(value);
}

}  // namespace

void wrongType(py::handle value, const char* name, const char* kind) {
    const std::string got = py::str(py::type::handle_of(value).attr("__name__"));
    throw py::type_error(std::string(name) + " must be " + kind + ", not " + got);
}

double toNumber(py::handle value, const char* name) {
    if (!isNumber(value)) wrongType(value, name, "a number");
    return value.cast<double>();
}

long toInteger(py::handle value, const char* name) {
    if (!isIntegral(value)) wrongType(value, name, "an integer");
    return value.cast<long>();
}

bool toFlag(py::handle value, const char* name) {
    if (!PyBool_Check(value.ptr()) &&
        !py::isinstance(value, py::module_::import("numpy").attr("bool_")))
        wrongType(value, name, "a bool");
    return value.cast<bool>();
}

std::string toText(py::handle value, const char* name) {
    if (py::isinstance<py::str>(value)) return value.cast<std::string>();
    if (py::isinstance(value, py::module_::import("os").attr("PathLike")))
        return py::str(py::module_::import("os").attr("fspath")(value)).cast<std::string>();
    wrongType(value, name, "a str");
}

ccVector<2> toPoint(py::handle value, const char* name) {
    if (!isSequence(value) || py::len(value) != 2) wrongType(value, name, "a pair of numbers");
    const py::sequence items = py::reinterpret_borrow<py::object>(value);
    if (!isNumber(items[0]) || !isNumber(items[1])) wrongType(value, name, "a pair of numbers");
    return {items[0].cast<double>(), items[1].cast<double>()};
}

std::vector<ccVector<2>> toPoints(py::handle value, const char* name) {
    if (!isSequence(value)) wrongType(value, name, "a sequence of points (x, y)");
    std::vector<ccVector<2>> points;
    const py::sequence items = py::reinterpret_borrow<py::object>(value);
    points.reserve(py::len(items));
    for (py::handle item : items) points.push_back(toPoint(item, name));
    return points;
}

std::vector<double> toNumbers(py::handle value, const char* name) {
    if (!isSequence(value)) wrongType(value, name, "a sequence of numbers");
    std::vector<double> numbers;
    for (py::handle item : py::reinterpret_borrow<py::sequence>(value))
        numbers.push_back(toNumber(item, name));
    return numbers;
}

const PyShape& toShape(py::handle value, const char* name) {
    if (!py::isinstance<PyShape>(value)) wrongType(value, name, "a vxshmd.Shape");
    return value.cast<const PyShape&>();
}

std::vector<ccPtrHandle_const<ccShape>> toShapes(py::handle value, const char* name) {
    if (!isSequence(value)) wrongType(value, name, "a sequence of vxshmd.Shape");
    std::vector<ccPtrHandle_const<ccShape>> shapes;
    for (py::handle item : py::reinterpret_borrow<py::sequence>(value))
        shapes.push_back(toShape(item, name).handle);
    return shapes;
}

ccShapeModelProps toProps(py::handle value, const char* name) {
    if (!py::isinstance<ccShapeModelProps>(value)) wrongType(value, name, "a vxshmd.Props");
    return value.cast<ccShapeModelProps>();
}

ccShapeModel::ccFeatureParams toFeatureParams(py::handle value, const char* name) {
    if (!py::isinstance<ccShapeModel::ccFeatureParams>(value))
        wrongType(value, name, "a vxshmd.FeatureParams");
    return value.cast<ccShapeModel::ccFeatureParams>();
}

ccPtrHandle_const<cc2XformBase> toXform(py::handle value, const char* name) {
    if (!py::isinstance<PyXform>(value)) wrongType(value, name, "a vxshmd.Xform");
    return value.cast<const PyXform&>().handle;
}

ccXform<2> toAffine(py::handle value, const char* name) {
    const ccPtrHandle_const<cc2XformBase> xform = toXform(value, name);
    const auto* linear = dynamic_cast<const cc2XformLinear*>(xform.get());
    if (!linear)
        throw ccShapesError::BadParams(cfWiden(std::string(name)) +
                                       L" must be an affine transform, not a perspective one");
    return linear->xform();
}

namespace {

template <class T>
ccImage imageOf(const py::array& array) {
    const auto pels = py::array_t<T, py::array::c_style | py::array::forcecast>::ensure(array);
    const auto height = static_cast<long>(pels.shape(0));
    const auto width = static_cast<long>(pels.shape(1));
    std::vector<T> copy(pels.data(), pels.data() + pels.size());
    return ccPelBuffer_const<T>(width, height, std::move(copy));
}

}  // namespace

ccImage toImage(py::handle value, const char* name) {
    if (!py::isinstance<py::array>(value))
        wrongType(value, name, "a numpy array (uint8 or uint16)");
    const auto array = py::reinterpret_borrow<py::array>(value);
    if (array.ndim() != 2)
        throw ccFindDefs::BadParams(cfWiden(std::string(name)) +
                                    L" must be a 2-D array (H x W), not " +
                                    std::to_wstring(array.ndim()) + L"-D");
    if (array.dtype().is(py::dtype::of<unsigned char>())) return imageOf<unsigned char>(array);
    if (array.dtype().is(py::dtype::of<unsigned short>())) return imageOf<unsigned short>(array);
    wrongType(value, name, "an array of uint8 or uint16");
}

namespace {

// The arrays' own arrays may have been replaced or edited since they were
// made; a chain set is only built from arrays that agree with each other.
void checkChains(const py::array& rows, const py::array& offsets, const py::array& closed) {
    const auto refuse = [](const std::string& what) {
        throw ccFeatureletDefs::BadParams(cfWiden("Featurelets: " + what));
    };
    if (!rows.dtype().equal(py::dtype::of<FeatureletRow>()) || rows.ndim() != 1)
        refuse("featurelets must be a 1-D array of vxshmd.FEATURELET_DTYPE");
    if (offsets.ndim() != 1 || closed.ndim() != 1 || offsets.size() != closed.size() + 1)
        refuse("offsets must have one element more than closed (chains + 1)");
    const auto* o = static_cast<const long long*>(offsets.data());
    if (o[0] != 0 || o[offsets.size() - 1] != rows.size())
        refuse("offsets must start at 0 and end at the number of featurelets");
    for (py::ssize_t c = 0; c + 1 < offsets.size(); ++c)
        if (o[c + 1] < o[c]) refuse("offsets must not decrease");
}

}  // namespace

void checkFeaturelets(const PyFeaturelets& chains) {
    checkChains(chains.featurelets, chains.offsets, chains.closed);
}

ccFeatureletChainSet toChainSet(py::handle value, const char* name) {
    if (!py::isinstance<PyFeaturelets>(value)) wrongType(value, name, "a vxshmd.Featurelets");
    const auto& chains = value.cast<const PyFeaturelets&>();
    const auto rows = py::array_t<FeatureletRow, py::array::c_style>::ensure(chains.featurelets);
    const auto offsets = py::array_t<long long, py::array::c_style>::ensure(chains.offsets);
    const auto closed = py::array_t<bool, py::array::c_style>::ensure(chains.closed);
    if (!rows || !offsets || !closed) throw py::error_already_set();
    checkChains(rows, offsets, closed);
    ccFeatureletChainSet set;
    const long numChains = static_cast<long>(closed.size());
    set.reserve(numChains, static_cast<long>(rows.size()));
    for (long c = 0; c < numChains; ++c) {
        set.beginChain(closed.data()[c]);
        for (long long i = offsets.data()[c]; i < offsets.data()[c + 1]; ++i) {
            const FeatureletRow& r = rows.data()[i];
            set.emplaceBack(ccVector<2>(r.x, r.y), ccRadian(r.angle), r.magnitude, r.weight,
                            r.mod180);
        }
    }
    return set;
}

}  // namespace vxpy
