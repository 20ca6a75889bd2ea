// Archive round trips shared by the shape and shape-model tests, and one
// shape of every leaf type to run them on.
#pragma once

#include <gtest/gtest.h>

#include <typeinfo>
#include <vector>

#include "vxstd12u/affinerect.h"
#include "vxstd12u/annulus.h"
#include "vxstd12u/archive.h"
#include "vxstd12u/bezier.h"
#include "vxstd12u/ellipse.h"
#include "vxstd12u/genrect.h"
#include "vxstd12u/line.h"
#include "vxstd12u/mappedshape.h"
#include "vxstd12u/point.h"
#include "vxstd12u/polyline.h"
#include "vxstd12u/rect.h"
#include "vxstd12u/shapetree.h"
#include "vxstd12u/spline.h"

namespace archive_fixtures {

using ArchivedShape = ccPtrHandle_const<ccShape>;

inline std::vector<unsigned char> stored(ArchivedShape shape) {
    std::vector<unsigned char> bytes;
    ccArchive out(bytes, ccArchive::eStoring);
    out || shape;
    return bytes;
}

inline ArchivedShape loaded(std::vector<unsigned char> bytes) {
    ccArchive in(bytes, ccArchive::eLoading);
    ArchivedShape shape;
    in || shape;
    return shape;
}

// Reads `shape` back from its bytes, expects the same type and an equal
// shape, and hands the copy to `alsoCheck`.
template <class Check = void (*)(const ccShape&, const ccShape&)>
void expectRoundTrip(
    const ArchivedShape& shape, Check alsoCheck = [](const ccShape&, const ccShape&) {}) {
    const ArchivedShape back = loaded(stored(shape));
    ASSERT_TRUE(back);
    EXPECT_EQ(typeid(*back), typeid(*shape));
    EXPECT_TRUE(*back == *shape) << typeid(*shape).name();
    alsoCheck(*shape, *back);
}

// The parts below a node: a region node's boundary and children, a tree's
// children, a mapped shape's shape.
inline std::vector<ArchivedShape> partsOf(const ccShape& shape) {
    std::vector<ArchivedShape> parts;
    if (const auto* region = dynamic_cast<const ccRegionTree*>(&shape)) {
        if (region->hasBoundary()) parts.push_back(region->boundaryHandle());
    }
    if (const auto* tree = dynamic_cast<const ccShapeTree*>(&shape))
        parts.insert(parts.end(), tree->children().begin(), tree->children().end());
    if (const auto* mapped = dynamic_cast<const ccMappedShape*>(&shape))
        parts.push_back(mapped->shape());
    return parts;
}

// Same class and geometry at every node of both shapes, with what shape
// equality leaves out: region nodes' root flags, the class of a mapped
// shape's transform.
inline void expectSameShape(const ccShape& a, const ccShape& b) {
    ASSERT_TRUE(typeid(a) == typeid(b)) << typeid(a).name() << " vs " << typeid(b).name();
    EXPECT_TRUE(a == b) << typeid(a).name();
    if (const auto* region = dynamic_cast<const ccRegionTree*>(&a)) {
        EXPECT_EQ(region->isRoot(), dynamic_cast<const ccRegionTree&>(b).isRoot());
    }
    if (const auto* mapped = dynamic_cast<const ccMappedShape*>(&a)) {
        EXPECT_TRUE(typeid(mapped->mapXform()) ==
                    typeid(dynamic_cast<const ccMappedShape&>(b).mapXform()));
    }
    const auto partsA = partsOf(a), partsB = partsOf(b);
    ASSERT_EQ(partsA.size(), partsB.size());
    for (std::size_t i = 0; i < partsA.size(); ++i) expectSameShape(*partsA[i], *partsB[i]);
}

// One shape of every leaf type, with values away from the defaults.
inline std::vector<ArchivedShape> oneOfEachLeaf() {
    using V = ccVector<2>;
    const ccEllipse2 tilted(V(1, 2), V(3, 1.5), ccRadian(0.3), false, ccRadian(0.7));
    const ccGenRect rounded(V(1, 1), V(4, 2), ccRadian(0.2), ccRadian(0.1), V(0.3, 0.5), false);
    return {
        cfMakeHandle<cc2Point>(V(1.5, -2)),
        cfMakeHandle<ccLine>(V(1, 2), ccRadian(0.4)),
        cfMakeHandle<ccFLine>(ccRadian(-1.1), 2.5),
        cfMakeHandle<ccLineSeg>(V(0, 0), V(3, -4)),
        cfMakeHandle<ccRect>(V(-1, -2), V(3, 4)),
        cfMakeHandle<ccPolyline>(std::vector<V>{{0, 0}, {1, 2}, {3, 1}}, false),
        cfMakeHandle<ccCircle>(V(2, 3), 1.25),
        cfMakeHandle<ccEllipse2>(tilted),
        cfMakeHandle<ccEllipseArc2>(tilted, ccRadian(0.5), ccRadian(-2.0)),
        cfMakeHandle<ccAnnulus>(V(1, 1), 3.0, 1.0, false),
        cfMakeHandle<ccEllipseAnnulus>(tilted, V(1.0, 0.5)),
        cfMakeHandle<ccEllipseAnnulusSection>(V(1, 0), V(4, 3), V(2, 1), ccRadian(0.2),
                                              ccRadian(0.3), ccRadian(-1.5), true),
        cfMakeHandle<ccGenRect>(rounded),
        cfMakeHandle<ccGenAnnulus>(rounded, V(2, 1), V(0.2, 0.4)),
        cfMakeHandle<ccAffineRectangle>(V(3, 4), V(2, 5), ccRadian(1.0), ccRadian(-0.2), false),
        cfMakeHandle<ccBezierCurve>(ccBezierCurve::ccPoints{V(0, 0), V(1, 2), V(3, 2), V(4, 0)},
                                    ccBezierCurve::ccWeights{1, 2, 0.5, 1}),
        cfMakeHandle<ccDeBoorSpline>(std::vector<V>{{0, 0}, {1, 2}, {3, 2}, {4, 0}, {2, -1}}, true),
        cfMakeHandle<ccInterpSpline>(std::vector<V>{{0, 0}, {1, 2}, {3, 2}, {4, 0}}, false),
        cfMakeHandle<ccHermiteSpline>(std::vector<V>{{0, 0}, {2, 1}, {4, 0}},
                                      std::vector<V>{{1, 1}, {1, 0}, {1, -1}},
                                      std::vector<double>{0, 1.5, 2.5}, false),
    };
}

}  // namespace archive_fixtures
