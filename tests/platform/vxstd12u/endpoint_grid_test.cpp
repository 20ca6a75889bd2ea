#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "vxstd12u/endpointgrid.h"
#include "vxstd12u/errors.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct Stored {
    ccVector<2> point;
    std::size_t id;
    bool removed;
};

// What a grid must answer, found by looking at every point.
std::vector<std::size_t> idsNearByScan(const std::vector<Stored>& all, const ccVector<2>& p,
                                       double d) {
    std::vector<std::size_t> ids;
    for (const Stored& s : all)
        if (!s.removed && (s.point - p).len() < d) ids.push_back(s.id);
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
}

std::optional<std::size_t> lowestByScan(const std::vector<Stored>& all, std::size_t after,
                                        const ccVector<2>& a, const ccVector<2>& b, double d) {
    std::optional<std::size_t> best;
    for (const Stored& s : all) {
        const bool near = (s.point - a).len() < d || (s.point - b).len() < d;
        if (!s.removed && near && s.id > after && (!best || s.id < *best)) best = s.id;
    }
    return best;
}

// Coordinates on a lattice of spacing d, nudged by a fraction of d or by one
// ulp, so that gaps of exactly d and just either side of it are common.
double latticeCoordinate(std::mt19937_64& rng, double d, double scale) {
    std::uniform_int_distribution<int> cell(-6, 6), kind(0, 9);
    double v = cell(rng) * d + scale;
    switch (kind(rng)) {
        case 0:
            return std::nextafter(v, kInf);
        case 1:
            return std::nextafter(v, -kInf);
        case 2:
            return v + d / 2;
        case 3:
            return kNaN;
        default:
            return v;
    }
}

}  // namespace

TEST(EndPointGrid, AgreesWithAScanOfEveryPointThroughInsertsAndRemovals) {
    // Around the origin, far out where a cell is a few ulps wide, beyond the
    // cell limit, and with a distance so small that cell numbers overflow.
    const std::vector<std::pair<double, double>> settings{{0.5, 0},  {1, 1e6},    {0.25, 1e14},
                                                          {1, 3e12}, {1e-300, 1}, {3, 1e300}};
    std::mt19937_64 rng(20);
    for (const auto& [d, scale] : settings) {
        // One grid filled point by point, one in bulk; ids in any order.
        ccEndPointGrid grid(d), bulk(d);
        std::vector<Stored> all;
        std::vector<ccEndPointGrid::Point> points;
        std::vector<std::size_t> ids(120);
        for (std::size_t id = 0; id < ids.size(); ++id) ids[id] = id;
        std::shuffle(ids.begin(), ids.end(), rng);
        for (const std::size_t id : ids) {
            for (int k = 0; k < 2; ++k) {
                const ccVector<2> p(latticeCoordinate(rng, d, scale),
                                    latticeCoordinate(rng, d, scale));
                const bool finite = std::isfinite(p.x()) && std::isfinite(p.y());
                EXPECT_EQ(grid.insert(p, id), finite);
                points.push_back({p, id});
                if (finite) all.push_back({p, id, false});
            }
        }
        EXPECT_EQ(bulk.insert(points), all.size());
        for (std::size_t round = 0; round < 200; ++round) {
            const ccVector<2> a(latticeCoordinate(rng, d, scale), latticeCoordinate(rng, d, scale));
            const ccVector<2> b(latticeCoordinate(rng, d, scale), latticeCoordinate(rng, d, scale));
            bulk.warm(a);
            const std::vector<std::size_t> near = idsNearByScan(all, a, d);
            ASSERT_EQ(grid.idsNear(a), near) << d << " " << scale;
            ASSERT_EQ(bulk.idsNear(a), near) << d << " " << scale;
            const std::size_t after = round % 60;
            const std::optional<std::size_t> lowest = lowestByScan(all, after, a, b, d);
            ASSERT_EQ(grid.lowestIdNearAfter(after, a, b), lowest) << d << " " << scale;
            ASSERT_EQ(bulk.lowestIdNearAfter(after, a, b), lowest) << d << " " << scale;
            const std::size_t gone = rng() % 120;
            grid.remove(gone);
            bulk.remove(gone);
            EXPECT_FALSE(grid.contains(gone));
            EXPECT_FALSE(bulk.contains(gone));
            for (Stored& s : all) s.removed = s.removed || s.id == gone;
        }
    }
}

TEST(EndPointGrid, NearnessIsStrictAndNonFinitePointsAreNearNothing) {
    ccEndPointGrid grid(1.0);
    EXPECT_TRUE(grid.insert({0, 0}, 3));
    EXPECT_TRUE(grid.insert({1, 0}, 4));  // exactly d away: not near
    EXPECT_TRUE(grid.insert({0, std::nextafter(1.0, 0.0)}, 5));
    EXPECT_FALSE(grid.insert({kNaN, 0}, 6));
    EXPECT_FALSE(grid.insert({kInf, 0}, 6));
    EXPECT_FALSE(grid.contains(6));
    EXPECT_EQ(grid.idsNear({0, 0}), (std::vector<std::size_t>{3, 5}));
    EXPECT_TRUE(grid.idsNear({kNaN, 0}).empty());
    EXPECT_FALSE(grid.lowestIdNearAfter(0, {kInf, 0}, {0, kNaN}));
    EXPECT_EQ(grid.lowestIdNearAfter(3, {kNaN, 0}, {0, 0}), 5U);
    EXPECT_EQ(grid.lowestIdNearAfter(0, {1, 0}, {50, 50}), 4U);

    // Both points of one id in one cell; removal takes both.
    EXPECT_TRUE(grid.insert({0.1, 0.1}, 4));
    grid.remove(4);
    EXPECT_EQ(grid.idsNear({0.1, 0.5}), (std::vector<std::size_t>{3, 5}));
    grid.remove(4);  // no longer there: ignored
    // A removed id stays removed, and the refusal stores nothing.
    EXPECT_THROW(grid.insert({0.5, 0}, 4), ccShapesError::BadParams);
    EXPECT_EQ(grid.idsNear({0.1, 0.5}), (std::vector<std::size_t>{3, 5}));
    EXPECT_THROW(grid.insert({0, 0}, std::size_t{1} << 40), ccShapesError::BadParams);
    EXPECT_THROW(grid.insert({0, 0}, 4294967295U), ccShapesError::BadParams);
    // A bulk insert with one bad id stores none of the others.
    EXPECT_THROW(grid.insert({{{0, 0}, 7}, {{0, 0}, 4}}), ccShapesError::BadParams);
    EXPECT_FALSE(grid.contains(7));
    EXPECT_EQ(grid.idsNear({0, 0}), (std::vector<std::size_t>{3, 5}));
}

TEST(EndPointGrid, NothingIsNearUnderAZeroNegativeOrNaNDistanceAndAllIsUnderInfinity) {
    for (double d : {0.0, -1.0, kNaN}) {
        ccEndPointGrid grid(d);
        EXPECT_TRUE(grid.insert({0, 0}, 0));
        EXPECT_TRUE(grid.contains(0));
        EXPECT_TRUE(grid.idsNear({0, 0}).empty());
        EXPECT_FALSE(grid.lowestIdNearAfter(0, {0, 0}, {0, 0}));
    }
    ccEndPointGrid all(kInf);
    all.insert({-1e300, 0}, 0);
    all.insert({1e300, 1e300}, 1);
    all.insert({-1e308, 0}, 2);
    // The difference to 1e308 overflows to an infinite length, which is not
    // below an infinite distance.
    EXPECT_EQ(all.idsNear({1e308, 0}), (std::vector<std::size_t>{0, 1}));
    EXPECT_EQ(all.lowestIdNearAfter(0, {5, 5}, {5, 5}), 1U);
}
