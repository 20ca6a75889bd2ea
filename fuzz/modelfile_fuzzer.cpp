// Feeds arbitrary bytes to the model file reader. Reading may fail only with
// an error of the library's family; a model it reads must write, read back
// with the same parameters and write again to the same text. (Text, not
// shape equality: equality of trees compares both ways at every level, which
// takes time exponential in the depth.)
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "shapemod/modelfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    shapemod::ModelFile model;
    try {
        model = shapemod::parseModel(std::string(reinterpret_cast<const char*>(data), size),
                                     "fuzz.json");
    } catch (const ccException&) {
        return 0;
    }
    // Anything thrown from here on escapes: a model that was read must write
    // and read back.
    const std::string text = shapemod::writeModel(model);
    const shapemod::ModelFile again = shapemod::parseModel(text, "written.json");
    if (!(again.params == model.params) || shapemod::writeModel(again) != text) std::abort();
    return 0;
}
