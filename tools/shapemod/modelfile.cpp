#include "shapemod/modelfile.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>

#include "shapemod/modelfile_json.h"

namespace shapemod {

namespace {

// ---- The kinds of shape

const std::vector<ShapeKind>& shapeKinds() {
    static const std::vector<ShapeKind> kinds = [] {
        std::vector<ShapeKind> all;
        addPrimitiveKinds(all);
        addRingKinds(all);
        addCurveKinds(all);
        addTreeKinds(all);
        return all;
    }();
    return kinds;
}

std::string typeNames() {
    std::string names;
    for (const ShapeKind& k : shapeKinds()) names += (names.empty() ? "" : ", ") + k.type;
    return names;
}

const ShapeKind& kindNamed(const JsonIn& type) {
    const std::string name = type.string();
    for (const ShapeKind& k : shapeKinds())
        if (k.type == name) return k;
    type.fail("unknown shape type \"" + name + "\" (expected one of: " + typeNames() + ")");
}

// The kind whose type `shape` has exactly, as plain shape or as model: a
// type derived from one of the 25 has parameters the file could not hold.
const ShapeKind& kindOf(const ccShape& shape, const JsonPath& path) {
    for (const ShapeKind& k : shapeKinds())
        if (typeid(shape) == *k.plainType || typeid(shape) == *k.modelType) return k;
    throw FileError(path.to_string() + ": a " + cc_Instantiator::stableName(typeid(shape)) +
                    " has no model file form");
}

// ---- Model records

ccShapeModelProps readProps(const JsonIn& node) {
    node.allowOnly({"weight", "magnitude", "reversed", "ignored"});
    ccShapeModelProps props;
    props.weight(node.number("weight", props.weight()));
    if (node.has("magnitude")) {
        const JsonIn m = node.at("magnitude");
        m.guard([&] { props.magnitude(m.number()); });
    }
    props.isReversedPolarity(node.boolean("reversed", props.isReversedPolarity()));
    props.isIgnoredPolarity(node.boolean("ignored", props.isIgnoredPolarity()));
    return props;
}

Json writeProps(const ccShapeModelProps& props, const JsonPath& path, long depth) {
    JsonOut out(path, depth);
    out.put("weight", props.weight());
    out.put("magnitude", props.magnitude());
    out.put("reversed", props.isReversedPolarity());
    out.put("ignored", props.isIgnoredPolarity());
    return out.json();
}

// ---- Feature parameters

ccShapeModel::ccFeatureParams readFeatures(const JsonIn& node) {
    node.allowOnly({"startOffset", "spacing", "maxPoints", "computeTangents", "duplicateCorners",
                    "uniformMode", "magScale", "weightScale"});
    ccShapeModel::ccFeatureParams params;
    ccShape::ccSampleParams s = params.sampleParams();
    s.startOffset(node.number("startOffset", s.startOffset()));
    if (node.has("spacing")) {
        const JsonIn spacing = node.at("spacing");
        s.spacing(spacing.number());
        if (!(s.spacing() > 0)) spacing.expected("a positive number");
    }
    if (node.has("maxPoints")) s.maxPoints(node.at("maxPoints").integer(1, ccNoPointLimit));
    s.computeTangents(node.boolean("computeTangents", s.computeTangents()));
    s.duplicateCorners(node.boolean("duplicateCorners", s.duplicateCorners()));
    s.uniformMode(node.boolean("uniformMode", s.uniformMode()));
    params.sampleParams(s);
    if (node.has("magScale")) {
        const JsonIn m = node.at("magScale");
        m.guard([&] { params.magScale(m.number()); });
    }
    params.weightScale(node.number("weightScale", params.weightScale()));
    return params;
}

Json writeFeatures(const ccShapeModel::ccFeatureParams& params, const JsonPath& path) {
    const ccShape::ccSampleParams& s = params.sampleParams();
    JsonOut out(path, 0);
    out.put("startOffset", s.startOffset());
    out.put("spacing", s.spacing());
    if (s.maxPoints() != ccNoPointLimit) out.json()["maxPoints"] = s.maxPoints();
    out.put("computeTangents", s.computeTangents());
    out.put("duplicateCorners", s.duplicateCorners());
    out.put("uniformMode", s.uniformMode());
    out.put("magScale", params.magScale());
    out.put("weightScale", params.weightScale());
    return out.json();
}

// ---- Text layout

// Arrays of numbers, and arrays of those (points, point lists), stay on one
// line; everything else is laid out one item per line.
bool isFlat(const Json& value) {
    if (value.is_object()) return false;
    if (!value.is_array()) return true;
    for (const Json& item : value)
        if (item.is_object() || (item.is_array() && !isFlat(item))) return false;
    return true;
}

void layOut(const Json& value, const std::string& indent, std::string& text) {
    if (isFlat(value)) {
        if (!value.is_array()) {
            text += value.dump();
            return;
        }
        text += '[';
        for (std::size_t i = 0; i < value.size(); ++i) {
            if (i) text += ", ";
            layOut(value[i], indent, text);
        }
        text += ']';
        return;
    }
    const std::string inner = indent + "  ";
    const bool object = value.is_object();
    text += object ? "{\n" : "[\n";
    std::size_t i = 0;
    for (const auto& item : value.items()) {
        text += inner;
        if (object) text += Json(item.key()).dump() + ": ";
        layOut(item.value(), inner, text);
        text += ++i < value.size() ? ",\n" : "\n";
    }
    text += indent + (object ? "}" : "]");
}

// ---- Parsing

// Refuses a field given twice in one object, which the parser would
// otherwise settle silently by keeping the last.
class DuplicateFieldCheck {
  public:
    explicit DuplicateFieldCheck(std::string source) : source_(std::move(source)) {}

    bool operator()(int, Json::parse_event_t event, Json& parsed) {
        if (event == Json::parse_event_t::object_start) {
            keys_.emplace_back();
        } else if (event == Json::parse_event_t::object_end) {
            keys_.pop_back();
        } else if (event == Json::parse_event_t::key &&
                   !keys_.back().insert(parsed.get<std::string>()).second) {
            throw FileError(source_ + ": field " + parsed.dump() + " appears twice in one object");
        }
        return true;
    }

  private:
    std::string source_;
    std::vector<std::set<std::string>> keys_;
};

// ---- Files

std::string systemError() {
    return std::strerror(errno);
}

}  // namespace

ccShapePtrh readShape(const JsonIn& node) {
    const JsonIn shape = node.enterShape();
    const ShapeKind& kind = kindNamed(shape.at("type"));
    if (node.isRegionChild() && kind.type != "RegionTree")
        shape.at("type").expected("\"RegionTree\" (the children of a region are regions)");
    std::vector<const char*> fields{"type", "model"};
    fields.insert(fields.end(), kind.fields.begin(), kind.fields.end());
    shape.allowOnly(fields);
    if (!shape.has("model")) return shape.guard([&] { return kind.read(shape, nullptr); });
    const ccShapeModelProps props = readProps(shape.at("model"));
    return shape.guard([&] { return kind.read(shape, &props); });
}

Json writeShape(const ccShape& shape, const JsonPath& path, long depth) {
    if (depth > kMaxShapeDepth) {
        throw FileError(path.to_string() + ": shapes nested deeper than " +
                        std::to_string(kMaxShapeDepth) + " levels");
    }
    const ShapeKind& kind = kindOf(shape, path);
    JsonOut out(path, depth);
    out.json()["type"] = kind.type;
    if (const auto* model = dynamic_cast<const ccShapeModel*>(&shape))
        out.put("model", writeProps(model->modelProps(), path / "model", depth));
    kind.write(shape, out);
    return out.json();
}

ModelFile parseModel(const std::string& jsonText, const std::string& sourceName) {
    Json json;
    try {
        json = Json::parse(jsonText, DuplicateFieldCheck(sourceName));
    } catch (const Json::exception& e) {
        // Malformed text, or a number beyond the range of a double. The
        // library's text opens with its own error code, which says nothing
        // to a user.
        const std::string what = e.what();
        const auto start = what.find("] ");
        throw FileError(sourceName + ": " +
                        (start == std::string::npos ? what : what.substr(start + 2)));
    }
    const JsonIn top(json, JsonPath(), sourceName);
    top.allowOnly({"format", "features", "shape"});
    const JsonIn format = top.at("format");
    if (!format.json().is_number_integer() || format.json().get<long long>() != 1)
        format.expected("1 (the only format this tool reads)");
    ModelFile model;
    if (top.has("features")) model.params = readFeatures(top.at("features"));
    model.shape = readShape(top.at("shape"));
    return model;
}

ModelFile readModelFile(const std::string& path) {
    std::string text;
    try {
        std::ifstream in(path, std::ios::binary);
        if (!in) throw FileError(path + ": cannot be opened (" + systemError() + ")");
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (in.bad()) throw FileError(path + ": cannot be read (" + systemError() + ")");
    } catch (const std::ios_base::failure&) {
        // A directory opens, then fails its first read by throwing.
        throw FileError(path + ": cannot be read (" + systemError() + ")");
    }
    return parseModel(text, path);
}

std::string writeModel(const ModelFile& model) {
    if (!model.shape) throw FileError("/shape: a model file needs a shape, the handle is empty");
    Json json = Json::object();
    json["format"] = 1;
    json["features"] = writeFeatures(model.params, JsonPath("/features"));
    json["shape"] = writeShape(*model.shape, JsonPath("/shape"), 1);
    std::string text;
    layOut(json, "", text);
    return text + "\n";
}

}  // namespace shapemod
