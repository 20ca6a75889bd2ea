// `shapemod edges`: an image file in, a model file of its edges out.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "find/image.h"
#include "shapemod/modelio.h"
#include "tooltest.h"
#include "vxstd12u/polyline.h"
#include "vxstd12u/shapetree.h"

namespace shapemod::test {
namespace {

using ::testing::HasSubstr;

// A light disc of radius 10 about (20, 18) on a dark ground, each pixel
// 16 x 16 times sampled, and below it an unclosed light bar across the
// image's right border: one closed and one open edge.
std::string writeScene(const ScratchDir& dir) {
    const long width = 48, height = 48;
    std::vector<unsigned char> pels(width * height);
    for (long r = 0; r < height; ++r)
        for (long c = 0; c < width; ++c) {
            int inside = 0;
            for (int i = 0; i < 16; ++i)
                for (int j = 0; j < 16; ++j) {
                    const double x = c - 0.5 + (i + 0.5) / 16, y = r - 0.5 + (j + 0.5) / 16;
                    inside += std::hypot(x - 20, y - 18) < 10 || (x > 30 && y > 38 && y < 44);
                }
            pels[r * width + c] =
                static_cast<unsigned char>(50 + std::lround(100.0 * inside / 256));
        }
    const std::string path = dir / "scene.png";
    cfWriteImage(path, ccImage8(width, height, std::move(pels)));
    return path;
}

long countPolylines(const ccShape& shape) {
    if (dynamic_cast<const ccPolyline*>(&shape)) return 1;
    long n = 0;
    const ccShapeTree* tree = shape.asShapeTree();
    if (tree->asRegionTree() && tree->asRegionTree()->hasBoundary())
        n += countPolylines(tree->asRegionTree()->boundary());
    for (const auto& child : tree->children()) n += countPolylines(*child);
    return n;
}

TEST(Edges, WritesTheEdgesAsAModelBuiltAsAsked) {
    const ScratchDir dir;
    const std::string image = writeScene(dir);
    const Outcome general = run({"edges", image, "-o", dir / "general.json"});
    ASSERT_EQ(general.code, 0) << general.err;
    EXPECT_EQ(countPolylines(*loadModel(dir / "general.json").shape), 2);

    const Outcome region = run(
        {"edges", image, "-o", dir / "region.arc", "--builder", "region", "--tolerance", "0.05"});
    ASSERT_EQ(region.code, 0) << region.err;
    EXPECT_THAT(region.err, HasSubstr("1 open chains"));
    const ModelFile disc = loadModel(dir / "region.arc");
    EXPECT_EQ(countPolylines(*disc.shape), 1);

    // A high threshold above every gradient leaves an empty model.
    const Outcome none = run({"edges", image, "-o", dir / "none.json", "--low", "50", "--high",
                              "60", "--builder", "polyline"});
    ASSERT_EQ(none.code, 0) << none.err;
    EXPECT_TRUE(loadModel(dir / "none.json").shape->isEmpty());
}

TEST(Edges, BadValuesAndImagesExitWithTwoNamingThemAndWriteNothing) {
    const ScratchDir dir;
    const std::string image = writeScene(dir);
    const std::string model = dir / "model.json";
    const std::vector<std::pair<Args, std::string>> cases = {
        {{"edges", image, "-o", model, "--low", "40", "--high", "30"}, "out of order"},
        {{"edges", image, "-o", model, "--blur", "-1"}, "blur"},
        {{"edges", image, "-o", model, "--tolerance", "-0.1"}, "tolerance"},
        {{"edges", image, "-o", model, "--builder", "spline"}, "--builder"},
        {{"edges", image, "-o", model, "--min-length", "-2"}, "--min-length"},
        {{"edges", dir / "missing.png", "-o", model}, "missing.png"},
        {{"edges", dir.write("broken.png", "not an image"), "-o", model}, "broken.png"},
    };
    for (const auto& [args, named] : cases) {
        SCOPED_TRACE(named);
        const Outcome o = run(args);
        EXPECT_EQ(o.code, 2);
        EXPECT_THAT(o.err, HasSubstr(named));
        EXPECT_THAT(o.err, HasSubstr("shapemod edges: "));
    }
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"broken.png", "scene.png"}));
}

}  // namespace
}  // namespace shapemod::test
