// Feeds arbitrary bytes to the DXF importer. dxflib reports every group code
// only when it reads a file itself, so the bytes go through one temporary
// file per process. Importing may fail only with an error of the library's
// family; a drawing it imports must also give its summary, with and without
// regions.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "shapemod/dxfimport.h"

namespace {

const std::string& scratchPath() {
    static const std::string path = [] {
        char name[] = "/tmp/dxf_fuzzer_XXXXXX";
        const int fd = mkstemp(name);
        if (fd < 0) std::abort();
        close(fd);
        return std::string(name);
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    {
        std::ofstream file(scratchPath(), std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (!file) std::abort();
    }
    // Each drawing as chained contours, and nested into regions.
    for (const bool regions : {false, true}) {
        shapemod::DxfImportOptions options;
        options.regions = regions;
        try {
            const shapemod::DxfImport imported = shapemod::importDxfFile(scratchPath(), options);
            std::ostringstream summary;
            shapemod::printDxfSummary(imported, summary);
        } catch (const ccException&) {
        }
    }
    return 0;
}
