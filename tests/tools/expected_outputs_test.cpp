// The featurelets of every committed example model, computed with the model
// file's own parameters, against the committed expected output.
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include "tooltest.h"
#include "vxstd12u/tolerances.h"

namespace shapemod::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::vector<std::string>> csvRows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> cells;
        std::istringstream fields(line);
        for (std::string cell; std::getline(fields, cell, ',');) cells.push_back(cell);
        rows.push_back(cells);
    }
    return rows;
}

// Numbers agree to the library's coincidence tolerance, relative to their
// size; NaN agrees with NaN, an infinity only with itself.
bool closeEnough(const std::string& a, const std::string& b) {
    const double x = std::strtod(a.c_str(), nullptr), y = std::strtod(b.c_str(), nullptr);
    if (std::isnan(x) || std::isnan(y)) return std::isnan(x) && std::isnan(y);
    if (std::isinf(x) || std::isinf(y)) return x == y;
    return std::abs(x - y) <= cc_tol::kCoincident * std::max({1.0, std::abs(x), std::abs(y)});
}

// chain,index,x,y,angle,weight,magnitude,mod180: the counters and the flag
// must be equal, the numbers close.
void expectSameFeaturelets(const std::string& actual, const std::string& expected) {
    const auto a = csvRows(actual), e = csvRows(expected);
    ASSERT_EQ(a.size(), e.size()) << "featurelet count differs";
    for (std::size_t r = 0; r < a.size(); ++r) {
        ASSERT_EQ(a[r].size(), e[r].size()) << "line " << r + 1;
        for (std::size_t c = 0; c < a[r].size(); ++c) {
            const bool exact = r == 0 || c < 2 || c == 7;
            EXPECT_TRUE(exact ? a[r][c] == e[r][c] : closeEnough(a[r][c], e[r][c]))
                << "line " << r + 1 << " column " << e[0][c] << ": " << a[r][c] << " expected "
                << e[r][c];
        }
    }
}

std::vector<fs::path> filesIn(const fs::path& dir, const std::string& extension) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().extension() == extension) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// A model's expected output is its featurelets (<name>.csv) or, for a model
// the module refuses to sample, the message of that refusal (<name>.err).
TEST(ExampleModels, FeatureletsMatchTheCommittedExpectedOutput) {
    const fs::path expectedDir = examplesDir() / "expected";
    const auto models = filesIn(examplesDir() / "models", ".json");
    ASSERT_FALSE(models.empty()) << "no example models in " << examplesDir() / "models";
    for (const fs::path& model : models) {
        SCOPED_TRACE(model.filename().string());
        const fs::path expected = expectedDir / model.stem();
        const Outcome r = run({"features", model.string()});
        if (fs::exists(expected.string() + ".csv")) {
            ASSERT_EQ(r.code, kSuccess) << r.err;
            expectSameFeaturelets(r.out, slurp(expected.string() + ".csv"));
        } else if (fs::exists(expected.string() + ".err")) {
            EXPECT_EQ(r.code, kModuleFailure);
            EXPECT_EQ(r.err, slurp(expected.string() + ".err"));
        } else {
            ADD_FAILURE() << "missing expected output " << expected.string()
                          << ".csv (examples/expected/README.md says how to make it)";
        }
    }
    for (const char* kind : {".csv", ".err"})
        for (const fs::path& expected : filesIn(expectedDir, kind))
            EXPECT_TRUE(fs::exists(examplesDir() / "models" / (expected.stem().string() + ".json")))
                << expected << " belongs to no example model";
}

}  // namespace
}  // namespace shapemod::test
