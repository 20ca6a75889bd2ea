// A spatial index of points that answers "which points lie closer than d to
// this one" without looking at the far ones: the points that chaining pieces
// compare are their end points, and comparing every piece with every other
// is quadratic.
//
// Each entry is a point with an id. Ids index the caller's items (piece
// numbers, say): an id may carry several points (a piece's start and end),
// and the grid keeps a slot for every id up to the largest inserted, so ids
// should be small numbers, not hashes.
//
// Nearness is strict and is exactly cfIsWithinDistance: (a - b).len() < d.
// A gap of exactly d does not count, nothing is near when d is 0, negative or
// NaN, and a point with a NaN or infinite coordinate is near nothing (its
// difference to any point has an infinite or NaN length). Such points are not
// stored at all. With d infinite every finite point is near every other whose
// difference does not overflow.
//
// Points are kept in square cells of side 2d, so that the points near a point
// lie in the 2 x 2 cells around it. A point so far from the origin
// that its cell number would lose precision (beyond 2^40 cells) is kept in a
// list that every query searches whole: still exact, but a set made mostly of
// such points is searched in quadratic time.
//
// Removed points stay in their cells, dead, until the grid goes: a grid
// suits inserting a set once and then querying and removing.
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

    // Makes room for `points` points, so that inserting them all does not
    // reorganise the grid on the way. Only a hint: more may be inserted.
    void reserve(std::size_t points);

    // Stores `point` under `id`; false (and nothing stored) when the point
    // has a NaN or infinite coordinate. The same id may be inserted with any
    // number of points, the same point more than once.
    bool insert(const ccVector<2>& point, std::size_t id);

    // Forgets every point of `id`; an id with no points is ignored. The id
    // may be inserted again afterwards.
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
    // A stored point; the points of one cell form a list of ascending ids.
    struct Entry {
        ccVector<2> point;
        std::uint32_t id;
        std::uint32_t generation;  // the id's generation when inserted
        std::int64_t next;         // -1 ends the cell's list
    };
    // A cell's list; empty when head is -1.
    struct List {
        std::int64_t head = -1, tail = -1;
    };
    // A slot of the open-addressed table of cells.
    struct Slot {
        std::int64_t x = 0, y = 0;
        List list;
    };
    // The cells, in both axes, that may hold a point near a given one.
    struct CellSpan {
        std::int64_t x0, x1, y0, y1;
    };

    bool hasCell(const ccVector<2>& point, std::int64_t& x, std::int64_t& y) const;
    CellSpan cellsNear(const ccVector<2>& point) const;
    // The slot of cell (x, y), or the empty slot where it would go.
    std::size_t slotOf(std::int64_t x, std::int64_t y) const;
    const List* listOf(std::int64_t x, std::int64_t y) const;
    // The list to insert `point` into, its cell made when new.
    List& listFor(const ccVector<2>& point);
    void growTable(std::size_t cells);
    bool isLive(const Entry& e) const { return e.generation == generation_[e.id]; }
    // The lowest id above `after` and below `below` with a live point of
    // `list` near `point`; `below` when none.
    std::size_t lowestInList(const List& list, std::size_t after, std::size_t below,
                             const ccVector<2>& point) const;
    std::size_t lowestNear(const ccVector<2>& point, std::size_t after, std::size_t below) const;
    template <class F>
    void forEachListNear(const ccVector<2>& point, F f) const;

    double distance_;
    double cellSide_;  // twice the distance: a point's neighbours lie in the 2 x 2 cells around it
    std::vector<Slot> table_;  // a power of two of slots, at most half of them used
    std::size_t cells_ = 0;
    List far_;  // points whose cell numbers would lose precision
    std::vector<Entry> entries_;
    // By id: removing an id moves it to a new generation, which leaves its
    // old entries dead where they lie.
    std::vector<std::uint32_t> generation_;
    std::vector<std::uint32_t> livePoints_;
};
