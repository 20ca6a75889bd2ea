#include "shapemod/modelfile.h"

namespace shapemod {

ModelFile parseModel(const std::string&, const std::string& sourceName) {
    throw FileError(sourceName + ": not implemented");
}

ModelFile readModelFile(const std::string& path) {
    throw FileError(path + ": not implemented");
}

std::string writeModel(const ModelFile&) {
    throw FileError("not implemented");
}

void writeModelFile(const ModelFile&, const std::string& path) {
    throw FileError(path + ": not implemented");
}

}  // namespace shapemod
