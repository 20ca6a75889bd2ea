// Models in either of the tool's two forms: a JSON model file, or a binary
// archive holding the shape tree and then its feature parameters.
#pragma once
#include <iosfwd>
#include <string>
#include "shapemod/modelfile.h"

namespace shapemod {

// The model stored in the file at `path`, whichever form it has: a file that
// opens with the archive header is read as an archive, anything else as JSON.
// Every fault of the file (missing, malformed, a wrong type, trailing bytes
// after an archive's items) throws FileError naming `path`.
ModelFile loadModel(const std::string& path);

// The archive bytes of `model`: the shape (shared nodes stored once), then
// the feature parameters. An empty shape handle throws FileError.
std::string archiveModel(const ModelFile& model);

// The model held by archive bytes; faults throw FileError naming `sourceName`.
ModelFile unarchiveModel(const std::string& bytes, const std::string& sourceName);

// The bytes of `model` in the form chosen by the name it will be saved under:
// an archive for ".arc", JSON for anything else.
std::string encodeModelFor(const std::string& path, const ModelFile& model);

// `model` in the form encodeModelFor chooses, written as writeOutput writes
// (to `out` as JSON when `path` is empty or "-").
void writeModelOutput(const std::string& path, const ModelFile& model, std::ostream& out);

// The help text of the `-o FILE` option of every command whose result is a
// model written by writeModelOutput.
inline constexpr const char* kModelOutputHelp =
    "write the model to FILE (.arc: archive; else JSON)";

}  // namespace shapemod
