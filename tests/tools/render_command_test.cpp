// `shapemod render`: a model file in, an image file out, at the pose and
// levels the command line gives; bad values exit with 2 and write nothing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "find/image.h"
#include "tooltest.h"

namespace shapemod::test {
namespace {

using ::testing::HasSubstr;

// A 6 x 2 rectangle at the model's origin: asymmetric, so a pose's turn shows.
const char* const kBar =
    R"({"format": 1, "shape": {"type": "Rect", "origin": [0, 0], "size": [6, 2]}})";

TEST(Render, DrawsTheModelAtThePoseInDegreesAtTheLevelsAsked) {
    ScratchDir dir;
    const std::string model = dir.write("bar.json", kBar);
    // A quarter turn and scale 2 take model (x, y) to (20 - 2 y, 15 + 2 x):
    // the bar covers x in [16, 20], y in [15, 27] instead of lying along x.
    const Outcome r = run({"render", model, "-o", dir / "bar.png", "--size", "40", "30", "--pose",
                           "20", "15", "90", "2", "--levels", "10", "250"});
    ASSERT_EQ(r.code, 0) << r.err;
    const auto image = std::get<ccImage8>(cfReadImage(dir / "bar.png"));
    EXPECT_EQ(image.width(), 40);
    EXPECT_EQ(image.height(), 30);
    EXPECT_EQ(image.pel(18, 21), 250);
    EXPECT_EQ(image.pel(26, 16), 10);  // where no turn would have put it
    EXPECT_EQ(image.pel(2, 2), 10);

    const Args noisy = {"render",  model, "-o",     dir / "a.pgm", "--size",  "16", "16",
                        "--noise", "20",  "--seed", "5",           "--depth", "16"};
    ASSERT_EQ(run(noisy).code, 0);
    Args again = noisy;
    again[3] = dir / "b.pgm";
    ASSERT_EQ(run(again).code, 0);
    EXPECT_TRUE(std::holds_alternative<ccImage16>(cfReadImage(dir / "a.pgm")));
    EXPECT_EQ(slurp(dir / "a.pgm"), slurp(dir / "b.pgm"));

    const Outcome help = run({"render", "--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_THAT(help.out, HasSubstr("--pose X Y ANGLE SCALE"));
}

TEST(Render, BadValuesExitWithTwoNamingThemAndWriteNothing) {
    ScratchDir dir;
    const std::string model = dir.write("bar.json", kBar);
    dir.write("keep.png", "old");
    const std::pair<Args, std::string> faults[] = {
        {{"--size", "0", "10"}, "--size"},
        {{"--size", "10", "10", "--levels", "10", "300"}, "light"},
        {{"--size", "10", "10", "--pose", "0", "0", "0", "0"}, "scale"},
        {{"--size", "10", "10", "--depth", "12"}, "depth"},
        {{"--size", "10", "10", "--occlude", "2"}, "occlusion"},
        {{"--levels", "10", "20"}, "--size"},
    };
    for (const auto& [options, message] : faults) {
        for (const char* target : {"keep.png", "new.png"}) {
            Args args = {"render", model, "-o", dir / target};
            args.insert(args.end(), options.begin(), options.end());
            const Outcome r = run(args);
            EXPECT_EQ(r.code, 2) << message;
            EXPECT_THAT(r.err, HasSubstr("shapemod render: "));
            EXPECT_THAT(r.err, HasSubstr(message));
        }
    }
    const Outcome gif = run({"render", model, "-o", dir / "out.gif", "--size", "10", "10"});
    EXPECT_EQ(gif.code, 2);
    EXPECT_THAT(gif.err, HasSubstr("out.gif"));
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"bar.json", "keep.png"}));
    EXPECT_EQ(slurp(dir / "keep.png"), "old");
}

}  // namespace
}  // namespace shapemod::test
