#include "vxstd12u/endpointgrid.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "vxstd12u/errors.h"

namespace {

// Cell numbers stay within this, so they and their neighbours are exact
// integers and a cell's floating-point number is off by far less than a cell.
constexpr double kCellLimit = 1099511627776.0;  // 2^40

// Relative error bound, with room to spare, of the cell coordinate p / d of
// two points and of the length of their difference: the cells searched reach
// this much beyond d, so no point that cfIsWithinDistance calls near is
// missed through rounding.
constexpr double kRoundingSlack = 1.0 / 1125899906842624.0;  // 2^-50

// Largest id the grid keeps a slot for.
constexpr std::size_t kMaxId = 4294967295U;  // 2^32 - 1

constexpr std::size_t kNoId = std::numeric_limits<std::size_t>::max();

bool isFinitePoint(const ccVector<2>& p) {
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

// The range of cell numbers along one axis that may hold a point near the
// one at cell coordinate q; empty (first > second) when none can.
std::pair<std::int64_t, std::int64_t> axisSpan(double q) {
    if (!(std::fabs(q) <= kCellLimit + 2)) return {1, 0};
    const double reach = 1 + (std::fabs(q) + 4) * kRoundingSlack;
    const double lo = std::max(std::floor(q - reach), -kCellLimit);
    const double hi = std::min(std::floor(q + reach), kCellLimit);
    return {static_cast<std::int64_t>(lo), static_cast<std::int64_t>(hi)};
}

}  // namespace

bool cfIsWithinDistance(const ccVector<2>& a, const ccVector<2>& b, double distance) {
    return (a - b).len() < distance;
}

std::size_t ccEndPointGrid::CellHash::operator()(const CellKey& k) const noexcept {
    // splitmix64's finaliser over both numbers: neighbouring cells land far apart.
    std::uint64_t h =
        static_cast<std::uint64_t>(k.x) * 0x9E3779B97F4A7C15ULL ^ static_cast<std::uint64_t>(k.y);
    h = (h ^ (h >> 30)) * 0xBF58476D1CE4E5B9ULL;
    h = (h ^ (h >> 27)) * 0x94D049BB133111EBULL;
    return static_cast<std::size_t>(h ^ (h >> 31));
}

ccEndPointGrid::ccEndPointGrid(double distance) : distance_(distance) {}

bool ccEndPointGrid::hasCell(const ccVector<2>& point, CellKey& key) const {
    if (!(distance_ > 0)) return false;
    const double qx = point.x() / distance_, qy = point.y() / distance_;
    if (!(std::fabs(qx) <= kCellLimit && std::fabs(qy) <= kCellLimit)) return false;
    key = CellKey{static_cast<std::int64_t>(std::floor(qx)),
                  static_cast<std::int64_t>(std::floor(qy))};
    return true;
}

ccEndPointGrid::CellSpan ccEndPointGrid::cellsNear(const ccVector<2>& point) const {
    const auto [x0, x1] = axisSpan(point.x() / distance_);
    const auto [y0, y1] = axisSpan(point.y() / distance_);
    return CellSpan{x0, x1, y0, y1};
}

ccEndPointGrid::Cell& ccEndPointGrid::cellOf(const ccVector<2>& point) {
    CellKey key{};
    return hasCell(point, key) ? cells_[key] : far_;
}

bool ccEndPointGrid::insert(const ccVector<2>& point, std::size_t id) {
    if (id > kMaxId)
        throw ccShapesError::BadParams(L"an end point grid numbers its points below 2^32");
    if (!isFinitePoint(point)) return false;
    if (id >= lastPointOf_.size()) lastPointOf_.resize(id + 1, -1);
    Cell& cell = cellOf(point);
    const auto at = std::upper_bound(cell.begin(), cell.end(), id,
                                     [](std::size_t i, const Entry& e) { return i < e.id; });
    cell.insert(at, Entry{point, id});
    idPoints_.push_back(IdPoint{point, lastPointOf_[id]});
    lastPointOf_[id] = static_cast<std::int64_t>(idPoints_.size() - 1);
    return true;
}

void ccEndPointGrid::eraseEntry(const ccVector<2>& point, std::size_t id) {
    CellKey key{};
    const bool inCell = hasCell(point, key);
    const auto found = inCell ? cells_.find(key) : cells_.end();
    if (inCell && found == cells_.end()) return;  // the id's other point emptied it
    Cell& cell = inCell ? found->second : far_;
    const auto byId = [](const Entry& e, std::size_t i) { return e.id < i; };
    const auto from = std::lower_bound(cell.begin(), cell.end(), id, byId);
    auto to = from;
    while (to != cell.end() && to->id == id) ++to;
    cell.erase(from, to);
    if (inCell && cell.empty()) cells_.erase(found);
}

void ccEndPointGrid::remove(std::size_t id) {
    if (!contains(id)) return;
    for (std::int64_t p = lastPointOf_[id]; p >= 0;
         p = idPoints_[static_cast<std::size_t>(p)].previous)
        eraseEntry(idPoints_[static_cast<std::size_t>(p)].point, id);
    lastPointOf_[id] = -1;
}

bool ccEndPointGrid::contains(std::size_t id) const {
    return id < lastPointOf_.size() && lastPointOf_[id] >= 0;
}

std::size_t ccEndPointGrid::lowestInCell(const Cell& cell, std::size_t after, std::size_t below,
                                         const ccVector<2>& point) const {
    auto e = std::upper_bound(cell.begin(), cell.end(), after,
                              [](std::size_t i, const Entry& x) { return i < x.id; });
    for (; e != cell.end() && e->id < below; ++e)
        if (cfIsWithinDistance(e->point, point, distance_)) return e->id;
    return below;
}

std::size_t ccEndPointGrid::lowestNear(const ccVector<2>& point, std::size_t after,
                                       std::size_t below) const {
    if (!(distance_ > 0) || !isFinitePoint(point)) return below;
    std::size_t best = lowestInCell(far_, after, below, point);
    const CellSpan span = cellsNear(point);
    if (span.isEmpty() || cells_.empty()) return best;
    for (std::int64_t x = span.x0; x <= span.x1; ++x) {
        for (std::int64_t y = span.y0; y <= span.y1; ++y) {
            const auto found = cells_.find(CellKey{x, y});
            if (found != cells_.end()) best = lowestInCell(found->second, after, best, point);
        }
    }
    return best;
}

std::optional<std::size_t> ccEndPointGrid::lowestIdNearAfter(std::size_t after,
                                                             const ccVector<2>& a,
                                                             const ccVector<2>& b) const {
    const std::size_t best = lowestNear(b, after, lowestNear(a, after, kNoId));
    if (best == kNoId) return std::nullopt;
    return best;
}

std::vector<std::size_t> ccEndPointGrid::idsNear(const ccVector<2>& point) const {
    std::vector<std::size_t> ids;
    if (!(distance_ > 0) || !isFinitePoint(point)) return ids;
    const auto collect = [&](const Cell& cell) {
        for (const Entry& e : cell)
            if (cfIsWithinDistance(e.point, point, distance_)) ids.push_back(e.id);
    };
    collect(far_);
    const CellSpan span = cellsNear(point);
    for (std::int64_t x = span.x0; x <= span.x1; ++x) {
        for (std::int64_t y = span.y0; y <= span.y1; ++y) {
            const auto found = cells_.find(CellKey{x, y});
            if (found != cells_.end()) collect(found->second);
        }
    }
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
}
