// A spatial index of points that answers "which points lie closer than d to
// this one" without looking at the far ones: the points that chaining pieces
// compare are their end points, and comparing every piece with every other
// is quadratic.
//
// Each entry is a point with an id. Ids index the caller's items (piece
// numbers, say): an id may carry several points (a piece's start and end),
// and the grid keeps two bits for every id up to the largest inserted, so
// ids should be small numbers, not hashes.
//
// Nearness is strict and is exactly cfIsWithinDistance: (a - b).len() < d.
// A gap of exactly d does not count, nothing is near when d is 0, negative or
// NaN, and a point with a NaN or infinite coordinate is near nothing (its
// difference to any point has an infinite or NaN length). Such points are not
// stored at all. With d infinite every finite point is near every other whose
// difference does not overflow.
//
// Points are kept by square cells of side 2d, so that the points near a point
// lie in the 2 x 2 cells around it; a query reads every point of those cells,
// so points crowding far closer than d make queries among them slow. A point
// so far from the origin
// that its cell number would lose precision (beyond 2^40 cells) is kept in a
// list that every query searches whole: still exact, but a set made mostly of
// such points is searched in quadratic time.
//
// An id removed is gone for good: its points stay where they lie, dead, and
// inserting the id again is refused. A grid suits inserting a set once and
// then querying and removing.
//
// Not thread-safe for writing; const queries may run concurrently.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "vxstd12u/vector.h"

// Whether `a` and `b` lie closer than `distance` (strictly; see above).
bool cfIsWithinDistance(const ccVector<2>& a, const ccVector<2>& b, double distance);

class ccEndPointGrid {
  public:
    // An empty grid whose nearness distance is `distance` (any value; see the
    // header comment for 0, negative, NaN and infinite distances).
    explicit ccEndPointGrid(double distance);

    double distance() const noexcept { return distance_; }

    // Stores `point` under `id`; false (and nothing stored) when the point
    // has a NaN or infinite coordinate. The same id may be inserted with any
    // number of points, the same point more than once, until it is removed.
    // Throws ccShapesError::BadParams for an id of 2^32 - 1 or more, or one
    // removed; the grid is then unchanged.
    bool insert(const ccVector<2>& point, std::size_t id);

    // A point to store and its id.
    struct Point {
        ccVector<2> at;
        std::size_t id;
    };

    // Stores every point of `points` as insert() would one by one, and gives
    // the number stored (the finite ones). Faster than one by one for many
    // points: their places are fetched from memory ahead of use. The ids are
    // checked first: on a refusal nothing is stored.
    std::size_t insert(const std::vector<Point>& points);

    // Starts fetching what a query near `point` reads, so that the query,
    // made a little later, finds it in cache: when queries jump about a
    // large grid, waiting for memory is most of their time. Changes no
    // answer; a point that is not finite is ignored.
    void warm(const ccVector<2>& point) const noexcept;

    // Forgets every point of `id`, now and later; an id with no points is
    // ignored.
    void remove(std::size_t id);

    // Whether some point of `id` is stored.
    bool contains(std::size_t id) const;

    // The ids with a point near `point`, ascending, each once. Empty when the
    // point is not finite or nothing is near.
    std::vector<std::size_t> idsNear(const ccVector<2>& point) const;

    // The lowest id above `after` with a point near `a` or near `b`; none
    // when there is no such id. This is the step of a greedy pass that takes
    // the next piece, in numbering order, touching either end of a chain.
    std::optional<std::size_t> lowestIdNearAfter(std::size_t after, const ccVector<2>& a,
                                                 const ccVector<2>& b) const;

  private:
    // A stored point, or an empty place of the table when id is kEmpty.
    struct Entry {
        ccVector<2> point;
        std::uint32_t id;
    };
    // The cells, in both axes, that may hold a point near a given one.
    struct CellSpan {
        std::int64_t x0, x1, y0, y1;
    };

    bool hasCell(const ccVector<2>& point, std::int64_t& x, std::int64_t& y) const;
    CellSpan cellsNear(const ccVector<2>& point) const;
    // The filter's bit for cells of this hash.
    std::size_t filterBitOf(std::size_t hash) const;
    // Whether a cell of this hash may hold points: false means surely not.
    bool mayHoldCell(std::size_t hash) const;
    // Where the cell of `point` starts its run in the table, with the cell's
    // hash; false when the point is kept with the far ones.
    bool homeOf(const ccVector<2>& point, std::size_t& home, std::size_t& hash) const;
    void checkInsertable(std::size_t id) const;
    // Stores a point whose id was checked, in a table with room for it.
    bool store(const ccVector<2>& point, std::size_t id);
    void place(const Entry& entry);
    void growTable(std::size_t points);
    bool isLive(std::uint32_t id) const;
    // Calls f(entry) for every entry that may lie near `point`: the far ones
    // and those of the cells around it, live or dead, some possibly twice.
    template <class F>
    void forEachEntryNear(const ccVector<2>& point, F f) const;
    std::size_t lowestNear(const ccVector<2>& point, std::size_t after, std::size_t below) const;

    double distance_;
    double cellSide_;  // twice the distance: a point's neighbours lie in the 2 x 2 cells around it
    // Open addressing of points by the hash of their cell: the points of a
    // cell lie in the run of used places from the cell's home place on, so a
    // query reads one short stretch of memory a cell. A power of two of
    // places, at most half of them used.
    std::vector<Entry> table_;
    std::size_t stored_ = 0;
    std::vector<std::uint64_t> occupied_;  // a filter of the stored cells' hashes
    std::vector<Entry> far_;               // points whose cell numbers would lose precision
    // By id, one bit each: kept small so that the liveness of a candidate is
    // read from cache.
    std::vector<std::uint64_t> hasPoints_, removed_;
};
