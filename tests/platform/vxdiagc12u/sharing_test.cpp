// Pages that write each image and each piece of drawing once: the
// composition of drawings from their parts, and the report built on it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <regex>
#include <sstream>

#include "vxdiagc12u/composition.h"
#include "vxdiagc12u/diag.h"
#include "vxstd12u/line.h"

namespace {

// The elements a composition paints, wholly taken drawings followed down.
void paint(const std::vector<ccDrawingPart>& parts, std::vector<int>& out) {
    for (const ccDrawingPart& part : parts) {
        if (part.kind == ccDrawingPart::eElement) out.push_back(part.element);
        if (part.kind == ccDrawingPart::eWhole) paint(part.drawing->parts, out);
        if (part.kind == ccDrawingPart::ePartial) paint(part.parts, out);
    }
}

std::multiset<int> painted(const ccComposedDrawing& d) {
    std::vector<int> out;
    paint(d.parts, out);
    return {out.begin(), out.end()};
}

ccComposedDrawing leaf(int id, std::vector<int> elements) {
    ccComposedDrawing d{id, std::move(elements), {}};
    cfCompose(d, {});
    return d;
}

TEST(Composition, TakesCandidatesWholeWherePossibleAndSplitsOnlyThoseThatDoNotFit) {
    const ccComposedDrawing a = leaf(1, {10, 11});
    const ccComposedDrawing b = leaf(2, {20, 21});
    const ccComposedDrawing empty = leaf(4, {});
    // Outlines first, then glyphs, as a tree's drawing lists them; b's
    // second element is drawn otherwise at the parent (21 -> 99).
    ccComposedDrawing parent{3, {10, 20, 11, 99}, {}};
    cfCompose(parent, {&a, &empty, &b});
    ASSERT_EQ(parent.parts.size(), 3u);
    EXPECT_EQ(parent.parts[0].kind, ccDrawingPart::eWhole);
    EXPECT_EQ(parent.parts[0].drawing, &a);
    EXPECT_EQ(parent.parts[1].kind, ccDrawingPart::ePartial);
    EXPECT_EQ(parent.parts[1].drawing, &b);
    ASSERT_EQ(parent.parts[1].parts.size(), 1u);
    EXPECT_EQ(parent.parts[1].parts[0].element, 20);
    EXPECT_EQ(parent.parts[2].kind, ccDrawingPart::eElement);
    EXPECT_EQ(parent.parts[2].element, 99);

    // One level up, the parent is taken whole; its elements are written
    // once: 20 and 99 at the parent, 10 and 11 in a, 21 in b.
    ccComposedDrawing top{5, {10, 11, 20, 99, 20, 21}, {}};
    cfCompose(top, {&parent, &b});
    EXPECT_EQ(top.parts[0].kind, ccDrawingPart::eWhole);
    EXPECT_EQ(top.parts[1].kind, ccDrawingPart::eWhole) << "the 20 and 21 left are b's";
    const auto uses = cfElementUses({&a, &b, &parent, &top}, 100);
    EXPECT_EQ(uses[10], 1u);
    EXPECT_EQ(uses[20], 2u) << "in b and in the part of b the parent took";
    EXPECT_EQ(uses[99], 1u);
    EXPECT_THROW(cfElementUses({&a}, 5), std::out_of_range);
}

// Whatever the candidates, a composition paints exactly its drawing's
// elements, counted with multiplicity.
TEST(Composition, PaintsExactlyTheDrawingsElementsWhateverTheCandidates) {
    std::mt19937 random(21);
    std::uniform_int_distribution<int> element(0, 12), length(0, 8);
    for (int trial = 0; trial < 300; ++trial) {
        std::vector<ccComposedDrawing> pool;
        pool.reserve(12);
        for (int i = 0; i < 12; ++i) {
            ccComposedDrawing d{i, {}, {}};
            for (int n = length(random); n > 0; --n) d.elements.push_back(element(random));
            std::vector<const ccComposedDrawing*> candidates;
            for (int j = 0; j < i; ++j)
                if (random() % 3 == 0) candidates.push_back(&pool[static_cast<std::size_t>(j)]);
            pool.push_back(std::move(d));
            cfCompose(pool.back(), candidates);
            EXPECT_EQ(painted(pool.back()),
                      std::multiset<int>(pool.back().elements.begin(), pool.back().elements.end()))
                << "trial " << trial << " drawing " << i;
        }
    }
}

ccGraphicList segments(const std::vector<std::pair<ccVector<2>, ccVector<2>>>& ends) {
    ccGraphicList list;
    for (const auto& [a, b] : ends)
        list.append(ccPtrHandle<ccGraphic>(new ccGraphicSimple<ccLineSeg>(
            ccLineSeg(a, b), ccGraphicProps(ccColor::yellowColor()))));
    return list;
}

std::string reportOf(const ccDiagObject& diag) {
    std::ostringstream out;
    diag.writeHtml(out);
    return out.str();
}

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// Records nested as a shape tree's: each node's drawing shows its subtree.
// A chain of `depth` nodes, node k drawing the segments k .. depth - 1.
ccDiagObject chainReport(int depth, const ccPelBuffer_const<unsigned char>& image) {
    ccDiagObject diag;
    for (int k = 0; k < depth; ++k) {
        diag.level(k);
        ccDiagRecord& record = diag.newDiagRecord();
        record.image(image, false);
        std::vector<std::pair<ccVector<2>, ccVector<2>>> ends;
        for (int j = k; j < depth; ++j) ends.push_back({{1.0 * j, 0}, {1.0 * j, 5}});
        // Deeper nodes first, as a tree's outline pass reaches them last.
        std::reverse(ends.begin(), ends.end());
        record.graphics(segments(ends), ccDisplay::eImageCoords, L"Shape Drawing");
    }
    return diag;
}

TEST(HtmlReport, WritesEachImageAndEachNodesDrawingOnce) {
    const ccPelBuffer_const<unsigned char> image(40, 30, std::vector<unsigned char>(1200, 7));
    const int depth = 40;
    const std::string html = reportOf(chainReport(depth, image));
    EXPECT_EQ(count(html, "data:image/png"), 1u);
    EXPECT_EQ(count(html, "<use href=\"#i0\"/>"), static_cast<std::size_t>(depth));
    for (int j = 0; j < depth; ++j)
        EXPECT_EQ(count(html, "d=\"M " + std::to_string(j) + " 0 L " + std::to_string(j) + " 5\""),
                  1u)
            << "segment " << j;
    // A shared drawing holds elements only: references never nest.
    const std::regex shared("<g id=\"d\\d+\">([^]*?)</g>");
    std::size_t groups = 0;
    for (auto it = std::sregex_iterator(html.begin(), html.end(), shared);
         it != std::sregex_iterator(); ++it, ++groups)
        EXPECT_EQ((*it)[1].str().find("<use"), std::string::npos) << (*it)[0];
    EXPECT_EQ(groups, static_cast<std::size_t>(depth - 1)) << "all but the top one are reused";

    // A copy of the pixels is still the same image; other pixels are not.
    ccDiagObject twoImages;
    twoImages.newDiagRecord().image(image, false);
    twoImages.newDiagRecord().image(
        ccPelBuffer_const<unsigned char>(40, 30, std::vector<unsigned char>(1200, 7)), false);
    twoImages.newDiagRecord().image(
        ccPelBuffer_const<unsigned char>(40, 30, std::vector<unsigned char>(1200, 8)), false);
    twoImages.newDiagRecord().image(
        ccPelBuffer_const<unsigned short>(40, 30, std::vector<unsigned short>(1200, 7)), false);
    EXPECT_EQ(count(reportOf(twoImages), "data:image/png"), 3u);
}

TEST(HtmlReport, DeepRecordsStartCollapsedAndEveryRecordKeepsItsSection) {
    const std::string html = reportOf(
        chainReport(4, ccPelBuffer_const<unsigned char>(8, 8, std::vector<unsigned char>(64))));
    EXPECT_EQ(count(html, "<section class=\"diag-record\""), 4u);
    EXPECT_EQ(count(html, "<details open>"), 1u) << "the top record";
    EXPECT_EQ(count(html, "<details>"), 3u);
    // Folded records keep their pictures in templates until unfolded.
    EXPECT_EQ(count(html, "<template class=\"pictures\">"), 3u);
}

}  // namespace
