#include "shapemod/dxfimport_segmentgrid.h"

#include <algorithm>
#include <cmath>

#include "vxstd12u/tolerances.h"

namespace shapemod {

namespace {

// Cells per segment, and the most a grid takes: enough that a cell holds a
// few edges, few enough that empty cells cost little.
constexpr double kCellsPerSegment = 1.0;
constexpr long kFewestCells = 16;

double cross(const ccVector<2>& u, const ccVector<2>& v) {
    return u.x() * v.y() - u.y() * v.x();
}

// The side of line a->b that c lies on: +1 left, -1 right, 0 on it (within
// the library's relative degeneracy).
int side(const ccVector<2>& a, const ccVector<2>& b, const ccVector<2>& c) {
    const double area = cross(b - a, c - a);
    if (std::abs(area) <= cc_tol::kDegenerateRelative * (b - a).len() * (c - a).len()) return 0;
    return area > 0 ? 1 : -1;
}

bool crossProperly(const DxfSegment& s, const DxfSegment& t) {
    return side(s.a, s.b, t.a) * side(s.a, s.b, t.b) < 0 &&
           side(t.a, t.b, s.a) * side(t.a, t.b, s.b) < 0;
}

// Whether collinear s and t share a stretch longer than `touch`.
bool runAlong(const DxfSegment& s, const DxfSegment& t, double touch) {
    if (side(s.a, s.b, t.a) != 0 || side(s.a, s.b, t.b) != 0) return false;
    const ccVector<2> d = s.b - s.a;
    const double length = d.len();
    if (!(length > 0)) return false;
    const ccVector<2> u = d * (1.0 / length);
    const auto along = [&](const ccVector<2>& p) { return (p - s.a).dot(u); };
    const double from = std::max(0.0, std::min(along(t.a), along(t.b)));
    const double to = std::min(length, std::max(along(t.a), along(t.b)));
    return to - from > touch;
}

double distanceToSegment(const ccVector<2>& p, const DxfSegment& s) {
    const ccVector<2> d = s.b - s.a;
    const double squared = d.dot(d);
    const double t = squared > 0 ? std::clamp((p - s.a).dot(d) / squared, 0.0, 1.0) : 0.0;
    return (s.a + d * t - p).len();
}

std::vector<std::size_t> uniqueSorted(std::vector<std::size_t> v) {
    std::sort(v.begin(), v.end());
    v.erase(std::unique(v.begin(), v.end()), v.end());
    return v;
}

}  // namespace

DxfSegmentGrid::DxfSegmentGrid(std::vector<DxfSegment> segments, double touch)
    : segments_(std::move(segments)), touch_(touch) {
    if (segments_.empty()) return;
    ccVector<2> low = segments_.front().a, high = low;
    for (const DxfSegment& s : segments_)
        for (const ccVector<2>& p : {s.a, s.b}) {
            low = {std::min(low.x(), p.x()), std::min(low.y(), p.y())};
            high = {std::max(high.x(), p.x()), std::max(high.y(), p.y())};
        }
    origin_ = low;
    const double width = high.x() - low.x(), height = high.y() - low.y();
    const double cells =
        std::max<double>(kFewestCells, kCellsPerSegment * static_cast<double>(segments_.size()));
    double cell = std::sqrt(width * height / cells);
    // Neither side takes more cells than there are to share.
    cell = std::max({std::isnan(cell) ? 0.0 : cell, width / cells, height / cells, touch_});
    if (std::isfinite(width) && std::isfinite(height) && cell > 0 && std::isfinite(cell)) {
        cell_ = cell;
        columns_ = static_cast<long>(width / cell) + 1;
        rows_ = static_cast<long>(height / cell) + 1;
    }
    cells_.resize(static_cast<std::size_t>(columns_ * rows_));
    for (std::size_t i = 0; i < segments_.size(); ++i) insert(static_cast<std::uint32_t>(i));
}

long DxfSegmentGrid::column(double x) const {
    const double c = std::floor((x - origin_.x()) / cell_);
    return c >= 0 ? (c < static_cast<double>(columns_) ? static_cast<long>(c) : columns_ - 1) : 0;
}

long DxfSegmentGrid::row(double y) const {
    const double r = std::floor((y - origin_.y()) / cell_);
    return r >= 0 ? (r < static_cast<double>(rows_) ? static_cast<long>(r) : rows_ - 1) : 0;
}

// Files the segment in every cell of each row it passes through, a cell
// either side to spare, so rounding at a cell's edge loses nothing.
void DxfSegmentGrid::insert(std::uint32_t index) {
    const DxfSegment& s = segments_[index];
    const long first = row(std::min(s.a.y(), s.b.y())), last = row(std::max(s.a.y(), s.b.y()));
    for (long r = first; r <= last; ++r) {
        double x0 = std::min(s.a.x(), s.b.x()), x1 = std::max(s.a.x(), s.b.x());
        if (s.a.y() != s.b.y() && rows_ > 1) {
            const double band0 = origin_.y() + static_cast<double>(r) * cell_,
                         band1 = band0 + cell_;
            const double dy = s.b.y() - s.a.y();
            const double t0 = std::clamp((band0 - s.a.y()) / dy, 0.0, 1.0);
            const double t1 = std::clamp((band1 - s.a.y()) / dy, 0.0, 1.0);
            const double xa = s.a.x() + (s.b.x() - s.a.x()) * t0;
            const double xb = s.a.x() + (s.b.x() - s.a.x()) * t1;
            x0 = std::min(xa, xb);
            x1 = std::max(xa, xb);
        }
        const long c0 = std::max(0L, column(x0) - 1), c1 = std::min(columns_ - 1, column(x1) + 1);
        for (long c = c0; c <= c1; ++c)
            cells_[static_cast<std::size_t>(r * columns_ + c)].push_back(index);
    }
}

std::vector<std::pair<std::size_t, std::size_t>> DxfSegmentGrid::conflictingOwners() const {
    std::vector<std::pair<std::size_t, std::size_t>> pairs;
    for (const auto& cell : cells_)
        for (std::size_t i = 0; i < cell.size(); ++i)
            for (std::size_t j = i + 1; j < cell.size(); ++j) {
                const DxfSegment& s = segments_[cell[i]];
                const DxfSegment& t = segments_[cell[j]];
                if (s.owner == t.owner) continue;
                if (crossProperly(s, t) || runAlong(s, t, touch_))
                    pairs.emplace_back(std::min(s.owner, t.owner), std::max(s.owner, t.owner));
            }
    std::sort(pairs.begin(), pairs.end());
    pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
    return pairs;
}

void DxfSegmentGrid::locate(const ccVector<2>& p, std::vector<std::size_t>& inside,
                            std::vector<std::size_t>& touching) const {
    inside.clear();
    touching.clear();
    if (segments_.empty()) return;
    const long r = row(p.y()), c = column(p.x());
    // Each crossing of the ray is counted in the one cell its x falls in.
    std::vector<std::size_t> crossings;
    for (long k = c; k < columns_; ++k)
        for (const std::uint32_t i : cells_[static_cast<std::size_t>(r * columns_ + k)]) {
            const DxfSegment& s = segments_[i];
            if ((s.a.y() > p.y()) == (s.b.y() > p.y())) continue;
            const double x =
                s.a.x() + (p.y() - s.a.y()) * (s.b.x() - s.a.x()) / (s.b.y() - s.a.y());
            if (x > p.x() && column(x) == k) crossings.push_back(s.owner);
        }
    std::sort(crossings.begin(), crossings.end());
    for (std::size_t i = 0; i < crossings.size();) {
        std::size_t j = i;
        while (j < crossings.size() && crossings[j] == crossings[i]) ++j;
        if ((j - i) % 2 == 1) inside.push_back(crossings[i]);
        i = j;
    }
    for (long rr = std::max(0L, r - 1); rr <= std::min(rows_ - 1, r + 1); ++rr)
        for (long cc = std::max(0L, c - 1); cc <= std::min(columns_ - 1, c + 1); ++cc)
            for (const std::uint32_t i : cells_[static_cast<std::size_t>(rr * columns_ + cc)])
                if (distanceToSegment(p, segments_[i]) <= touch_)
                    touching.push_back(segments_[i].owner);
    touching = uniqueSorted(std::move(touching));
}

}  // namespace shapemod
