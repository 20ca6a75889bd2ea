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
#include <sstream>

#include "shapemod/dxfimport_reader.h"

namespace shapemod {

namespace {

constexpr long kLargestGroupCode = 1071;

struct Pair {
    int code;
    std::string value;
};
using Record = std::vector<Pair>;

std::string trimmed(std::string word) {
    word.erase(0, word.find_first_not_of(" \t\r"));
    word.erase(word.find_last_not_of(" \t\r") + 1);
    return word;
}

int groupCode(const std::string& line, long number, const std::string& name) {
    const std::string word = trimmed(line);
    if (word.empty() || word.size() > 4 ||
        !std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
        std::stol(word) > kLargestGroupCode)
        throw FileError(name + ": line " + std::to_string(number) +
                        ": a group code (a whole number 0 to 1071) was expected");
    return std::stoi(word);
}

// The file as records, each starting at a group code 0.
std::vector<Record> records(const std::string& contents, const std::string& name) {
    if (contents.find('\0') != std::string::npos)
        throw FileError(name + ": not a text DXF file (binary DXF cannot be read)");
    std::istringstream lines(contents);
    std::vector<Record> result;
    std::string codeLine, value;
    for (long number = 1; std::getline(lines, codeLine); number += 2) {
        if (trimmed(codeLine).empty() && lines.peek() == std::char_traits<char>::eof()) break;
        const int code = groupCode(codeLine, number, name);
        if (!std::getline(lines, value))
            throw FileError(name + ": ends after the group code on line " + std::to_string(number));
        if (!value.empty() && value.back() == '\r') value.pop_back();
        if (code == 0 || result.empty()) result.emplace_back();
        result.back().push_back({code, code == 0 ? trimmed(value) : value});
    }
    return result;
}

// The fields of each imported kind that the importer reads.
const std::map<std::string, std::set<int>>& importedFields() {
    static const std::map<std::string, std::set<int>> fields = {
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
const std::map<std::string, std::map<int, int>> kCountOf = {
    {"LWPOLYLINE", {{10, 90}}},
    {"SPLINE", {{40, 72}, {10, 73}, {11, 74}}},
};

// An imported kind: its fields, array items only where their item has
// begun and at most once per item, counts recomputed and put first.
Record importedRecord(const Record& r, const std::set<int>& fields) {
    const auto counted = kCountOf.find(r.front().value);
    std::map<int, int> counts;
    std::map<int, int> seenInItem;
    Record kept;
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
    Record result{r.front()};
    if (counted != kCountOf.end())
        for (const auto& [lead, countCode] : counted->second)
            result.push_back({countCode, std::to_string(counts[lead])});
    result.insert(result.end(), kept.begin(), kept.end());
    return result;
}

Record entityRecord(const Record& r) {
    const auto fields = importedFields().find(r.front().value);
    if (fields != importedFields().end()) return importedRecord(r, fields->second);
    Record result{r.front()};
    for (const Pair& p : r)
        if (p.code == 8 || p.code == 67) result.push_back(p);
    return result;
}

// A record's kind and name; of the header variables only the version, which
// decides how dxflib reads some entities.
Record headRecord(const Record& r) {
    Record result;
    for (std::size_t i = 0; i < r.size(); ++i)
        if (r[i].code == 0 || r[i].code == 2 ||
            (r[i].code == 9 && trimmed(r[i].value) == "$ACADVER") ||
            (r[i].code == 1 && i > 0 && r[i - 1].code == 9 &&
             trimmed(r[i - 1].value) == "$ACADVER"))
            result.push_back(r[i]);
    return result;
}

std::string sectionName(const Record& r) {
    for (const Pair& p : r)
        if (p.code == 2) return trimmed(p.value);
    return "";
}

}  // namespace

std::string dxfReadableText(const std::string& contents, const std::string& name) {
    std::ostringstream out;
    std::string section, table;
    const auto write = [&out](const Record& r) {
        for (const Pair& p : r) out << p.code << "\n" << p.value << "\n";
    };
    for (const Record& r : records(contents, name)) {
        const std::string& kind = r.front().value;
        const bool kept = section == "HEADER" || section == "TABLES" || section == "BLOCKS" ||
                          section == "ENTITIES";
        if (r.front().code != 0 || kind == "EOF") {
            continue;
        } else if (kind == "SECTION") {
            section = sectionName(r);
            if (section == "HEADER" || section == "TABLES" || section == "BLOCKS" ||
                section == "ENTITIES")
                write(headRecord(r));
        } else if (kind == "ENDSEC") {
            if (kept) write(r);
            section.clear();
        } else if (section == "TABLES") {
            if (kind == "TABLE") table = sectionName(r);
            if (table == "LAYER") write(headRecord(r));
            if (kind == "ENDTAB") table.clear();
        } else if (section == "BLOCKS" || section == "ENTITIES") {
            write(entityRecord(r));
        }
    }
    out << "0\nEOF\n";
    return out.str();
}

}  // namespace shapemod
