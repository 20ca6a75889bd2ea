// What every shapemod command shares: its signature, its exit codes and the
// errors that mean "the input was bad" rather than "the module failed".
#pragma once
#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>
#include <utility>
#include <vector>
#include "vxstd12u/errors.h"

namespace shapemod {

// The process exit codes of every command.
enum ExitCode : int {
    kSuccess = 0,
    kModuleFailure = 1,  // the module threw; its class and message are printed
    kBadInput = 2,       // bad usage, a missing file or a malformed model or drawing
};

// Errors of the tool's own inputs. They belong to the library's error family so
// that a caller (or a fuzzer) can catch everything as ccException, and so the
// tool can tell them from failures of the module by type.
class InputError : public ccException {
  public:
    using ccException::ccException;

  protected:
    InputError() = default;
};

// A command line the command does not accept: an unknown option, a missing or
// malformed argument.
class UsageError : public ccErrorKind<UsageError, InputError, 0x30000001> {
  public:
    using ccErrorKind::ccErrorKind;
    explicit UsageError(const std::string& utf8Detail);
};

// A file that cannot be read or written, or whose contents are not what the
// command expects (malformed JSON, a wrong type at a named JSON path, a
// drawing that cannot be parsed). The detail names the file.
class FileError : public ccErrorKind<FileError, InputError, 0x30000002> {
  public:
    using ccErrorKind::ccErrorKind;
    explicit FileError(const std::string& utf8Detail);
};

using Args = std::vector<std::string>;

// One option a command accepts: a flag (no values) or an option followed by a
// fixed number of values. `valueNames` shows the values in the usage text
// ("MIN MAX NUM MAXNUM"); it is empty for a flag.
struct OptionSpec {
    std::string name;  // as typed, with its dashes: "--spacing", "-o"
    int valueCount;
    std::string valueNames;
    std::string help;
    bool required;
};

// The words of one command line sorted into operands and options.
class ParsedArgs {
  public:
    // True when --help or -h was given; nothing else was checked then.
    bool helpRequested() const noexcept { return help_; }

    // The words that are not options, in order. Their count was checked.
    const Args& operands() const noexcept { return operands_; }

    // True when the option was given at least once.
    bool has(const std::string& name) const;

    // The values of the last occurrence of `name` (empty for a flag). Throws
    // UsageError when the option was not given.
    const Args& values(const std::string& name) const;

    // The values of every occurrence of `name` in order; empty when absent.
    std::vector<Args> occurrences(const std::string& name) const;

    // The `index`th value (index < the option's value count) of the last
    // occurrence of `name` read as a finite decimal number, or `fallback`
    // when the option is absent. Throws UsageError naming the option when the
    // word is not such a number.
    double number(const std::string& name, double fallback, std::size_t index = 0) const;

    // As number(), for a whole number in [minimum, maximum].
    long integer(const std::string& name, long fallback, long minimum, long maximum,
                 std::size_t index = 0) const;

    // The first value of the last occurrence of `name` (an option with
    // values), or `fallback` when absent.
    std::string text(const std::string& name, const std::string& fallback = {}) const;

  private:
    friend class OptionParser;
    bool help_ = false;
    Args operands_;
    std::vector<std::pair<std::string, Args>> options_;
};

// The command-line grammar of one command: its operands and options. Options
// may come before, between or after operands; an option's values are the words
// that follow it, whatever they look like, so negative numbers need no quoting.
// A word "--" ends the options: everything after it is an operand.
class OptionParser {
  public:
    // `command` is the command's name, `operands` the names of its required
    // operands ({"IN", "OUT"}), `summary` what it does (lines end in "\n"
    // where they should break).
    OptionParser(std::string command, std::vector<std::string> operands, std::string summary);

    // Adds a flag. Returns *this so a grammar reads as one expression.
    OptionParser& flag(const std::string& name, const std::string& help);

    // Adds an option taking `valueNames` (space-separated, at least one).
    OptionParser& option(const std::string& name, const std::string& valueNames,
                         const std::string& help);

    // Adds an option that every use of the command must give.
    OptionParser& requiredOption(const std::string& name, const std::string& valueNames,
                                 const std::string& help);

    // Sorts `args`. Throws UsageError for an unknown option, an option with
    // too few values, a missing required option, or a wrong number of
    // operands; the message names the offending word and points to the
    // command's --help. --help or -h anywhere wins over every check.
    ParsedArgs parse(const Args& args) const;

    // parse(), except that when --help was asked the usage goes to `out` and
    // the result is empty: the command has then done its work.
    std::optional<ParsedArgs> parseOrShowHelp(const Args& args, std::ostream& out) const;

    // The usage text: synopsis line, summary and one line per option.
    std::string usage() const;

  private:
    const OptionSpec* find(const std::string& name) const;

    std::string command_;
    std::vector<std::string> operands_;
    std::string summary_;
    std::vector<OptionSpec> options_;
};

// Every command: `args` are the words after the command's name; normal output
// goes to `out`, warnings to `err`. Returns the exit code; errors are thrown
// (InputError for bad input, other ccExceptions from the module) and turned
// into messages and exit codes by runCommandLine.
using Command = int (*)(const Args& args, std::ostream& out, std::ostream& err);

}  // namespace shapemod
