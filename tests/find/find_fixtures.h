// What the image library's tests share.
#pragma once

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "ch_core/shapemod.h"

namespace find_fixtures {

namespace fs = std::filesystem;

// A fresh directory, removed with its contents at the end of scope.
class TempDir {
  public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "find-test-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    std::vector<std::string> names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(path_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

  private:
    fs::path path_;
};

// A plate of 120 x 80 times `size` with rounded corners, two round holes of
// different sizes and a slot, centred on the origin; `notched`, a third
// hole of radius 4 at (-12, 8).
inline ccPtrHandle<ccShape> plate(double size = 1.0, bool notched = false) {
    auto outline = cfMakeHandle<ccGenRect>(ccVector<2>(0, 0), ccVector<2>(60, 40) * size,
                                           ccRadian(0), ccRadian(0), ccVector<2>(0.2, 0.3), true);
    auto part = cfMakeHandle<ccRegionTree>(*outline, false);
    part->addChild(cfMakeHandle<ccCircle>(ccVector<2>(-35, -12) * size, 9.0 * size), true);
    part->addChild(cfMakeHandle<ccCircle>(ccVector<2>(30, 15) * size, 5.5 * size), true);
    part->addChild(
        cfMakeHandle<ccGenRect>(ccVector<2>(5, -15) * size, ccVector<2>(14, 4) * size, ccRadian(0),
                                ccRadian(0), ccVector<2>(4.0 / 14, 1), true),
        true);
    if (notched) part->addChild(cfMakeHandle<ccCircle>(ccVector<2>(-12, 8), 4.0), true);
    return part;
}

}  // namespace find_fixtures
