// Seeded random contours and trees of segments and circular arcs, and checks
// that compare two ways of reaching the same answer on them.
#pragma once

#include <cmath>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "vxstd12u/ellipse.h"
#include "vxstd12u/line.h"
#include "vxstd12u/shapeinfo.h"
#include "vxstd12u/shapetree.h"
#include "vxstd12u/tolerances.h"

// Shapes stay within a few tens of units; computed points agree far below
// the coincidence tolerance scaled by this factor.
constexpr double kTreeSlack = 1000.0;
inline double treeTolerance() {
    return kTreeSlack * cc_tol::kCoincident;
}

inline void expectSamePoint(const ccVector<2>& a, const ccVector<2>& b,
                            double tolerance = treeTolerance()) {
    EXPECT_LE((a - b).len(), tolerance)
        << "(" << a.x() << ", " << a.y() << ") vs (" << b.x() << ", " << b.y() << ")";
}

inline void expectSameHeading(const ccRadian& a, const ccRadian& b,
                              double tolerance = treeTolerance()) {
    EXPECT_LE(std::fabs((a - b).signedNorm().toDouble()), tolerance)
        << a.toDouble() << " vs " << b.toDouble();
}

inline ccPtrHandle_const<ccShape> segment(const ccVector<2>& a, const ccVector<2>& b) {
    return cfMakeHandle<ccLineSeg>(a, b);
}

// The circular arc from `a` to `b` about a centre `inset` times the chord
// length to the left of the chord, taking the shorter way round.
inline ccPtrHandle_const<ccShape> bulge(const ccVector<2>& a, const ccVector<2>& b, double inset) {
    const ccVector<2> chord = b - a;
    const ccVector<2> center = (a + b) * 0.5 + chord.perp() * inset;
    const ccVector<2> ra = a - center, rb = b - center;
    const double span = std::atan2(ra.cross(rb), ra.dot(rb));
    return cfMakeHandle<ccEllipseArc2>(ccEllipse2(center, ccVector<2>(ra.len(), ra.len())),
                                       ccRadian(ra.angle()), ccRadian(span));
}

class RandomTrees {
  public:
    explicit RandomTrees(unsigned seed) : rng_(seed) {}

    double uniform(double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(rng_);
    }
    int count(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    bool coin() { return count(0, 1) == 1; }

    // Corners of a star-shaped, counter-clockwise polygon about `center`.
    std::vector<ccVector<2>> starCorners(const ccVector<2>& center, double size, int n) {
        std::vector<ccVector<2>> corners;
        const double phase = uniform(0, ccTwoPi);
        for (int i = 0; i < n; ++i) {
            const double a = phase + ccTwoPi * (i + uniform(0.1, 0.9)) / n;
            corners.push_back(center + ccVector<2>::polar(a) * uniform(0.5, 1.0) * size);
        }
        return corners;
    }

    // The pieces (segments or outward arcs) of such a polygon, in order.
    ccShapeTree::ChildList starPieces(const ccVector<2>& center, double size, int n) {
        const auto corners = starCorners(center, size, n);
        ccShapeTree::ChildList pieces;
        for (size_t i = 0; i < corners.size(); ++i) {
            const auto& a = corners[i];
            const auto& b = corners[(i + 1) % corners.size()];
            pieces.push_back(coin() ? segment(a, b) : bulge(a, b, uniform(0.8, 2.0)));
        }
        return pieces;
    }

    // A closed contour, counter-clockwise unless `clockwise`.
    ccPtrHandle<ccContourTree> closedContour(const ccVector<2>& center, double size,
                                             bool clockwise = false) {
        auto contour = cfMakeHandle<ccContourTree>(true);
        contour->addChildren(starPieces(center, size, count(3, 6)), true);
        if (clockwise) return ccPtrHandle<ccContourTree>(contour->reverse());
        return contour;
    }

    // An open contour: part of a star polygon, some of it in a nested contour.
    ccPtrHandle<ccContourTree> openContour(const ccVector<2>& center, double size) {
        auto pieces = starPieces(center, size, count(4, 7));
        pieces.pop_back();
        auto contour = cfMakeHandle<ccContourTree>(false);
        const size_t split = coin() ? pieces.size() / 2 : pieces.size();
        for (size_t i = 0; i < split; ++i) contour->addChild(pieces[i], true);
        if (split == pieces.size()) return contour;
        auto nested = cfMakeHandle<ccContourTree>(false);
        for (size_t i = split; i < pieces.size(); ++i) nested->addChild(pieces[i], true);
        contour->addChild(nested, true);
        return contour;
    }

    // A general tree of contours, an ellipse and a nested general tree.
    ccPtrHandle<ccGeneralShapeTree> generalTree() {
        auto tree = cfMakeHandle<ccGeneralShapeTree>();
        tree->addChild(openContour(randomPoint(20), uniform(3, 8)), true);
        tree->addChild(closedContour(randomPoint(20), uniform(3, 8), coin()), true);
        const double r = uniform(1, 5);
        tree->addChild(cfMakeHandle<ccEllipse2>(randomPoint(20), ccVector<2>(r, 0.6 * r),
                                                ccRadian(uniform(0, ccPi))),
                       true);
        auto nested = cfMakeHandle<ccGeneralShapeTree>();
        nested->addChild(segment(randomPoint(20), randomPoint(20)), true);
        nested->addChild(openContour(randomPoint(20), uniform(3, 8)), true);
        tree->addChild(nested, true);
        return tree;
    }

    ccVector<2> randomPoint(double extent) {
        return {uniform(-extent, extent), uniform(-extent, extent)};
    }

    // A rigid map, mirrored when asked.
    ccXform<2> rigid(bool mirror) {
        const ccXform<2> turn = ccXform<2>::rigid(ccRadian(uniform(-ccPi, ccPi)), randomPoint(10));
        if (!mirror) return turn;
        return turn * ccXform<2>(ccMatrix<2>(1, 0, 0, -1), ccVector<2>());
    }

    std::mt19937& rng() { return rng_; }

  private:
    std::mt19937 rng_;
};

// The point and tangent `offset` along the whole shape.
inline void pointAlong(const ccShape& shape, double offset, ccVector<2>& point, ccRadian& tangent) {
    shape.perimPointAndTangent(ccPerimPos(0, offset), point, tangent);
}

// Samples at `spacing` with tangents and perimeter positions.
inline ccShape::ccSampleResult sampleAt(const ccShape& shape, double spacing,
                                        bool duplicates = true) {
    ccShape::ccSampleParams params(0.0, spacing, ccNoPointLimit, true, duplicates);
    params.perimPosRequested(true);
    ccShape::ccSampleResult result;
    shape.sample(params, result);
    return result;
}
