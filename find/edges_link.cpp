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

// Each point's nearest neighbour ahead and nearest behind, as links.
std::vector<Link> proposeLinks(const ccEdgePointMap& map) {
    constexpr int reach = cc_find_tol::kEdgeLinkReach;
    std::vector<Link> links;
    links.reserve(2 * map.points.size());
    for (std::size_t i = 0; i < map.points.size(); ++i) {
        const ccEdgePoint& p = map.points[i];
        const auto self = static_cast<std::int32_t>(i);
        Link ahead{self, -1, HUGE_VAL}, behind{-1, self, HUGE_VAL};
        const long r0 = std::max<long>(0, p.row - reach),
                   r1 = std::min<long>(map.height - 1, p.row + reach);
        const long c0 = std::max<long>(0, p.col - reach),
                   c1 = std::min<long>(map.width - 1, p.col + reach);
        for (long r = r0; r <= r1; ++r)
            for (long c = c0; c <= c1; ++c) {
                const std::int32_t j = map.at(c, r);
                if (j < 0 || j == self || !isSameEdgeSide(p, map.points[j])) continue;
                const ccEdgePoint& q = map.points[j];
                const double d2 = (q.x - p.x) * (q.x - p.x) + (q.y - p.y) * (q.y - p.y);
                const double along = aheadness(p, q);
                if (along > 0 && d2 < ahead.distance2) ahead = {self, j, d2};
                if (along < 0 && d2 < behind.distance2) behind = {j, self, d2};
            }
        if (ahead.to >= 0) links.push_back(ahead);
        if (behind.from >= 0) links.push_back(behind);
    }
    return links;
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

// The proposals accepted shortest first, each while its ends are free; one
// that would close a chain on itself only when the loop is long enough.
Links acceptLinks(std::vector<Link> proposals, std::size_t numPoints) {
    std::sort(proposals.begin(), proposals.end());
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

double gradientAngle(const ccEdgePoint& p) {
    return std::atan2(p.gy, p.gx);
}

// The turn of the gradient per pixel of arc at point `i` of `chain`, over
// kEdgeCurvatureSpan points either way (fewer at an open chain's ends):
// positive where the edge curves towards the side its gradient points to.
double curvatureAt(const std::vector<const ccEdgePoint*>& chain, bool closed, long i) {
    const long n = static_cast<long>(chain.size());
    const long span = std::min(cc_find_tol::kEdgeCurvatureSpan, (n - 1) / 2);
    const long first = closed ? i - span : std::max(0L, i - span);
    const long last = closed ? i + span : std::min(n - 1, i + span);
    const auto at = [&](long j) { return chain[static_cast<std::size_t>((j % n + n) % n)]; };
    double arc = 0;
    for (long j = first; j < last; ++j)
        arc += std::hypot(at(j + 1)->x - at(j)->x, at(j + 1)->y - at(j)->y);
    if (arc <= 0) return 0;
    return std::remainder(gradientAngle(*at(last)) - gradientAngle(*at(first)), 2 * M_PI) / arc;
}

// Where point `i` of `chain` would be without the blur's curvature bias.
// The gradient's peak on a curve of curvature k, under a blur of variance w2
// along the edge, lies w2 k / 2 towards the centre of curvature; the
// variance across the edge stands for the one along it, which the same blur
// makes.
ccVector<2> unbiasedPosition(const std::vector<const ccEdgePoint*>& chain, bool closed, long i) {
    const ccEdgePoint& p = *chain[static_cast<std::size_t>(i)];
    const double shift =
        std::clamp(p.width2 * curvatureAt(chain, closed, i) / 2,
                   -cc_find_tol::kMaxEdgeCurvatureShift, cc_find_tol::kMaxEdgeCurvatureShift);
    const double g = std::hypot(p.gx, p.gy);
    return ccVector<2>(p.x - shift * p.gx / g, p.y - shift * p.gy / g);
}

// Appends the chain that starts at `start` to `out` when it is long enough,
// marking its points visited either way.
void emitChain(const ccEdgePointMap& map, const Links& links, std::int32_t start, bool closed,
               long minLength, ccVector<2> offset, std::vector<char>& visited,
               ccFeatureletChainSet& out) {
    const std::vector<const ccEdgePoint*> chain = walkChain(map, links, start, visited);
    const long n = static_cast<long>(chain.size());
    if (n < minLength) return;
    out.beginChain(closed);
    for (long i = 0; i < n; ++i) {
        const ccEdgePoint& p = *chain[static_cast<std::size_t>(i)];
        out.emplaceBack(unbiasedPosition(chain, closed, i) + offset, ccRadian(gradientAngle(p)),
                        p.magnitude, 1.0, false);
    }
}

}  // namespace

ccFeatureletChainSet cfLinkEdgePoints(const ccEdgePointMap& map, long minLength, double offsetX,
                                      double offsetY) {
    const Links links = acceptLinks(proposeLinks(map), map.points.size());
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
