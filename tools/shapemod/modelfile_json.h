// The pieces the model file reader and writer share: a JSON value seen at its
// place in the file (JsonIn), a node being written (JsonOut), and the table of
// shape kinds that maps each of the 25 shape types to its JSON form.
//
// Internal to the model file units; the format itself is described in
// modelfile.h.
#pragma once
#include <functional>
#include <string>
#include <typeinfo>
#include <vector>

#include <nlohmann/json.hpp>

#include "shapemod/modelfile.h"
#include "vxstd12u/str.h"

namespace shapemod {

// Objects keep their fields in the order they were written, so that written
// files list "type" first and read back to the same text.
using Json = nlohmann::ordered_json;
using JsonPath = Json::json_pointer;

// The deepest nesting of shape nodes a model file may hold. Reading and
// writing recurse once per level; this keeps the stack within bounds even
// in instrumented builds, and no drawing nests anywhere near it.
constexpr long kMaxShapeDepth = 500;

// A JSON value at `path` of the file `source`. Every accessor either returns
// the value in the form asked for or throws FileError
// "<source>: <path>: <what was expected>, got <value>".
class JsonIn {
  public:
    JsonIn(const Json& value, JsonPath path, const std::string& source)
        : value_(&value), path_(std::move(path)), source_(&source) {}

    const Json& json() const noexcept { return *value_; }
    const JsonPath& path() const noexcept { return path_; }

    // Throws FileError "<source>: <path>: <message>".
    [[noreturn]] void fail(const std::string& message) const;
    // fail("expected <what>, got <the value>").
    [[noreturn]] void expected(const std::string& what) const;

    // Requires an object holding no field outside `fields` (an unknown field
    // names itself and lists `fields`).
    void allowOnly(const std::vector<const char*>& fields) const;
    // Whether the object has field `key` (false for a non-object).
    bool has(const char* key) const;
    // Field `key`; a missing one fails at this value, naming the field.
    JsonIn at(const char* key) const;
    // The elements of an array.
    std::vector<JsonIn> items() const;

    double number() const;                    // any finite number
    double nonNegative() const;               // a finite number >= 0
    long integer(long low, long high) const;  // an integer in [low, high]
    bool boolean() const;
    std::string string() const;
    ccVector<2> point() const;                             // [x, y]
    std::vector<ccVector<2>> points() const;               // [[x, y], ...]
    std::vector<double> numbers() const;                   // [n, ...]
    std::vector<double> numbers(std::size_t count) const;  // exactly `count`

    // Optional fields: the value when present, `fallback` otherwise.
    double number(const char* key, double fallback) const;
    bool boolean(const char* key, bool fallback) const;
    ccVector<2> point(const char* key, const ccVector<2>& fallback) const;

    // f(), with any library error it throws turned into a FileError at this
    // value's path (input errors pass unchanged). Returns what f returns.
    template <class F>
    auto guard(F&& f) const -> decltype(f()) {
        try {
            return f();
        } catch (const InputError&) {
            throw;
        } catch (const ccException& e) {
            fail(cfNarrow(e.detail().empty() ? e.message() : e.detail()));
        }
    }

    // The place of a region node's children: a child of a node of standing
    // `parentHole` must be a region node of the opposite standing.
    JsonIn asRegionChildOf(bool parentHole) const;
    bool isRegionChild() const noexcept { return regionChild_; }
    bool regionParentHole() const noexcept { return regionParentHole_; }
    // The number of shape nodes above this value; entering a shape node
    // beyond kMaxShapeDepth fails.
    long depth() const noexcept { return depth_; }
    JsonIn enterShape() const;

  private:
    JsonIn child(const Json& value, JsonPath path) const;

    const Json* value_;
    JsonPath path_;
    const std::string* source_;
    long depth_ = 0;
    bool regionChild_ = false;
    bool regionParentHole_ = false;
};

// A JSON object being written for the node at `path`. Numbers must be finite
// (JSON has no NaN or infinity): a non-finite one throws FileError naming the
// field's path.
class JsonOut {
  public:
    JsonOut(JsonPath path, long depth) : path_(std::move(path)), depth_(depth) {}

    const JsonPath& path() const noexcept { return path_; }
    long depth() const noexcept { return depth_; }
    Json& json() noexcept { return json_; }
    // Throws FileError "<path>: <message>".
    [[noreturn]] void fail(const std::string& message) const;

    void put(const char* key, double value);
    void put(const char* key, const ccRadian& value) { put(key, value.toDouble()); }
    void put(const char* key, bool value) { json_[key] = value; }
    void put(const char* key, const ccVector<2>& value);
    void put(const char* key, const std::vector<ccVector<2>>& values);
    void put(const char* key, const std::vector<double>& values);
    // A nested value already written (a shape node, a record).
    void put(const char* key, Json value) { json_[key] = std::move(value); }
    // `shape` written as the node at <path>/<key>.
    void putShape(const char* key, const ccShape& shape);
    // `shapes` written as the array of nodes at <path>/<key>/<i>.
    void putShapes(const char* key, const std::vector<ccShapePtrh_const>& shapes);

  private:
    double finite(const JsonPath& at, double value) const;

    JsonPath path_;
    long depth_;
    Json json_ = Json::object();
};

// One of the 25 shape types: its JSON name, the fields of its node (besides
// "type" and "model"), how to read a node of it (giving a plain shape, or a
// model holding `props` when props is not null) and how to write one.
struct ShapeKind {
    std::string type;
    std::vector<const char*> fields;
    const std::type_info* plainType;
    const std::type_info* modelType;
    std::function<ccShapePtrh(const JsonIn& node, const ccShapeModelProps* props)> read;
    std::function<void(const ccShape& shape, JsonOut& out)> write;
};

// The kind of shape type T: `read` gives a T from a node, `write` puts a T's
// fields into a node.
template <class T>
ShapeKind shapeKind(std::string type, std::vector<const char*> fields, T (*read)(const JsonIn&),
                    void (*write)(const T&, JsonOut&)) {
    return ShapeKind{
        std::move(type),
        std::move(fields),
        &typeid(T),
        &typeid(ccShapeModelTemplate<T>),
        [read](const JsonIn& node, const ccShapeModelProps* props) {
            const T shape = read(node);
            return props ? ccShapePtrh(new ccShapeModelTemplate<T>(shape, *props))
                         : ccShapePtrh(new T(shape));
        },
        [write](const ccShape& shape, JsonOut& out) { write(dynamic_cast<const T&>(shape), out); }};
}

// The kinds of each family, one unit each.
void addPrimitiveKinds(std::vector<ShapeKind>& kinds);  // points, lines, rectangles, ellipses
void addRingKinds(std::vector<ShapeKind>& kinds);       // annuli, generalized and affine rectangles
void addCurveKinds(std::vector<ShapeKind>& kinds);      // polylines, polygons, Bezier, splines
void addTreeKinds(std::vector<ShapeKind>& kinds);       // trees and mapped shapes

// Any shape node: its "type" chooses the kind; "model" makes it a model.
ccShapePtrh readShape(const JsonIn& node);
// The node of `shape` at `path`, `depth` shape nodes down.
Json writeShape(const ccShape& shape, const JsonPath& path, long depth);

// An ellipse as the object of its fields, as nodes that hold one inside
// (elliptical arcs and annuli) keep it.
ccEllipse2 readEllipse(const JsonIn& object);
Json writeEllipse(const ccEllipse2& ellipse, const JsonPath& path);

}  // namespace shapemod
