// The segment grid against a plain look at every edge, on seeded random
// polygons whose long, slanted edges cross many cells.
#include "shapemod/dxfimport_segmentgrid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace shapemod {
namespace {

std::vector<DxfSegment> randomPolygons(std::mt19937& rng, std::size_t polygons) {
    std::uniform_real_distribution<double> coord(-100, 100);
    std::vector<DxfSegment> segments;
    for (std::size_t k = 0; k < polygons; ++k) {
        std::vector<ccVector<2>> corners;
        for (int i = 0; i < 3 + static_cast<int>(rng() % 4); ++i)
            corners.push_back({coord(rng), coord(rng)});
        for (std::size_t i = 0; i < corners.size(); ++i)
            segments.push_back({corners[i], corners[(i + 1) % corners.size()], k});
    }
    return segments;
}

std::vector<std::size_t> holdersByEveryEdge(const std::vector<DxfSegment>& segments,
                                            const ccVector<2>& p) {
    std::vector<std::size_t> crossings;
    for (const DxfSegment& s : segments)
        if ((s.a.y() > p.y()) != (s.b.y() > p.y()) &&
            s.a.x() + (p.y() - s.a.y()) * (s.b.x() - s.a.x()) / (s.b.y() - s.a.y()) > p.x())
            crossings.push_back(s.owner);
    std::sort(crossings.begin(), crossings.end());
    std::vector<std::size_t> inside;
    for (std::size_t i = 0; i < crossings.size();) {
        std::size_t j = i;
        while (j < crossings.size() && crossings[j] == crossings[i]) ++j;
        if ((j - i) % 2 == 1) inside.push_back(crossings[i]);
        i = j;
    }
    return inside;
}

double cross(const ccVector<2>& u, const ccVector<2>& v) {
    return u.x() * v.y() - u.y() * v.x();
}

bool crossProperly(const DxfSegment& s, const DxfSegment& t) {
    return cross(s.b - s.a, t.a - s.a) * cross(s.b - s.a, t.b - s.a) < 0 &&
           cross(t.b - t.a, s.a - t.a) * cross(t.b - t.a, s.b - t.a) < 0;
}

TEST(DxfSegmentGrid, LocatesAndFindsCrossingsAsEveryEdgeLookedAtDoes) {
    std::mt19937 rng(424242);
    std::uniform_real_distribution<double> coord(-110, 110);
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        const std::vector<DxfSegment> segments = randomPolygons(rng, 2 + rng() % 30);
        const DxfSegmentGrid grid(segments, 1e-9);
        std::vector<std::size_t> inside, touching;
        for (int i = 0; i < 200; ++i) {
            const ccVector<2> p(coord(rng), coord(rng));
            grid.locate(p, inside, touching);
            ASSERT_EQ(inside, holdersByEveryEdge(segments, p)) << p.x() << ", " << p.y();
        }
        std::vector<std::pair<std::size_t, std::size_t>> pairs;
        for (const DxfSegment& s : segments)
            for (const DxfSegment& t : segments)
                if (s.owner < t.owner && crossProperly(s, t)) pairs.emplace_back(s.owner, t.owner);
        std::sort(pairs.begin(), pairs.end());
        pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
        EXPECT_EQ(grid.conflictingOwners(), pairs);
    }
}

// Outlines of one drawing may share a corner or a short stretch of edge, but
// not more: collinear edges conflict only where they run along each other
// over more than the touch distance, whatever their length or slant.
TEST(DxfSegmentGrid, CollinearEdgesConflictOnlyOverMoreThanTheTouchDistance) {
    const ccVector<2> slant(0.6, 0.8), base(100, 100);
    const std::vector<DxfSegment> segments = {
        {{0, 0}, {10, 0}, 0},
        {{8, 0}, {20, 0}, 1},  // along each other over 2
        {{30, 0}, {40, 0}, 2},
        {{50, 0}, {39.5, 0}, 3},  // over 0.5, drawn backwards
        {{0, 20}, {5, 20}, 4},
        {{5, 20}, {9, 20}, 5},                       // meet at an end
        {base, base + slant * 5, 6},                 // slanted, 5 long
        {base + slant * 2.5, base + slant * 10, 7},  // along it over 2.5
        {{60, 30}, {60, 30.8}, 8},
        {{60, 30.1}, {60, 30.7}, 9},  // short, over 0.6
        {{200, 0}, {210, 0}, 10},
        {{205, 1e-14}, {215, 1e-14}, 11},  // off the line by rounding noise: along it
    };
    const std::vector<std::pair<std::size_t, std::size_t>> expected = {{0, 1}, {6, 7}, {10, 11}};
    EXPECT_EQ(DxfSegmentGrid(segments, 1.0).conflictingOwners(), expected);
    const std::vector<std::pair<std::size_t, std::size_t>> finer = {
        {0, 1}, {2, 3}, {6, 7}, {8, 9}, {10, 11}};
    EXPECT_EQ(DxfSegmentGrid(segments, 0.4).conflictingOwners(), finer);
}

// A point touches an outline that passes within the touch distance of it,
// beside an edge or beyond its end, wherever the edge lies.
TEST(DxfSegmentGrid, PointsWithinTheTouchDistanceOfAnEdgeTouchItsOwner) {
    const std::vector<DxfSegment> segments = {{{10, 10}, {20, 10}, 0},
                                              {{20, 10}, {20, 20}, 0},
                                              {{20, 20}, {10, 10}, 0},
                                              {{40, 12}, {30, 12}, 1}};
    const DxfSegmentGrid grid(segments, 0.5);
    const struct {
        ccVector<2> p;
        std::vector<std::size_t> touching;
    } cases[] = {
        {{15, 10.3}, {0}},   {{15, 9.6}, {0}}, {{15, 10.6}, {}},  {{20.3, 9.8}, {0}},
        {{9.6, 10}, {0}},    {{9.4, 10}, {}},  {{35, 12.4}, {1}}, {{29.7, 12}, {1}},
        {{40.4, 12.1}, {1}}, {{35, 11.4}, {}}, {{25, 11}, {}},
    };
    std::vector<std::size_t> inside, touching;
    for (const auto& c : cases) {
        grid.locate(c.p, inside, touching);
        EXPECT_EQ(touching, c.touching) << c.p.x() << ", " << c.p.y();
    }
}

}  // namespace
}  // namespace shapemod
