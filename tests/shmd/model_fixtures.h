// Shapes, records and random trees shared by the module's tests.
#pragma once

#include <gtest/gtest.h>

#include <random>
#include <typeinfo>
#include <vector>

#include "ch_core/shapemod.h"
#include "platform/vxstd12u/archive_fixtures.h"

namespace fixtures {

using Shape = ccPtrHandle<ccShape>;
using ConstShape = ccPtrHandle_const<ccShape>;

inline ccShapeModelProps weight(double w) {
    return ccShapeModelProps(false, w);
}
inline ccShapeModelProps reversed(double w = 1.0) {
    return ccShapeModelProps(true, w);
}
inline ccShapeModelProps ignored() {
    return ccShapeModelProps(false, 1.0, true);
}

inline Shape circle(double x = 0, double y = 0, double r = 1) {
    return cfMakeHandle<ccCircle>(ccVector<2>(x, y), r);
}
inline Shape segment(double x0, double y0, double x1, double y1) {
    return cfMakeHandle<ccLineSeg>(ccVector<2>(x0, y0), ccVector<2>(x1, y1));
}
// A square of side `size` with its lower left corner at (x, y), counter-clockwise.
inline Shape square(double x, double y, double size) {
    return cfMakeHandle<ccPolyline>(
        std::vector<ccVector<2>>{{x, y}, {x + size, y}, {x + size, y + size}, {x, y + size}}, true);
}
// A left-handed circle: the same points, traversed clockwise.
inline Shape clockwiseCircle(double x = 0, double y = 0, double r = 1) {
    return circle(x, y, r)->reverse();
}

// A plain triangle polygon and wireframe.
inline Shape genPoly() {
    return cfMakeHandle<ccGenPoly>(std::vector<ccVector<2>>{{0, 0}, {4, 0}, {0, 3}}, true);
}
inline Shape wireframe(bool polarityReversed) {
    return cfMakeHandle<cc2Wireframe>(std::vector<ccVector<2>>{{0, 0}, {4, 0}, {0, 3}},
                                      std::vector<double>{0, 0, 0}, true, polarityReversed);
}

inline Shape model(const ConstShape& shape, const ccShapeModelProps& p) {
    return p.assign(*shape);
}

inline ccPtrHandle<ccGeneralShapeTree> general(std::initializer_list<ConstShape> children) {
    auto tree = cfMakeHandle<ccGeneralShapeTree>();
    for (const auto& c : children) tree->addChild(c, true);
    return tree;
}

inline ccPtrHandle<ccContourTree> contour(bool closed, std::initializer_list<ConstShape> pieces) {
    auto tree = cfMakeHandle<ccContourTree>(closed);
    for (const auto& p : pieces) tree->addChild(p, true);
    return tree;
}

// The closed square contour (0,0)-(s,s) of four segments, counter-clockwise.
inline ccPtrHandle<ccContourTree> squareContour(double s,
                                                const std::vector<ccShapeModelProps>& props = {}) {
    const ccVector<2> c[4] = {{0, 0}, {s, 0}, {s, s}, {0, s}};
    auto tree = cfMakeHandle<ccContourTree>(true);
    for (int i = 0; i < 4; ++i) {
        Shape piece = cfMakeHandle<ccLineSeg>(c[i], c[(i + 1) % 4]);
        if (!props.empty()) piece = props[i].assign(*piece);
        tree->addChild(piece, true);
    }
    return tree;
}

inline ccShapeModelProps recordOf(const ccShape& s) {
    return ccShapeModel::shapeModelProps(s);
}

using archive_fixtures::partsOf;

// Same dynamic type and same record at every node of both trees.
inline void expectSameTypesAndRecords(const ccShape& a, const ccShape& b) {
    ASSERT_TRUE(typeid(a) == typeid(b)) << typeid(a).name() << " vs " << typeid(b).name();
    if (const auto* model = dynamic_cast<const ccShapeModel*>(&a)) {
        EXPECT_TRUE(model->modelProps() == recordOf(b)) << typeid(a).name();
    }
    const auto partsA = partsOf(a), partsB = partsOf(b);
    ASSERT_EQ(partsA.size(), partsB.size());
    for (std::size_t i = 0; i < partsA.size(); ++i)
        expectSameTypesAndRecords(*partsA[i], *partsB[i]);
}

// Whether a region tree stands anywhere in `shape`: mapping one re-starts its
// loops, so its featurelets agree with the unmapped ones only as a set.
inline bool hasRegionTree(const ccShape& shape) {
    if (cfIsA<ccRegionTree>(shape)) return true;
    for (const auto& part : partsOf(shape))
        if (hasRegionTree(*part)) return true;
    return false;
}

// A mirroring similarity: rotate, scale and reflect across the x axis.
inline ccXform<2> mirroringSimilarity(std::mt19937& rng) {
    std::uniform_real_distribution<double> angle(-3, 3), scale(0.5, 2), shift(-5, 5);
    const ccMatrix<2> reflect(1, 0, 0, -1);
    const double s = scale(rng);
    return ccXform<2>(
        ccMatrix<2>::rotation(ccRadian(angle(rng))) * ccMatrix<2>::scale(s, s) * reflect,
        ccVector<2>(shift(rng), shift(rng)));
}

// One plain shape of each of the 25 model types: every leaf, and the
// outlines, trees and maps a model can stand for, with values away from the defaults.
inline std::vector<ConstShape> oneOfEachModelType() {
    const std::vector<ccVector<2>> points{{0, 0}, {4, 0}, {4, 3}, {0, 3}};
    const double h[9] = {1, 0.2, 3, -0.1, 0.9, 1, 0.01, 0.02, 1};
    auto region = cfMakeHandle<ccRegionTree>(*square(0, 0, 10), false);
    region->addChild(circle(5, 5, 2), true);
    std::vector<ConstShape> shapes = archive_fixtures::oneOfEachLeaf();
    shapes.insert(
        shapes.end(),
        {cfMakeHandle<cc2Wireframe>(points, std::vector<double>{0, 0.5, 0, 0}, true, true),
         squareContour(3, {weight(2), reversed(), ignored(), weight(-1)}),
         cfMakeHandle<ccGenPoly>(points, std::vector<double>{0, 0.5, 0, 1}, true),
         general({circle(), model(segment(0, 0, 1, 1), reversed(0.5))}),
         cfMakeHandle<ccMappedShape>(region, cc2XformPerspective(h), true), region});
    return shapes;
}

// Random trees mixing models and plain shapes, open and closed leaves of both
// handedness, contours, mapped shapes and region trees.
class RandomTrees {
  public:
    explicit RandomTrees(unsigned seed) : rng_(seed) {}

    std::mt19937& rng() { return rng_; }

    ccShapeModelProps randomProps() {
        std::uniform_real_distribution<double> w(-1, 3);
        return ccShapeModelProps(coin(), w(rng_), chance(0.15), 1.0);
    }

    Shape maybeModel(const Shape& s) { return coin() ? randomProps().assign(*s) : s; }

    Shape leaf() {
        std::uniform_real_distribution<double> pos(-20, 20), r(0.5, 4);
        switch (pick(4)) {
            case 0:
                return maybeModel(circle(pos(rng_), pos(rng_), r(rng_)));
            case 1:
                return maybeModel(clockwiseCircle(pos(rng_), pos(rng_), r(rng_)));
            case 2:
                return maybeModel(segment(pos(rng_), pos(rng_), pos(rng_), pos(rng_)));
            default:
                return maybeModel(square(pos(rng_), pos(rng_), r(rng_)));
        }
    }

    Shape squareOfPieces() {
        std::vector<ccShapeModelProps> props;
        for (int i = 0; i < 4; ++i)
            props.push_back(chance(0.3) ? randomProps() : ccShapeModelProps());
        Shape c = squareContour(3, props);
        return coin() ? c->reverse() : c;
    }

    Shape region() {
        auto solid = cfMakeHandle<ccRegionTree>(*circle(0, 0, 10), false);
        auto hole =
            cfMakeHandle<ccRegionTree>(coin() ? *circle(0, 0, 3) : *clockwiseCircle(0, 0, 3), true);
        solid->addChild(coin() ? Shape(hole) : randomProps().assign(*hole), true);
        return maybeModel(solid);
    }

    Shape mapped(const Shape& inner) {
        std::uniform_real_distribution<double> angle(-3, 3);
        const ccXform<2> x = ccXform<2>::rigid(ccRadian(angle(rng_)), ccVector<2>(1, 2));
        const ccXform<2> mirror(ccMatrix<2>(-1, 0, 0, 1), ccVector<2>());
        return maybeModel(
            cfMakeHandle<ccMappedShape>(inner, cc2XformLinear(coin() ? x : mirror * x), true));
    }

    Shape tree(int depth) {
        if (depth == 0) return leaf();
        switch (pick(5)) {
            case 0:
                return region();
            case 1:
                return squareOfPieces();
            case 2:
                return mapped(tree(depth - 1));
            default: {
                auto t = cfMakeHandle<ccGeneralShapeTree>();
                const int n = 1 + pick(3);
                for (int i = 0; i < n; ++i) t->addChild(tree(depth - 1), true);
                return maybeModel(t);
            }
        }
    }

    // A random tree whose top node is a model.
    Shape modelTree(int depth) { return randomProps().assign(*tree(depth)); }

  private:
    bool coin() { return pick(2) == 0; }
    bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(rng_) < p; }
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

    std::mt19937 rng_;
};

}  // namespace fixtures
