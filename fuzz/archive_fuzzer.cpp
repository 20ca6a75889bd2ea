// Feeds arbitrary bytes to the archive reader. Reading may fail only with an
// archive error; whatever it reads whole must store, read back and store again
// to the same bytes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "round_trip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<unsigned char> bytes(data, data + size);
    fuzz::Object object;
    try {
        object = fuzz::readObject(bytes);
    } catch (const ccArchive::Error&) {
        return 0;
    }
    fuzz::checkRoundTrip(object);
    return 0;
}
