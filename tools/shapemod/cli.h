// What every shapemod command shares: its signature, its exit codes and the
// errors that mean "the input was bad" rather than "the module failed".
#pragma once
#include <iosfwd>
#include <string>
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

// Every command: `args` are the words after the command's name; normal output
// goes to `out`, warnings to `err`. Returns the exit code; errors are thrown
// (InputError for bad input, other ccExceptions from the module) and turned
// into messages and exit codes by runCommandLine.
using Command = int (*)(const Args& args, std::ostream& out, std::ostream& err);

}  // namespace shapemod
