#include "vxstd12u/xform.h"

#include "vxstd12u/range.h"

#include <gtest/gtest.h>

#include <random>

#include "vxstd12u/errors.h"

namespace {

constexpr double kTight = 1e-12;

TEST(Radian, NormAndSignedNormRanges) {
    EXPECT_DOUBLE_EQ(ccRadian(-ccPi / 2).norm().toDouble(), 1.5 * ccPi);
    EXPECT_DOUBLE_EQ(ccRadian(5 * ccPi).norm().toDouble(), ccPi);
    EXPECT_DOUBLE_EQ(ccRadian(ccPi).signedNorm().toDouble(), ccPi);  // pi stays, -pi goes to pi
    EXPECT_DOUBLE_EQ(ccRadian(-ccPi).signedNorm().toDouble(), ccPi);
    EXPECT_DOUBLE_EQ(ccRadian(1.5 * ccPi).signedNorm().toDouble(), -0.5 * ccPi);
    EXPECT_LT(ccRadian(-1e-18).norm().toDouble(), ccTwoPi);  // never reaches 2 pi
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> angle(-100, 100);
    for (int i = 0; i < 1000; ++i) {
        const double a = angle(rng);
        const double n = ccRadian(a).norm().toDouble();
        const double s = ccRadian(a).signedNorm().toDouble();
        ASSERT_GE(n, 0.0);
        ASSERT_LT(n, ccTwoPi);
        ASSERT_GT(s, -ccPi);
        ASSERT_LE(s, ccPi);
        EXPECT_NEAR(std::remainder(n - a, ccTwoPi), 0.0, 1e-12);
    }
}

TEST(Matrix, RotationInverseAndXRot) {
    const ccMatrix<2> r = ccMatrix<2>::rotation(ccRadian(0.3));
    EXPECT_NEAR(r.xRot().toDouble(), 0.3, kTight);
    EXPECT_NEAR(r.determinant(), 1.0, kTight);
    EXPECT_TRUE(r.isOrthonormal());
    const ccMatrix<2> m(2, 1, -1, 3);
    const ccMatrix<2> p = m * m.inverse();
    EXPECT_NEAR(p.element(0, 0), 1, kTight);
    EXPECT_NEAR(p.element(0, 1), 0, kTight);
    EXPECT_NEAR(p.element(1, 1), 1, kTight);
    EXPECT_THROW(ccMatrix<2>(1, 2, 2, 4).inverse(), ccShapesError::BadParams);
    // Singular means a determinant negligible beside the entries, at any
    // scale: 1e-3 beside entries of 1e6 is, a whole 2e-18 beside 1e-9 is not.
    EXPECT_THROW(ccMatrix<2>(1e6, 1e6, 1e6, 1e6 + 1e-9).inverse(), ccShapesError::BadParams);
    const ccMatrix<2> large = ccMatrix<2>(1e-9, 0, 0, 2e-9).inverse();
    EXPECT_DOUBLE_EQ(large.element(0, 0), 1e9);
    EXPECT_DOUBLE_EQ(large.element(1, 1), 5e8);
    EXPECT_TRUE(ccMatrix<2>(2, 0, 0, -2).isSimilarity());
    EXPECT_FALSE(ccMatrix<2>(2, 0, 0, 1).isSimilarity());
}

TEST(Xform, CompositionAppliesTheRightOperandFirst) {
    const ccXform<2> shift = ccXform<2>::translation(ccVector<2>(1, 0));
    const ccXform<2> quarter = ccXform<2>::rigid(ccRadian(ccPi / 2), ccVector<2>());
    const ccVector<2> p = (quarter * shift).mapPoint(ccVector<2>(1, 0));  // shift, then turn
    EXPECT_LE((p - ccVector<2>(0, 2)).len(), kTight);
    const ccVector<2> q = (shift * quarter).mapPoint(ccVector<2>(1, 0));  // turn, then shift
    EXPECT_LE((q - ccVector<2>(1, 1)).len(), kTight);
    // Vectors ignore the offset.
    EXPECT_EQ(shift.mapVector(ccVector<2>(1, 2)), ccVector<2>(1, 2));
}

TEST(Xform, InverseUndoesAndMirrorHasNegativeDeterminant) {
    const ccXform<2> x(ccMatrix<2>(1, 2, 0, -1), ccVector<2>(3, 4));
    EXPECT_LT(x.determinant(), 0);
    const ccVector<2> p(0.5, -7);
    EXPECT_LE((x.inverse().mapPoint(x.mapPoint(p)) - p).len(), kTight);
    EXPECT_NEAR(x.mapAngle(ccRadian(0)).toDouble(), 0.0, kTight);
    EXPECT_NEAR(x.mapAngle(ccRadian(ccPi / 2)).toDouble(), std::atan2(-1, 2), kTight);
}

TEST(Range, IsWithinIncludesBothEndsAndNotNaN) {
    const ccRange r(0.0, 2.0);
    EXPECT_TRUE(r.isWithin(0.0));
    EXPECT_TRUE(r.isWithin(2.0));
    EXPECT_FALSE(r.isWithin(2.0000001));
    EXPECT_FALSE(r.isWithin(std::nan("")));
    EXPECT_FALSE(ccRange(3, 1).isWithin(2));
}

}  // namespace
