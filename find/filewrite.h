// Internal to vxfind12u: files written whole or not at all.
#pragma once

#include <string>
#include <vector>

// Writes `bytes` to `path` through a temporary file beside it, renamed over
// it, so that a reader sees the old file or the whole new one; a failure
// leaves no partial file and the old one as it was, and throws
// ccFindDefs::BadImage naming `path` and the system's reason.
void cfReplaceFile(const std::string& path, const std::vector<unsigned char>& bytes);
