// Seeded random contours and trees of segments and circular arcs for the
// shape-tree tests, on top of the shared shape checks.
#pragma once

#include <cmath>
#include <random>
#include <vector>

#include "shape_checks.h"

using shape_checks::expectSameHeading;
using shape_checks::expectSamePoint;
using shape_checks::pointAt;
using shape_checks::sampleAt;

inline double treeTolerance() {
    return shape_checks::kSamePoint;
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

    double uniform(double lo, double hi) { return shape_checks::uniform(rng_, lo, hi); }
    int count(int lo, int hi) { return shape_checks::count(rng_, lo, hi); }
    bool coin() { return shape_checks::coin(rng_); }

    // Corners of a counter-clockwise polygon star-shaped about `center`: with
    // four or more corners no gap between them reaches half a turn.
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
        contour->addChildren(starPieces(center, size, count(4, 6)), true);
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

    ccVector<2> randomPoint(double extent) { return shape_checks::randomPoint(rng_, extent); }

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
