// The shape library's archive forms against their golden files: every leaf
// type, the trees, mapped shapes, the transforms and the sample parameters.
#include <gtest/gtest.h>

#include <typeinfo>
#include <vector>

#include "archive_fixtures.h"
#include "golden_archive.h"
#include "vxstd12u/mappedshape.h"
#include "vxstd12u/sample.h"
#include "vxstd12u/shapetree.h"
#include "vxstd12u/transform.h"

namespace {

using namespace golden_archive;
using archive_fixtures::ArchivedShape;
using V = ccVector<2>;
using Xform = ccPtrHandle_const<cc2XformBase>;

ArchivedShape polygon(std::vector<V> corners) {
    return cfMakeHandle<ccPolyline>(std::move(corners), true);
}

// A segment, a half circle and a segment: back to the start when closed.
ArchivedShape contour(bool closed) {
    auto c = cfMakeHandle<ccContourTree>(closed);
    c->addChild(cfMakeHandle<ccLineSeg>(V(0, 0), V(4, 0)), true);
    c->addChild(cfMakeHandle<ccEllipseArc2>(ccEllipse2(V(4, 1.5), V(1.5, 1.5)), ccRadian(-ccPi / 2),
                                            ccRadian(ccPi)),
                true);
    c->addChild(cfMakeHandle<ccLineSeg>(V(4, 3), closed ? V(0, 0) : V(1, 5)), true);
    return c;
}

// A solid with two holes, a solid island in the first.
ArchivedShape region() {
    auto r = cfMakeHandle<ccRegionTree>(*polygon({{0, 0}, {12, 0}, {12, 10}, {0, 10}}), false);
    r->addChild(polygon({{1, 1}, {8, 1}, {8, 8}, {1, 8}}), true);
    r->addChild(cfMakeHandle<ccCircle>(V(4, 5), 2.0), true);
    r->addChild(cfMakeHandle<ccEllipse2>(V(10, 8.5), V(1.0, 0.5), ccRadian(0.3)), true);
    return r;
}

ArchivedShape general() {
    auto inner = cfMakeHandle<ccGeneralShapeTree>();
    inner->addChild(cfMakeHandle<ccCircle>(V(-3, 2), 0.5), true);
    auto g = cfMakeHandle<ccGeneralShapeTree>();
    g->addChild(cfMakeHandle<cc2Point>(V(7, -1)), true);
    g->addChild(contour(false), true);
    g->addChild(inner, true);
    return g;
}

const double kPerspective[9] = {1.0, 0.2, 3.0, -0.1, 0.9, 1.0, 0.01, 0.02, 1.0};
const Xform kLinear =
    cfMakeHandle<cc2XformLinear>(ccXform<2>(ccMatrix<2>(2, 0.5, -0.3, 1.5), V(1, -2)));

void expectSameShape(const ArchivedShape& back, const ArchivedShape& built) {
    ASSERT_TRUE(back);
    archive_fixtures::expectSameShape(*back, *built);
}

// Same class and map; a rigid map's own fields too (equality compares the matrix only).
void expectSameXform(const Xform& back, const Xform& built) {
    ASSERT_TRUE(back);
    ASSERT_TRUE(typeid(*back) == typeid(*built)) << typeid(*back).name();
    EXPECT_TRUE(back->equals(*built) && built->equals(*back));
    if (const auto* rigid = dynamic_cast<const cc2Rigid*>(built.get())) {
        const auto& read = dynamic_cast<const cc2Rigid&>(*back);
        EXPECT_EQ(read.rotation().toDouble(), rigid->rotation().toDouble());
        EXPECT_TRUE(read.translation() == rigid->translation());
    }
}

TEST(GoldenShapeArchive, EachFileReadsAsItsShapeAndIsWhatStoringGivesToday) {
    std::vector<Golden> table;
    for (const ArchivedShape& leaf : archive_fixtures::oneOfEachLeaf())
        table.push_back(
            golden("shape_" + cc_Instantiator::stableName(typeid(*leaf)), leaf, expectSameShape));
    const std::pair<const char*, ArchivedShape> trees[] = {
        {"tree_contour_open", contour(false)},
        {"tree_contour_closed", contour(true)},
        {"tree_region", region()},
        {"tree_general", general()},
        {"mapped_linear", cfMakeHandle<ccMappedShape>(contour(true), *kLinear, true)},
        {"mapped_perspective",
         cfMakeHandle<ccMappedShape>(region(), cc2XformPerspective(kPerspective), true)},
    };
    for (const auto& [name, shape] : trees) table.push_back(golden(name, shape, expectSameShape));
    table.push_back(golden("xform_linear", kLinear, expectSameXform));
    table.push_back(golden("xform_rigid", Xform(cfMakeHandle<cc2Rigid>(ccDegree(30.0), V(5, -6))),
                           expectSameXform));
    table.push_back(golden("xform_perspective",
                           Xform(cfMakeHandle<cc2XformPerspective>(kPerspective)),
                           expectSameXform));
    ccShapeSampleParams sample(0.25, 1.5, 4000, false, true);
    sample.uniformMode(true);
    table.push_back(golden("sample_params", sample));
    expectGolden(table);
}

}  // namespace
