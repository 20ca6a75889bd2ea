#include "vxdiagc12u/png.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>

#include "vxdiagc12u/base64.h"
#include "vxstd12u/errors.h"

namespace {

template <class T>
ccPelBuffer_const<T> randomImage(long width, long height, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<unsigned> pel(0, std::numeric_limits<T>::max());
    std::vector<T> pels(static_cast<size_t>(width * height));
    for (T& p : pels) p = static_cast<T>(pel(rng));
    return ccPelBuffer_const<T>(width, height, pels, 7, -3);
}

TEST(PelBuffer, BlankBuffersAndBuffersFromPixelsKeepTheirLayout) {
    EXPECT_EQ(ccPelBuffer_const<unsigned char>(3, 2).pels(), std::vector<unsigned char>(6, 0));
    const ccPelBuffer_const<unsigned short> image(3, 2, {1, 2, 3, 4, 5, 60000}, 10, 20);
    EXPECT_EQ(image.pel(2, 0), 3) << "rows are stored top to bottom, left to right";
    EXPECT_EQ(image.pel(0, 1), 4);
    EXPECT_EQ(image.pel(2, 1), 60000);
    EXPECT_EQ(image.imageRect(), ccRect(ccVector<2>(10, 20), ccVector<2>(3, 2)));
    EXPECT_THROW(image.pel(3, 0), ccShapesError::BadParams);
    EXPECT_THROW(image.pel(0, -1), ccShapesError::BadParams);
    EXPECT_THROW(ccPelBuffer_const<unsigned char>(2, 2, {1, 2, 3}), ccShapesError::BadParams);
    EXPECT_THROW(ccPelBuffer_const<unsigned char>(-1, 2), ccShapesError::BadParams);
    EXPECT_TRUE(ccPelBuffer_const<unsigned char>(0, 5).isEmpty());
}

TEST(Png, ImagesOfBothDepthsRoundTripThroughLibpng) {
    const auto small = randomImage<unsigned char>(13, 7, 1);
    // The round trip goes through libpng; the depth and colour type in the
    // header are the writer's own choice.
    const std::string bytes8 = cfEncodePng(small);
    ASSERT_GT(bytes8.size(), 33u);
    EXPECT_EQ(bytes8[24], 8) << "bit depth";
    EXPECT_EQ(bytes8[25], 0) << "grey";
    const auto back8 = cfDecodePng8(bytes8);
    EXPECT_EQ(back8.width(), 13);
    EXPECT_EQ(back8.pels(), small.pels());

    const auto deep = randomImage<unsigned short>(5, 11, 2);
    const std::string bytes16 = cfEncodePng(deep);
    EXPECT_EQ(bytes16[24], 16) << "bit depth";
    EXPECT_EQ(cfDecodePng16(bytes16).pels(), deep.pels());

    EXPECT_THROW(cfEncodePng(ccPelBuffer_const<unsigned char>()), ccShapesError::BadParams);
    EXPECT_THROW(cfDecodePng8("not a png"), ccShapesError::BadParams);
    EXPECT_THROW(cfDecodePng8(bytes8.substr(0, 40)), ccShapesError::BadParams);
}

TEST(Base64, MatchesTheStandardsTestVectors) {
    EXPECT_EQ(cfBase64(""), "");
    EXPECT_EQ(cfBase64("f"), "Zg==");
    EXPECT_EQ(cfBase64("fo"), "Zm8=");
    EXPECT_EQ(cfBase64("foo"), "Zm9v");
    EXPECT_EQ(cfBase64("foob"), "Zm9vYg==");
    EXPECT_EQ(cfBase64("fooba"), "Zm9vYmE=");
    EXPECT_EQ(cfBase64("foobar"), "Zm9vYmFy");
    EXPECT_EQ(cfBase64(std::string("\xff\xfe\x00", 3)), "//4A");
}

}  // namespace
