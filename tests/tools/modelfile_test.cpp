// Model files: random model trees of every shape type written and read back,
// and the place each kind of bad input is reported at.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "shapemod/modelfile.h"
#include "shmd/model_fixtures.h"
#include "tooltest.h"
#include "vxstd12u/str.h"

namespace {

using namespace fixtures;
using shapemod::FileError;
using shapemod::ModelFile;
using V = ccVector<2>;

ccShapeModel::ccFeatureParams randomParams(std::mt19937& rng) {
    std::uniform_real_distribution<double> real(-2, 2);
    const auto coin = [&] { return rng() % 2 == 0; };
    ccShape::ccSampleParams s(real(rng), 0.1 + std::fabs(real(rng)),
                              coin() ? ccNoPointLimit : long(rng() % 500) + 1, coin(), coin());
    s.uniformMode(coin());
    return ccShapeModel::ccFeatureParams(s, std::fabs(real(rng)), real(rng));
}

void expectRoundTrip(const ModelFile& model) {
    const std::string text = shapemod::writeModel(model);
    const ModelFile back = shapemod::parseModel(text, "written.json");
    EXPECT_TRUE(*back.shape == *model.shape) << text;
    expectSameTypesAndRecords(*model.shape, *back.shape);
    EXPECT_TRUE(back.params == model.params);
    EXPECT_EQ(shapemod::writeModel(back), text);
}

// Every type as it is, whose flags stand away from their defaults, and moved
// by a random rigid or mirroring map, so that arbitrary doubles everywhere
// must keep every bit; and random trees of models.
TEST(ModelFileRoundTrip, RandomModelTreesOfEveryTypeReadBackEqualWithTheirRecords) {
    const auto types = oneOfEachModelType();
    for (const ConstShape& type : types) expectRoundTrip({type->clone(), {}});
    for (unsigned seed = 1; seed <= 300; ++seed) {
        SCOPED_TRACE(seed);
        RandomTrees random(seed);
        std::uniform_real_distribution<double> angle(-7, 7), shift(-20, 20);
        const ccXform<2> x = seed % 2
                                 ? mirroringSimilarity(random.rng())
                                 : ccXform<2>::rigid(ccRadian(angle(random.rng())),
                                                     {shift(random.rng()), shift(random.rng())});
        Shape s = types[seed % types.size()]->mapShape(x);
        if (seed % 3 == 0) s = s->reverse();
        expectRoundTrip({random.maybeModel(s), randomParams(random.rng())});
        expectRoundTrip({random.modelTree(4), ccShapeModel::ccFeatureParams()});
    }
}

std::string errorOf(const std::string& text) {
    try {
        shapemod::parseModel(text, "bad.json");
    } catch (const FileError& e) {
        return cfNarrow(e.detail());
    }
    return "(accepted)";
}

std::string file(const std::string& shape) {
    return "{\"format\": 1, \"shape\": " + shape + "}";
}

TEST(ModelFileErrors, EachFaultNamesTheFileThePathAndWhatWasExpected) {
    const std::string seg = R"({"type": "LineSeg", "p1": [0, 0], "p2": [1, 0]})";
    EXPECT_EQ(errorOf("{\"format\": 1,\n \"shape\": {"),
              "bad.json: parse error at line 2, column 12: syntax error while parsing object key - "
              "unexpected end of input; expected string literal");
    EXPECT_EQ(errorOf(file(R"({"type": "GeneralShapeTree", "children": [)" + seg +
                           R"(, {"type": "Circle", "center": [0, 0], "radius": "abc"}]})")),
              R"(bad.json: /shape/children/1/radius: expected a non-negative number, got "abc")");
    EXPECT_EQ(errorOf(file(R"({"type": "ContourTree", "closed": true, "children": [)"
                           R"({"type": "LineSeg", "p1": [0, 0]}]})")),
              R"(bad.json: /shape/children/0: missing field "p2")");
    EXPECT_EQ(
        errorOf(file(R"({"type": "Circle", "center": [0, 0], "radus": 1})")),
        "bad.json: /shape/radus: unknown field (expected one of: type, model, center, radius)");
    EXPECT_EQ(errorOf(file(R"({"type": "Circle", "center": [0, 0], "radius": 1e999})")),
              "bad.json: number overflow parsing '1e999'");
    EXPECT_EQ(errorOf(file(R"({"type": "Circle", "center": [0, 0], "radius": 1, "radius": 2})")),
              R"(bad.json: field "radius" appears twice in one object)");
    EXPECT_EQ(errorOf("{\"format\": 2, \"shape\": " + seg + "}"),
              "bad.json: /format: expected 1 (the only format this tool reads), got 2");
    EXPECT_EQ(errorOf(file(R"({"type": "Circel"})")).substr(0, 48),
              "bad.json: /shape/type: unknown shape type \"Circe");
    // A long value is cut short between characters, never inside one.
    EXPECT_EQ(errorOf("\"abcdefghijklmnᇇᇇᇇᇇᇇᇇᇇᇇᇇ\""),
              "bad.json: expected an object, got \"abcdefghijklmnᇇᇇᇇᇇᇇᇇᇇᇇ\"...");
    // Faults the library finds, placed at the value or node that caused them.
    EXPECT_EQ(
        errorOf(file(
            R"({"type": "GeneralShapeTree", "children": [)" + seg + "," +
            R"({"type": "LineSeg", "model": {"magnitude": -1}, "p1": [0, 0], "p2": [1, 1]}]})")),
        "bad.json: /shape/children/1/model/magnitude: magnitude -1 is below zero");
    EXPECT_EQ(errorOf(file(R"({"type": "ContourTree", "closed": false, "children": [)" + seg +
                           R"(, {"type": "GeneralShapeTree"}]})"))
                  .substr(0, 36),
              "bad.json: /shape/children/1: a conto");
    // Region children are region nodes of the standing opposite their parent's.
    const std::string solid =
        R"({"type": "RegionTree", "boundary": {"type": "Circle", "center": [0, 0], "radius": 9}, "children": [)";
    EXPECT_EQ(
        errorOf(file(solid + R"({"type": "Circle", "center": [0, 0], "radius": 1}]})")),
        R"(bad.json: /shape/children/0/type: expected "RegionTree" (the children of a region are regions), got "Circle")");
    EXPECT_EQ(errorOf(file(solid + R"({"type": "RegionTree", "hole": false, "boundary": )"
                                   R"({"type": "Circle", "center": [0, 0], "radius": 1}}]})")),
              "bad.json: /shape/children/0/hole: expected true (a child region has the standing "
              "opposite its parent's), got false");
}

TEST(ModelFileErrors, FilesThatCannotBeReadOrWrittenAreNamedAndLeftAsTheyWere) {
    const shapemod::test::ScratchDir dir;
    const std::string missing = dir / "missing.json";
    try {
        shapemod::readModelFile(missing);
        FAIL() << "a missing file was read";
    } catch (const FileError& e) {
        EXPECT_EQ(cfNarrow(e.detail()).rfind(missing + ": cannot be opened", 0), 0u);
    }
    try {
        shapemod::readModelFile(dir / ".");
        FAIL() << "a directory was read";
    } catch (const FileError& e) {
        EXPECT_EQ(cfNarrow(e.detail()).rfind(dir / ".: cannot be read", 0), 0u);
    }
    const ModelFile nanWeight{general({segment(0, 0, 1, 0), model(circle(), weight(std::nan("")))}),
                              {}};
    try {
        shapemod::writeModel(nanWeight);
        FAIL() << "a NaN weight was written";
    } catch (const FileError& e) {
        EXPECT_EQ(cfNarrow(e.detail()),
                  "/shape/children/1/model/weight: nan cannot be written (JSON has no NaN or "
                  "infinity)");
    }
    // Shapes nest at most 500 levels, a map's shape a level below the map: a
    // circle under 499 maps is the 500th, one under 500 maps is refused.
    for (long maps : {499L, 500L}) {
        ConstShape deep = circle();
        for (long i = 0; i < maps; ++i)
            deep = cfMakeHandle<ccMappedShape>(deep, cc2XformLinear(), true);
        const ModelFile file{deep, {}};
        if (maps == 499) {
            EXPECT_NO_THROW(shapemod::writeModel(file));
            continue;
        }
        try {
            shapemod::writeModel(file);
            FAIL() << "500 maps deep were written";
        } catch (const FileError& e) {
            const std::string message = cfNarrow(e.detail());
            EXPECT_NE(message.find(": shapes nested deeper than 500 levels"), std::string::npos);
        }
    }
}

// A file that leaves an optional field out reads as one that states the
// default examples/models/README.md gives for it (the feature parameters,
// which it leaves unstated, as the example files state them), and as not one
// stating another value, so that the comparison would see a wrong default.
TEST(ModelFileDefaults, AnOmittedOptionalFieldReadsAsItsDocumentedDefault) {
    const std::string circle = R"({"type": "Circle", "center": [0, 0], "radius": 2})";
    const std::string region = R"({"type": "RegionTree", "boundary": )" + circle;
    const std::string square = R"("vertices": [[0, 0], [9, 0], [9, 9], [0, 9]], "closed": true)";
    const std::string hermite = R"({"type": "HermiteSpline", "points": [[0, 0], [10, 0], [5, 8]],
        "tangents": [[1, 0], [0, 1], [-1, -1]], "closed": )";
    // Each text has a '@' where the field goes, with a comma before it unless
    // it opens its object; each field is stated at its default, then otherwise.
    const std::string
        top = R"({"format": 1@, "shape": )" + circle + "}",
        features = R"({"format": 1, "features": {@}, "shape": )" + circle + "}",
        record = file(R"({"type": "Circle", "model": {@}, "center": [0, 0], "radius": 2})"),
        ellipse = file(R"({"type": "Ellipse2", "center": [0, 0], "radii": [3, 2]@})"),
        arc = file(
            R"({"type": "EllipseArc2", "ellipse": {"center": [0, 0], "radii": [3, 2]@}, "phiStart": 0, "phiEnd": 1})"),
        annulus =
            file(R"({"type": "Annulus", "center": [0, 0], "outerRadius": 3, "innerRadius": 1@})"),
        section = file(
            R"({"type": "EllipseAnnulusSection", "center": [0, 0], "outerRadii": [4, 3], "innerRadii": [2, 1], "angle": 0, "phiStart": 0, "phiSpan": 1@})"),
        genRect = file(R"({"type": "GenRect", "center": [0, 0], "radii": [4, 2], "orient": 0.3@})"),
        genAnnulus = file(
            R"({"type": "GenAnnulus", "outer": {"center": [0, 0], "radii": [4, 3], "orient": 0}, "innerRadii": [2, 1]@})"),
        affine = file(
            R"({"type": "AffineRectangle", "center": [0, 0], "sides": [4, 2], "rotation": 0.3@})"),
        genPoly = file(R"({"type": "GenPoly", )" + square + "@}"),
        wireframe = file(R"({"type": "2Wireframe", )" + square + "@}"),
        bezier =
            file(R"({"type": "BezierCurve", "controlPoints": [[0, 0], [1, 2], [3, 2], [4, 0]]@})"),
        general = file(R"({"type": "GeneralShapeTree"@})"),
        contour = file(R"({"type": "ContourTree", "closed": false@})"),
        nested = file(R"({"type": "RegionTree", "boundary": )" + circle + R"(, "children": [)" +
                      region + "@}]}"),
        inHole = file(R"({"type": "RegionTree", "hole": true, "children": [)" + region + "@}]}");
    struct Field {
        std::string name, stated, other;  // other empty: any other value is refused
    };
    const std::pair<std::string, std::vector<Field>> rows[] = {
        {record,
         {{"weight", "1", "0"},
          {"magnitude", "1", "0"},
          {"reversed", "false", "true"},
          {"ignored", "false", "true"}}},
        {top, {{"features", "{}", R"({"spacing": 2})"}}},
        {features,
         {{"startOffset", "0", "0.5"},
          {"spacing", "1", "2"},
          {"maxPoints", "2147483647", "100"},
          {"computeTangents", "true", "false"},
          {"duplicateCorners", "true", "false"},
          {"uniformMode", "false", "true"},
          {"magScale", "1", "2"},
          {"weightScale", "1", "2"}}},
        {ellipse, {{"angle", "0", "0.5"}, {"rightHanded", "true", "false"}, {"phase", "0", "0.5"}}},
        {arc, {{"rightHanded", "true", "false"}}},
        {annulus, {{"rightHanded", "true", "false"}}},
        {section, {{"reversed", "false", "true"}}},
        {genRect,
         {{"skew", "0", "0.1"},
          {"round", "[0, 0]", "[0.5, 0.5]"},
          {"rightHanded", "true", "false"}}},
        {genAnnulus, {{"innerRound", "[0, 0]", "[0.5, 0.5]"}}},
        {affine, {{"skew", "0", "0.1"}, {"rightHanded", "true", "false"}}},
        {genPoly, {{"radii", "[0, 0, 0, 0]", "[1, 0, 0, 0]"}}},
        {wireframe,
         {{"radii", "[0, 0, 0, 0]", "[1, 0, 0, 0]"}, {"polarityReversed", "false", "true"}}},
        {bezier, {{"weights", "[1, 1, 1, 1]", "[1, 2, 2, 1]"}}},
        {file(hermite + "false@}"), {{"knots", "[0, 1, 2]", "[0, 2, 3]"}}},
        {file(hermite + "true@}"), {{"knots", "[0, 1, 2, 3]", "[0, 1, 3, 4]"}}},
        {general, {{"children", "[]", "[" + circle + "]"}}},
        {contour, {{"children", "[]", R"([{"type": "LineSeg", "p1": [0, 0], "p2": [1, 0]}])"}}},
        {file(region + "@}"), {{"hole", "false", "true"}, {"children", "[]", "[" + region + "}]"}}},
        // A region's child has the standing opposite its parent's.
        {nested, {{"hole", "true", ""}}},
        {inHole, {{"hole", "false", ""}}}};
    const auto with = [](std::string text, const std::string& field, const std::string& value) {
        const auto at = text.find('@');
        const std::string comma = text[at - 1] == '{' ? "" : ", ";
        return text.replace(at, 1, field.empty() ? "" : comma + "\"" + field + "\": " + value);
    };
    for (const auto& [text, fields] : rows) {
        for (const Field& f : fields) {
            SCOPED_TRACE(with(text, f.name, f.stated));
            const ModelFile omitted = shapemod::parseModel(with(text, "", ""), "omitted.json");
            const ModelFile stated =
                shapemod::parseModel(with(text, f.name, f.stated), "stated.json");
            EXPECT_TRUE(*omitted.shape == *stated.shape);
            EXPECT_TRUE(omitted.params == stated.params);
            // The written file holds every field, records included.
            EXPECT_EQ(shapemod::writeModel(omitted), shapemod::writeModel(stated));
            if (f.other.empty()) continue;
            const ModelFile other = shapemod::parseModel(with(text, f.name, f.other), "other.json");
            EXPECT_NE(shapemod::writeModel(omitted), shapemod::writeModel(other));
        }
    }
}

}  // namespace
