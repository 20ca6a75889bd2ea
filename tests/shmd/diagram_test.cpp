// Structure diagrams laid out by hand: glyphs of size 1, leaves 1.5 apart,
// links leaving each parent's glyph where its type says.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "model_fixtures.h"
#include "platform/vxstd12u/shape_checks.h"
#include "shmd/inspect.h"

namespace {

using namespace fixtures;
using shape_checks::expectSamePoint;
using V = ccVector<2>;

struct Link {
    V from, to;
};

// The links of `diagram`, which come before its icons.
void expectLinks(const ccStructureDiagram& diagram, const std::vector<Link>& links) {
    ASSERT_GT(diagram.graphics.size(), static_cast<long>(links.size()));
    const ccGraphicProps linkProps(ccColor::blueColor(), 1);
    for (std::size_t i = 0; i < links.size(); ++i) {
        SCOPED_TRACE(i);
        const auto& g = dynamic_cast<const ccGraphicShape&>(*diagram.graphics.at(i));
        EXPECT_EQ(g.props(), linkProps);
        const auto& segment = dynamic_cast<const ccLineSeg&>(g.shape());
        expectSamePoint(segment.p1(), links[i].from, 1e-12);
        expectSamePoint(segment.p2(), links[i].to, 1e-12);
    }
}

TEST(Diagram, LinksRunFromWhereEachParentTypeSendsThemToTheTopsOfTheirParts) {
    const double r = 0.5 * std::sqrt(0.5);  // h along a diagonal
    {
        // Leaves at x = 0, 1.5, 3 and the root over the middle. The lower gap
        // starts at the glyph size (the spread asks for only 2 / (2 tan 60)),
        // then takes the 0.5 by which the root's half spread of 1.5 and its
        // size outgrow two levels: leaves at y = 1, the root at 1 + 1.5 + 1.
        const auto tree = general({segment(0, 0, 1, 0), circle(0, 0, 1), segment(0, 0, 0, 1)});
        expectLinks(cfStructureDiagrams(*tree, ccDrawShapeParams())[0],
                    {{{1.1, 3}, {0, 1.5}}, {{1.5, 3}, {1.5, 1.5}}, {{1.9, 3}, {3, 1.5}}});
    }
    {
        // Two pieces at x = 0 and 1.5 under a root at (0.75, 3); links leave
        // its octagon at -135 and -45 degrees.
        const auto tree = contour(false, {segment(0, 0, 1, 0), segment(1, 0, 1, 1)});
        const auto diagram = cfStructureDiagrams(*tree, ccDrawShapeParams())[0];
        expectLinks(diagram, {{{0.75 - r, 3 - r}, {0, 1.5}}, {{0.75 + r, 3 - r}, {1.5, 1.5}}});
        // The contour's icon is an octagon standing on a side: its corners
        // lie h from the centre, 22.5 degrees off the axes.
        ccRect icon;
        ASSERT_TRUE(diagram.graphics.at(2)->extent(icon));
        EXPECT_NEAR(icon.width(), std::cos(ccPi / 8), 1e-12);
        EXPECT_NEAR(icon.height(), std::cos(ccPi / 8), 1e-12);
    }
    {
        // The boundary at x = 0, the hole at 1.5 over its own boundary: three
        // levels one glyph apart (y = 5, 3, 1), the root at x = 0.75. A
        // boundary link leaves the lower left corner, a lone child's the middle.
        ccRegionTree region(*square(0, 0, 100), false);
        region.addChild(circle(50, 50, 10), true);
        const auto diagrams = cfStructureDiagrams(region, ccDrawShapeParams());
        ASSERT_EQ(diagrams.size(), 4u);  // tree, boundary, hole, its boundary
        expectLinks(
            diagrams[0],
            {{{0.3, 4.55}, {0, 3.5}}, {{0.75, 4.5}, {1.5, 3.5}}, {{1.05, 2.55}, {1.5, 1.5}}});
        EXPECT_EQ(diagrams[0].graphics.size(), 3 + 4);
        // A leaf's diagram is its icon alone.
        EXPECT_EQ(diagrams[1].graphics.size(), 1);
    }
}

TEST(Diagram, EveryIconFitsItsGlyphAndShowsTheModelsColour) {
    // One leaf of each type, every other one a model, under a general tree:
    // leaf k centred at (1.5 k, 1); its icon lies within the glyph, half a
    // unit each way.
    auto tree = cfMakeHandle<ccGeneralShapeTree>();
    std::vector<ConstShape> leaves;
    for (const auto& leaf : archive_fixtures::oneOfEachLeaf())
        leaves.push_back(leaves.size() % 2 ? model(leaf, weight(2)) : leaf);
    for (const auto& leaf : leaves) tree->addChild(leaf, false);
    const ccStructureDiagram diagram = cfStructureDiagrams(*tree, ccDrawShapeParams())[0];
    const long n = static_cast<long>(leaves.size());
    ASSERT_EQ(diagram.graphics.size(), n + n + 1);  // links, the root's icon, the leaves'
    for (long k = 0; k < n; ++k) {
        SCOPED_TRACE(k);
        const auto& icon = *diagram.graphics.at(n + 1 + k);
        ccRect box;
        ASSERT_TRUE(icon.extent(box));
        EXPECT_GE(box.xMin(), 1.5 * k - 0.5 - 1e-12);
        EXPECT_LE(box.xMax(), 1.5 * k + 0.5 + 1e-12);
        EXPECT_GE(box.yMin(), 0.5 - 1e-12);
        EXPECT_LE(box.yMax(), 1.5 + 1e-12);
        // ... and is a figure, not a dot or a stroke along one axis.
        EXPECT_GT(box.width(), 0.25);
        EXPECT_GT(box.height(), 0.25);
        const bool isModel = dynamic_cast<const ccShapeModel*>(leaves[k].get()) != nullptr;
        EXPECT_EQ(icon.props(),
                  ccGraphicProps(isModel ? ccColor::orangeColor() : ccColor::yellowColor(), 2));
    }
    // The root stands over the middle of its leaves.
    ccRect root;
    ASSERT_TRUE(diagram.graphics.at(n)->extent(root));
    EXPECT_NEAR(root.center().x(), 0.75 * static_cast<double>(n - 1), 1e-12);
}

TEST(Diagram, GapsAreWaterFilledFromTheSmallest) {
    std::vector<double> gaps{1, 3, 2};
    cfWaterFillGaps(gaps, 2);
    EXPECT_EQ(gaps, (std::vector<double>{2.5, 3, 2.5}));
    cfWaterFillGaps(gaps, 0);
    EXPECT_EQ(gaps, (std::vector<double>{2.5, 3, 2.5}));
    cfWaterFillGaps(gaps, 10);
    EXPECT_NEAR(gaps[0] + gaps[1] + gaps[2], 18, 1e-12);
    EXPECT_EQ(gaps[0], gaps[1]);
}

}  // namespace
