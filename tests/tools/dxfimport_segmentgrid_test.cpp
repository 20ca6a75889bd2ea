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

}  // namespace
}  // namespace shapemod
