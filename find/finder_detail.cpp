// How much of a model a coarse pyramid level still shows: its edges smoothed
// as the pyramid smooths them, each featurelet asked whether the gradient it
// expects survives.
#include <cmath>
#include <vector>

#include "find/searchmodel.h"
#include "find/tolerances.h"
#include "vxstd12u/endpointgrid.h"

namespace {

// Standard deviation, in full-resolution pixels, of the smoothing the
// gradient of pyramid level `k` has undergone (see cc_find_tol).
double smoothingAtLevel(long k) {
    const double area = std::ldexp(1.0, static_cast<int>(2 * k));  // 4^k
    return std::sqrt((area - 1.0) / 3.0 + cc_find_tol::kScharrVariance * area);
}

// The length of edge each featurelet stands for: half the way to each of
// its neighbours along its chain (round the joint of a closed chain). A
// chain of one featurelet stands for a unit of edge.
std::vector<double> edgeLengths(const ccFeatureletChainSet& set, const ccSearchLevel& full) {
    std::vector<double> lengths(full.featurelets.size(), 1.0);
    const auto gap = [&](long a, long b) {
        const ccSearchFeaturelet &p = full.featurelets[static_cast<std::size_t>(a)],
                                 &q = full.featurelets[static_cast<std::size_t>(b)];
        return std::hypot(p.x - q.x, p.y - q.y);
    };
    for (long chain = 0; chain < set.numChains(); ++chain) {
        const long first = set.startFeatureIndex(chain), n = set.chainLength(chain);
        if (n < 2) continue;
        for (long i = 0; i < n; ++i) {
            const bool hasBefore = i > 0 || set.isClosed(chain);
            const bool hasAfter = i + 1 < n || set.isClosed(chain);
            const double before = hasBefore ? gap(first + i, first + (i + n - 1) % n) : 0.0;
            const double after = hasAfter ? gap(first + i, first + (i + 1) % n) : 0.0;
            lengths[static_cast<std::size_t>(first + i)] = (before + after) / 2.0;
        }
    }
    return lengths;
}

// Does the part show `f`'s edge? Its positive-weight featurelets are the
// edges a true instance has; negative ones mark edges it must not have.
bool isShownEdge(const ccSearchFeaturelet& f) {
    return f.weight > 0.0;
}

}  // namespace

double cfSurvivingShare(const ccFeatureletChainSet& set, const ccSearchLevel& full,
                        const ccSearchLevel& level, long k) {
    const double sigma = smoothingAtLevel(k);
    const std::vector<double> lengths = edgeLengths(set, full);
    std::vector<ccEndPointGrid::Point> shown;
    for (std::size_t j = 0; j < full.featurelets.size(); ++j)
        if (isShownEdge(full.featurelets[j]))
            shown.push_back({{full.featurelets[j].x, full.featurelets[j].y}, j});
    ccEndPointGrid grid(cc_find_tol::kSmoothingReach * sigma);
    grid.insert(shown);
    // A lone straight edge of magnitude m through a point gives it a
    // smoothed gradient of m / (sqrt(2 pi) sigma).
    const double loneEdge = 1.0 / (std::sqrt(2.0 * ccPi) * sigma);
    const double gauss = 1.0 / (2.0 * ccPi * sigma * sigma);
    double surviving = 0.0;
    for (const ccSearchFeaturelet& f : level.featurelets) {
        if (!isShownEdge(f)) continue;
        double gx = 0.0, gy = 0.0;
        for (const std::size_t j : grid.idsNear({f.x, f.y})) {
            const ccSearchFeaturelet& e = full.featurelets[j];
            const double r2 = (f.x - e.x) * (f.x - e.x) + (f.y - e.y) * (f.y - e.y);
            const double w = lengths[j] * e.magnitude * gauss * std::exp(-r2 / (2 * sigma * sigma));
            gx += w * e.dx;
            gy += w * e.dy;
        }
        double along = gx * f.dx + gy * f.dy;
        if (f.isMod180) along = std::abs(along);
        if (along >= cc_find_tol::kCoarseEdgeSurvival * f.magnitude * loneEdge)
            surviving += f.weight;
    }
    return surviving / level.positiveWeight;
}
