// Importing a CAD drawing, from file to model, against libdxflib alone
// parsing the same file into a creation interface that does nothing: the
// floor any importer built on the parser stands on.
//
// The drawings are the shared real ones (../shared/data/dxf beside the
// checkout, or SHMD_SHARED_DATA); without them there is nothing to measure
// and the program says so and succeeds. Measured: the largest drawing by
// size, and the one with the most entities.
#include <benchmark/benchmark.h>
#include <dxflib/dl_creationadapter.h>
#include <dxflib/dl_dxf.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "shapemod/dxfimport.h"

namespace {

namespace fs = std::filesystem;

void parseOnly(benchmark::State& state, const std::string& path) {
    for (auto _ : state) {
        DL_CreationAdapter nothing;
        DL_Dxf dxf;
        benchmark::DoNotOptimize(dxf.in(path, &nothing));
    }
}

// `distance` 0 joins nothing: the import without its chaining, whose share
// the difference to the default shows.
void importToModel(benchmark::State& state, const std::string& path, double distance,
                   bool regions) {
    shapemod::DxfImportOptions options;
    options.connectDistance = distance;
    options.regions = regions;
    for (auto _ : state) benchmark::DoNotOptimize(shapemod::importDxfFile(path, options).shape);
}

fs::path sharedDrawings() {
    const char* env = std::getenv("SHMD_SHARED_DATA");
    return fs::path(env ? env : SHMD_SHARED_DATA) / "dxf";
}

fs::path largestDrawing(const fs::path& folder) {
    fs::path largest;
    std::uintmax_t size = 0;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".dxf" && entry.file_size() > size) {
            size = entry.file_size();
            largest = entry.path();
        }
    return largest;
}

void registerDrawing(const fs::path& path) {
    const std::string name = path.stem().string(), file = path.string();
    benchmark::RegisterBenchmark(("BM_DxflibParse/" + name).c_str(), parseOnly, file);
    const double d = shapemod::kDefaultConnectDistance;
    benchmark::RegisterBenchmark(("BM_ImportUnjoined/" + name).c_str(), importToModel, file, 0.0,
                                 false);
    benchmark::RegisterBenchmark(("BM_Import/" + name).c_str(), importToModel, file, d, false);
    benchmark::RegisterBenchmark(("BM_ImportRegions/" + name).c_str(), importToModel, file, d,
                                 true);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const fs::path folder = sharedDrawings();
    std::error_code error;
    if (!fs::is_directory(folder, error)) {
        std::cout << "import_bench: no drawings in " << folder.string() << "; nothing measured\n";
        return 0;
    }
    const fs::path largest = largestDrawing(folder);
    registerDrawing(largest);
    // F100 holds the most entities of the set (480), the most chaining.
    if (fs::exists(folder / "F100.dxf") && largest.filename() != "F100.dxf")
        registerDrawing(folder / "F100.dxf");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
