#include "shapemod/modelfile_json.h"

#include <cmath>

namespace shapemod {

namespace {

// How a value that was not what a field expects shows in a message: scalars
// as written (long strings cut short), containers by their kind only.
std::string describe(const Json& value) {
    constexpr std::size_t kLongest = 40;
    switch (value.type()) {
        case Json::value_t::object:
            return "an object";
        case Json::value_t::array:
            return "an array";
        case Json::value_t::string: {
            const auto& s = value.get_ref<const std::string&>();
            if (s.size() <= kLongest) return value.dump();
            // Cut between characters: half a UTF-8 sequence cannot be written.
            std::size_t cut = kLongest;
            while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) --cut;
            return Json(s.substr(0, cut)).dump() + "...";
        }
        default:
            return value.dump();
    }
}

std::string joined(const std::vector<const char*>& words) {
    std::string text;
    for (const char* w : words) text += (text.empty() ? "" : ", ") + std::string(w);
    return text;
}

}  // namespace

// ---- JsonIn

void JsonIn::fail(const std::string& message) const {
    const std::string where = path_.empty() ? "" : path_.to_string() + ": ";
    throw FileError(*source_ + ": " + where + message);
}

void JsonIn::expected(const std::string& what) const {
    fail("expected " + what + ", got " + describe(*value_));
}

JsonIn JsonIn::child(const Json& value, JsonPath path) const {
    JsonIn c(value, std::move(path), *source_);
    c.depth_ = depth_;
    return c;
}

void JsonIn::allowOnly(const std::vector<const char*>& fields) const {
    if (!value_->is_object()) expected("an object");
    for (const auto& item : value_->items()) {
        bool known = false;
        for (const char* f : fields) known = known || item.key() == f;
        if (!known) {
            child(item.value(), path_ / item.key())
                .fail("unknown field (expected one of: " + joined(fields) + ")");
        }
    }
}

bool JsonIn::has(const char* key) const {
    return value_->is_object() && value_->contains(key);
}

JsonIn JsonIn::at(const char* key) const {
    if (!value_->is_object()) expected("an object");
    const auto found = value_->find(key);
    if (found == value_->end()) fail(std::string("missing field \"") + key + "\"");
    return child(*found, path_ / key);
}

std::vector<JsonIn> JsonIn::items() const {
    if (!value_->is_array()) expected("an array");
    std::vector<JsonIn> result;
    for (std::size_t i = 0; i < value_->size(); ++i)
        result.push_back(child((*value_)[i], path_ / i));
    return result;
}

double JsonIn::number() const {
    if (!value_->is_number()) expected("a number");
    const double v = value_->get<double>();
    if (!std::isfinite(v)) expected("a finite number");
    return v;
}

double JsonIn::nonNegative() const {
    const double v = value_->is_number() ? value_->get<double>() : -1.0;
    if (!(v >= 0.0) || !std::isfinite(v)) expected("a non-negative number");
    return v;
}

long JsonIn::integer(long low, long high) const {
    const std::string what =
        "an integer from " + std::to_string(low) + " to " + std::to_string(high);
    if (!value_->is_number_integer()) expected(what);
    // Above the signed range only as unsigned; every range asked for is below it.
    if (value_->is_number_unsigned() &&
        value_->get<unsigned long long>() > static_cast<unsigned long long>(high))
        expected(what);
    const long long v = value_->get<long long>();
    if (v < low || v > high) expected(what);
    return static_cast<long>(v);
}

bool JsonIn::boolean() const {
    if (!value_->is_boolean()) expected("true or false");
    return value_->get<bool>();
}

std::string JsonIn::string() const {
    if (!value_->is_string()) expected("a string");
    return value_->get<std::string>();
}

ccVector<2> JsonIn::point() const {
    if (!value_->is_array() || value_->size() != 2) expected("a point [x, y]");
    const auto xy = items();
    return ccVector<2>(xy[0].number(), xy[1].number());
}

std::vector<ccVector<2>> JsonIn::points() const {
    if (!value_->is_array()) expected("an array of points [x, y]");
    std::vector<ccVector<2>> result;
    for (const JsonIn& p : items()) result.push_back(p.point());
    return result;
}

std::vector<double> JsonIn::numbers() const {
    if (!value_->is_array()) expected("an array of numbers");
    std::vector<double> result;
    for (const JsonIn& n : items()) result.push_back(n.number());
    return result;
}

std::vector<double> JsonIn::numbers(std::size_t count) const {
    if (!value_->is_array() || value_->size() != count)
        expected("an array of " + std::to_string(count) + " numbers");
    return numbers();
}

double JsonIn::number(const char* key, double fallback) const {
    return has(key) ? at(key).number() : fallback;
}

bool JsonIn::boolean(const char* key, bool fallback) const {
    return has(key) ? at(key).boolean() : fallback;
}

ccVector<2> JsonIn::point(const char* key, const ccVector<2>& fallback) const {
    return has(key) ? at(key).point() : fallback;
}

JsonIn JsonIn::asRegionChildOf(bool parentHole) const {
    JsonIn c = *this;
    c.regionChild_ = true;
    c.regionParentHole_ = parentHole;
    return c;
}

JsonIn JsonIn::enterShape() const {
    if (depth_ >= kMaxShapeDepth)
        fail("shapes nested deeper than " + std::to_string(kMaxShapeDepth) + " levels");
    JsonIn c = *this;
    ++c.depth_;
    return c;
}

// ---- JsonOut

void JsonOut::fail(const std::string& message) const {
    throw FileError(path_.to_string() + ": " + message);
}

double JsonOut::finite(const JsonPath& at, double value) const {
    if (!std::isfinite(value)) {
        throw FileError(at.to_string() + ": " + cfNarrow(cfStr(value)) +
                        " cannot be written (JSON has no NaN or infinity)");
    }
    return value;
}

void JsonOut::put(const char* key, double value) {
    json_[key] = finite(path_ / key, value);
}

void JsonOut::put(const char* key, const ccVector<2>& value) {
    const JsonPath at = path_ / key;
    json_[key] = Json::array({finite(at / 0, value.x()), finite(at / 1, value.y())});
}

void JsonOut::put(const char* key, const std::vector<ccVector<2>>& values) {
    Json list = Json::array();
    for (std::size_t i = 0; i < values.size(); ++i) {
        const JsonPath at = path_ / key / i;
        list.push_back(Json::array({finite(at / 0, values[i].x()), finite(at / 1, values[i].y())}));
    }
    json_[key] = std::move(list);
}

void JsonOut::put(const char* key, const std::vector<double>& values) {
    Json list = Json::array();
    for (std::size_t i = 0; i < values.size(); ++i)
        list.push_back(finite(path_ / key / i, values[i]));
    json_[key] = std::move(list);
}

void JsonOut::putShape(const char* key, const ccShape& shape) {
    json_[key] = writeShape(shape, path_ / key, depth_ + 1);
}

void JsonOut::putShapes(const char* key, const std::vector<ccShapePtrh_const>& shapes) {
    Json list = Json::array();
    for (std::size_t i = 0; i < shapes.size(); ++i)
        list.push_back(writeShape(*shapes[i], path_ / key / i, depth_ + 1));
    json_[key] = std::move(list);
}

}  // namespace shapemod
