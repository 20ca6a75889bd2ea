// Golden archive files (tests/data/archive/, see the README there): each must
// read as an object a test builds by hand, and storing that object today must
// give the file's bytes exactly. With SHMD_WRITE_GOLDEN set the files are
// written instead, for a deliberate format change.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "vxstd12u/archive.h"

namespace golden_archive {

using Bytes = std::vector<unsigned char>;

// The bytes of an archive holding `items`, in order.
template <class... Items>
Bytes archived(Items... items) {
    Bytes bytes;
    ccArchive out(bytes, ccArchive::eStoring);
    (out || ... || items);
    return bytes;
}

// The items an archive's `bytes` hold, read in order over `items` with the
// archive's own operators; every byte must be used.
template <class... Items>
std::tuple<Items...> decodedAs(Bytes bytes, std::tuple<Items...> items = {}) {
    ccArchive in(bytes, ccArchive::eLoading);
    std::apply([&](auto&... item) { (in || ... || item); }, items);
    EXPECT_EQ(in.remaining(), 0u) << "bytes left after the items";
    return items;
}

// Compares with the type's own equality, which compares every field.
struct Equal {
    template <class T>
    void operator()(const T& back, const T& built) const {
        EXPECT_TRUE(back == built);
    }
};

// One golden file: its name, the hand-built object stored today, the check
// that the file's bytes read as that object and, optionally, a check of the
// file decoded item by item, in the order of items the form fixes.
struct Golden {
    std::string name;
    Bytes today;
    std::function<void(const Bytes& file)> readsAsBuilt;
    std::function<void(const Bytes& file)> decodesItemByItem = {};
};

// A golden file holding `built`: `check(read, built)` compares the object
// read over `readOver` with it field by field.
template <class T, class Check = Equal>
Golden golden(std::string name, T built, Check check = Check(), T readOver = T()) {
    return {std::move(name), archived(built), [=](const Bytes& file) {
                check(std::get<0>(decodedAs(file, std::make_tuple(readOver))), built);
            }};
}

inline bool writing() {
    return std::getenv("SHMD_WRITE_GOLDEN") != nullptr;
}

// Checks every file of `table` both ways; writes them first when asked to.
inline void expectGolden(const std::vector<Golden>& table) {
    for (const Golden& g : table) {
        SCOPED_TRACE(g.name);
        const std::string path = std::string(SHMD_TEST_DATA_DIR) + "/archive/" + g.name + ".arc";
        if (writing())
            std::ofstream(path, std::ios::binary)
                .write(reinterpret_cast<const char*>(g.today.data()),
                       static_cast<std::streamsize>(g.today.size()));
        std::ifstream in(path, std::ios::binary);
        if (!in.is_open()) {
            ADD_FAILURE() << "no golden file " << path;
            continue;
        }
        const Bytes file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        const auto diff = std::mismatch(file.begin(), file.end(), g.today.begin(), g.today.end());
        EXPECT_TRUE(file == g.today)
            << "storing today differs from " << path << " at byte " << diff.first - file.begin()
            << " (" << g.today.size() << " bytes today, " << file.size() << " in the file)";
        try {
            g.readsAsBuilt(file);
            if (g.decodesItemByItem) g.decodesItemByItem(file);
        } catch (const std::exception& e) {
            ADD_FAILURE() << "reading " << path << " threw: " << e.what();
        }
    }
    if (writing()) GTEST_SKIP() << "SHMD_WRITE_GOLDEN is set: wrote the golden files";
}

}  // namespace golden_archive
