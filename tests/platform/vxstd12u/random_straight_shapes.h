// Seeded random straight shapes and transforms for property tests.
#pragma once

#include <cmath>
#include <ostream>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "vxstd12u/line.h"
#include "vxstd12u/polyline.h"
#include "vxstd12u/rect.h"
#include "vxstd12u/tolerances.h"
#include "vxstd12u/xform.h"

inline void PrintTo(const ccVector<2>& v, std::ostream* out) {
    *out << "(" << v.x() << ", " << v.y() << ")";
}

// A copy of the polyline a handle holds (ccBadPointer when it holds another type).
inline ccPolyline asPolyline(const ccPtrHandle<ccShape>& h) {
    return *ccPtrHandle<ccPolyline>(h);
}

// Coordinates of random shapes stay within a few hundred units, where double
// rounding is far below the coincidence tolerance.
inline void expectNear(const ccVector<2>& a, const ccVector<2>& b) {
    EXPECT_LE((a - b).len(), cc_tol::kCoincident)
        << "(" << a.x() << ", " << a.y() << ") vs (" << b.x() << ", " << b.y() << ")";
}

// Whether two directions agree, whatever their turn count.
inline void expectSameDirection(const ccRadian& a, const ccRadian& b) {
    EXPECT_LE(std::abs((a - b).signedNorm().toDouble()), cc_tol::kCoincident)
        << a.toDouble() << " vs " << b.toDouble();
}

class RandomStraightShapes {
  public:
    explicit RandomStraightShapes(unsigned seed) : rng_(seed) {}

    double uniform(double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(rng_);
    }
    int count(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
    ccVector<2> point() { return {uniform(-100, 100), uniform(-100, 100)}; }

    ccLineSeg segment() { return ccLineSeg(point(), point()); }

    ccRect rect() { return ccRect(point(), {uniform(0.5, 80), uniform(0.5, 80)}); }

    // Distinct random vertices (so no edge exactly reverses the one before),
    // now and then one repeated, so that zero-length edges get exercised.
    ccPolyline polyline(bool closed) {
        std::vector<ccVector<2>> vertices;
        for (int n = count(closed ? 3 : 2, 9); n > 0; --n) {
            vertices.push_back(point());
            if (count(0, 7) == 0) vertices.push_back(vertices.back());
        }
        return ccPolyline(vertices, closed);
    }

    ccXform<2> rigid() { return ccXform<2>::rigid(ccRadian(uniform(-ccPi, ccPi)), point()); }
    // A rigid map after a reflection in the x axis.
    ccXform<2> mirrored() { return rigid() * ccXform<2>(ccMatrix<2>(1, 0, 0, -1), {}); }
    ccXform<2> affine() {
        return ccXform<2>(
            ccMatrix<2>(uniform(0.3, 2), uniform(-1, 1), uniform(-1, 1), uniform(0.3, 2)), point());
    }

  private:
    std::mt19937 rng_;
};
