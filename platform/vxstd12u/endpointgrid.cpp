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

void ccEndPointGrid::reserve(std::size_t points) {
    entries_.reserve(points);
    // Ends that meet share a cell, so a set has about half as many cells as points.
    growTable(points / 2);
}

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

std::size_t ccEndPointGrid::slotOf(std::int64_t x, std::int64_t y) const {
    const std::size_t mask = table_.size() - 1;
    for (std::size_t i = cellHash(x, y) & mask;; i = (i + 1) & mask) {
        const Slot& s = table_[i];
        if (s.list.head < 0 || (s.x == x && s.y == y)) return i;
    }
}

const ccEndPointGrid::List* ccEndPointGrid::listOf(std::int64_t x, std::int64_t y) const {
    if (cells_ == 0) return nullptr;
    const Slot& s = table_[slotOf(x, y)];
    return s.list.head < 0 ? nullptr : &s.list;
}

void ccEndPointGrid::growTable(std::size_t cells) {
    std::size_t size = 16;
    while (size < 2 * cells) size *= 2;
    if (size <= table_.size()) return;
    std::vector<Slot> old(size);
    old.swap(table_);
    for (const Slot& s : old)
        if (s.list.head >= 0) table_[slotOf(s.x, s.y)] = s;
}

ccEndPointGrid::List& ccEndPointGrid::listFor(const ccVector<2>& point) {
    std::int64_t x = 0, y = 0;
    if (!hasCell(point, x, y)) return far_;
    growTable(cells_ + 1);
    Slot& s = table_[slotOf(x, y)];
    if (s.list.head < 0) {
        s.x = x;
        s.y = y;
        ++cells_;
    }
    return s.list;
}

bool ccEndPointGrid::insert(const ccVector<2>& point, std::size_t id) {
    if (id > kMaxId)
        throw ccShapesError::BadParams(L"an end point grid numbers its points below 2^32");
    if (!isFinitePoint(point)) return false;
    if (id >= generation_.size()) {
        generation_.resize(id + 1, 0);
        livePoints_.resize(id + 1, 0);
    }
    List& list = listFor(point);
    const auto at = static_cast<std::int64_t>(entries_.size());
    entries_.push_back(Entry{point, static_cast<std::uint32_t>(id), generation_[id], -1});
    ++livePoints_[id];
    // Ids mostly come in ascending order, so the new entry mostly goes last.
    if (list.head < 0) {
        list.head = list.tail = at;
    } else if (entries_[static_cast<std::size_t>(list.tail)].id <= id) {
        entries_[static_cast<std::size_t>(list.tail)].next = at;
        list.tail = at;
    } else if (entries_[static_cast<std::size_t>(list.head)].id > id) {
        entries_.back().next = list.head;
        list.head = at;
    } else {
        std::int64_t before = list.head;
        while (entries_[static_cast<std::size_t>(entries_[static_cast<std::size_t>(before)].next)]
                   .id <= id)
            before = entries_[static_cast<std::size_t>(before)].next;
        entries_.back().next = entries_[static_cast<std::size_t>(before)].next;
        entries_[static_cast<std::size_t>(before)].next = at;
    }
    return true;
}

void ccEndPointGrid::remove(std::size_t id) {
    if (!contains(id)) return;
    ++generation_[id];
    livePoints_[id] = 0;
}

bool ccEndPointGrid::contains(std::size_t id) const {
    return id < livePoints_.size() && livePoints_[id] > 0;
}

std::size_t ccEndPointGrid::lowestInList(const List& list, std::size_t after, std::size_t below,
                                         const ccVector<2>& point) const {
    for (std::int64_t i = list.head; i >= 0;) {
        const Entry& e = entries_[static_cast<std::size_t>(i)];
        if (e.id >= below) break;
        if (e.id > after && isLive(e) && cfIsWithinDistance(e.point, point, distance_)) return e.id;
        i = e.next;
    }
    return below;
}

template <class F>
void ccEndPointGrid::forEachListNear(const ccVector<2>& point, F f) const {
    f(far_);
    const CellSpan span = cellsNear(point);
    for (std::int64_t x = span.x0; x <= span.x1; ++x) {
        for (std::int64_t y = span.y0; y <= span.y1; ++y) {
            if (const List* list = listOf(x, y)) f(*list);
        }
    }
}

std::size_t ccEndPointGrid::lowestNear(const ccVector<2>& point, std::size_t after,
                                       std::size_t below) const {
    if (!(distance_ > 0) || !isFinitePoint(point)) return below;
    std::size_t best = below;
    forEachListNear(point,
                    [&](const List& list) { best = lowestInList(list, after, best, point); });
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
    forEachListNear(point, [&](const List& list) {
        for (std::int64_t i = list.head; i >= 0;) {
            const Entry& e = entries_[static_cast<std::size_t>(i)];
            if (isLive(e) && cfIsWithinDistance(e.point, point, distance_)) ids.push_back(e.id);
            i = e.next;
        }
    });
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
}
