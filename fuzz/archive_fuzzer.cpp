// Feeds arbitrary bytes to the archive reader. Reading may fail only with an
// archive error; whatever it reads whole must store and read back equal.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "ch_core/shapemod.h"
#include "vxstd12u/archive.h"

namespace {

using Object = ccPtrHandle<const ccRepBase>;

Object readObject(std::vector<unsigned char>& bytes) {
    ccArchive in(bytes, ccArchive::eLoading);
    Object object;
    in || object;
    return object;
}

std::vector<unsigned char> writeObject(Object object) {
    std::vector<unsigned char> bytes;
    ccArchive out(bytes, ccArchive::eStoring);
    out || object;
    return bytes;
}

// A shape read from hostile bytes is valid: storing it and reading it back
// gives an equal shape.
void checkRoundTrip(const Object& object) {
    const auto* shape = dynamic_cast<const ccShape*>(object.get());
    if (!shape) return;
    std::vector<unsigned char> bytes = writeObject(object);
    const Object again = readObject(bytes);
    const auto* shapeAgain = dynamic_cast<const ccShape*>(again.get());
    if (!shapeAgain || !(*shapeAgain == *shape)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<unsigned char> bytes(data, data + size);
    Object object;
    try {
        object = readObject(bytes);
    } catch (const ccArchive::Error&) {
        return 0;
    }
    checkRoundTrip(object);
    return 0;
}
