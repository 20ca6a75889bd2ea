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

// Ids are kept in 32 bits, the largest marking an empty place of the table.
constexpr std::uint32_t kEmpty = 4294967295U;  // 2^32 - 1

constexpr std::size_t kNoId = std::numeric_limits<std::size_t>::max();

// Bits of the occupancy filter for each place of the table: most cells a
// query looks at are empty, and the filter answers for them from a megabyte a
// million points instead of a read of the table.
constexpr std::size_t kOccupancyBitsPerPlace = 2;

// How many points ahead a bulk insert fetches its places: enough to cover a
// trip to memory with the work of placing the points in between.
constexpr std::size_t kPlacesAhead = 8;

bool hasBit(const std::vector<std::uint64_t>& bits, std::size_t i) {
    return i / 64 < bits.size() && (bits[i / 64] >> (i % 64) & 1U) != 0;
}

void setBit(std::vector<std::uint64_t>& bits, std::size_t i) {
    if (i / 64 >= bits.size()) bits.resize(i / 64 + 1, 0);
    bits[i / 64] |= std::uint64_t{1} << (i % 64);
}

bool isFinitePoint(const ccVector<2>& p) {
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

// The range of cell numbers along one axis that may hold a point near the
// one at cell coordinate q (half a cell reaches one distance); empty (first >
// second) when none can.
std::pair<std::int64_t, std::int64_t> axisSpan(double q) {
    if (!(std::fabs(q) <= kCellLimit + 1)) return {1, 0};
    const double reach = 0.5 + (std::fabs(q) + 4) * kRoundingSlack;
    const double lo = std::max(std::floor(q - reach), -kCellLimit);
    const double hi = std::min(std::floor(q + reach), kCellLimit);
    return {static_cast<std::int64_t>(lo), static_cast<std::int64_t>(hi)};
}

// splitmix64's finaliser over both cell numbers: neighbouring cells land
// far apart in the table.
std::size_t cellHash(std::int64_t x, std::int64_t y) {
    std::uint64_t h =
        static_cast<std::uint64_t>(x) * 0x9E3779B97F4A7C15ULL ^ static_cast<std::uint64_t>(y);
    h = (h ^ (h >> 30)) * 0xBF58476D1CE4E5B9ULL;
    h = (h ^ (h >> 27)) * 0x94D049BB133111EBULL;
    return static_cast<std::size_t>(h ^ (h >> 31));
}

}  // namespace

bool cfIsWithinDistance(const ccVector<2>& a, const ccVector<2>& b, double distance) {
    return (a - b).len() < distance;
}

ccEndPointGrid::ccEndPointGrid(double distance) : distance_(distance), cellSide_(2 * distance) {}

bool ccEndPointGrid::hasCell(const ccVector<2>& point, std::int64_t& x, std::int64_t& y) const {
    if (!(distance_ > 0)) return false;
    const double qx = point.x() / cellSide_, qy = point.y() / cellSide_;
    if (!(std::fabs(qx) <= kCellLimit && std::fabs(qy) <= kCellLimit)) return false;
    x = static_cast<std::int64_t>(std::floor(qx));
    y = static_cast<std::int64_t>(std::floor(qy));
    return true;
}

ccEndPointGrid::CellSpan ccEndPointGrid::cellsNear(const ccVector<2>& point) const {
    const auto [x0, x1] = axisSpan(point.x() / cellSide_);
    const auto [y0, y1] = axisSpan(point.y() / cellSide_);
    return CellSpan{x0, x1, y0, y1};
}

std::size_t ccEndPointGrid::filterBitOf(std::size_t hash) const {
    return hash & (occupied_.size() * 64 - 1);
}

bool ccEndPointGrid::mayHoldCell(std::size_t hash) const {
    return hasBit(occupied_, filterBitOf(hash));
}

bool ccEndPointGrid::homeOf(const ccVector<2>& point, std::size_t& home, std::size_t& hash) const {
    std::int64_t x = 0, y = 0;
    if (!hasCell(point, x, y)) return false;
    hash = cellHash(x, y);
    home = hash & (table_.size() - 1);
    return true;
}

void ccEndPointGrid::place(const Entry& entry) {
    std::size_t i = 0, hash = 0;
    if (!homeOf(entry.point, i, hash)) {
        far_.push_back(entry);
        return;
    }
    const std::size_t mask = table_.size() - 1;
    while (table_[i].id != kEmpty) i = (i + 1) & mask;
    table_[i] = entry;
    setBit(occupied_, filterBitOf(hash));
}

void ccEndPointGrid::growTable(std::size_t points) {
    std::size_t size = 16;
    while (size < 2 * points) size *= 2;
    if (size <= table_.size()) return;
    std::vector<Entry> old(size, Entry{{}, kEmpty});
    old.swap(table_);
    occupied_.assign(std::max<std::size_t>(1, size * kOccupancyBitsPerPlace / 64), 0);
    for (const Entry& e : old)
        if (e.id != kEmpty) place(e);
}

void ccEndPointGrid::checkInsertable(std::size_t id) const {
    if (id >= kEmpty)
        throw ccShapesError::BadParams(L"an end point grid numbers its points below 2^32 - 1");
    if (hasBit(removed_, id))
        throw ccShapesError::BadParams(L"an id removed from an end point grid cannot come back");
}

bool ccEndPointGrid::store(const ccVector<2>& point, std::size_t id) {
    if (!isFinitePoint(point)) return false;
    place(Entry{point, static_cast<std::uint32_t>(id)});
    setBit(hasPoints_, id);
    ++stored_;
    return true;
}

bool ccEndPointGrid::insert(const ccVector<2>& point, std::size_t id) {
    checkInsertable(id);
    growTable(stored_ + 1);
    return store(point, id);
}

std::size_t ccEndPointGrid::insert(const std::vector<Point>& points) {
    for (const Point& p : points) checkInsertable(p.id);
    growTable(stored_ + points.size());
    std::size_t count = 0;
    for (std::size_t k = 0; k < points.size(); ++k) {
        std::size_t home = 0, hash = 0;
        if (k + kPlacesAhead < points.size() && homeOf(points[k + kPlacesAhead].at, home, hash))
            __builtin_prefetch(&table_[home], 1);
        if (store(points[k].at, points[k].id)) ++count;
    }
    return count;
}

void ccEndPointGrid::warm(const ccVector<2>& point) const noexcept {
    if (stored_ == far_.size() || !isFinitePoint(point)) return;
    const CellSpan span = cellsNear(point);
    for (std::int64_t x = span.x0; x <= span.x1; ++x) {
        for (std::int64_t y = span.y0; y <= span.y1; ++y) {
            // Asking the filter first would wait for memory too.
            const std::size_t hash = cellHash(x, y);
            __builtin_prefetch(&occupied_[filterBitOf(hash) / 64]);
            __builtin_prefetch(&table_[hash & (table_.size() - 1)]);
        }
    }
}

void ccEndPointGrid::remove(std::size_t id) {
    if (contains(id)) setBit(removed_, id);
}

bool ccEndPointGrid::contains(std::size_t id) const {
    return hasBit(hasPoints_, id) && !hasBit(removed_, id);
}

bool ccEndPointGrid::isLive(std::uint32_t id) const {
    return !hasBit(removed_, id);
}

template <class F>
void ccEndPointGrid::forEachEntryNear(const ccVector<2>& point, F f) const {
    for (const Entry& e : far_) f(e);
    if (stored_ == far_.size()) return;
    const std::size_t mask = table_.size() - 1;
    const CellSpan span = cellsNear(point);
    for (std::int64_t x = span.x0; x <= span.x1; ++x) {
        for (std::int64_t y = span.y0; y <= span.y1; ++y) {
            const std::size_t hash = cellHash(x, y);
            if (!mayHoldCell(hash)) continue;
            // The run from the home place holds every point of the cell,
            // among points of other cells that the distance test turns away.
            for (std::size_t i = hash & mask; table_[i].id != kEmpty; i = (i + 1) & mask)
                f(table_[i]);
        }
    }
}

std::size_t ccEndPointGrid::lowestNear(const ccVector<2>& point, std::size_t after,
                                       std::size_t below) const {
    if (!(distance_ > 0) || !isFinitePoint(point)) return below;
    std::size_t best = below;
    forEachEntryNear(point, [&](const Entry& e) {
        if (e.id > after && e.id < best && isLive(e.id) &&
            cfIsWithinDistance(e.point, point, distance_))
            best = e.id;
    });
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
    forEachEntryNear(point, [&](const Entry& e) {
        if (isLive(e.id) && cfIsWithinDistance(e.point, point, distance_)) ids.push_back(e.id);
    });
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
}
