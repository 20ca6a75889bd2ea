// The library's error family as Python exceptions: one class per error class,
// in the same hierarchy, so that `except vxshmd.ShapesError` catches what a
// C++ handler for ccShapesError::Errors catches. Errors of a bad value also
// derive from ValueError.
#include <functional>
#include <type_traits>
#include <vector>

#include "bind.h"
#include "find/finddefs.h"
#include "shapemod/cli.h"

namespace vxpy {

namespace {

// One Python class and the test that picks it for a C++ error.
struct Translation {
    std::function<bool(const ccException&)> matches;
    PyObject* type;
};

// Most derived first: the first match names the error. Filled once while the
// module loads, read only afterwards.
std::vector<Translation>& translations() {
    static std::vector<Translation> table;
    return table;
}

template <class E>
bool isA(const ccException& e) {
    if constexpr (std::is_same<E, ccException>::value) {
        (void)e;
        return true;
    } else {
        return dynamic_cast<const E*>(&e) != nullptr;
    }
}

py::object makeClass(py::module_& m, const char* name, const py::tuple& bases, const char* doc) {
    py::dict body;
    body["__doc__"] = doc;
    body["__module__"] = m.attr("__name__");
    py::object cls = py::module_::import("builtins").attr("type")(name, bases, body);
    m.attr(name) = cls;
    return cls;
}

template <class E>
py::object addError(py::module_& m, const char* name, const py::tuple& bases, const char* doc) {
    py::object cls = makeClass(m, name, bases, doc);
    translations().insert(translations().begin(), Translation{&isA<E>, cls.inc_ref().ptr()});
    return cls;
}

void raise(const ccException& e) {
    for (const Translation& t : translations()) {
        if (!t.matches(e)) continue;
        py::object error = py::reinterpret_borrow<py::object>(t.type)(e.what());
        error.attr("error_number") = e.errorNumber();
        PyErr_SetObject(t.type, error.ptr());
        return;
    }
}

}  // namespace

void bindErrors(py::module_& m) {
    const py::object valueError = py::module_::import("builtins").attr("ValueError");
    const py::object exception = py::module_::import("builtins").attr("Exception");

    // Registered from the root down; each insertion goes in front, so the
    // table is searched from the most derived class up.
    const auto root = addError<ccException>(
        m, "Error", py::make_tuple(exception),
        "Root of the library's errors (ccException). str(e) is the C++ message: class, error "
        "number and what was wrong; e.error_number is the class's fixed number.");
    addError<ccBadPointer>(m, "BadPointer", py::make_tuple(root),
                           "An empty handle was used (ccBadPointer).");
    addError<ccExceptionWithString>(m, "ExceptionWithString", py::make_tuple(root),
                                    "An error that is nothing but its text.");

    const auto shapes = addError<ccShapesError::Errors>(
        m, "ShapesError", py::make_tuple(root), "Errors of the shape library (ccShapesError).");
    addError<ccShapesError::BadParams>(
        m, "ShapesBadParams", py::make_tuple(shapes, valueError),
        "A value outside an operation's domain (ccShapesError::BadParams).");
    addError<ccShapesError::NotRegion>(
        m, "NotRegion", py::make_tuple(shapes),
        "An operation that needs a closed region got an open shape.");
    addError<ccShapesError::InfiniteExtent>(
        m, "InfiniteExtent", py::make_tuple(shapes),
        "An operation that needs a finite extent got an infinite shape.");

    const auto model = addError<ccShapeModelDefs::Errors>(
        m, "ShapeModelError", py::make_tuple(shapes),
        "Errors of the shape-model module (ccShapeModelDefs::Errors).");
    addError<ccShapeModelDefs::BadParams>(
        m, "BadParams", py::make_tuple(model, valueError),
        "A bad value in the module's records: a negative magnitude or magnitude scale.");
    addError<ccShapeModelDefs::BadWeight>(m, "BadWeight", py::make_tuple(model, valueError),
                                          "Part of the error set; the module never raises it.");
    addError<ccShapeModelDefs::NotSupported>(
        m, "NotSupported", py::make_tuple(model),
        "A shape of a kind that cannot carry model properties, or an operation its kind lacks.");

    const auto find = addError<ccFindDefs::Errors>(m, "FindError", py::make_tuple(shapes),
                                                   "Errors of the image and finding library.");
    addError<ccFindDefs::BadParams>(
        m, "FindBadParams", py::make_tuple(find, valueError),
        "A value outside the domain of an image operation: a size, a pose, thresholds.");
    addError<ccFindDefs::BadImage>(m, "BadImage", py::make_tuple(find),
                                   "An image that cannot be read, written or used.");

    const auto featurelets = addError<ccFeatureletDefs::Errors>(
        m, "FeatureletError", py::make_tuple(root), "Errors of the featurelet library.");
    addError<ccFeatureletDefs::BadParams>(
        m, "FeatureletBadParams", py::make_tuple(featurelets, valueError),
        "A bad chain index or featurelet value, or featurelet arrays that do not agree.");

    const auto archive = addError<ccArchive::Error>(
        m, "ArchiveError", py::make_tuple(root),
        "An archive that cannot be read: truncated or corrupt bytes, an unknown class.");
    addError<ccArchive::UnknownVersion>(m, "UnknownVersion", py::make_tuple(archive),
                                        "An archived form of a version the reader does not take.");

    const auto input = addError<shapemod::InputError>(m, "InputError", py::make_tuple(root),
                                                      "Bad input to the file readers and writers.");
    addError<shapemod::UsageError>(m, "UsageError", py::make_tuple(input, valueError),
                                   "An option the reader does not accept (a layer the drawing "
                                   "does not have, a negative distance).");
    addError<shapemod::FileError>(
        m, "FileError", py::make_tuple(input),
        "A file that cannot be read or written, or whose contents are malformed; names the file.");

    // pybind11 hands translators the pointer by value.
    // NOLINTNEXTLINE(performance-unnecessary-value-param)
    py::register_exception_translator([](std::exception_ptr thrown) {
        try {
            if (thrown) std::rethrow_exception(thrown);
        } catch (const ccException& e) {
            raise(e);
        }
    });
}

}  // namespace vxpy
