// shapemod draw: node groups that match the model's tree, glyphs shown by
// their size on screen, featurelet ticks, PNG output and refused usage.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>
#include "platform/vxdispc12u/svg_checks.h"
#include "shapemod/drawing.h"
#include "tooltest.h"
#include "vxdiagc12u/png.h"
#include "vxstd12u/line.h"
#include "vxstd12u/shapetree.h"
#include "vxstd12u/stackguard.h"

namespace shapemod::test {
namespace {

using testing::HasSubstr;

std::string modelJson(const std::string& shape) {
    return R"({"format": 1, "features": {"spacing": 4, "duplicateCorners": false}, "shape": )" +
           shape + "}";
}

// One long segment (glyph size 40) and one short (glyph size 0.8).
const char* const kLongAndShort = R"({"type": "GeneralShapeTree", "children": [
    {"type": "LineSeg", "p1": [0, 0], "p2": [1000, 0]},
    {"type": "LineSeg", "p1": [0, 100], "p2": [20, 100]}]})";

// Every kind of node a drawing groups by: a negative segment, a reversed
// open contour of two pieces, a region with a hole, a segment under a map
// that doubles it, and an arc of ignored polarity.
const char* const kTree = R"({"type": "GeneralShapeTree", "children": [
    {"type": "LineSeg", "p1": [0, 0], "p2": [100, 0], "model": {"weight": -1}},
    {"type": "ContourTree", "closed": false, "model": {"reversed": true}, "children": [
        {"type": "LineSeg", "p1": [0, 50], "p2": [100, 50]},
        {"type": "LineSeg", "p1": [100, 50], "p2": [100, 150]}]},
    {"type": "RegionTree", "hole": false, "boundary": {"type": "Rect", "origin": [200, 0],
        "size": [60, 40]}, "children": [{"type": "RegionTree", "hole": true,
        "boundary": {"type": "Circle", "center": [220, 20], "radius": 10}, "children": []}]},
    {"type": "MappedShape", "shape": {"type": "LineSeg", "p1": [0, 100], "p2": [50, 100]},
        "xform": {"linear": [2, 0, 0, 2], "translation": [0, 0]}},
    {"type": "Circle", "center": [300, 100], "radius": 30, "model": {"ignored": true}}]})";

// The elements of one layer of the drawing: (data-node, classes, d) of each
// path, the node of its enclosing group ("" when none).
struct Element {
    std::string node;
    std::string nodeClasses;
    std::string classes;
    std::string d;
};

// A <g>, </g> or <path ...> tag of an SVG: its kind ("" when there is no
// further one), whether it closes, its attribute text and where it ends.
// Scanned by hand: the standard library's regex matches recursively, a frame
// a character, and a path's data runs to megabytes.
struct Tag {
    std::string kind;
    bool isClosing = false;
    std::string attributes;
    std::size_t end = 0;
};

Tag nextTag(const std::string& svg, std::size_t from) {
    for (std::size_t at = svg.find('<', from); at != std::string::npos;
         at = svg.find('<', at + 1)) {
        Tag t;
        std::size_t name = at + 1;
        t.isClosing = svg.compare(name, 1, "/") == 0;
        if (t.isClosing) ++name;
        if (svg.compare(name, 1, "g") == 0)
            t.kind = "g";
        else if (svg.compare(name, 4, "path") == 0)
            t.kind = "path";
        else
            continue;
        const std::size_t close = svg.find('>', name);
        if (close == std::string::npos) return {};
        t.attributes = svg.substr(name + t.kind.size(), close - name - t.kind.size());
        t.end = close + 1;
        return t;
    }
    return {};
}

std::vector<Element> layer(const std::string& svg, const std::string& name) {
    const std::size_t start = svg.find("<g class=\"" + name + "\">");
    if (start == std::string::npos) return {};
    std::vector<Element> out;
    std::string node, nodeClasses;
    int depth = 0;
    for (Tag t = nextTag(svg, start); !t.kind.empty(); t = nextTag(svg, t.end)) {
        const std::string& attrs = t.attributes;
        const bool closing = t.isClosing;
        if (t.kind == "g") {
            depth += closing ? -1 : 1;
            if (depth == 0) break;
            const auto nodes = svg_checks::attributes(attrs, "data-node");
            node = !closing && !nodes.empty() ? nodes[0] : "";
            const auto classes = svg_checks::attributes(attrs, "class");
            nodeClasses = !closing && !classes.empty() ? classes[0] : "";
            continue;
        }
        out.push_back({node, nodeClasses, svg_checks::attributes(attrs, "class")[0],
                       svg_checks::attributes(attrs, "d")[0]});
    }
    return out;
}

long moves(const std::string& d) {
    return std::count(d.begin(), d.end(), 'M');
}

// Glyphs of normal polarity are five strokes, of ignored polarity seven.
long glyphStrokes(const std::string& svg) {
    long strokes = 0;
    for (const Element& e : layer(svg, "glyphs")) strokes += moves(e.d);
    return strokes;
}

std::vector<double> numbers(const std::string& text) {
    std::vector<double> out;
    std::istringstream in(text);
    for (double v; in >> v;) out.push_back(v);
    return out;
}

TEST(DrawCommand, AutomaticGlyphsAreThoseOfAtLeastFourPixels) {
    ScratchDir dir;
    const std::string model = dir.write("m.json", modelJson(kLongAndShort));
    const auto glyphs = [&](Args extra) {
        Args args{"draw", model};
        args.insert(args.end(), extra.begin(), extra.end());
        const Outcome r = run(args);
        EXPECT_EQ(r.code, kSuccess) << r.err;
        return glyphStrokes(r.out) / 5;
    };
    EXPECT_EQ(glyphs({"--glyphs", "all"}), 2);
    EXPECT_EQ(glyphs({"--glyphs", "none"}), 0);
    // At 1,000 pixels about 0.9 pixels a unit: 36 pixels and 0.7.
    EXPECT_EQ(glyphs({}), 1);
    EXPECT_EQ(glyphs({"--glyphs", "auto", "--width", "4000"}), 1);
    // At 20,000 pixels the short one is 14 pixels across.
    EXPECT_EQ(glyphs({"--size", "20000", "20000"}), 2);
    EXPECT_EQ(glyphs({"--width", "32"}), 0);
}

TEST(DrawCommand, GraphicsAreGroupedByTheNodeTheyDraw) {
    ScratchDir dir;
    const Outcome r = run({"draw", dir.write("m.json", modelJson(kTree)), "--glyphs", "all"});
    ASSERT_EQ(r.code, kSuccess) << r.err;
    const std::vector<Element> outlines = layer(r.out, "outlines");
    std::vector<std::string> nodes;
    for (const Element& e : outlines) nodes.push_back(e.node);
    EXPECT_THAT(nodes,
                testing::ElementsAre("0.0", "0.1.0", "0.1.1", "0.2.b", "0.2.0.b", "0.3.m", "0.4"));
    std::map<std::string, std::string> classesOf;
    for (const Element& e : outlines) classesOf[e.node] = e.nodeClasses;
    EXPECT_EQ(classesOf["0.0"], "node negative");
    EXPECT_EQ(classesOf["0.1.0"], "node reversed");
    EXPECT_EQ(classesOf["0.3.m"], "node");
    EXPECT_EQ(classesOf["0.4"], "node ignored");
    // The mapped segment is drawn in the outer frame, doubled.
    EXPECT_EQ(outlines[5].d, "M 0 200 L 100 200");

    // Every glyph sits in the group of the node whose outline it stands on:
    // its chevron starts on that outline.
    std::map<std::string, std::string> outlineOf;
    for (const Element& e : outlines) outlineOf[e.node] = e.d;
    const std::vector<Element> glyphs = layer(r.out, "glyphs");
    ASSERT_EQ(glyphs.size(), outlines.size());
    for (const Element& g : glyphs) {
        SCOPED_TRACE(g.node);
        EXPECT_EQ(g.classes.substr(g.classes.size() - 6), " glyph");
        const long strokes = g.node == "0.4" ? 7 : 5;
        EXPECT_EQ(moves(g.d) % strokes, 0);
        const auto outline = svg_checks::parsePath(outlineOf[g.node]);
        const std::string letters = svg_checks::letters(outline);
        if (letters.find_first_not_of("MLZ") != std::string::npos) continue;  // curves
        const auto commands = svg_checks::parsePath(g.d);
        for (std::size_t c = 0; c < commands.size(); c += 2 * static_cast<std::size_t>(strokes)) {
            const ccVector<2> centre(commands[c].numbers[0], commands[c].numbers[1]);
            double nearest = HUGE_VAL;
            for (std::size_t i = 1; i < outline.size(); ++i) {
                if (outline[i].letter != 'L') continue;
                const ccVector<2> a(outline[i - 1].numbers[0], outline[i - 1].numbers[1]);
                const ccVector<2> b(outline[i].numbers[0], outline[i].numbers[1]);
                const double t = std::clamp((centre - a).dot(b - a) / (b - a).dot(b - a), 0.0, 1.0);
                nearest = std::min(nearest, (centre - (a + (b - a) * t)).len());
            }
            EXPECT_LT(nearest, 1e-3);
        }
    }
}

TEST(DrawCommand, FeatureletsAreTicksAlongTheirGradientColouredByWeight) {
    ScratchDir dir;
    const std::string model = dir.write("m.json", modelJson(kTree));
    const Outcome drawn = run({"draw", model, "--featurelets", "--glyphs", "none"});
    ASSERT_EQ(drawn.code, kSuccess) << drawn.err;
    const Outcome csv = run({"features", model});
    ASSERT_EQ(csv.code, kSuccess);
    // chain,index,x,y,angle,weight,magnitude,mod180 after the header.
    std::vector<std::vector<double>> expected;
    std::istringstream lines(csv.out);
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line)) {
        std::replace(line.begin(), line.end(), ',', ' ');
        expected.push_back(numbers(line));
    }
    // Each tick: its shaft (two points), then a head at the far end, and for
    // a mod-180 featurelet another at the near end.
    const auto vb = numbers(svg_checks::attributes(drawn.out, "viewBox")[0]);
    const double unitsPerPixel = vb[2] / std::stod(svg_checks::attributes(drawn.out, "width")[0]);
    std::size_t k = 0;
    for (const Element& e : layer(drawn.out, "featurelets")) {
        const auto commands = svg_checks::parsePath(e.d);
        for (std::size_t c = 0; c < commands.size();) {
            ASSERT_LT(k, expected.size());
            const auto& f = expected[k++];
            const bool mod180 = f[7] != 0;
            const std::string colour = f[5] > 0 ? "009600" : f[5] < 0 ? "d20000" : "808080";
            EXPECT_THAT(e.classes, HasSubstr("s-" + colour + "-1-solid featurelet"));
            EXPECT_EQ(e.classes.find("mod180") != std::string::npos, mod180);
            ASSERT_EQ(commands[c].letter, 'M');
            const ccVector<2> from(commands[c].numbers[0], commands[c].numbers[1]);
            const ccVector<2> to(commands[c + 1].numbers[0], commands[c + 1].numbers[1]);
            const ccVector<2> gradient(std::cos(f[4]), std::sin(f[4]));
            const ccVector<2> position(f[2], f[3]);
            const double printed = 1e-3;
            EXPECT_LT((to - (position + gradient * 8 * unitsPerPixel)).len(), printed) << k;
            EXPECT_LT((from - (mod180 ? position - gradient * 8 * unitsPerPixel : position)).len(),
                      printed)
                << k;
            c += mod180 ? 8 : 5;  // M L, then M L L per head
        }
    }
    EXPECT_EQ(k, expected.size());
}

TEST(DrawCommand, ThePictureHoldsAllItsContentWithAMargin) {
    ScratchDir dir;
    const Outcome r = run({"draw", dir.write("m.json", modelJson(kTree)), "--glyphs", "all",
                           "--featurelets", "--size", "300", "600"});
    ASSERT_EQ(r.code, kSuccess) << r.err;
    EXPECT_EQ(svg_checks::attributes(r.out, "width")[0], "300");
    EXPECT_EQ(svg_checks::attributes(r.out, "height")[0], "600");
    const auto vb = numbers(svg_checks::attributes(r.out, "viewBox")[0]);
    EXPECT_NEAR(vb[2] / 300, vb[3] / 600, 1e-6) << "the aspect kept";
    const double pixel = vb[2] / 300;
    for (const std::string& d : svg_checks::attributes(r.out, "d"))
        for (const auto& c : svg_checks::parsePath(d))
            for (std::size_t i = 0; i + 1 < c.numbers.size(); i += 2) {
                if (c.letter == 'A' && i < 5) continue;  // radii, angle and flags
                EXPECT_GT(c.numbers[i], vb[0] + pixel);
                EXPECT_LT(c.numbers[i], vb[0] + vb[2] - pixel);
                EXPECT_GT(c.numbers[i + 1], vb[1] + pixel);
                EXPECT_LT(c.numbers[i + 1], vb[1] + vb[3] - pixel);
            }
    // Strokes keep their width on screen: every stroke class says so.
    const std::string style = r.out.substr(0, r.out.find("</style>"));
    long rules = 0;
    for (std::size_t at = style.find(".s-"); at != std::string::npos; ++rules) {
        const std::size_t open = style.find('{', at), close = style.find('}', open);
        ASSERT_NE(close, std::string::npos);
        EXPECT_THAT(style.substr(open, close - open),
                    HasSubstr("vector-effect:non-scaling-stroke"));
        at = style.find(".s-", close);
    }
    EXPECT_GE(rules, 3);
}

TEST(DrawCommand, PngShowsTheSameDrawingAtTheAskedSize) {
    ScratchDir dir;
    const std::string model = dir.write(
        "m.json",
        modelJson(
            R"({"type": "Rect", "origin": [0, 0], "size": [100, 50], "model": {"weight": 1}})"));
    ASSERT_EQ(run({"draw", model, "-o", dir / "r.png", "--size", "200", "120"}).code, kSuccess);
    const ccPelBuffer_const<unsigned char> png = cfDecodePng8(slurp(dir / "r.png"));
    ASSERT_EQ(png.width(), 200);
    ASSERT_EQ(png.height(), 120);
    // Where the SVG of the same drawing puts the rectangle's sides.
    const auto vb = numbers(
        svg_checks::attributes(run({"draw", model, "--size", "200", "120"}).out, "viewBox")[0]);
    const auto column = [&](double x) { return std::lround((x - vb[0]) / vb[2] * 200 - 0.5); };
    const auto row = [&](double y) { return std::lround((y - vb[1]) / vb[3] * 120 - 0.5); };
    EXPECT_LT(png.pel(column(0), row(10)), 200) << "the left side is drawn";
    EXPECT_LT(png.pel(column(100), row(10)), 200) << "the right side is drawn";
    EXPECT_LT(png.pel(column(60), row(50)), 200) << "the bottom is drawn";
    EXPECT_EQ(png.pel(column(30), row(25)), 255) << "the inside is left white";
    EXPECT_EQ(png.pel(0, 0), 255);
}

TEST(DrawCommand, ADeepChainIsDrawnOnASmallStackWithItsWholePath) {
    // A segment 10,000 trees deep, drawn on a 2 MiB stack: the walk that
    // numbers the nodes must neither overflow it nor copy its path per level.
    constexpr long kDepth = 10000;
    ccPtrHandle_const<ccShape> node =
        cfMakeHandle<ccLineSeg>(ccVector<2>(0, 0), ccVector<2>(100, 0));
    for (long level = 0; level < kDepth; ++level) {
        auto tree = cfMakeHandle<ccGeneralShapeTree>();
        tree->addChild(node, false);
        node = tree;
    }
    std::string svg;
    cc_stack::runOnFreshStack([&] { svg = drawingSvg(*node, DrawingOptions()); }, std::size_t(2)
                                                                                      << 20);
    const auto nodes = svg_checks::attributes(svg, "data-node");
    ASSERT_EQ(nodes.size(), 2u) << "the outline and the glyph";
    std::string expected = "0";
    for (long level = 0; level < kDepth; ++level) expected += ".0";
    EXPECT_EQ(nodes[0], expected);
    EXPECT_EQ(nodes[1], expected);
}

TEST(DrawCommand, BadUsageIsRefusedAndWritesNothing) {
    ScratchDir dir;
    const std::string model = dir.write("m.json", modelJson(kLongAndShort));
    const struct {
        Args args;
        const char* message;
    } cases[] = {
        {{"-o", dir / "d.txt"}, "written as .svg or .png"},
        {{"-o", dir / "d"}, "written as .svg or .png"},
        {{"-o", dir / "d.svg", "--glyphs", "some"}, "--glyphs takes auto, all or none"},
        {{"-o", dir / "d.png", "--size", "10", "400"}, "between 32 and 20000 pixels"},
        {{"-o", dir / "d.svg", "--width", "30000"}, "--width"},
        {{"-o", dir / "d.svg", "--size", "100", "100", "--width", "100"}, "not both"},
    };
    for (const auto& c : cases) {
        Args args{"draw", model};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Outcome r = run(args);
        EXPECT_EQ(r.code, kBadInput) << c.message;
        EXPECT_THAT(r.err, HasSubstr(c.message));
    }
    EXPECT_EQ(dir.names(), std::vector<std::string>{"m.json"});
}

}  // namespace
}  // namespace shapemod::test
