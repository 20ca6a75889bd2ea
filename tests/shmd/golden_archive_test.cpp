// The module's archive forms against their golden files: the property record
// (versions 1 and 0), the feature parameters, a model of each of the 25
// types, a model tree sharing a child, and the errors. The files are also
// decoded item by item, in the order of items that each form fixes.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <typeinfo>
#include <vector>

#include "model_fixtures.h"
#include "platform/vxstd12u/golden_archive.h"

namespace {

using namespace fixtures;
using namespace golden_archive;
using Error = ccPtrHandle_const<ccException>;
using Byte = unsigned char;

// What each record reads over: every field differs from every record stored.
const ccShapeModelProps kOther(false, 9.0, true, 7.0);

// Class, geometry and record at every node, and the raw shape's geometry.
void expectSameModel(const ConstShape& back, const ConstShape& built) {
    ASSERT_TRUE(back);
    archive_fixtures::expectSameShape(*back, *built);
    expectSameTypesAndRecords(*back, *built);
    EXPECT_TRUE(*ccShapeModel::rawShape(*back) == *ccShapeModel::rawShape(*built));
}

// The items of a ccShapeModelProps form of version 1, in their stored order:
// version, reversed, weight, ignored, magnitude.
using PropsItems = std::tuple<Byte, bool, double, bool, double>;
PropsItems itemsOf(const ccShapeModelProps& p) {
    return {1, p.isReversedPolarity(), p.weight(), p.isIgnoredPolarity(), p.magnitude()};
}

// `n` bytes of the archive `file` from `from` on, behind an archive header.
Bytes part(const Bytes& file, std::size_t from, std::size_t n) {
    Bytes bytes = ccArchive::header();
    bytes.insert(bytes.end(), file.begin() + from, file.begin() + from + n);
    return bytes;
}

// A model's file: tag 1, "ccShapeModelTemplate<T>", version 0, T's form, and
// last its ccShapeModel part: version 0, the persistent base's version 0,
// the record's form (21 bytes in all).
Golden modelFile(const std::string& name, const ConstShape& built,
                 void (*check)(const ConstShape&, const ConstShape&) = expectSameModel) {
    Golden g = golden(name, built, check);
    g.decodesItemByItem = [built](const Bytes& file) {
        const std::size_t head = ccArchive::header().size();
        const std::string type =
            "ccShapeModelTemplate<" +
            cc_Instantiator::stableName(typeid(*ccShapeModel::rawShape(*built))) + ">";
        ASSERT_GT(file.size(), head + 10 + type.size() + 21);
        EXPECT_EQ((decodedAs<Byte, std::string, Byte>(part(file, head, 10 + type.size()))),
                  std::make_tuple(Byte(1), type, Byte(0)));
        EXPECT_EQ((decodedAs<Byte, Byte, Byte, bool, double, bool, double>(
                      part(file, file.size() - 21, 21))),
                  std::tuple_cat(std::make_tuple(Byte(0), Byte(0)), itemsOf(recordOf(*built))));
    };
    return g;
}

// An error's file: tag 1, the class name, the versions of the class, of
// ccShapeModelDefs::Errors and of ccException (all 0), the detail text.
Golden errorFile(const std::string& name, const Error& built) {
    Golden g = golden(name, built, [](const Error& back, const Error& error) {
        ASSERT_TRUE(back);
        EXPECT_TRUE(typeid(*back) == typeid(*error)) << typeid(*back).name();
        EXPECT_EQ(back->errorNumber(), error->errorNumber());
        EXPECT_EQ(back->message(), error->message());
    });
    g.decodesItemByItem = [built](const Bytes& file) {
        EXPECT_EQ((decodedAs<Byte, std::string, Byte, Byte, Byte, std::wstring>(file)),
                  std::make_tuple(Byte(1), cc_Instantiator::stableName(typeid(*built)), Byte(0),
                                  Byte(0), Byte(0), built->detail()));
    };
    return g;
}

TEST(GoldenModelArchive, EachFileReadsAsItsObjectAndIsWhatStoringGivesToday) {
    std::vector<Golden> table;

    const ccShapeModelProps props(true, -2.5, false, 0.75);
    table.push_back(golden("props_v1", props, Equal(), kOther));
    table.back().decodesItemByItem = [props](const Bytes& file) {
        EXPECT_EQ((decodedAs<Byte, bool, double, bool, double>(file)), itemsOf(props));
    };
    // Hand-made: version 0 holds the reversed flag and the weight only.
    table.push_back({"props_v0", archived(Byte(0), true, 2.5), [](const Bytes& file) {
                         EXPECT_EQ(std::get<0>(decodedAs(file, std::make_tuple(kOther))),
                                   ccShapeModelProps(true, 2.5, false, 1.0));
                     }});

    ccShape::ccSampleParams sample(0.25, 1.5, 4000, false, true);
    sample.uniformMode(true);
    table.push_back(golden("feature_params", ccShapeModel::ccFeatureParams(sample, 0.5, -3.0)));
    // Version 0, the sample parameters' form (version 0, start offset,
    // spacing, point limit, four flags), magScale, weightScale.
    table.back().decodesItemByItem = [](const Bytes& file) {
        EXPECT_EQ(
            (decodedAs<Byte, Byte, double, double, long, bool, bool, bool, bool, double, double>(
                file)),
            std::make_tuple(Byte(0), Byte(0), 0.25, 1.5, 4000L, false, true, true, false, 0.5,
                            -3.0));
    };

    const auto shapes = oneOfEachModelType();
    ASSERT_EQ(shapes.size(), 25u);
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        const ccShapeModelProps p(i % 2 == 0, -0.5 - 0.25 * i, i % 2 == 1, 1.5 + 0.125 * i);
        table.push_back(modelFile("model_" + cc_Instantiator::stableName(typeid(*shapes[i])),
                                  p.assign(*shapes[i])));
    }
    const Shape shared = model(circle(1, 2, 3), ccShapeModelProps(true, 0.75, false, 2.0));
    const ConstShape tree = model(general({shared, segment(0, 0, 1, 3), shared}),
                                  ccShapeModelProps(false, -1.5, true, 0.5));
    table.push_back(modelFile("model_tree_shared_child", tree,
                              [](const ConstShape& back, const ConstShape& built) {
                                  expectSameModel(back, built);
                                  const auto& t = dynamic_cast<const ccShapeTree&>(*back);
                                  EXPECT_EQ(t.child(0).get(), t.child(2).get());
                              }));

    table.push_back(errorFile("error_bad_params", cfMakeHandle<ccShapeModelDefs::BadParams>(
                                                      L"magnitude -2 is below zero")));
    table.push_back(errorFile("error_bad_weight",
                              cfMakeHandle<ccShapeModelDefs::BadWeight>(L"weight \u00b5 refused")));
    table.push_back(errorFile("error_not_supported", cfMakeHandle<ccShapeModelDefs::NotSupported>(
                                                         L"only shape trees can be flattened")));
    expectGolden(table);
}

}  // namespace
