// Angles.
#pragma once

#include <cmath>

constexpr double ccPi = 3.14159265358979323846;
constexpr double ccTwoPi = 2.0 * ccPi;
constexpr double ccDegreesPerRadian = 57.29577951308232;

// An angle in radians, measured from +x towards +y. Plain value type.
class ccRadian {
  public:
    constexpr ccRadian() noexcept = default;
    constexpr explicit ccRadian(double radians) noexcept : value_(radians) {}
    constexpr ccRadian(int radians) noexcept : value_(radians) {}

    constexpr double toDouble() const noexcept { return value_; }

    // The same direction reduced to 0 <= a < 2*pi. A non-finite angle stays as it is.
    ccRadian norm() const noexcept {
        double a = std::fmod(value_, ccTwoPi);
        if (a < 0) a += ccTwoPi;
        if (a >= ccTwoPi) a = 0.0;  // -tiny + 2*pi rounds up to 2*pi
        return ccRadian(a);
    }

    // The same direction reduced to -pi < a <= pi. A non-finite angle stays as it is.
    ccRadian signedNorm() const noexcept {
        const double a = norm().value_;
        return ccRadian(a > ccPi ? a - ccTwoPi : a);
    }

    constexpr ccRadian operator-() const noexcept { return ccRadian(-value_); }
    constexpr ccRadian operator+(const ccRadian& o) const noexcept {
        return ccRadian(value_ + o.value_);
    }
    constexpr ccRadian operator-(const ccRadian& o) const noexcept {
        return ccRadian(value_ - o.value_);
    }
    constexpr ccRadian operator*(double s) const noexcept { return ccRadian(value_ * s); }
    constexpr ccRadian operator/(double s) const noexcept { return ccRadian(value_ / s); }
    ccRadian& operator+=(const ccRadian& o) noexcept { return *this = *this + o; }
    ccRadian& operator-=(const ccRadian& o) noexcept { return *this = *this - o; }
    constexpr bool operator==(const ccRadian& o) const noexcept { return value_ == o.value_; }
    constexpr bool operator!=(const ccRadian& o) const noexcept { return value_ != o.value_; }
    constexpr bool operator<(const ccRadian& o) const noexcept { return value_ < o.value_; }

  private:
    double value_ = 0.0;
};

// An angle in degrees, for the APIs that speak in degrees (rigid transforms).
class ccDegree {
  public:
    constexpr ccDegree() noexcept = default;
    constexpr explicit ccDegree(double degrees) noexcept : value_(degrees) {}
    constexpr explicit ccDegree(const ccRadian& r) noexcept
        : value_(r.toDouble() * ccDegreesPerRadian) {}
    constexpr double toDouble() const noexcept { return value_; }
    constexpr ccRadian toRadian() const noexcept { return ccRadian(value_ / ccDegreesPerRadian); }
    constexpr bool operator==(const ccDegree& o) const noexcept { return value_ == o.value_; }

  private:
    double value_ = 0.0;
};

inline double sin(const ccRadian& a) {
    return std::sin(a.toDouble());
}
inline double cos(const ccRadian& a) {
    return std::cos(a.toDouble());
}
