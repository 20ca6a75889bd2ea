#include "shapemod/modelio.h"
#include <algorithm>
#include <vector>
#include "shapemod/files.h"
#include "vxstd12u/str.h"

namespace shapemod {

namespace {

bool isArchive(const std::string& bytes) {
    const std::vector<unsigned char> header = ccArchive::header();
    return bytes.size() >= header.size() &&
           std::equal(header.begin(), header.end(), bytes.begin(),
                      [](unsigned char h, char b) { return h == static_cast<unsigned char>(b); });
}

}  // namespace

std::string archiveModel(const ModelFile& model) {
    if (!model.shape) throw FileError("a model without a shape cannot be archived");
    // The archive exchanges mutable handles; the copy is never changed.
    ccPtrHandle<ccShape> shape = model.shape->clone();
    ccShapeModel::ccFeatureParams params = model.params;
    std::vector<unsigned char> bytes;
    {
        ccArchive ar(bytes, ccArchive::eStoring);
        ar || shape;
        ar || params;
    }
    return std::string(bytes.begin(), bytes.end());
}

ModelFile unarchiveModel(const std::string& bytes, const std::string& sourceName) {
    std::vector<unsigned char> buffer(bytes.begin(), bytes.end());
    ModelFile model;
    try {
        ccArchive ar(buffer, ccArchive::eLoading);
        ccPtrHandle<ccShape> shape;
        ar || shape;
        ar || model.params;
        if (ar.remaining() != 0)
            throw FileError(sourceName + ": " + std::to_string(ar.remaining()) +
                            " bytes after the model");
        if (!shape) throw FileError(sourceName + ": the archive holds no shape");
        model.shape = shape;
    } catch (const ccArchive::Error& e) {
        throw FileError(sourceName + ": not a model archive: " + cfNarrow(e.detail()));
    }
    return model;
}

ModelFile loadModel(const std::string& path) {
    const std::string bytes = readFile(path);
    return isArchive(bytes) ? unarchiveModel(bytes, path) : parseModel(bytes, path);
}

std::string encodeModelFor(const std::string& path, const ModelFile& model) {
    return hasExtension(path, ".arc") ? archiveModel(model) : writeModel(model);
}

void writeModelOutput(const std::string& path, const ModelFile& model, std::ostream& out) {
    writeOutput(path, encodeModelFor(path, model), out);
}

}  // namespace shapemod
