// The shapemod commands end to end: command lines in, exit codes, messages
// and files out.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include "ch_core/shapemod.h"
#include "shapemod/featureletio.h"
#include "tooltest.h"
#include "vxdiagc12u/png.h"
#include "vxstd12u/tolerances.h"

namespace shapemod::test {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

const char* const kCommandNames[] = {"demo",     "features", "draw",    "record",  "view",
                                     "describe", "map",      "connect", "convert", "import"};

// A model file whose shape is the JSON node `shape`; sampled at spacing 1
// with merged corners.
std::string modelJson(const std::string& shape) {
    return R"({"format": 1, "features": {"spacing": 1, "duplicateCorners": false}, "shape": )" +
           shape + "}";
}

// A segment, a plain shape or (`model`) a shape model with the default record.
std::string segment(double x1, double y1, double x2, double y2, bool model = false) {
    std::ostringstream node;
    node << R"({"type": "LineSeg", "p1": [)" << x1 << ", " << y1 << R"(], "p2": [)" << x2 << ", "
         << y2 << "]" << (model ? R"(, "model": {})" : "") << "}";
    return node.str();
}

std::string tree(const std::string& a, const std::string& b) {
    return R"({"type": "GeneralShapeTree", "children": [)" + a + ", " + b + "]}";
}

// One featurelet of a CSV line: position and gradient direction.
struct Featurelet {
    double x, y, gx, gy;
};

void sortByPosition(std::vector<Featurelet>& all) {
    std::sort(all.begin(), all.end(), [](const Featurelet& a, const Featurelet& b) {
        return std::tie(a.x, a.y) < std::tie(b.x, b.y);
    });
}

std::vector<Featurelet> featurelets(const std::string& csv) {
    std::vector<Featurelet> all;
    std::istringstream lines(csv);
    std::string line;
    std::getline(lines, line);  // header
    while (std::getline(lines, line)) {
        double v[6];
        char comma;
        std::istringstream fields(line);
        for (double& x : v) fields >> x >> comma;
        all.push_back({v[2], v[3], std::cos(v[4]), std::sin(v[4])});
    }
    sortByPosition(all);
    return all;
}

long lineCount(const std::string& text) {
    return std::count(text.begin(), text.end(), '\n');
}

TEST(CommandLine, HelpListsAndExplainsEveryCommand) {
    // Scripts rely on the exit codes the README gives: 0 done, 2 bad usage or input.
    const Outcome list = run({"--help"});
    EXPECT_EQ(list.code, 0);
    for (const char* name : kCommandNames) {
        SCOPED_TRACE(name);
        EXPECT_THAT(list.out, HasSubstr(std::string("\n  ") + name + " "));
        const Outcome help = run({name, "--help"});
        EXPECT_EQ(help.code, kSuccess);
        EXPECT_THAT(help.out, StartsWith(std::string("usage: shapemod ") + name));
        EXPECT_EQ(help.err, "");
    }
    EXPECT_EQ(run({}).code, 2);
}

TEST(Demo, WritesOutputsThatTheOtherCommandsReproduce) {
    ScratchDir dir;
    const std::string out = dir / "demo";
    const Outcome demo = run({"demo", "--out", out});
    ASSERT_EQ(demo.code, kSuccess) << demo.err;
    const std::string csv = slurp(out + "/featurelets.csv");
    EXPECT_THAT(demo.out, HasSubstr(std::to_string(lineCount(csv) - 1) + " featurelets"));
    EXPECT_THAT(slurp(out + "/drawing.svg"), HasSubstr("<svg"));

    // The model file and the archive each hold the whole model and its
    // parameters: both give the demo's featurelets and drawing again.
    for (const char* model : {"/model.json", "/model.arc"}) {
        SCOPED_TRACE(model);
        EXPECT_EQ(run({"features", out + model}).out, csv);
        EXPECT_EQ(run({"draw", out + model}).out, slurp(out + "/drawing.svg"));
    }
    ASSERT_EQ(run({"convert", out + "/model.json", dir / "again.arc"}).code, kSuccess);
    EXPECT_EQ(slurp(dir / "again.arc"), slurp(out + "/model.arc"));
    ASSERT_EQ(run({"convert", out + "/model.arc", dir / "again.json"}).code, kSuccess);
    EXPECT_EQ(slurp(dir / "again.json"), slurp(out + "/model.json"));
}

TEST(Features, OptionsChangeTheSamplingAndTheFormat) {
    ScratchDir dir;
    const std::string model = dir.write("seg.json", modelJson(segment(0, 0, 10, 0)));
    EXPECT_EQ(lineCount(run({"features", model}).out), 1 + 11);
    EXPECT_EQ(lineCount(run({"features", model, "--spacing", "2.5"}).out), 1 + 5);
    EXPECT_EQ(lineCount(run({"features", model, "--uniform", "--max-points", "7"}).out), 1 + 7);
    EXPECT_EQ(lineCount(run({"features", model, "--complex", "1", "5", "3", "100"}).out), 1 + 3);
    const Outcome json = run({"features", model, "--format", "json", "-o", dir / "f.json"});
    ASSERT_EQ(json.code, kSuccess) << json.err;
    EXPECT_THAT(slurp(dir / "f.json"), HasSubstr(R"({"x": 10, "y": 0, "angle": )"));
    EXPECT_EQ(run({"features", model, "--format", "xml"}).code, kBadInput);
    EXPECT_EQ(run({"features", model, "--spacing", "0"}).code, kBadInput);
}

// A mirror turns the direction of travel round; a model's polarity must
// follow so that each gradient is the mirror image of the one before.
TEST(Map, MirrorImageKeepsEveryGradientOnTheSameSideOfTheEdge) {
    ScratchDir dir;
    const std::string model =
        dir.write("m.json", modelJson(tree(segment(0, 0, 10, 0, true),
                                           R"({"type": "Circle", "center": [20, 5], "radius": 3,
                                               "model": {"reversed": true}})")));
    const Outcome mapped =
        run({"map", model, "--xform", "-1", "0", "0", "1", "5", "0", "-o", dir / "mirrored.arc"});
    ASSERT_EQ(mapped.code, kSuccess) << mapped.err;
    const auto before = featurelets(run({"features", model}).out);
    auto after = featurelets(run({"features", dir / "mirrored.arc"}).out);
    for (Featurelet& f : after) f = {5 - f.x, f.y, -f.gx, f.gy};
    sortByPosition(after);
    ASSERT_EQ(after.size(), before.size());
    ASSERT_GT(before.size(), 0u);
    for (std::size_t i = 0; i < before.size(); ++i) {
        const double apart = std::hypot(after[i].x - before[i].x, after[i].y - before[i].y) +
                             std::hypot(after[i].gx - before[i].gx, after[i].gy - before[i].gy);
        EXPECT_LT(apart, 1e-6) << i;
    }
}

TEST(Connect, JoinsPiecesOnlyWhenTheirGapIsWithinTheDistance) {
    ScratchDir dir;
    const std::string model =
        dir.write("gap.json", modelJson(tree(segment(0, 0, 10, 0), segment(10.5, 0, 20, 0))));
    const auto chainsAfter = [&](const std::string& distance) {
        const Outcome joined =
            run({"connect", model, "--distance", distance, "-o", dir / "c.json"});
        EXPECT_EQ(joined.code, kSuccess) << joined.err;
        const std::string json = run({"features", dir / "c.json", "--format", "json"}).out;
        long chains = 0;
        for (auto at = json.find("\"closed\""); at != std::string::npos;
             at = json.find("\"closed\"", at + 1))
            ++chains;
        return chains;
    };
    EXPECT_EQ(chainsAfter("1"), 1);
    EXPECT_EQ(chainsAfter("0.1"), 2);
    EXPECT_EQ(run({"connect", model, "--distance", "-1"}).code, kBadInput);
}

TEST(Inspection, DescribeAndRecordOverAnImageShowTheWholeModel) {
    ScratchDir dir;
    const std::string model = dir.write(
        "m.json",
        modelJson(tree(
            segment(0, 0, 10, 0),
            R"({"type": "Circle", "center": [20, 5], "radius": 3, "model": {"weight": -1}})")));
    const Outcome described = run({"describe", model});
    EXPECT_THAT(described.out, HasSubstr("Line Segment"));
    EXPECT_THAT(described.out, HasSubstr("Circle"));
    const std::string png =
        dir.write("grey.png", cfEncodePng(ccPelBuffer_const<unsigned short>(40, 30)));
    const Outcome recorded = run({"record", model, "-o", dir / "r.html", "--image", png});
    EXPECT_EQ(recorded.code, kSuccess) << recorded.err;
    EXPECT_THAT(slurp(dir / "r.html"), HasSubstr("Circle"));
}

// Every shape type, infinite ones included, goes through every command that
// takes a model; the two forms of a model hold the same model, and the
// model file is written back to the very text it was read from.
TEST(ExampleModels, EveryCommandAcceptsAnExampleOfEveryShapeType) {
    ScratchDir dir;
    std::set<std::string> types;
    for (const auto& entry : std::filesystem::directory_iterator(examplesDir() / "models")) {
        if (entry.path().extension() != ".json") continue;
        const std::string model = entry.path().string();
        SCOPED_TRACE(model);
        types.insert(nlohmann::json::parse(slurp(model))["shape"]["type"].get<std::string>());
        for (const Args& args :
             std::vector<Args>{{"draw", model},
                               {"record", model},
                               {"describe", model},
                               {"map", model, "--xform", "0", "-1", "1", "0", "3", "4"},
                               {"connect", model, "--distance", "1"},
                               {"convert", model, dir / "m.arc"},
                               {"convert", dir / "m.arc", dir / "m.json"}}) {
            const Outcome r = run(args);
            EXPECT_EQ(r.code, kSuccess) << args[0] << ": " << r.err;
        }
        EXPECT_EQ(slurp(dir / "m.json"), slurp(model));
    }
    EXPECT_EQ(types.size(), 25u);
}

TEST(BadInput, EachFaultNamesItselfAndLeavesEveryFileAsItWas) {
    struct Case {
        const char* what;
        const char* model;  // null: no such file
        const char* message;
    };
    const Case cases[] = {
        {"malformed JSON", R"({"format": 1, "shape": )", "bad.json"},
        {"wrong type",
         R"({"format": 1, "shape": {"type": "Circle", "center": [0, 0], "radius": "3"}})",
         "/shape/radius"},
        {"negative magnitude",
         R"({"format": 1, "shape": {"type": "Circle", "center": [0, 0], "radius": 3, "model": {"magnitude": -2}}})",
         "magnitude"},
        {"missing file", nullptr, "bad.json"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchDir dir;
        const std::string model = c.model ? dir.write("bad.json", c.model) : dir / "bad.json";
        dir.write("keep.csv", "old");
        for (const char* command : {"features", "draw", "record", "convert"}) {
            for (const char* target : {"keep.csv", "new.out"}) {
                const Outcome r = command == std::string("convert")
                                      ? run({command, model, dir / target})
                                      : run({command, model, "-o", dir / target});
                EXPECT_EQ(r.code, kBadInput);
                EXPECT_THAT(r.err, StartsWith(std::string("shapemod ") + command + ": "));
                EXPECT_THAT(r.err, HasSubstr(c.message));
            }
        }
        EXPECT_EQ(slurp(dir / "keep.csv"), "old");
        const std::vector<std::string> untouched =
            c.model ? std::vector<std::string>{"bad.json", "keep.csv"}
                    : std::vector<std::string>{"keep.csv"};
        EXPECT_EQ(dir.names(), untouched);
    }
}

TEST(BadInput, FailuresOfTheModuleExitWithOneAndTheErrorClass) {
    ScratchDir dir;
    const std::string line = dir.write(
        "line.json", modelJson(R"({"type": "Line", "point": [0, 0], "direction": [1, 0.5]})"));
    const Outcome r =
        run({"features", line, "--uniform", "--max-points", "10", "-o", dir / "f.csv"});
    EXPECT_EQ(r.code, 1);  // as the README says
    EXPECT_THAT(r.err, HasSubstr("InfiniteExtent"));
    EXPECT_EQ(dir.names(), std::vector<std::string>{"line.json"});

    const std::string notPng = dir.write("image.png", "not a picture");
    const Outcome badImage = run({"record", line, "--image", notPng});
    EXPECT_EQ(badImage.code, kBadInput);
    EXPECT_THAT(badImage.err, HasSubstr("image.png"));
}

}  // namespace
}  // namespace shapemod::test
