#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "find/edges.h"
#include "find/finddefs.h"
#include "vxstd12u/str.h"

namespace {

void requireTolerance(double tolerance) {
    if (!std::isfinite(tolerance) || tolerance < 0)
        throw ccFindDefs::BadParams(L"the simplification tolerance " + cfStr(tolerance) +
                                    L" must be finite and 0 or more");
}

double distanceToSegment(const ccVector<2>& p, const ccVector<2>& a, const ccVector<2>& b) {
    const ccVector<2> ab = b - a;
    const double length2 = ab.lenSq();
    if (length2 == 0) return (p - a).len();
    const double t = std::clamp((p - a).dot(ab) / length2, 0.0, 1.0);
    return (p - (a + ab * t)).len();
}

// Marks in `kept` the points Douglas-Peucker keeps between `first` and
// `last` (indices into a loop of points.size(), last may pass its end),
// both of which are kept already.
void keepFarthest(const std::vector<ccFeaturelet>& points, std::size_t first, std::size_t last,
                  double tolerance, std::vector<char>& kept) {
    const std::size_t n = points.size();
    std::vector<std::pair<std::size_t, std::size_t>> spans{{first, last}};
    while (!spans.empty()) {
        const auto [a, b] = spans.back();
        spans.pop_back();
        const ccVector<2>& pa = points[a % n].position;
        const ccVector<2>& pb = points[b % n].position;
        double farthest = tolerance;
        std::size_t split = a;
        for (std::size_t i = a + 1; i < b; ++i) {
            const double d = distanceToSegment(points[i % n].position, pa, pb);
            if (d > farthest) {
                farthest = d;
                split = i;
            }
        }
        if (split == a) continue;
        kept[split % n] = 1;
        spans.emplace_back(a, split);
        spans.emplace_back(split, b);
    }
}

std::size_t farthestFromFirst(const std::vector<ccFeaturelet>& points) {
    std::size_t farthest = 0;
    double best = -1;
    for (std::size_t i = 1; i < points.size(); ++i) {
        const double d = (points[i].position - points[0].position).lenSq();
        if (d > best) {
            best = d;
            farthest = i;
        }
    }
    return farthest;
}

}  // namespace

std::vector<ccFeaturelet> cfSimplifyChain(const ccFeatureletChainSet& set, long chain,
                                          double tolerance) {
    requireTolerance(tolerance);
    const auto begin = set.featurelets().begin() + set.startFeatureIndex(chain);
    std::vector<ccFeaturelet> points(begin, begin + set.chainLength(chain));
    if (points.size() < 3) return points;
    std::vector<char> kept(points.size(), 0);
    kept.front() = 1;
    if (set.isClosed(chain)) {
        const std::size_t far = farthestFromFirst(points);
        kept[far] = 1;
        keepFarthest(points, 0, far, tolerance, kept);
        keepFarthest(points, far, points.size(), tolerance, kept);
    } else {
        kept.back() = 1;
        keepFarthest(points, 0, points.size() - 1, tolerance, kept);
    }
    std::vector<ccFeaturelet> simplified;
    for (std::size_t i = 0; i < points.size(); ++i)
        if (kept[i]) simplified.push_back(points[i]);
    return simplified;
}

ccFeatureletChainSet cfSimplifyChains(const ccFeatureletChainSet& set, double tolerance) {
    requireTolerance(tolerance);
    ccFeatureletChainSet simplified;
    for (long c = 0; c < set.numChains(); ++c)
        simplified.insertChain(simplified.numChains(), cfSimplifyChain(set, c, tolerance),
                               set.isClosed(c));
    return simplified;
}
