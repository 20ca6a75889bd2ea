// `shapemod find`: a model and an image in, the matches' poses out as JSON or
// CSV, with an overlay on request; bad input exits with 2 and writes nothing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <vector>

#include "find/image.h"
#include "tooltest.h"

namespace shapemod::test {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

// A plate of 48 x 32 with rounded corners, a hole off its centre and a slot:
// no turn of it but the identity looks like itself.
const char* const kPlate = R"({"format": 1, "shape": {
  "type": "RegionTree", "model": {"weight": 1}, "hole": false,
  "boundary": {"type": "GenRect", "center": [0, 0], "radii": [24, 16], "orient": 0, "skew": 0,
               "round": [0.25, 0.375], "rightHanded": true},
  "children": [
    {"type": "RegionTree", "hole": true, "children": [],
     "boundary": {"type": "Circle", "center": [-12, -5], "radius": 6}},
    {"type": "RegionTree", "hole": true, "children": [],
     "boundary": {"type": "GenRect", "center": [8, 8], "radii": [9, 3], "orient": 0, "skew": 0,
                  "round": [0.333, 1], "rightHanded": true}}]}})";

// Where the plate stands in the test images, angle in degrees.
struct Pose {
    double x, y, angle;
};
constexpr Pose kPose{83.4, 57.7, 31.5};

// The plate rendered at kPose into a 160 x 120 image, light on dark or
// (`inverted`) dark on light, blurred and with a little noise.
std::string renderPlate(const ScratchDir& dir, const std::string& model, const std::string& name,
                        bool inverted = false) {
    const std::string path = dir / name;
    const Outcome r = run({"render",
                           model,
                           "-o",
                           path,
                           "--size",
                           "160",
                           "120",
                           "--pose",
                           std::to_string(kPose.x),
                           std::to_string(kPose.y),
                           std::to_string(kPose.angle),
                           "1",
                           "--levels",
                           inverted ? "190" : "60",
                           inverted ? "60" : "190",
                           "--blur",
                           "1",
                           "--noise",
                           "2",
                           "--seed",
                           "3"});
    EXPECT_EQ(r.code, 0) << r.err;
    return path;
}

// The matches of a JSON result.
nlohmann::json matchesOf(const Outcome& o) {
    EXPECT_EQ(o.code, 0) << o.err;
    return nlohmann::json::parse(o.out).at("matches");
}

void expectAtThePose(const nlohmann::json& match) {
    EXPECT_NEAR(match.at("x").get<double>(), kPose.x, 0.1);
    EXPECT_NEAR(match.at("y").get<double>(), kPose.y, 0.1);
    EXPECT_NEAR(std::remainder(match.at("angle").get<double>() - kPose.angle, 360.0), 0.0, 0.1);
    EXPECT_NEAR(match.at("scale").get<double>(), 1.0, 0.005);
    EXPECT_GT(match.at("score").get<double>(), 0.8);
    EXPECT_LT(match.at("fitError").get<double>(), 0.3);
}

TEST(Find, FindsARenderedPlateAtItsPoseAsJsonOrCsv) {
    const ScratchDir dir;
    const std::string model = dir.write("plate.json", kPlate);
    const std::string image = renderPlate(dir, model, "plate.png");

    const Outcome json = run({"find", model, image, "--scale", "0.9", "1.1"});
    const nlohmann::json result = nlohmann::json::parse(json.out);
    EXPECT_EQ(result.at("image"), image);
    EXPECT_EQ(result.at("width"), 160);
    EXPECT_EQ(result.at("height"), 120);
    ASSERT_EQ(matchesOf(json).size(), 1U);
    expectAtThePose(matchesOf(json)[0]);

    // The same search as CSV, into a file: a header and one line per match.
    ASSERT_EQ(run({"find", model, image, "--format", "csv", "-o", dir / "found.csv"}).code, 0);
    std::istringstream csv(slurp(dir / "found.csv"));
    std::string header, line;
    std::getline(csv, header);
    EXPECT_EQ(header, "x,y,angle,scale,score,fitError");
    ASSERT_TRUE(std::getline(csv, line));
    std::istringstream fields(line);
    double x = 0, y = 0, angle = 0;
    char comma = 0;
    fields >> x >> comma >> y >> comma >> angle;
    EXPECT_NEAR(x, kPose.x, 0.1);
    EXPECT_NEAR(y, kPose.y, 0.1);
    EXPECT_NEAR(std::remainder(angle - kPose.angle, 360.0), 0.0, 0.1);
    EXPECT_FALSE(std::getline(csv, line));

    // Outside the angle range the plate is not there: no matches, no error.
    EXPECT_TRUE(matchesOf(run({"find", model, image, "--angle", "-90", "0"})).empty());
    cfWriteImage(dir / "blank.png", ccImage8(160, 120, std::vector<unsigned char>(160 * 120, 90)));
    EXPECT_TRUE(matchesOf(run({"find", model, dir / "blank.png"})).empty());
}

TEST(Find, PolarityIsTurnedRoundOrIgnoredForOneSearch) {
    const ScratchDir dir;
    const std::string model = dir.write("plate.json", kPlate);
    const std::string inverted = renderPlate(dir, model, "inverted.png", true);
    EXPECT_TRUE(matchesOf(run({"find", model, inverted, "--min-score", "0.3"})).empty());
    for (const char* polarity : {"reversed", "ignored"}) {
        SCOPED_TRACE(polarity);
        const nlohmann::json found =
            matchesOf(run({"find", model, inverted, "--polarity", polarity}));
        ASSERT_EQ(found.size(), 1U);
        expectAtThePose(found[0]);
    }
    // Reversed, the light plate of the ordinary picture is what is not there.
    const std::string plain = renderPlate(dir, model, "plain.png");
    EXPECT_TRUE(
        matchesOf(run({"find", model, plain, "--polarity", "reversed", "--min-score", "0.3"}))
            .empty());
}

// Pixels of a PNG overlay, zoomed twice, that differ from the image's.
long changedPixels(const ccImage8& image, const std::string& overlay) {
    const auto over = std::get<ccImage8>(cfReadImage(overlay));
    EXPECT_EQ(over.width(), 2 * image.width());
    EXPECT_EQ(over.height(), 2 * image.height());
    long changed = 0;
    for (long r = 0; r < over.height(); ++r)
        for (long c = 0; c < over.width(); ++c)
            changed += over.pel(c, r) != image.pel(c / 2, r / 2) ? 1 : 0;
    return changed;
}

TEST(Find, DrawsTheMatchesOverTheImageAsPngOrSvg) {
    const ScratchDir dir;
    const std::string model = dir.write("plate.json", kPlate);
    const std::string image = renderPlate(dir, model, "plate.png");
    const auto plain = std::get<ccImage8>(cfReadImage(image));
    const Outcome png = run({"find", model, image, "--overlay", dir / "over.png", "--zoom", "2"});
    ASSERT_EQ(png.code, 0) << png.err;
    // The plate's outline is about 150 pixels long, 300 when zoomed.
    EXPECT_GT(changedPixels(plain, dir / "over.png"), 300);
    ASSERT_EQ(run({"find", model, image, "--angle", "-90", "0", "--overlay", dir / "none.png",
                   "--zoom", "2"})
                  .code,
              0);
    EXPECT_EQ(changedPixels(plain, dir / "none.png"), 0);

    ASSERT_EQ(run({"find", model, image, "--overlay", dir / "over.svg"}).code, 0);
    const std::string svg = slurp(dir / "over.svg");
    EXPECT_THAT(svg, StartsWith("<svg"));
    EXPECT_THAT(svg, HasSubstr("width=\"160\" height=\"120\""));
    EXPECT_THAT(svg, HasSubstr("data:image/png;base64,"));
    EXPECT_THAT(svg, HasSubstr("<path"));
}

TEST(Find, FindsAPartDrawnInADxfDrawing) {
    const ScratchDir dir;
    // An L of 40 x 30 with a notch: one closed polyline.
    const std::string drawing = dir.write("ell.dxf", R"(  0
SECTION
  2
ENTITIES
  0
LWPOLYLINE
  8
PART
 90
6
 70
1
 10
0
 20
0
 10
40
 20
0
 10
40
 20
12
 10
14
 20
12
 10
14
 20
30
 10
0
 20
30
  0
ENDSEC
  0
EOF
)");
    ASSERT_EQ(run({"import", drawing, "-o", dir / "ell.json"}).code, 0);
    const std::string image = renderPlate(dir, dir / "ell.json", "ell.png");
    const nlohmann::json found = matchesOf(run({"find", drawing, image}));
    ASSERT_EQ(found.size(), 1U);
    expectAtThePose(found[0]);
}

// A drawing of the shared CAD set, or an empty string when the set is absent.
std::string sharedDrawing(const std::string& file) {
    const char* shared = std::getenv("SHMD_SHARED_DATA");
    const std::filesystem::path path = shared ? std::filesystem::path(shared) / "dxf" / file : "";
    return shared && std::filesystem::is_regular_file(path) ? path.string() : "";
}

// A drawing of the shared set imported as it is drawn or with --regions,
// then scaled about `centre` (drawing units) by `scale` pixels a unit.
std::string importedDrawing(const ScratchDir& dir, const std::string& drawing, bool regions,
                            double scale, ccVector<2> centre) {
    const std::string name = regions ? "regions.json" : "as-drawn.json";
    Args args{"import", drawing, "-o", dir / "drawn.json"};
    if (regions) args.push_back("--regions");
    EXPECT_EQ(run(args).code, 0);
    const Outcome mapped = run({"map", dir / "drawn.json", "--xform", std::to_string(scale), "0",
                                "0", std::to_string(scale), std::to_string(-scale * centre.x()),
                                std::to_string(-scale * centre.y()), "-o", dir / name});
    EXPECT_EQ(mapped.code, 0) << mapped.err;
    return dir / name;
}

// `model` rendered at (x, y, angle) into a noisy image of width x height.
std::string renderedAt(const ScratchDir& dir, const std::string& model, long width, long height,
                       const Pose& pose) {
    const std::string image = dir / "part.png";
    const Outcome r =
        run({"render", model, "-o", image, "--size", std::to_string(width), std::to_string(height),
             "--pose", std::to_string(pose.x), std::to_string(pose.y), std::to_string(pose.angle),
             "1", "--blur", "1", "--noise", "5", "--seed", "11"});
    EXPECT_EQ(r.code, 0) << r.err;
    return image;
}

TEST(Find, ADrawingImportedAsRegionsIsFoundWhereItWasRendered) {
    const std::string script = sharedDrawing("Gather3.dxf");
    const std::string mount = sharedDrawing("Vesa_Mount.dxf");
    if (script.empty() || mount.empty()) GTEST_SKIP() << "no shared data";
    {
        // A word in joined-up script, the insides of its loops holes: no turn
        // of it looks like another.
        const ScratchDir dir;
        const Pose pose{240.3, 160.6, -142.5};
        const std::string model = importedDrawing(dir, script, true, 15, {21.67, 9.43});
        const nlohmann::json found =
            matchesOf(run({"find", model, renderedAt(dir, model, 480, 320, pose)}));
        ASSERT_EQ(found.size(), 1U);
        EXPECT_NEAR(found[0].at("x").get<double>(), pose.x, 0.1);
        EXPECT_NEAR(found[0].at("y").get<double>(), pose.y, 0.1);
        EXPECT_NEAR(std::remainder(found[0].at("angle").get<double>() - pose.angle, 360.0), 0.0,
                    0.05);
        EXPECT_GT(found[0].at("score").get<double>(), 0.9);
    }
    {
        // A plate with six bolt holes, each contour drawn in its own
        // direction, the same part after a half turn. As drawn, the holes'
        // edges point the wrong way for a solid plate, and the picture of the
        // plate matches that model far worse.
        const ScratchDir dir;
        const Pose pose{210.3, 164.6, -142.5};
        const std::string regions = importedDrawing(dir, mount, true, 40, {1.97, -2.35});
        const std::string asDrawn = importedDrawing(dir, mount, false, 40, {1.97, -2.35});
        const std::string image = renderedAt(dir, regions, 400, 320, pose);
        const nlohmann::json found = matchesOf(run({"find", regions, image}));
        ASSERT_EQ(found.size(), 1U);
        EXPECT_NEAR(std::remainder(found[0].at("angle").get<double>() - pose.angle, 180.0), 0.0,
                    0.05);
        EXPECT_GT(found[0].at("score").get<double>(), 0.95);
        const nlohmann::json drawnWay =
            matchesOf(run({"find", asDrawn, image, "--min-score", "0.3"}));
        ASSERT_EQ(drawnWay.size(), 1U);
        EXPECT_LT(drawnWay[0].at("score").get<double>(), 0.8);
    }
}

TEST(Find, BadInputExitsWithTwoNamingItAndWritesNothing) {
    const ScratchDir dir;
    const std::string model = dir.write("plate.json", kPlate);
    const std::string image = renderPlate(dir, model, "plate.png");
    const std::string empty = dir.write(
        "empty.json", R"({"format": 1, "shape": {"type": "GeneralShapeTree", "children": []}})");
    const std::string negative = dir.write(
        "negative.json",
        R"({"format": 1, "shape": {"type": "Circle", "center": [0, 0], "radius": 5, "model": {"weight": -1}}})");
    const std::string huge = dir.write(
        "huge.json",
        R"({"format": 1, "shape": {"type": "Circle", "center": [0, 0], "radius": 200, "model": {}}})");
    const std::string broken = dir.write("broken.png", "not an image");
    const std::vector<std::pair<Args, std::string>> cases = {
        {{model, dir / "missing.png"}, "missing.png"},
        {{model, broken}, "broken.png"},
        {{dir / "missing.json", image}, "missing.json"},
        {{huge, image}, "image"},
        {{empty, image}, "featurelet"},
        {{negative, image}, "positive"},
        {{model, image, "--angle", "10", "-10"}, "--angle"},
        {{model, image, "--angle", "0", "400"}, "--angle"},
        {{model, image, "--scale", "1.2", "0.8"}, "--scale"},
        {{model, image, "--scale", "0", "1"}, "scale"},
        {{model, image, "--min-score", "nan"}, "--min-score"},
        {{model, image, "--min-score", "1.5"}, "score"},
        {{model, image, "--contrast", "-1"}, "contrast"},
        {{model, image, "--max-overlap", "2"}, "overlap"},
        {{model, image, "--polarity", "sideways"}, "--polarity"},
        {{model, image, "--format", "xml"}, "--format"},
        {{model, image, "--overlay", dir / "over.svg", "--zoom", "2"}, "--zoom"},
        {{model, image, "--zoom", "17"}, "--zoom"},
    };
    for (const auto& [options, named] : cases) {
        SCOPED_TRACE(named);
        Args args = {"find", "-o", dir / "result.json", "--overlay", dir / "over.png"};
        args.insert(args.end(), options.begin(), options.end());
        const Outcome o = run(args);
        EXPECT_EQ(o.code, 2);
        EXPECT_THAT(o.err, HasSubstr("shapemod find: "));
        EXPECT_THAT(o.err, HasSubstr(named));
    }
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"broken.png", "empty.json", "huge.json",
                                                     "negative.json", "plate.json", "plate.png"}));
}

}  // namespace
}  // namespace shapemod::test
