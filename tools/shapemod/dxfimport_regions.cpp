#include "shapemod/dxfimport_regions.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <numeric>

#include "shapemod/dxfimport_segmentgrid.h"
#include "shapemod/tolerances.h"

namespace shapemod {

namespace {

using Polygon = std::vector<ccVector<2>>;

void appendPoint(Polygon& polygon, const ccVector<2>& p) {
    if (polygon.empty() || !(polygon.back() == p)) polygon.push_back(p);
}

long chordsFor(const ccShape& curve) {
    const double turns = std::abs(curve.tangentRotation()) / ccTwoPi;
    const double chords = tol::kNestChordsPerPiece + std::ceil(turns * tol::kNestChordsPerTurn);
    return std::min<long>(tol::kNestMostChordsPerPiece, std::isfinite(chords)
                                                            ? static_cast<long>(chords)
                                                            : tol::kNestMostChordsPerPiece);
}

// Points along one leaf, its start included, its end left to the next leaf.
void appendLeaf(Polygon& polygon, const ccShape& leaf) {
    if (const auto* line = dynamic_cast<const ccPolyline*>(&leaf)) {
        for (const ccVector<2>& v : line->vertices()) appendPoint(polygon, v);
        return;
    }
    if (dynamic_cast<const ccLineSeg*>(&leaf)) {
        appendPoint(polygon, leaf.startPoint());
        return;
    }
    ccShape::ccSampleParams params;
    params.computeTangents(false);
    params.uniformMode(true);
    params.maxPoints(chordsFor(leaf) + 1);
    ccShape::ccSampleResult samples;
    leaf.sample(params, samples);
    for (const ccVector<2>& p : samples.positions()) appendPoint(polygon, p);
}

Polygon polygonOf(const ccShape& contour) {
    Polygon polygon;
    if (const auto* tree = dynamic_cast<const ccShapeTree*>(&contour))
        for (const auto& leaf : cfLeafHandles(*tree)) appendLeaf(polygon, *leaf);
    else
        appendLeaf(polygon, contour);
    while (polygon.size() > 1 && polygon.back() == polygon.front()) polygon.pop_back();
    return polygon;
}

bool isFinite(const Polygon& polygon) {
    return std::all_of(polygon.begin(), polygon.end(), [](const ccVector<2>& p) {
        return std::isfinite(p.x()) && std::isfinite(p.y());
    });
}

double area(const Polygon& polygon) {
    double twice = 0.0;
    for (std::size_t i = 0; i < polygon.size(); ++i) {
        const ccVector<2>& a = polygon[i];
        const ccVector<2>& b = polygon[(i + 1) % polygon.size()];
        twice += a.x() * b.y() - a.y() * b.x();
    }
    return std::abs(twice) / 2.0;
}

// What the probes of one contour say of another.
struct Verdict {
    long inside = 0, touching = 0;
};

class Nester {
  public:
    Nester(const std::vector<ccPtrHandle_const<ccShape>>& contours, double touch)
        : contours_(contours), touch_(touch), conflicting_(contours.size(), false) {
        for (const auto& contour : contours) {
            polygons_.push_back(polygonOf(*contour));
            areas_.push_back(area(polygons_.back()));
        }
        std::vector<DxfSegment> segments;
        for (std::size_t i = 0; i < polygons_.size(); ++i) {
            if (!isFinite(polygons_[i])) {
                conflict(i, i);
                continue;
            }
            const Polygon& p = polygons_[i];
            for (std::size_t k = 0; k < p.size(); ++k)
                segments.push_back({p[k], p[(k + 1) % p.size()], i});
        }
        grid_ = std::make_unique<DxfSegmentGrid>(std::move(segments), touch_);
        for (const auto& [i, j] : grid_->conflictingOwners()) conflict(i, j);
    }

    DxfNesting run() {
        std::vector<std::vector<std::size_t>> holders(contours_.size());
        for (std::size_t i = 0; i < contours_.size(); ++i)
            if (!conflicting_[i]) holders[i] = holdersOf(i);
        std::sort(conflicts_.begin(), conflicts_.end());
        conflicts_.erase(std::unique(conflicts_.begin(), conflicts_.end()), conflicts_.end());
        return build(holders);
    }

  private:
    void conflict(std::size_t i, std::size_t j) {
        conflicts_.emplace_back(std::min(i, j), std::max(i, j));
        conflicting_[i] = conflicting_[j] = true;
    }

    // The contours that hold contour i; a contour its probes put on both
    // sides, or all on its line, conflicts with it instead.
    std::vector<std::size_t> holdersOf(std::size_t i) {
        const Polygon& p = polygons_[i];
        const long probes = std::min<long>(tol::kNestProbes, static_cast<long>(p.size()));
        std::map<std::size_t, Verdict> verdicts;
        std::vector<std::size_t> inside, touching;
        for (long k = 0; k < probes; ++k) {
            grid_->locate(
                p[static_cast<std::size_t>(k) * p.size() / static_cast<std::size_t>(probes)],
                inside, touching);
            for (const std::size_t j : touching) ++verdicts[j].touching;
            for (const std::size_t j : inside)
                if (!std::binary_search(touching.begin(), touching.end(), j)) ++verdicts[j].inside;
        }
        std::vector<std::size_t> holders;
        for (const auto& [j, v] : verdicts) {
            if (j == i) continue;
            const long outside = probes - v.inside - v.touching;
            if (v.inside > 0 && outside == 0)
                holders.push_back(j);
            else if ((v.inside > 0 && outside > 0) || v.touching == probes)
                conflict(i, j);
        }
        return holders;
    }

    DxfNesting build(const std::vector<std::vector<std::size_t>>& holders) {
        const std::size_t n = contours_.size();
        std::vector<long> depth(n, 0);
        std::vector<std::size_t> parent(n, n);
        for (std::size_t i = 0; i < n; ++i) {
            if (conflicting_[i]) continue;
            for (const std::size_t j : holders[i]) {
                if (conflicting_[j]) continue;
                ++depth[i];
                if (parent[i] == n || areas_[j] < areas_[parent[i]]) parent[i] = j;
            }
        }
        std::vector<ccPtrHandle<ccRegionTree>> nodes(n);
        DxfNesting result;
        result.nested.assign(n, false);
        for (std::size_t i = 0; i < n; ++i)
            if (!conflicting_[i]) {
                nodes[i] = node(*contours_[i], depth[i] % 2 == 1);
                result.nested[i] = true;
                result.depth = std::max(result.depth, depth[i] + 1);
            }
        // Deepest first, so a node is whole when it joins its parent.
        std::vector<std::size_t> order(n);
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return depth[a] > depth[b]; });
        for (const std::size_t i : order)
            if (nodes[i] && parent[i] != n) nodes[parent[i]]->addChild(nodes[i], true);
        for (std::size_t i = 0; i < n; ++i)
            if (nodes[i] && parent[i] == n) result.regions.emplace_back(nodes[i]);
        result.conflicts = conflicts_;
        return result;
    }

    // A region node of the standing `hole` whose boundary runs in its sense.
    static ccPtrHandle<ccRegionTree> node(const ccShape& contour, bool hole) {
        const bool runsRight = contour.isRightHanded() != hole;
        return cfMakeHandle<ccRegionTree>(runsRight ? contour : *contour.reverse(), hole);
    }

    const std::vector<ccPtrHandle_const<ccShape>>& contours_;
    double touch_;
    std::vector<Polygon> polygons_;
    std::vector<double> areas_;
    std::unique_ptr<DxfSegmentGrid> grid_;
    std::vector<std::pair<std::size_t, std::size_t>> conflicts_;
    std::vector<bool> conflicting_;
};

}  // namespace

DxfNesting dxfNestContours(const std::vector<ccPtrHandle_const<ccShape>>& contours, double touch) {
    return Nester(contours, touch).run();
}

}  // namespace shapemod
