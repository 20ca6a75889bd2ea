// Shape models through the archive: every model type, mixed trees of models
// and plain shapes, sharing, and refusals inside a model's shape part.
#include <gtest/gtest.h>

#include <string>
#include <typeinfo>
#include <vector>

#include "model_fixtures.h"
#include "platform/vxstd12u/archive_fixtures.h"
#include "vxstd12u/archive.h"

namespace {

using namespace fixtures;
using archive_fixtures::loaded;
using archive_fixtures::stored;

void expectRoundTrip(const ConstShape& shape) {
    archive_fixtures::expectRoundTrip(shape, expectSameTypesAndRecords);
}

TEST(ModelArchive, EveryModelTypeReadsBackAsTheSameTypeWithItsRecord) {
    const auto shapes = oneOfEachModelType();
    ASSERT_EQ(shapes.size(), 25u);
    double w = 0.25;
    for (const ConstShape& shape : shapes) {
        const Shape m = ccShapeModelProps(w > 3, w, w > 5, 2 * w).assign(*shape);
        ASSERT_NE(dynamic_cast<const ccShapeModel*>(m.get()), nullptr) << typeid(*shape).name();
        expectRoundTrip(m);
        w += 0.25;
    }
}

TEST(ModelArchive, MixedRandomTreesReadBackWithGeometryAndRecords) {
    for (unsigned seed = 1; seed <= 30; ++seed) {
        RandomTrees random(seed);
        const Shape tree = random.modelTree(4);
        SCOPED_TRACE(seed);
        expectRoundTrip(tree);
        expectRoundTrip(random.mapped(random.region()));
    }
}

TEST(ModelArchive, AModelReachedTwiceIsReadOnceAndShared) {
    const Shape shared = model(circle(1, 1, 2), reversed(0.75));
    const auto tree = general({shared, segment(0, 0, 1, 0), shared});
    const auto bytes = stored(tree);
    const ConstShape back = loaded(bytes);
    const auto& t = dynamic_cast<const ccShapeTree&>(*back);
    EXPECT_EQ(t.child(0).get(), t.child(2).get());
    EXPECT_TRUE(recordOf(*t.child(2)) == reversed(0.75));
    // The second reach costs a tag and a number, not a second form.
    const auto once = stored(general({shared, segment(0, 0, 1, 0)}));
    EXPECT_EQ(bytes.size(), once.size() + 1 + 8);
}

TEST(ModelArchive, TheShapePartOfAModelRefusesAnUnknownVersion) {
    std::vector<unsigned char> bytes;
    {
        ccArchive out(bytes, ccArchive::eStoring);
        unsigned char tag = 1, modelVersion = 0, circleVersion = 7;
        std::string name = "ccShapeModelTemplate<ccCircle>";
        out || tag || name || modelVersion || circleVersion;
    }
    try {
        loaded(bytes);
        FAIL() << "version 7 of the circle form was accepted";
    } catch (const ccArchive::UnknownVersion& e) {
        EXPECT_EQ(e.source(), "vxstd12u/ellipse");
        EXPECT_EQ(e.number(), 1);
    }
}

}  // namespace
