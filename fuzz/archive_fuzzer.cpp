// Feeds arbitrary bytes to the archive reader. Reading may fail only with an
// archive error; whatever it reads whole must store, read back and store again
// to the same bytes. (Bytes, not shape equality: equality of trees nested two
// thousand deep takes time exponential in the depth.)
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

// An object read from hostile bytes is valid: storing it, reading that back
// and storing again gives the same bytes.
void checkRoundTrip(const Object& object) {
    std::vector<unsigned char> bytes = writeObject(object);
    const Object again = readObject(bytes);
    if (writeObject(again) != bytes) std::abort();
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
