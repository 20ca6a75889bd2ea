// Model-property records, the module's errors, the base class and the
// parameter records.
#include "ch_core/shapemod.h"

#include "model_fixtures.h"
#include "platform/vxstd12u/shape_checks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

// Bytes of the archive header, before the first item.
const std::size_t kHeader = ccArchive::header().size();

const double kNaN = std::numeric_limits<double>::quiet_NaN();

using namespace fixtures;
using shape_checks::kRoundoff;

TEST(ShapeModelProps, NegativeMagnitudeIsRefusedAndLeavesTheRecordAlone) {
    EXPECT_THROW(ccShapeModelProps(false, 1.0, false, -0.5), ccShapeModelDefs::BadParams);
    EXPECT_NO_THROW(ccShapeModelProps(false, 1.0, false, 0.0));

    ccShapeModelProps p(false, 1.0, false, 3.0);
    EXPECT_THROW(p.magnitude(-1.0), ccShapeModelDefs::BadParams);
    EXPECT_EQ(p.magnitude(), 3.0);
}

TEST(ShapeModelProps, CombineMultipliesWeightsOnlyWhenOneIsPositiveAndCancelsReversals) {
    EXPECT_EQ(weight(2).combine(weight(3)).weight(), 6.0);
    EXPECT_EQ(weight(-2).combine(weight(-3)).weight(), 0.0);
    EXPECT_EQ(weight(2).combine(weight(-3)).weight(), -6.0);
    EXPECT_EQ(weight(-3).combine(weight(2)).weight(), -6.0);
    EXPECT_EQ(weight(0).combine(weight(5)).weight(), 0.0);
    // Neither above zero gives a plain 0, never the -0 of a product that a
    // description would print as "-0".
    EXPECT_FALSE(std::signbit(weight(0).combine(weight(-2)).weight()));
    EXPECT_FALSE(std::signbit(weight(-2).combine(weight(0)).weight()));
    // NaN is not above zero: with a positive partner the product is NaN,
    // with a non-positive one the rule gives 0.
    EXPECT_TRUE(std::isnan(weight(kNaN).combine(weight(2)).weight()));
    EXPECT_EQ(weight(kNaN).combine(weight(-2)).weight(), 0.0);
    // Records compare exactly, so a NaN weight equals nothing, not even itself.
    EXPECT_FALSE(weight(kNaN) == weight(kNaN));

    // Reversals cancel, an ignore sticks, magnitudes multiply.
    EXPECT_FALSE(reversed().combine(reversed()).isReversedPolarity());
    EXPECT_TRUE(weight(1).combine(reversed()).isReversedPolarity());
    EXPECT_TRUE(ignored().combine(ignored()).isIgnoredPolarity());
    EXPECT_EQ(ccShapeModelProps(false, 1, false, 2)
                  .combine(ccShapeModelProps(false, 1, false, 0.5))
                  .magnitude(),
              1.0);
}

TEST(ShapeModelErrors, NumbersAndFamily) {
    EXPECT_EQ(ccShapeModelDefs::BadParams().errorNumber(), 0x10002A40);
    EXPECT_EQ(ccShapeModelDefs::BadWeight().errorNumber(), 0x10002A40);
    EXPECT_EQ(ccShapeModelDefs::NotSupported().errorNumber(), 0x10002A41);

    try {
        throw ccShapeModelDefs::BadParams(L"magnitude -1 is below zero");
    } catch (const ccShapesError::Errors& e) {
        EXPECT_NE(e.message().find(L"ccShapeModelDefs::BadParams"), std::wstring::npos);
        EXPECT_NE(e.message().find(L"magnitude -1 is below zero"), std::wstring::npos);
    }
}

TEST(ShapeModelErrors, SuicideAndRethrowThrowsItsOwnTypeAndFreesTheObject) {
    auto* notSupported = dynamic_cast<ccException*>(ccShapeModelDefs::NotSupported::make());
    EXPECT_THROW(notSupported->suicideAndRethrow(), ccShapeModelDefs::NotSupported);
    auto* badWeight = dynamic_cast<ccException*>(ccShapeModelDefs::BadWeight::make());
    EXPECT_THROW(badWeight->suicideAndRethrow(), ccShapeModelDefs::BadWeight);
}

// A model whose hook counts its calls.
class CountingModel : public ccShapeModel {
  public:
    using ccShapeModel::ccShapeModel;
    int hookCalls = 0;
    ccShapeModelProps hookArgument;

  protected:
    void modelProps_(const ccShapeModelProps& p) override {
        ++hookCalls;
        hookArgument = p;
    }
};

TEST(ShapeModel, SetterStoresNotifiesAndCallsTheHookOnceButAssignmentDoesNot) {
    CountingModel m;
    const ccShapeModelProps p(true, 3.0, true, 2.0);
    const long before = m.changeCount();
    m.modelProps(p);
    EXPECT_EQ(m.modelProps(), p);
    EXPECT_EQ(m.hookCalls, 1);
    EXPECT_EQ(m.hookArgument, p);
    EXPECT_EQ(m.changeCount(), before + 1);

    CountingModel other(ccShapeModelProps(false, 7.0));
    EXPECT_EQ(other.hookCalls, 0);
    static_cast<ccShapeModel&>(m) = other;  // the base assignment, not the counter's
    EXPECT_EQ(m.modelProps(), other.modelProps());
    EXPECT_EQ(m.hookCalls, 1);
    EXPECT_EQ(m.changeCount(), before + 2);

    // With the change flag off, mutators change data without notice.
    m.changeFlag(false);
    m.modelProps(p);
    EXPECT_EQ(m.changeCount(), before + 2);
}

TEST(FeatureParams, MagnitudeScaleIsValidatedWeightScaleIsNot) {
    EXPECT_NO_THROW(ccShapeModel::ccFeatureParams(ccShape::ccSampleParams(), 0.0, -2.0));
    EXPECT_THROW(ccShapeModel::ccFeatureParams(ccShape::ccSampleParams(), -0.1),
                 ccShapeModelDefs::BadParams);

    ccShapeModel::ccFeatureParams f;
    EXPECT_THROW(f.magScale(-1.0), ccShapeModelDefs::BadParams);
    EXPECT_EQ(f.magScale(), 1.0);
}

// ---- archive forms ----

// The bytes of an archive that stored `fields` in order.
template <class... Fields>
std::vector<unsigned char> stored(Fields... fields) {
    std::vector<unsigned char> bytes;
    ccArchive ar(bytes, ccArchive::eStoring);
    (ar || ... || fields);
    return bytes;
}

void load(std::vector<unsigned char> bytes, ccShapeModelProps& into) {
    ccArchive in(bytes, ccArchive::eLoading);
    in || into;
}

TEST(ShapeModelPropsArchive, VersionZeroReadsAsNotIgnoredWithUnitMagnitude) {
    ccShapeModelProps back(false, 1.0, true, 9.0);
    load(stored(static_cast<unsigned char>(0), true, 4.0), back);
    EXPECT_EQ(back, ccShapeModelProps(true, 4.0, false, 1.0));
}

TEST(ShapeModelPropsArchive, LaterVersionIsRefusedBeforeAnyFieldIsRead) {
    auto bytes = stored(ccShapeModelProps());
    bytes[kHeader] = 2;
    ccShapeModelProps back(true, 3.0);
    ccArchive in(bytes, ccArchive::eLoading);
    try {
        in || back;
        FAIL() << "version 2 accepted";
    } catch (const ccArchive::UnknownVersion& e) {
        EXPECT_EQ(e.source(), "shmd/shapemod");
    }
    EXPECT_EQ(in.remaining(), bytes.size() - kHeader - 1);
    EXPECT_EQ(back, ccShapeModelProps(true, 3.0));
}

TEST(ShapeModelPropsArchive, StoredNegativeMagnitudeIsAcceptedUntilCombined) {
    ccShapeModelProps back;
    load(stored(static_cast<unsigned char>(1), false, 1.0, false, -1.0), back);
    EXPECT_EQ(back.magnitude(), -1.0);
    EXPECT_THROW(back.combine(ccShapeModelProps(false, 1.0, false, 2.0)),
                 ccShapeModelDefs::BadParams);
}

TEST(ShapeModelPropsArchive, TruncatedBytesThrowAndLeaveTheRecordAlone) {
    auto bytes = stored(ccShapeModelProps(true, 2.0, true, 3.0));
    bytes.resize(bytes.size() - 3);
    ccShapeModelProps back(false, 5.0);
    EXPECT_THROW(load(bytes, back), ccArchive::Error);
    EXPECT_EQ(back, ccShapeModelProps(false, 5.0));
}

// Storing only reads: a model shared between threads is archived while
// another thread reads its record. Writing the record back, even unchanged,
// is a data race (the ThreadSanitizer build reports it).
TEST(ShapeModelPropsArchive, StoringLeavesTheRecordUnwrittenForThreadsReadingIt) {
    const ccPtrHandle_const<ccShape> shared =
        ccShapeModelProps(true, 2.0).assign(ccCircle(ccVector<2>(0, 0), 1.0));
    std::thread reader([&] {
        for (int i = 0; i < 200; ++i)
            EXPECT_EQ(ccShapeModel::shapeModelProps(*shared).weight(), 2.0);
    });
    for (int i = 0; i < 200; ++i) {
        std::vector<unsigned char> bytes;
        ccArchive out(bytes, ccArchive::eStoring);
        ccPtrHandle_const<ccShape> handle = shared;
        out || handle;
    }
    reader.join();
}

TEST(FeatureParamsArchive, RoundTripAndRefusedVersion) {
    ccShape::ccSampleParams sp(0.0, 2.5, 40, false, true);
    sp.uniformMode(true);
    ccShapeModel::ccFeatureParams f(sp, 0.5, -3.0);
    std::vector<unsigned char> bytes;
    {
        ccArchive ar(bytes, ccArchive::eStoring);
        ar << f;
    }
    ccShapeModel::ccFeatureParams back;
    {
        ccArchive in(bytes, ccArchive::eLoading);
        in >> back;
    }
    EXPECT_EQ(back, f);

    bytes[kHeader] = 1;
    ccArchive in(bytes, ccArchive::eLoading);
    try {
        in || back;
        FAIL() << "version 1 accepted";
    } catch (const ccArchive::UnknownVersion& e) {
        EXPECT_EQ(e.number(), 515);
    }
}

// The archive reaches an object's form through its protected dispatchSerialize.
struct ArchiveAccess : ccPersistent {
    static void exchange(ccPersistent& p, ccArchive& a) {
        (p.*(&ArchiveAccess::dispatchSerialize))(a);
    }
};

TEST(ShapeModelErrorsArchive, EachLevelRefusesAnUnknownVersionByClassName) {
    ccShapeModelDefs::NotSupported error(L"detail kept");
    std::vector<unsigned char> bytes;
    {
        ccArchive ar(bytes, ccArchive::eStoring);
        ArchiveAccess::exchange(error, ar);
        // A second exchange in the same pass writes nothing.
        const auto size = bytes.size();
        ArchiveAccess::exchange(error, ar);
        EXPECT_EQ(bytes.size(), size);
    }
    // Versions of NotSupported, Errors and the shape library's form lead.
    ASSERT_GE(bytes.size(), kHeader + 3);
    for (int level = 0; level < 2; ++level) {
        auto bad = bytes;
        bad[kHeader + level] = 1;
        ccShapeModelDefs::NotSupported back;
        ccArchive in(bad, ccArchive::eLoading);
        try {
            ArchiveAccess::exchange(back, in);
            FAIL() << "level " << level << " accepted version 1";
        } catch (const ccArchive::UnknownVersion& e) {
            EXPECT_EQ(e.source(),
                      level == 0 ? "ccShapeModelDefs::NotSupported" : "ccShapeModelDefs::Errors");
            EXPECT_EQ(e.number(), 0);
        }
    }
}

// ---- typed shape models ----

TEST(ShapeModelTemplate, EqualityIsTheRecordGeometryGoesThroughTheShape) {
    const ccShapeModelTemplate<ccCircle> a(ccCircle(ccVector<2>(0, 0), 1), weight(2));
    const ccShapeModelTemplate<ccCircle> b(ccCircle(ccVector<2>(5, 5), 9), weight(2));
    const ccShapeModelTemplate<ccCircle> c(ccCircle(ccVector<2>(0, 0), 1), weight(3));
    EXPECT_TRUE(a == b);
    EXPECT_FALSE(a == c);
    EXPECT_FALSE(static_cast<const ccShape&>(a) == static_cast<const ccShape&>(b));
    EXPECT_TRUE(static_cast<const ccShape&>(a) == static_cast<const ccShape&>(c));
}

TEST(ShapeModelTemplate, CloneAndRawShape) {
    const Shape m = model(segment(0, 0, 3, 4), weight(2));
    expectSameTypesAndRecords(*m->clone(), *m);
    const Shape raw = ccShapeModel::rawShape(*m);
    EXPECT_EQ(typeid(*raw), typeid(ccLineSeg));
    EXPECT_TRUE(*raw == *segment(0, 0, 3, 4));
    EXPECT_FALSE(cfIsA<ccShapeModel>(*raw));
    EXPECT_EQ(typeid(*ccShapeModel::rawShape(*circle())), typeid(ccCircle));
}

TEST(ShapeModelFactory, ErrorsAndModelTypesAreRegisteredUnderStableNames) {
    for (const char* name :
         {"ccShapeModelDefs::BadParams", "ccShapeModelDefs::BadWeight",
          "ccShapeModelDefs::NotSupported", "ccShapeModel", "ccShapeModelTemplate<ccCircle>",
          "ccShapeModelTemplate<ccRegionTree>", "ccShapeModelTemplate<ccHermiteSpline>"}) {
        const auto make = cc_Instantiator::find(name);
        ASSERT_NE(make, nullptr) << name;
        const std::unique_ptr<ccPersistent> made(make());
        const bool isModel = std::string(name).find("Defs") == std::string::npos;
        EXPECT_EQ(dynamic_cast<ccShapeModel*>(made.get()) != nullptr, isModel) << name;
    }
    EXPECT_EQ(cc_Instantiator::find("ccShapeModelDefs::Errors"), nullptr);
}

TEST(ModelGeometry, ReverseKeepsTheRecordReverseUnderscoreFlipsIt) {
    const Shape m = model(segment(0, 0, 1, 0), weight(2));
    const Shape r = m->reverse();
    EXPECT_EQ(typeid(*r), typeid(ccShapeModelTemplate<ccLineSeg>));
    EXPECT_EQ(recordOf(*r), weight(2));
    EXPECT_NEAR(r->startPoint().x(), 1, kRoundoff);
    const Shape flipped = m->reversePreservingPolarity();
    EXPECT_EQ(recordOf(*flipped), ccShapeModelProps(true, 2.0));
    EXPECT_TRUE(*flipped == *r);
    EXPECT_EQ(recordOf(*m), weight(2));
}

TEST(ModelGeometry, DecomposeWrapsThePiecesTreeAndKeepsAModelResult) {
    const Shape poly = model(square(0, 0, 1), weight(3));
    const Shape d = poly->decompose();
    EXPECT_EQ(typeid(*d), typeid(ccShapeModelTemplate<ccContourTree>));
    EXPECT_EQ(recordOf(*d), weight(3));
    // A primitive's decomposition is its clone, already a model: returned as is.
    const Shape c = model(circle(), weight(5));
    EXPECT_EQ(recordOf(*c->decompose()), weight(5));
}

TEST(ModelGeometry, SubShapeAndClipGiveModelsAndFillTheClipInfo) {
    const Shape seg = model(segment(0, 0, 10, 0), weight(2));
    const Shape piece = seg->subShape(ccShapeInfo(*seg), {ccPerimPos(0, 2.0), 3.0});
    EXPECT_EQ(recordOf(*piece), weight(2));
    EXPECT_NEAR(piece->perimeter(), 3.0, kRoundoff);

    const ccPolyline region(std::vector<ccVector<2>>{{-1, -1}, {5, -1}, {5, 1}, {-1, 1}}, true);
    ccClipInfo modelInfo, plainInfo;
    const Shape clipped = seg->clip(region, modelInfo);
    const Shape plainClipped = segment(0, 0, 10, 0)->clip(region, plainInfo);
    EXPECT_EQ(recordOf(*clipped), weight(2));
    EXPECT_NEAR(clipped->perimeter(), 5.0, kRoundoff);
    EXPECT_EQ(modelInfo.anythingRemoved(), plainInfo.anythingRemoved());
    EXPECT_EQ(modelInfo.cutOffsets(), plainInfo.cutOffsets());
}

TEST(ModelGeometry, FlattenFoldsInnerWeightsIntoTheLeaves) {
    const Shape tree = weight(0.5).assign(
        *general({model(circle(), weight(2)), general({model(circle(4, 0), weight(4))})}));
    const auto flat = dynamic_cast<const ccShapeTree&>(*tree).flatten(false);
    ASSERT_EQ(flat->numChildren(), 2);
    EXPECT_EQ(recordOf(*flat->child(0)).weight(), 1);
    EXPECT_EQ(recordOf(*flat->child(1)).weight(), 2);
    EXPECT_EQ(recordOf(*flat), ccShapeModelProps());

    const Shape nested = weight(2).assign(*general(
        {weight(3).assign(*general({weight(4).assign(*contour(false, {segment(0, 0, 1, 0)}))}))}));
    const auto flatNested = dynamic_cast<const ccShapeTree&>(*nested).flatten(true);
    ASSERT_EQ(flatNested->numChildren(), 1);
    EXPECT_EQ(recordOf(*flatNested->child(0)).weight(), 24);
}

TEST(ModelGeometry, NegativeCornerArcOfAPolygonModelHasWeightZero) {
    struct Probe : ccShapeModelTemplate<ccGenPoly> {
        using ccShapeModelTemplate<ccGenPoly>::ccShapeModelTemplate;
        ccPtrHandle<ccEllipseArc2> arc(const ccEllipseArc2& a) const { return negCornerArc_(a); }
    };
    const Probe polygon(weight(5));
    const ccEllipseArc2 arc(ccEllipse2(ccVector<2>(0, 0), ccVector<2>(1, 1)), ccRadian(0),
                            ccRadian(1));
    const auto result = polygon.arc(arc);
    EXPECT_EQ(recordOf(*result), ccShapeModelProps(false, 0.0, false, 1.0));
    EXPECT_TRUE(static_cast<const ccShape&>(*result) == arc);
}

TEST(WireframeModel, RecordAndPolarityFlagStayInStepBothWays) {
    ccShapeModelTemplate<cc2Wireframe> m(dynamic_cast<const cc2Wireframe&>(*wireframe(false)),
                                         ccShapeModelProps());
    m.modelProps(reversed(2));
    EXPECT_TRUE(m.isPolarityReversed());
    m.polarity(false);
    EXPECT_EQ(m.modelProps(), weight(2));

    // Built from a record alone the flag follows it; from a wireframe and a
    // record, both flags are kept as given.
    EXPECT_TRUE(ccShapeModelTemplate<cc2Wireframe>(reversed()).isPolarityReversed());
    const ccShapeModelTemplate<cc2Wireframe> kept(
        dynamic_cast<const cc2Wireframe&>(*wireframe(true)), ccShapeModelProps());
    EXPECT_TRUE(kept.isPolarityReversed());
    EXPECT_FALSE(kept.modelProps().isReversedPolarity());

    // A polygon model has no second flag: its geometry stays as it was.
    ccShapeModelTemplate<ccGenPoly> polygon(dynamic_cast<const ccGenPoly&>(*genPoly()),
                                            ccShapeModelProps());
    polygon.modelProps(reversed());
    EXPECT_TRUE(static_cast<const ccShape&>(polygon) == *genPoly());
}

TEST(ModelGeometry, PolygonModelsMapAsTheirDecomposition) {
    const Shape polygon = model(genPoly(), weight(2));
    const ccXform<2> x(ccMatrix<2>(0, 1, 1, 0), ccVector<2>(1, 1));  // a mirror
    const Shape direct = polygon->mapShape(x);
    const Shape viaPieces = polygon->decompose()->mapShape(x);
    EXPECT_TRUE(*direct == *viaPieces);
    EXPECT_EQ(recordOf(*direct), recordOf(*viaPieces));
    EXPECT_EQ(typeid(*direct), typeid(ccShapeModelTemplate<ccContourTree>));
}

// ---- archive forms of typed models ----

TEST(ShapeModelTemplateArchive, UnknownVersionIsRefusedRightAfterIt) {
    auto bytes = stored(std::vector<Shape>{model(circle(), weight(2))});
    const std::string name = "ccShapeModelTemplate<ccCircle>";
    // header, vector count, object tag, class name (count and bytes), then the version
    const std::size_t versionAt = kHeader + 8 + 1 + 8 + name.size();
    ASSERT_EQ(bytes[versionAt], 0);
    bytes[versionAt] = 1;
    std::vector<Shape> back;
    ccArchive in(bytes, ccArchive::eLoading);
    try {
        in || back;
        FAIL() << "version 1 accepted";
    } catch (const ccArchive::UnknownVersion& e) {
        EXPECT_EQ(e.source(), "ch_core/shapemod");
        EXPECT_EQ(e.number(), 284);
    }
    EXPECT_EQ(in.remaining(), bytes.size() - versionAt - 1);
    EXPECT_TRUE(back.empty());
}

TEST(ShapeModelTemplateArchive, ModelsNeverLoadInASimpleForm) {
    std::vector<unsigned char> bytes = ccArchive::header();
    bytes.push_back(0);
    ccArchive in(bytes, ccArchive::eLoading);
    ccShapeModelTemplate<ccCircle> m;
    struct Access : ccPersistent {
        static bool simple(ccPersistent& p, ccArchive& a) { return (p.*(&Access::loadSimple))(a); }
    };
    EXPECT_FALSE(Access::simple(m, in));
    EXPECT_EQ(in.remaining(), 1u);
}

}  // namespace
