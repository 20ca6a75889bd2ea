// Two-dimensional vectors.
#pragma once

#include <cmath>

template <int N>
class ccVector;

// A point or displacement in the plane. Plain value type; all operations are
// exact IEEE arithmetic, no tolerance is applied.
template <>
class ccVector<2> {
  public:
    constexpr ccVector() noexcept = default;
    constexpr ccVector(double x, double y) noexcept : x_(x), y_(y) {}

    constexpr double x() const noexcept { return x_; }
    constexpr double y() const noexcept { return y_; }
    void x(double v) noexcept { x_ = v; }
    void y(double v) noexcept { y_ = v; }
    constexpr double operator[](int i) const noexcept { return i == 0 ? x_ : y_; }

    double len() const noexcept { return std::hypot(x_, y_); }
    constexpr double lenSq() const noexcept { return x_ * x_ + y_ * y_; }
    constexpr double dot(const ccVector& o) const noexcept { return x_ * o.x_ + y_ * o.y_; }
    // z component of the 3-D cross product: positive when `o` lies
    // counter-clockwise (towards +y from +x) of this vector.
    constexpr double cross(const ccVector& o) const noexcept { return x_ * o.y_ - y_ * o.x_; }
    // Direction in radians from +x towards +y, in (-pi, pi]; 0 for the zero vector.
    double angle() const noexcept { return std::atan2(y_, x_); }
    // This vector scaled to length 1; the zero vector stays zero.
    ccVector unit() const noexcept {
        const double l = len();
        return l > 0 ? ccVector(x_ / l, y_ / l) : ccVector();
    }
    // Rotated a quarter turn counter-clockwise.
    constexpr ccVector perp() const noexcept { return ccVector(-y_, x_); }
    bool isFinite() const noexcept { return std::isfinite(x_) && std::isfinite(y_); }

    constexpr ccVector operator-() const noexcept { return ccVector(-x_, -y_); }
    constexpr ccVector operator+(const ccVector& o) const noexcept {
        return {x_ + o.x_, y_ + o.y_};
    }
    constexpr ccVector operator-(const ccVector& o) const noexcept {
        return {x_ - o.x_, y_ - o.y_};
    }
    constexpr ccVector operator*(double s) const noexcept { return {x_ * s, y_ * s}; }
    constexpr ccVector operator/(double s) const noexcept { return {x_ / s, y_ / s}; }
    ccVector& operator+=(const ccVector& o) noexcept { return *this = *this + o; }
    ccVector& operator-=(const ccVector& o) noexcept { return *this = *this - o; }
    ccVector& operator*=(double s) noexcept { return *this = *this * s; }
    ccVector& operator/=(double s) noexcept { return *this = *this / s; }
    constexpr bool operator==(const ccVector& o) const noexcept { return x_ == o.x_ && y_ == o.y_; }
    constexpr bool operator!=(const ccVector& o) const noexcept { return !(*this == o); }

    // The unit vector at angle `radians`.
    static ccVector polar(double radians) noexcept {
        return ccVector(std::cos(radians), std::sin(radians));
    }

  private:
    double x_ = 0.0;
    double y_ = 0.0;
};

constexpr ccVector<2> operator*(double s, const ccVector<2>& v) noexcept {
    return v * s;
}

using cc2Vect = ccVector<2>;
