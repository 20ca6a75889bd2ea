#include "shapemod/cli.h"
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <ostream>
#include <sstream>
#include "vxstd12u/str.h"

namespace shapemod {

UsageError::UsageError(const std::string& utf8Detail) : ccErrorKind(cfWiden(utf8Detail)) {}
FileError::FileError(const std::string& utf8Detail) : ccErrorKind(cfWiden(utf8Detail)) {}

namespace {

// Where option help starts in the usage text.
constexpr std::size_t kHelpColumn = 24;

bool isHelp(const std::string& word) {
    return word == "--help" || word == "-h";
}

// Options begin with a dash; a lone "-" is an ordinary word (often "stdin").
bool looksLikeOption(const std::string& word) {
    return word.size() > 1 && word[0] == '-';
}

std::size_t wordCount(const std::string& names) {
    std::istringstream in(names);
    std::size_t n = 0;
    for (std::string w; in >> w;) ++n;
    return n;
}

}  // namespace

bool ParsedArgs::has(const std::string& name) const {
    return std::any_of(options_.begin(), options_.end(),
                       [&](const auto& o) { return o.first == name; });
}

const Args& ParsedArgs::values(const std::string& name) const {
    const auto it = std::find_if(options_.rbegin(), options_.rend(),
                                 [&](const auto& o) { return o.first == name; });
    if (it == options_.rend()) throw UsageError("option " + name + " is required");
    return it->second;
}

std::vector<Args> ParsedArgs::occurrences(const std::string& name) const {
    std::vector<Args> all;
    for (const auto& o : options_)
        if (o.first == name) all.push_back(o.second);
    return all;
}

double ParsedArgs::number(const std::string& name, double fallback, std::size_t index) const {
    if (!has(name)) return fallback;
    const std::string& word = values(name).at(index);
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(word.c_str(), &end);
    if (word.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(v))
        throw UsageError(name + " expects a number, not '" + word + "'");
    return v;
}

long ParsedArgs::integer(const std::string& name, long fallback, long minimum, long maximum,
                         std::size_t index) const {
    if (!has(name)) return fallback;
    const std::string& word = values(name).at(index);
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(word.c_str(), &end, 10);
    if (word.empty() || *end != '\0' || errno == ERANGE || v < minimum || v > maximum)
        throw UsageError(name + " expects a whole number from " + std::to_string(minimum) + " to " +
                         std::to_string(maximum) + ", not '" + word + "'");
    return v;
}

std::string ParsedArgs::text(const std::string& name, const std::string& fallback) const {
    return has(name) ? values(name).at(0) : fallback;
}

OptionParser::OptionParser(std::string command, std::vector<std::string> operands,
                           std::string summary)
    : command_(std::move(command)), operands_(std::move(operands)), summary_(std::move(summary)) {}

OptionParser& OptionParser::flag(const std::string& name, const std::string& help) {
    options_.push_back({name, 0, "", help, false});
    return *this;
}

OptionParser& OptionParser::option(const std::string& name, const std::string& valueNames,
                                   const std::string& help) {
    options_.push_back({name, static_cast<int>(wordCount(valueNames)), valueNames, help, false});
    return *this;
}

OptionParser& OptionParser::requiredOption(const std::string& name, const std::string& valueNames,
                                           const std::string& help) {
    option(name, valueNames, help);
    options_.back().required = true;
    return *this;
}

const OptionSpec* OptionParser::find(const std::string& name) const {
    const auto it = std::find_if(options_.begin(), options_.end(),
                                 [&](const OptionSpec& o) { return o.name == name; });
    return it == options_.end() ? nullptr : &*it;
}

ParsedArgs OptionParser::parse(const Args& args) const {
    ParsedArgs parsed;
    if (std::find_if(args.begin(), args.end(), isHelp) != args.end()) {
        parsed.help_ = true;
        return parsed;
    }
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (optionsEnded || !looksLikeOption(word)) {
            parsed.operands_.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        const OptionSpec* spec = find(word);
        if (!spec) throw UsageError("unknown option " + word + " (see " + command_ + " --help)");
        const auto count = static_cast<std::size_t>(spec->valueCount);
        if (args.size() - i - 1 < count) throw UsageError(word + " expects " + spec->valueNames);
        parsed.options_.emplace_back(word, Args(args.begin() + static_cast<long>(i) + 1,
                                                args.begin() + static_cast<long>(i + count) + 1));
        i += count;
    }
    for (const OptionSpec& o : options_)
        if (o.required && !parsed.has(o.name))
            throw UsageError(o.name + " " + o.valueNames + " is required (see " + command_ +
                             " --help)");
    if (parsed.operands_.size() != operands_.size()) {
        std::string expected;
        for (const auto& o : operands_) expected += " " + o;
        throw UsageError("expects" + (expected.empty() ? std::string(" no operands") : expected) +
                         ", got " + std::to_string(parsed.operands_.size()) + " (see " + command_ +
                         " --help)");
    }
    return parsed;
}

std::optional<ParsedArgs> OptionParser::parseOrShowHelp(const Args& args, std::ostream& out) const {
    ParsedArgs parsed = parse(args);
    if (!parsed.helpRequested()) return parsed;
    out << usage();
    return std::nullopt;
}

std::string OptionParser::usage() const {
    std::ostringstream text;
    text << "usage: shapemod " << command_;
    for (const auto& o : operands_) text << ' ' << o;
    for (const auto& o : options_)
        text << (o.required ? " " : " [") << o.name << (o.valueNames.empty() ? "" : " ")
             << o.valueNames << (o.required ? "" : "]");
    text << "\n\n" << summary_ << "\n";
    if (!options_.empty()) text << "\noptions:\n";
    for (const auto& o : options_) {
        const std::string head = o.name + (o.valueNames.empty() ? "" : " ") + o.valueNames;
        // Help that does not fit beside a long option starts on the next line.
        const std::string gap = head.size() < kHelpColumn
                                    ? std::string(kHelpColumn - head.size(), ' ')
                                    : "\n  " + std::string(kHelpColumn, ' ');
        text << "  " << head << gap << o.help << "\n";
    }
    return text.str();
}

}  // namespace shapemod
