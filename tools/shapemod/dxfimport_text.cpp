// The text dxflib is given: the drawing checked for its line structure and
// cut down to what the importer reads.
//
// dxflib trusts the counts a file declares (vertices of a polyline, knots and
// control points of a spline, vertices of a leader) and sizes its arrays by
// them, so a hostile count exhausts memory and a short one lets it write past
// an array. The text it sees therefore holds only the sections, entity
// fields and layer table entries the importer uses, with every count
// recomputed from the data that follow it; entities that are not imported
// keep only their kind, layer and space, which is all the tally needs.
#include <algorithm>
#include <map>
#include <set>
#include <string_view>

#include "shapemod/dxfimport_reader.h"

namespace shapemod {

namespace {

constexpr long kLargestGroupCode = 1071;

// Values are views into the file's contents, which outlive the records: a
// drawing of many splines has hundreds of thousands of values.
struct Pair {
    int code;
    std::string_view value;
};
using Record = std::vector<Pair>;

std::string_view trimmed(std::string_view word) {
    const auto first = word.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return word.substr(first, word.find_last_not_of(" \t\r") + 1 - first);
}

int groupCode(std::string_view line, long number, const std::string& name) {
    const std::string_view word = trimmed(line);
    const bool isShortNumber =
        !word.empty() && word.size() <= 4 &&
        std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; });
    int code = 0;
    if (isShortNumber)
        for (const char c : word) code = code * 10 + (c - '0');
    if (!isShortNumber || code > kLargestGroupCode)
        throw FileError(name + ": line " + std::to_string(number) +
                        ": a group code (a whole number 0 to 1071) was expected");
    return code;
}

// The lines of a text as std::getline splits them: at each newline, with a
// last line that does not end in one.
class Lines {
  public:
    explicit Lines(std::string_view text) : rest_(text) {}
    bool next(std::string_view& line) {
        if (rest_.empty()) return false;
        const auto newline = rest_.find('\n');
        line = rest_.substr(0, newline);
        rest_.remove_prefix(newline == std::string_view::npos ? rest_.size() : newline + 1);
        return true;
    }
    bool isAtEnd() const noexcept { return rest_.empty(); }

  private:
    std::string_view rest_;
};

// The file as records, each starting at a group code 0.
std::vector<Record> records(const std::string& contents, const std::string& name) {
    if (contents.find('\0') != std::string::npos)
        throw FileError(name + ": not a text DXF file (binary DXF cannot be read)");
    Lines lines(contents);
    std::vector<Record> result;
    std::string_view codeLine, value;
    for (long number = 1; lines.next(codeLine); number += 2) {
        if (trimmed(codeLine).empty() && lines.isAtEnd()) break;
        const int code = groupCode(codeLine, number, name);
        if (!lines.next(value))
            throw FileError(name + ": ends after the group code on line " + std::to_string(number));
        if (!value.empty() && value.back() == '\r') value.remove_suffix(1);
        if (code == 0 || result.empty()) result.emplace_back();
        result.back().push_back({code, code == 0 ? trimmed(value) : value});
    }
    return result;
}

void write(std::string& out, int code, std::string_view value) {
    out += std::to_string(code);
    out += '\n';
    out += value;
    out += '\n';
}

void write(std::string& out, const Record& r) {
    for (const Pair& p : r) write(out, p.code, p.value);
}

// The fields of each imported kind that the importer reads.
const std::map<std::string, std::set<int>, std::less<>>& importedFields() {
    static const std::map<std::string, std::set<int>, std::less<>> fields = {
        {"LINE", {8, 67, 10, 20, 30, 11, 21, 31}},
        {"ARC", {8, 67, 10, 20, 30, 40, 50, 51, 210, 220, 230}},
        {"CIRCLE", {8, 67, 10, 20, 30, 40, 210, 220, 230}},
        {"ELLIPSE", {8, 67, 10, 20, 30, 11, 21, 31, 40, 41, 42, 210, 220, 230}},
        {"POLYLINE", {8, 67, 66, 70, 10, 20, 30, 210, 220, 230}},
        {"VERTEX", {8, 67, 70, 10, 20, 30, 42}},
        {"LWPOLYLINE", {8, 67, 70, 38, 10, 20, 42, 210, 220, 230}},
        {"SPLINE", {8, 67, 70, 71, 40, 10, 20, 30, 41, 11, 21, 31}},
        {"INSERT", {8, 67, 66, 2, 10, 20, 30, 41, 42, 43, 50, 70, 71, 44, 45, 210, 220, 230}},
        {"BLOCK", {8, 2, 3, 70, 10, 20, 30}},
        {"ENDBLK", {8}},
        {"SEQEND", {8}},
    };
    return fields;
}

// Codes that continue the array item a leading code started (y, z, bulge
// and weight after an x), and the count each leading code is counted in.
const std::map<int, int> kItemOf = {{20, 10}, {30, 10}, {42, 10}, {41, 10}, {21, 11}, {31, 11}};
const std::map<std::string, std::map<int, int>, std::less<>> kCountOf = {
    {"LWPOLYLINE", {{10, 90}}},
    {"SPLINE", {{40, 72}, {10, 73}, {11, 74}}},
};

// An imported kind: its fields, array items only where their item has
// begun and at most once per item, counts recomputed and put first.
void writeImported(std::string& out, const Record& r, const std::set<int>& fields) {
    const auto counted = kCountOf.find(r.front().value);
    std::map<int, int> counts;
    std::map<int, int> seenInItem;
    Record kept;
    kept.reserve(r.size());
    for (const Pair& p : r) {
        if (!fields.count(p.code)) continue;
        const auto item = kItemOf.find(p.code);
        if (counted != kCountOf.end() && item != kItemOf.end() &&
            (!counts[item->second] || seenInItem[p.code]++ > 0))
            continue;
        if (counted != kCountOf.end() && counted->second.count(p.code)) {
            ++counts[p.code];
            for (auto& [code, seen] : seenInItem)
                if (kItemOf.at(code) == p.code) seen = 0;
        }
        kept.push_back(p);
    }
    write(out, r.front().code, r.front().value);
    if (counted != kCountOf.end())
        for (const auto& [lead, countCode] : counted->second)
            write(out, countCode, std::to_string(counts[lead]));
    write(out, kept);
}

void writeEntity(std::string& out, const Record& r) {
    const auto fields = importedFields().find(r.front().value);
    if (fields != importedFields().end()) return writeImported(out, r, fields->second);
    write(out, r.front().code, r.front().value);
    for (const Pair& p : r)
        if (p.code == 8 || p.code == 67) write(out, p.code, p.value);
}

// A record's kind and name; of the header variables only the version, which
// decides how dxflib reads some entities.
void writeHead(std::string& out, const Record& r) {
    for (std::size_t i = 0; i < r.size(); ++i)
        if (r[i].code == 0 || r[i].code == 2 ||
            (r[i].code == 9 && trimmed(r[i].value) == "$ACADVER") ||
            (r[i].code == 1 && i > 0 && r[i - 1].code == 9 &&
             trimmed(r[i - 1].value) == "$ACADVER"))
            write(out, r[i].code, r[i].value);
}

std::string_view sectionName(const Record& r) {
    for (const Pair& p : r)
        if (p.code == 2) return trimmed(p.value);
    return {};
}

}  // namespace

std::string dxfReadableText(const std::string& contents, const std::string& name) {
    std::string out;
    out.reserve(contents.size());
    std::string_view section, table;
    for (const Record& r : records(contents, name)) {
        const std::string_view kind = r.front().value;
        const bool kept = section == "HEADER" || section == "TABLES" || section == "BLOCKS" ||
                          section == "ENTITIES";
        if (r.front().code != 0 || kind == "EOF") {
            continue;
        } else if (kind == "SECTION") {
            section = sectionName(r);
            if (section == "HEADER" || section == "TABLES" || section == "BLOCKS" ||
                section == "ENTITIES")
                writeHead(out, r);
        } else if (kind == "ENDSEC") {
            if (kept) write(out, r);
            section = {};
        } else if (section == "TABLES") {
            if (kind == "TABLE") table = sectionName(r);
            if (table == "LAYER") writeHead(out, r);
            if (kind == "ENDTAB") table = {};
        } else if (section == "BLOCKS" || section == "ENTITIES") {
            writeEntity(out, r);
        }
    }
    out += "0\nEOF\n";
    return out;
}

}  // namespace shapemod
