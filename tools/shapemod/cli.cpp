#include "shapemod/cli.h"
#include "vxstd12u/str.h"

namespace shapemod {

UsageError::UsageError(const std::string& utf8Detail) : ccErrorKind(cfWiden(utf8Detail)) {}
FileError::FileError(const std::string& utf8Detail) : ccErrorKind(cfWiden(utf8Detail)) {}

}  // namespace shapemod
