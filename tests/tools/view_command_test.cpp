// `shapemod view`: one page that needs nothing else, a tree entry and a
// drawing group per node, and refusals that leave no file behind.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "tooltest.h"

namespace shapemod::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// The node table the page's script reads.
nlohmann::json nodeTable(const std::string& page) {
    const std::string open = "<script type=\"application/json\" id=\"nodes\">";
    const auto from = page.find(open) + open.size();
    return nlohmann::json::parse(page.substr(from, page.find("</script>", from) - from));
}

std::string descriptionOf(const nlohmann::json& table, std::size_t k) {
    std::string text;
    for (const auto& n : table["nodes"][k]["lines"])
        text += table["lines"][n.get<std::size_t>()].get<std::string>() + "\n";
    return text;
}

// The group of node `k` in the layer that begins with `layer`.
std::string groupOf(const std::string& page, const std::string& layer, int k) {
    const auto from = page.find("<g data-node=\"" + std::to_string(k) + "\"", page.find(layer));
    return page.substr(from, page.find("</g>", from) - from);
}

// A closed contour of three segments: one of negative weight, one reversed,
// one with its polarity ignored.
const char* const kTriangle = R"({"format": 1, "shape": {"type": "ContourTree", "closed": true,
  "children": [
    {"type": "LineSeg", "p1": [0, 0], "p2": [40, 0], "model": {"weight": -1}},
    {"type": "LineSeg", "p1": [40, 0], "p2": [0, 30], "model": {"reversed": true}},
    {"type": "LineSeg", "p1": [0, 30], "p2": [0, 0], "model": {"ignored": true}}]}})";

TEST(View, WritesOneSelfContainedPageWithAnEntryAndADrawingGroupPerNode) {
    ScratchDir dir;
    const std::string model = dir.write("triangle.json", kTriangle);
    const Outcome r = run({"view", model, "-o", dir / "view.html"});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string page = slurp(dir / "view.html");

    // Nothing is fetched: no link, no external script, no http(s) source.
    EXPECT_THAT(page, Not(HasSubstr("<link")));
    EXPECT_THAT(page, Not(HasSubstr("<script src")));
    EXPECT_FALSE(std::regex_search(page, std::regex("(src|href)=\"(https?:)?//")));
    EXPECT_THAT(page, Not(HasSubstr("@"))) << "every placeholder filled";

    // The node table lists the nodes as `describe` does, descriptions included.
    const nlohmann::json table = nodeTable(page);
    ASSERT_EQ(table["nodes"].size(), 4u);
    const std::string described = run({"describe", model}).out;
    for (std::size_t k = 0; k < 4; ++k) {
        const std::string name = table["nodes"][k]["name"];
        EXPECT_THAT(described, HasSubstr(name + "\n"));
        std::istringstream lines(descriptionOf(table, k));
        for (std::string line; std::getline(lines, line);)
            EXPECT_THAT(described, HasSubstr(line)) << "node " << k;
    }
    EXPECT_EQ(table["nodes"][0]["level"], 0);
    EXPECT_EQ(table["nodes"][3]["level"], 1);
    EXPECT_THAT(table["nodes"][1]["effective"].get<std::string>(), HasSubstr("weight -1"));

    // Each piece's outline sits in its own group, once; the filters find
    // the pieces by the classes of their properties in force.
    for (int k = 1; k <= 3; ++k) {
        EXPECT_EQ(count(page, "<g data-node=\"" + std::to_string(k) + "\""), 2u)
            << "an outline group and a glyph group";
        EXPECT_EQ(count(groupOf(page, "<g class=\"outlines\">", k), " d=\""), 1u);
        EXPECT_GE(count(groupOf(page, "<g class=\"glyphs\">", k), " d=\""), 1u);
    }
    EXPECT_THAT(groupOf(page, "<g class=\"outlines\">", 1), HasSubstr("class=\"neg\""));
    EXPECT_THAT(groupOf(page, "<g class=\"outlines\">", 2), HasSubstr("class=\"rev\""));
    EXPECT_THAT(groupOf(page, "<g class=\"outlines\">", 3), HasSubstr("class=\"ign\""));
    EXPECT_THAT(page, HasSubstr("<g class=\"featurelets\"><path class=\"positive\""));
    EXPECT_THAT(page, HasSubstr("<path class=\"negative\""));
}

TEST(View, ModelsItCannotShowWholeAreRefusedOrToldOnThePage) {
    ScratchDir dir;
    // More nodes than the viewer shows: exit 2, the reason, no file.
    std::string leaves;
    for (int i = 0; i < 50001; ++i)
        leaves += std::string(i ? "," : "") + R"({"type": "2Point", "point": [0, 0]})";
    const std::string many = dir.write(
        "many.json",
        R"({"format": 1, "shape": {"type": "GeneralShapeTree", "children": [)" + leaves + "]}}");
    const Outcome refused = run({"view", many, "-o", dir / "many.html"});
    EXPECT_EQ(refused.code, kBadInput);
    EXPECT_THAT(refused.err, HasSubstr("more than 50000 nodes"));
    EXPECT_THAT(dir.names(), Not(testing::Contains("many.html")));

    // An infinite line is drawn across the first view, and the page says so.
    const Outcome line = run({"view", (examplesDir() / "models" / "fline.json").string()});
    ASSERT_EQ(line.code, 0) << line.err;
    EXPECT_THAT(line.out, HasSubstr("infinite extent"));
    EXPECT_EQ(nodeTable(line.out)["nodes"].size(), 1u);

    // A title that looks like a placeholder stays text.
    const std::string odd = dir.write("@SCRIPT@ <b>.json", kTriangle);
    const Outcome titled = run({"view", odd});
    ASSERT_EQ(titled.code, 0) << titled.err;
    EXPECT_EQ(count(titled.out, "'use strict'"), 1u);
    EXPECT_THAT(titled.out, HasSubstr("<title>Shape model " + dir / "@SCRIPT@ &lt;b&gt;.json"));
}

}  // namespace
}  // namespace shapemod::test
