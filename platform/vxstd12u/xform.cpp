#include "vxstd12u/xform.h"

#include <cmath>

#include "vxstd12u/errors.h"
#include "vxstd12u/str.h"
#include "vxstd12u/tolerances.h"

ccMatrix<2> ccMatrix<2>::rotation(const ccRadian& angle) noexcept {
    const double c = std::cos(angle.toDouble());
    const double s = std::sin(angle.toDouble());
    return ccMatrix(c, -s, s, c);
}

ccRadian ccMatrix<2>::xRot() const noexcept {
    return ccRadian(std::atan2(c_, a_));
}
ccRadian ccMatrix<2>::yRot() const noexcept {
    return ccRadian(std::atan2(d_, b_));
}
double ccMatrix<2>::xScale() const noexcept {
    return std::hypot(a_, c_);
}
double ccMatrix<2>::yScale() const noexcept {
    return std::hypot(b_, d_);
}

ccMatrix<2> ccMatrix<2>::inverse() const {
    const double det = determinant();
    const double size = std::fabs(a_ * d_) + std::fabs(b_ * c_);
    if (!std::isfinite(det) || std::fabs(det) <= cc_tol::kDegenerateRelative * size || det == 0.0) {
        throw ccShapesError::BadParams(L"matrix is singular (determinant " + cfStr(det) + L")");
    }
    return ccMatrix(d_ / det, -b_ / det, -c_ / det, a_ / det);
}

bool ccMatrix<2>::isOrthonormal() const noexcept {
    const ccMatrix p = transpose() * *this;
    return std::fabs(p.a_ - 1.0) <= cc_tol::kOrthonormal &&
           std::fabs(p.d_ - 1.0) <= cc_tol::kOrthonormal && std::fabs(p.b_) <= cc_tol::kOrthonormal;
}

bool ccMatrix<2>::isSimilarity() const noexcept {
    const double s = std::sqrt(std::fabs(determinant()));
    if (!(s > 0) || !std::isfinite(s)) return false;
    const ccMatrix unit(a_ / s, b_ / s, c_ / s, d_ / s);
    return unit.isOrthonormal();
}

ccXform<2> ccXform<2>::rigid(const ccRadian& angle, const ccVector<2>& offset) noexcept {
    return ccXform(ccMatrix<2>::rotation(angle), offset);
}

ccRadian ccXform<2>::mapAngle(const ccRadian& angle) const noexcept {
    return ccRadian(mapVector(ccVector<2>::polar(angle.toDouble())).angle());
}

ccXform<2> ccXform<2>::inverse() const {
    const ccMatrix<2> inv = matrix_.inverse();
    return ccXform(inv, -(inv * offset_));
}

bool ccXform<2>::isFinite() const noexcept {
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c)
            if (!std::isfinite(matrix_.element(r, c))) return false;
    return offset_.isFinite();
}
