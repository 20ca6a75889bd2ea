// Closed intervals of the real line.
#pragma once

// The interval from start to end. isWithin includes both ends. A range whose
// start lies above its end contains nothing; ends may be infinite.
class ccRange {
  public:
    constexpr ccRange() noexcept = default;
    constexpr ccRange(double start, double end) noexcept : start_(start), end_(end) {}

    constexpr double start() const noexcept { return start_; }
    constexpr double end() const noexcept { return end_; }

    // start <= value <= end. NaN lies within no range.
    constexpr bool isWithin(double value) const noexcept {
        return start_ <= value && value <= end_;
    }

    constexpr bool operator==(const ccRange& o) const noexcept {
        return start_ == o.start_ && end_ == o.end_;
    }
    constexpr bool operator!=(const ccRange& o) const noexcept { return !(*this == o); }

  private:
    double start_ = 0.0;
    double end_ = 0.0;
};
