// Linear and affine maps of the plane.
#pragma once

#include "vxstd12u/radian.h"
#include "vxstd12u/vector.h"

template <int N>
class ccMatrix;
template <int N>
class ccXform;

// A 2x2 matrix, row by row: [a b; c d] maps (x, y) to (a x + b y, c x + d y).
template <>
class ccMatrix<2> {
  public:
    constexpr ccMatrix() noexcept = default;  // identity
    constexpr ccMatrix(double a, double b, double c, double d) noexcept
        : a_(a), b_(b), c_(c), d_(d) {}

    // Rotation by `angle` counter-clockwise.
    static ccMatrix rotation(const ccRadian& angle) noexcept;
    // Scaling by sx along x and sy along y.
    static constexpr ccMatrix scale(double sx, double sy) noexcept { return {sx, 0, 0, sy}; }

    constexpr double element(int row, int col) const noexcept {
        return row == 0 ? (col == 0 ? a_ : b_) : (col == 0 ? c_ : d_);
    }
    constexpr double determinant() const noexcept { return a_ * d_ - b_ * c_; }
    // The direction into which the matrix turns the x axis: atan2(c, a).
    ccRadian xRot() const noexcept;
    // The direction into which the matrix turns the y axis: atan2(d, b).
    ccRadian yRot() const noexcept;
    // Lengths of the images of the x and y unit vectors.
    double xScale() const noexcept;
    double yScale() const noexcept;

    // The inverse; a singular or non-finite matrix throws ccShapesError::BadParams.
    ccMatrix inverse() const;
    constexpr ccMatrix transpose() const noexcept { return {a_, c_, b_, d_}; }

    constexpr ccVector<2> operator*(const ccVector<2>& v) const noexcept {
        return {a_ * v.x() + b_ * v.y(), c_ * v.x() + d_ * v.y()};
    }
    constexpr ccMatrix operator*(const ccMatrix& m) const noexcept {
        return {a_ * m.a_ + b_ * m.c_, a_ * m.b_ + b_ * m.d_, c_ * m.a_ + d_ * m.c_,
                c_ * m.b_ + d_ * m.d_};
    }
    constexpr bool operator==(const ccMatrix& m) const noexcept {
        return a_ == m.a_ && b_ == m.b_ && c_ == m.c_ && d_ == m.d_;
    }
    constexpr bool operator!=(const ccMatrix& m) const noexcept { return !(*this == m); }

    // Whether it maps lengths to themselves (a rotation or a reflection), to
    // the library's angle tolerance.
    bool isOrthonormal() const noexcept;
    // Whether it is an orthonormal matrix times one positive scale.
    bool isSimilarity() const noexcept;
    bool isIdentity() const noexcept { return *this == ccMatrix(); }

  private:
    double a_ = 1.0, b_ = 0.0, c_ = 0.0, d_ = 1.0;
};

// An affine map p -> M p + t. Its determinant (that of M) is negative when
// the map mirrors, that is reverses handedness.
template <>
class ccXform<2> {
  public:
    constexpr ccXform() noexcept = default;  // identity
    constexpr ccXform(const ccMatrix<2>& matrix, const ccVector<2>& offset) noexcept
        : matrix_(matrix), offset_(offset) {}

    // Rotation by `angle` about the origin followed by a shift by `offset`.
    static ccXform rigid(const ccRadian& angle, const ccVector<2>& offset) noexcept;
    static ccXform translation(const ccVector<2>& offset) noexcept {
        return ccXform(ccMatrix<2>(), offset);
    }

    constexpr const ccMatrix<2>& matrix() const noexcept { return matrix_; }
    constexpr const ccVector<2>& offset() const noexcept { return offset_; }
    constexpr const ccVector<2>& trans() const noexcept { return offset_; }
    constexpr double determinant() const noexcept { return matrix_.determinant(); }

    constexpr ccVector<2> mapPoint(const ccVector<2>& p) const noexcept {
        return matrix_ * p + offset_;
    }
    constexpr ccVector<2> mapVector(const ccVector<2>& v) const noexcept { return matrix_ * v; }
    // The direction of the image of the unit vector at `angle`.
    ccRadian mapAngle(const ccRadian& angle) const noexcept;

    // The inverse map; a singular map throws ccShapesError::BadParams.
    ccXform inverse() const;

    // Composition: (a * b) maps p to a(b(p)).
    constexpr ccXform operator*(const ccXform& b) const noexcept {
        return ccXform(matrix_ * b.matrix_, matrix_ * b.offset_ + offset_);
    }
    constexpr bool operator==(const ccXform& o) const noexcept {
        return matrix_ == o.matrix_ && offset_ == o.offset_;
    }
    constexpr bool operator!=(const ccXform& o) const noexcept { return !(*this == o); }

    bool isIdentity() const noexcept { return *this == ccXform(); }
    bool isFinite() const noexcept;

  private:
    ccMatrix<2> matrix_;
    ccVector<2> offset_;
};

using cc2Matrix = ccMatrix<2>;
using cc2Xform = ccXform<2>;
