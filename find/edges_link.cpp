#include <algorithm>
#include <cmath>
#include <numeric>
#include <tuple>

#include "find/edges_points.h"
#include "find/tolerances.h"

namespace {

// A proposed link from point `from` to point `to`, the next along the edge.
struct Link {
    std::int32_t from, to;
    double distance2;

    bool operator<(const Link& o) const {
        return std::tie(distance2, from, to) < std::tie(o.distance2, o.from, o.to);
    }
};

// The tangent of travel: the gradient turned by -90 degrees, so that the
// gradient lies on the left.
double tangentX(const ccEdgePoint& p) {
    return p.gy;
}
double tangentY(const ccEdgePoint& p) {
    return -p.gx;
}

// How far `q` lies ahead of `p` along their mean tangent: positive ahead,
// negative behind. Summing the two tangents makes the order antisymmetric,
// so two points never both stand ahead of each other.
double aheadness(const ccEdgePoint& p, const ccEdgePoint& q) {
    return (q.x - p.x) * (tangentX(p) + tangentX(q)) + (q.y - p.y) * (tangentY(p) + tangentY(q));
}

bool isSameEdgeSide(const ccEdgePoint& p, const ccEdgePoint& q) {
    return p.gx * q.gx + p.gy * q.gy > 0;
}

// The points near each point of a map taken in raster order. The points of
// a row come in column order, so where each row of the window starts only
// moves forward along a row of points: no search per point.
class RasterWindow {
  public:
    explicit RasterWindow(const ccEdgePointMap& map) : map_(map) {}

    // Calls f(index) for each point within kEdgeLinkReach columns and rows
    // of `p`, which comes after the points asked about before in raster order.
    template <class F>
    void forEachNear(const ccEdgePoint& p, F f) {
        constexpr int reach = cc_find_tol::kEdgeLinkReach;
        if (p.row != row_) {
            row_ = p.row;
            for (int k = 0; k <= 2 * reach; ++k)
                first_[k] = map_.rowStart[std::clamp<long>(row_ - reach + k, 0, map_.height)];
        }
        for (int k = 0; k <= 2 * reach; ++k) {
            const long r = row_ - reach + k;
            if (r < 0 || r >= map_.height) continue;
            const std::int32_t end = map_.rowStart[r + 1];
            std::int32_t& i = first_[k];
            while (i < end && map_.points[i].col < p.col - reach) ++i;
            for (std::int32_t j = i; j < end && map_.points[j].col <= p.col + reach; ++j) f(j);
        }
    }

  private:
    const ccEdgePointMap& map_;
    int row_ = -1;
    std::int32_t first_[2 * cc_find_tol::kEdgeLinkReach + 1] = {};
};

// Each point's nearest neighbour ahead and nearest behind (-1: none), as
// the links they would make.
struct Nearest {
    std::vector<Link> ahead, behind;
};

Nearest nearestNeighbours(const ccEdgePointMap& map) {
    const std::size_t n = map.points.size();
    Nearest nearest{std::vector<Link>(n, Link{-1, -1, HUGE_VAL}),
                    std::vector<Link>(n, Link{-1, -1, HUGE_VAL})};
    RasterWindow window(map);
    for (std::size_t i = 0; i < n; ++i) {
        const ccEdgePoint& p = map.points[i];
        const auto self = static_cast<std::int32_t>(i);
        Link& ahead = nearest.ahead[i];
        Link& behind = nearest.behind[i];
        window.forEachNear(p, [&](std::int32_t j) {
            const ccEdgePoint& q = map.points[j];
            if (j == self || !isSameEdgeSide(p, q)) return;
            const double d2 = (q.x - p.x) * (q.x - p.x) + (q.y - p.y) * (q.y - p.y);
            const double along = aheadness(p, q);
            if (along > 0 && d2 < ahead.distance2) ahead = {self, j, d2};
            if (along < 0 && d2 < behind.distance2) behind = {j, self, d2};
        });
    }
    return nearest;
}

// The links to try, in the order they are tried. Links both ends chose
// (each point's nearest ahead is the other's nearest behind) go first, in
// raster order: they never compete, and on a clean edge they are nearly
// all. The rest follow shortest first.
std::vector<Link> orderedProposals(const Nearest& nearest) {
    std::vector<Link> mutual, rest;
    mutual.reserve(nearest.ahead.size());
    for (std::size_t i = 0; i < nearest.ahead.size(); ++i) {
        const Link& ahead = nearest.ahead[i];
        if (ahead.to >= 0) {
            const bool isMutual = nearest.behind[ahead.to].from == ahead.from;
            (isMutual ? mutual : rest).push_back(ahead);
        }
        const Link& behind = nearest.behind[i];
        if (behind.from >= 0 && nearest.ahead[behind.from].to != behind.to) rest.push_back(behind);
    }
    std::sort(rest.begin(), rest.end());
    mutual.insert(mutual.end(), rest.begin(), rest.end());
    return mutual;
}

// Disjoint sets of points joined by accepted links, with their sizes.
class PointSets {
  public:
    explicit PointSets(std::size_t n) : parent_(n), size_(n, 1) {
        std::iota(parent_.begin(), parent_.end(), 0);
    }
    std::int32_t root(std::int32_t i) {
        while (parent_[i] != i) i = parent_[i] = parent_[parent_[i]];
        return i;
    }
    long size(std::int32_t root) const { return size_[root]; }
    void join(std::int32_t a, std::int32_t b) {
        a = root(a);
        b = root(b);
        if (size_[a] < size_[b]) std::swap(a, b);
        parent_[b] = a;
        size_[a] += size_[b];
    }

  private:
    std::vector<std::int32_t> parent_;
    std::vector<long> size_;
};

// Successor and predecessor of every point (-1: none).
struct Links {
    std::vector<std::int32_t> next, prev;
};

// The proposals accepted in turn, each while its ends are free; one that
// would close a chain on itself only when the loop is long enough.
Links acceptLinks(const std::vector<Link>& proposals, std::size_t numPoints) {
    Links l{std::vector<std::int32_t>(numPoints, -1), std::vector<std::int32_t>(numPoints, -1)};
    PointSets sets(numPoints);
    for (const Link& link : proposals) {
        if (l.next[link.from] >= 0 || l.prev[link.to] >= 0) continue;
        const std::int32_t a = sets.root(link.from), b = sets.root(link.to);
        if (a == b && sets.size(a) < cc_find_tol::kMinClosedEdgeChain) continue;
        if (a != b) sets.join(a, b);
        l.next[link.from] = link.to;
        l.prev[link.to] = link.from;
    }
    return l;
}

// The points of the chain that starts at `start`, in order, marked visited.
std::vector<const ccEdgePoint*> walkChain(const ccEdgePointMap& map, const Links& links,
                                          std::int32_t start, std::vector<char>& visited) {
    std::vector<const ccEdgePoint*> chain;
    std::int32_t i = start;
    do {
        visited[i] = 1;
        chain.push_back(&map.points[i]);
        i = links.next[i];
    } while (i >= 0 && i != start);
    return chain;
}

// One chain's points with what the curvature under each needs: the
// gradient's direction and the length of the step to the next point.
struct Chain {
    std::vector<const ccEdgePoint*> points;
    std::vector<double> angles, steps;
    bool closed;

    Chain(std::vector<const ccEdgePoint*> walked, bool isClosed)
        : points(std::move(walked)), closed(isClosed) {
        const std::size_t n = points.size();
        for (std::size_t i = 0; i < n; ++i) {
            const ccEdgePoint& p = *points[i];
            const ccEdgePoint& q = *points[(i + 1) % n];
            angles.push_back(std::atan2(p.gy, p.gx));
            steps.push_back(std::sqrt((q.x - p.x) * (q.x - p.x) + (q.y - p.y) * (q.y - p.y)));
        }
    }
    long size() const { return static_cast<long>(points.size()); }
    std::size_t wrap(long i) const {
        return static_cast<std::size_t>((i % size() + size()) % size());
    }
};

// The turn of the gradient per pixel of arc at point `i`, over
// kEdgeCurvatureSpan points either way (fewer at an open chain's ends):
// positive where the edge curves towards the side its gradient points to.
double curvatureAt(const Chain& chain, long i) {
    const long n = chain.size();
    const long span = std::min(cc_find_tol::kEdgeCurvatureSpan, (n - 1) / 2);
    const long first = chain.closed ? i - span : std::max(0L, i - span);
    const long last = chain.closed ? i + span : std::min(n - 1, i + span);
    double arc = 0;
    for (long j = first; j < last; ++j) arc += chain.steps[chain.wrap(j)];
    if (arc <= 0) return 0;
    return std::remainder(chain.angles[chain.wrap(last)] - chain.angles[chain.wrap(first)],
                          2 * M_PI) /
           arc;
}

// Where point `i` would be without the blur's curvature bias. The
// gradient's peak on a curve of curvature k, under a blur of variance w2
// along the edge, lies w2 k / 2 towards the centre of curvature; the
// variance across the edge stands for the one along it, which the same blur
// makes.
ccVector<2> unbiasedPosition(const Chain& chain, long i) {
    const ccEdgePoint& p = *chain.points[static_cast<std::size_t>(i)];
    const double shift =
        std::clamp(p.width2 * curvatureAt(chain, i) / 2, -cc_find_tol::kMaxEdgeCurvatureShift,
                   cc_find_tol::kMaxEdgeCurvatureShift);
    const double g = std::sqrt(p.gx * p.gx + p.gy * p.gy);
    return ccVector<2>(p.x - shift * p.gx / g, p.y - shift * p.gy / g);
}

// Appends the chain that starts at `start` to `out` when it is long enough,
// marking its points visited either way.
void emitChain(const ccEdgePointMap& map, const Links& links, std::int32_t start, bool closed,
               long minLength, ccVector<2> offset, std::vector<char>& visited,
               ccFeatureletChainSet& out) {
    std::vector<const ccEdgePoint*> walked = walkChain(map, links, start, visited);
    if (static_cast<long>(walked.size()) < minLength) return;
    const Chain chain(std::move(walked), closed);
    out.beginChain(closed);
    for (long i = 0; i < chain.size(); ++i)
        out.emplaceBack(unbiasedPosition(chain, i) + offset, ccRadian(chain.angles[i]),
                        chain.points[static_cast<std::size_t>(i)]->magnitude, 1.0, false);
}

}  // namespace

ccFeatureletChainSet cfLinkEdgePoints(const ccEdgePointMap& map, long minLength, double offsetX,
                                      double offsetY) {
    const Links links = acceptLinks(orderedProposals(nearestNeighbours(map)), map.points.size());
    const ccVector<2> offset(offsetX, offsetY);
    std::vector<char> visited(map.points.size(), 0);
    ccFeatureletChainSet chains;
    // Open chains start where nothing leads in; what is left lies on loops.
    for (std::size_t i = 0; i < map.points.size(); ++i)
        if (links.prev[i] < 0)
            emitChain(map, links, static_cast<std::int32_t>(i), false, minLength, offset, visited,
                      chains);
    for (std::size_t i = 0; i < map.points.size(); ++i)
        if (!visited[i])
            emitChain(map, links, static_cast<std::int32_t>(i), true, minLength, offset, visited,
                      chains);
    return chains;
}
