// Reading inputs and writing outputs so that a failed command leaves nothing
// behind: every output is written beside its target and renamed over it only
// once it is complete.
#pragma once
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

namespace shapemod {

// The bytes of the file at `path`. A missing or unreadable file (or a
// directory) throws FileError naming the path and the system's reason.
std::string readFile(const std::string& path);

// Makes `bytes` the contents of the file at `path`: written to a new file in
// the same directory, then renamed over `path`, so a reader never sees half a
// file. On any failure (FileError naming the path) no file is left behind and
// an existing `path` keeps its contents.
void writeFileAtomically(const std::string& path, const std::string& bytes);

// writeFileAtomically for several files at once: every file is written in
// full beside its target before any is renamed into place, so a failure to
// write one (FileError naming it) leaves all of them as they were.
void writeFilesAtomically(const std::vector<std::pair<std::string, std::string>>& files);

// A command's result: to `out` when `path` is empty or "-", otherwise
// writeFileAtomically.
void writeOutput(const std::string& path, const std::string& bytes, std::ostream& out);

// Whether `path` ends in `extension` (".arc"), ignoring the case of ASCII
// letters.
bool hasExtension(const std::string& path, const std::string& extension);

}  // namespace shapemod
