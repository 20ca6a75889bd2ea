#include "vxstd12u/transform.h"

#include <gtest/gtest.h>

#include <random>

#include "shape_checks.h"
#include "vxstd12u/errors.h"

namespace {

using shape_checks::expectSamePoint;

constexpr double kClose = 1e-9;

// A camera tilted against the plane: a true perspective, mirroring nowhere
// near the origin.
cc2XformPerspective tilted() {
    const double h[9] = {1.2, 0.1, 5, -0.2, 0.9, -3, 0.001, 0.002, 1};
    return cc2XformPerspective(h);
}

TEST(Perspective, LinearXformIsTheDerivative) {
    const cc2XformPerspective h = tilted();
    EXPECT_FALSE(h.isLinear());
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> coord(-50, 50);
    for (int i = 0; i < 100; ++i) {
        const ccVector<2> p(coord(rng), coord(rng));
        const ccVector<2> v(coord(rng), coord(rng));
        const double step = 1e-6;
        const ccVector<2> numeric =
            (h.mapPoint(p + v * step) - h.mapPoint(p - v * step)) / (2 * step);
        expectSamePoint(h.mapVector(p, v), numeric, 1e-5);
        expectSamePoint(h.linearXform(p).mapPoint(p), h.mapPoint(p), kClose);
    }
}

TEST(Perspective, InverseAndCompositionAgreeWithPointMapping) {
    const cc2XformPerspective h = tilted();
    const cc2XformLinear a(ccXform<2>(ccMatrix<2>(0, -1, 1, 0), ccVector<2>(2, 1)));
    const auto hInv = h.inverse();
    const auto ha = h.compose(a);  // a first, then h
    const auto ah = a.compose(h);  // h first, then a
    const ccVector<2> p(3, -4);
    expectSamePoint(hInv->mapPoint(h.mapPoint(p)), p, kClose);
    expectSamePoint(ha->mapPoint(p), h.mapPoint(a.mapPoint(p)), kClose);
    expectSamePoint(ah->mapPoint(p), a.mapPoint(h.mapPoint(p)), kClose);
    EXPECT_FALSE(ha->isLinear());
    EXPECT_TRUE(a.compose(a)->isLinear());
}

TEST(Perspective, HorizonAndSingularMatricesAreRefused) {
    const double onHorizon[9] = {1, 0, 0, 0, 1, 0, 1, 0, 1};  // w = x + 1
    const cc2XformPerspective h(onHorizon);
    EXPECT_THROW(h.mapPoint(ccVector<2>(-1, 5)), ccShapesError::BadParams);
    const double singular[9] = {1, 2, 3, 2, 4, 6, 0, 0, 1};
    EXPECT_THROW(cc2XformPerspective{singular}, ccShapesError::BadParams);
    const double nonFinite[9] = {1, 0, 0, 0, 1, 0, 0, 0, std::nan("")};
    EXPECT_THROW(cc2XformPerspective{nonFinite}, ccShapesError::BadParams);
}

TEST(Perspective, MirroringShowsInTheLinearisedDeterminant) {
    const double mirror[9] = {-1, 0, 0, 0, 1, 0, 0.01, 0, 1};
    EXPECT_LT(cc2XformPerspective(mirror).linearXform(ccVector<2>(0, 0)).determinant(), 0);
    EXPECT_GT(tilted().linearXform(ccVector<2>(0, 0)).determinant(), 0);
}

TEST(Rigid, RotationIsInDegrees) {
    const cc2Rigid r(ccDegree(90), ccVector<2>(1, 1));
    expectSamePoint(r.mapPoint(ccVector<2>(1, 0)), ccVector<2>(1, 2), kClose);
    EXPECT_NEAR(r.mapAngle(ccVector<2>(), ccRadian(0)).toDouble(), ccPi / 2, kClose);
    EXPECT_NEAR(r.xform().matrix().xRot().toDouble(), ccPi / 2, kClose);
    EXPECT_TRUE(r.clone()->equals(r));
}

}  // namespace
