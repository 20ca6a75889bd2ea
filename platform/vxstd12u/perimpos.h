// Positions along the perimeter of a shape tree.
#pragma once

// A position on the boundary of a shape: the number of a node in the
// pre-order numbering of a ccShapeInfo, and the arc length from that node's
// start point along its own perimeter.
class ccPerimPos {
  public:
    constexpr ccPerimPos() noexcept = default;
    constexpr ccPerimPos(long node, double offset) noexcept : node_(node), offset_(offset) {}

    constexpr long node() const noexcept { return node_; }
    constexpr double offset() const noexcept { return offset_; }
    void node(long n) noexcept { node_ = n; }
    void offset(double d) noexcept { offset_ = d; }

    constexpr bool operator==(const ccPerimPos& o) const noexcept {
        return node_ == o.node_ && offset_ == o.offset_;
    }
    constexpr bool operator!=(const ccPerimPos& o) const noexcept { return !(*this == o); }

  private:
    long node_ = 0;
    double offset_ = 0.0;
};
