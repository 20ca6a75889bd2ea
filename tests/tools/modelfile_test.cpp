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

// Shapes of all 25 types with random parameters, and what mapping, reversing,
// decomposing and connecting make of them: arbitrary doubles everywhere, so
// that the file must keep every bit.
class EveryType {
  public:
    explicit EveryType(unsigned seed) : trees_(seed) {}

    Shape any() {
        Shape s = leaf(pick(26));
        switch (pick(5)) {
            case 0:
                s = s->mapShape(affine());
                break;
            case 1:
                s = s->reverse();
                break;
            case 2:
                s = s->decompose();
                break;
            default:
                break;
        }
        return coin() ? trees_.randomProps().assign(*s) : s;
    }

    ccShapeModel::ccFeatureParams params() {
        ccShape::ccSampleParams s(real(-1, 1), real(0.1, 3),
                                  coin() ? ccNoPointLimit : pick(500) + 1, coin(), coin());
        s.uniformMode(coin());
        return ccShapeModel::ccFeatureParams(s, real(0, 2), real(-2, 2));
    }

    RandomTrees& trees() { return trees_; }

  private:
    double real(double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(trees_.rng());
    }
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(trees_.rng()); }
    bool coin() { return pick(2) == 0; }
    V point() { return V(real(-20, 20), real(-20, 20)); }
    V radii() { return V(real(0.5, 5), real(0.5, 5)); }
    ccRadian angle() { return ccRadian(real(-7, 7)); }
    std::vector<V> points(int n) {
        std::vector<V> p;
        for (int i = 0; i < n; ++i) p.push_back(point());
        return p;
    }
    ccXform<2> affine() {
        ccMatrix<2> m(real(-2, 2), real(-2, 2), real(-2, 2), real(-2, 2));
        if (std::fabs(m.determinant()) < 0.1) m = ccMatrix<2>(1, 0, 0, coin() ? 1 : -1);
        return ccXform<2>(m, point());
    }
    ccEllipse2 ellipse() { return ccEllipse2(point(), radii(), angle(), coin(), angle()); }
    ccGenRect genRect() {
        return ccGenRect(point(), radii(), angle(), ccRadian(real(-1, 1)),
                         V(real(0, 1), real(0, 1)), coin());
    }
    // A rotated square with rounded, notched and sharp corners.
    std::vector<V> square(std::vector<double>& radii) {
        const V c = point();
        const ccMatrix<2> turn = ccMatrix<2>::rotation(angle());
        std::vector<V> corners;
        for (const V& v : {V(-2, -2), V(2, -2), V(2, 2), V(-2, 2)}) {
            corners.push_back(c + turn * v);
            radii.push_back(0.3 * (pick(3) - 1));
        }
        return corners;
    }

    Shape leaf(int which) {
        std::vector<double> r;
        switch (which) {
            case 0:
                return cfMakeHandle<cc2Point>(point());
            case 1:
                return cfMakeHandle<ccLine>(point(), angle());
            case 2:
                return cfMakeHandle<ccFLine>(angle(), real(-9, 9));
            case 3:
                return cfMakeHandle<ccLineSeg>(point(), point());
            case 4:
                return cfMakeHandle<ccRect>(point(), radii());
            case 5:
                return circle(real(-9, 9), real(-9, 9), real(0.1, 5));
            case 6:
                return cfMakeHandle<ccEllipse2>(ellipse());
            case 7:
                return cfMakeHandle<ccEllipseArc2>(ellipse(), angle(), ccRadian(real(-6, 6)));
            case 8:
                return cfMakeHandle<ccAnnulus>(point(), 3.0, real(0, 3), coin());
            case 9:
                return cfMakeHandle<ccEllipseAnnulus>(ellipse(), V(real(0, 0.5), real(0, 0.5)));
            case 10:
                return cfMakeHandle<ccEllipseAnnulusSection>(point(), V(4, 3), V(real(0, 2), 1),
                                                             angle(), angle(),
                                                             ccRadian(real(-3, 3)), coin());
            case 11:
                return cfMakeHandle<ccGenRect>(genRect());
            case 12:
                return cfMakeHandle<ccGenAnnulus>(genRect(), V(0.2, 0.2), V(1, 1));
            case 13:
                return cfMakeHandle<ccAffineRectangle>(point(), radii(), angle(),
                                                       ccRadian(real(-1, 1)), coin());
            case 14:
                return cfMakeHandle<ccPolyline>(points(2 + pick(4)), coin());
            case 15: {
                const auto v = square(r);
                return cfMakeHandle<ccGenPoly>(v, r, true);
            }
            case 16: {
                const auto v = square(r);
                return cfMakeHandle<cc2Wireframe>(v, r, true, coin());
            }
            case 17: {
                const auto p = points(4);
                return cfMakeHandle<ccBezierCurve>(
                    ccBezierCurve::ccPoints{p[0], p[1], p[2], p[3]},
                    ccBezierCurve::ccWeights{1, real(0.5, 2), real(0.5, 2), 1});
            }
            case 18:
                return cfMakeHandle<ccDeBoorSpline>(points(4), coin());
            case 19:
                return cfMakeHandle<ccInterpSpline>(points(4), coin());
            case 20: {
                const bool closed = coin();
                std::vector<double> knots{real(-1, 0)};
                for (int i = 0; i < (closed ? 3 : 2); ++i)
                    knots.push_back(knots.back() + real(0.5, 2));
                return cfMakeHandle<ccHermiteSpline>(points(3), points(3), knots, closed);
            }
            case 21:
                return trees_.squareOfPieces();
            case 22:
                return trees_.region();
            case 23: {
                const double h[9] = {1, real(-0.1, 0.1), real(-5, 5),       real(-0.1, 0.1),
                                     1, real(-5, 5),     real(-0.01, 0.01), real(-0.01, 0.01),
                                     1};
                return cfMakeHandle<ccMappedShape>(leaf(pick(21)), cc2XformPerspective(h), true);
            }
            case 24: {
                const V a = point(), b = point(), c = point();
                return cfConnect(*general({segment(a.x(), a.y(), b.x(), b.y()),
                                           trees_.maybeModel(segment(c.x(), c.y(), b.x(), b.y()))}),
                                 0.5);
            }
            default: {
                auto tree = cfMakeHandle<ccGeneralShapeTree>();
                for (int i = pick(4); i > 0; --i) tree->addChild(any(), true);
                return tree;
            }
        }
    }

    RandomTrees trees_;
};

void expectRoundTrip(const ModelFile& model) {
    const std::string text = shapemod::writeModel(model);
    const ModelFile back = shapemod::parseModel(text, "written.json");
    EXPECT_TRUE(*back.shape == *model.shape) << text;
    expectSameTypesAndRecords(*model.shape, *back.shape);
    EXPECT_TRUE(back.params == model.params);
    EXPECT_EQ(shapemod::writeModel(back), text);
}

TEST(ModelFileRoundTrip, RandomModelTreesOfEveryTypeReadBackEqualWithTheirRecords) {
    for (unsigned seed = 1; seed <= 300; ++seed) {
        SCOPED_TRACE(seed);
        EveryType random(seed);
        expectRoundTrip({random.any(), random.params()});
        expectRoundTrip({random.trees().modelTree(4), ccShapeModel::ccFeatureParams()});
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
    const std::string target = dir.write("kept.json", "old contents");
    const ModelFile nanWeight{general({segment(0, 0, 1, 0), model(circle(), weight(std::nan("")))}),
                              {}};
    try {
        shapemod::writeModelFile(nanWeight, target);
        FAIL() << "a NaN weight was written";
    } catch (const FileError& e) {
        EXPECT_EQ(cfNarrow(e.detail()),
                  target +
                      ": /shape/children/1/model/weight: nan cannot be written (JSON has no "
                      "NaN or infinity)");
    }
    EXPECT_EQ(shapemod::test::slurp(target), "old contents");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"kept.json"});
}

}  // namespace
