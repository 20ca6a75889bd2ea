// The archive round trip the fuzzers hold every object they get to.
#pragma once

#include <cstdlib>
#include <vector>

#include "ch_core/shapemod.h"
#include "vxstd12u/archive.h"

namespace fuzz {

using Object = ccPtrHandle<const ccRepBase>;

// The object stored in `bytes`; throws the archive's errors on bad bytes.
inline Object readObject(std::vector<unsigned char>& bytes) {
    ccArchive in(bytes, ccArchive::eLoading);
    Object object;
    in || object;
    return object;
}

inline std::vector<unsigned char> writeObject(Object object) {
    std::vector<unsigned char> bytes;
    ccArchive out(bytes, ccArchive::eStoring);
    out || object;
    return bytes;
}

// Storing `object`, reading that back and storing again gives the same bytes,
// or the program aborts. Bytes, not shape equality: equality of trees nested
// two thousand deep takes time exponential in the depth.
inline void checkRoundTrip(const Object& object) {
    std::vector<unsigned char> bytes = writeObject(object);
    const Object again = readObject(bytes);
    if (writeObject(again) != bytes) std::abort();
}

}  // namespace fuzz
