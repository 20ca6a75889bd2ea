#include "vxstd12u/archive.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "vxstd12u/sample.h"

namespace {

TEST(Archive, ValuesRoundTripInOrder) {
    std::vector<unsigned char> bytes;
    {
        ccArchive out(bytes, ccArchive::eStoring);
        bool b = true;
        unsigned char c = 200;
        int i = -7;
        long l = -1234567890123L;
        double d = -0.1, nan = std::numeric_limits<double>::quiet_NaN();
        std::string s = "r\xc3\xa9gion";
        std::wstring w = L"\u2220 deg";
        out || b || c || i || l || d || nan || s || w;
    }
    ccArchive in(bytes, ccArchive::eLoading);
    bool b = false;
    unsigned char c = 0;
    int i = 0;
    long l = 0;
    double d = 0, nan = 0;
    std::string s;
    std::wstring w;
    in || b || c || i || l || d || nan || s || w;
    EXPECT_TRUE(b);
    EXPECT_EQ(c, 200);
    EXPECT_EQ(i, -7);
    EXPECT_EQ(l, -1234567890123L);
    EXPECT_EQ(d, -0.1);
    EXPECT_TRUE(std::isnan(nan));
    EXPECT_EQ(s, "r\xc3\xa9gion");
    EXPECT_EQ(w, L"\u2220 deg");
    EXPECT_EQ(in.remaining(), 0u);
}

TEST(Archive, EncodingIsLittleEndian) {
    std::vector<unsigned char> bytes;
    ccArchive out(bytes, ccArchive::eStoring);
    int v = 0x01020304;
    out || v;
    EXPECT_EQ(bytes, (std::vector<unsigned char>{4, 3, 2, 1}));
}

TEST(Archive, HostileBytesThrowArchiveErrors) {
    std::vector<unsigned char> bytes = {9};
    bool b;
    EXPECT_THROW(ccArchive(bytes, ccArchive::eLoading) || b, ccArchive::Error);  // bool of 9
    std::vector<unsigned char> shortDouble = {1, 2, 3};
    double d;
    EXPECT_THROW(ccArchive(shortDouble, ccArchive::eLoading) || d, ccArchive::Error);
    // A string claiming 2^60 bytes is refused before any allocation.
    std::vector<unsigned char> huge = {0, 0, 0, 0, 0, 0, 0, 0x10, 'a'};
    std::string s = "kept";
    EXPECT_THROW(ccArchive(huge, ccArchive::eLoading) || s, ccArchive::Error);
    EXPECT_EQ(s, "kept");
}

TEST(Archive, SampleParamsRoundTripWithoutTheShapeInfo) {
    ccShapeSampleParams p(0.5, 2.0, 17, false, true);
    p.uniformMode(true);
    p.perimPosRequested(true);
    std::vector<unsigned char> bytes;
    {
        ccArchive out(bytes, ccArchive::eStoring);
        out || p;
    }
    ccShapeSampleParams back;
    ccArchive in(bytes, ccArchive::eLoading);
    in || back;
    EXPECT_EQ(back, p);
}

TEST(Archive, UnknownVersionNamesItsSourceAndPlace) {
    const ccArchive::UnknownVersion e("shmd/shapemod", 130);
    EXPECT_EQ(e.source(), "shmd/shapemod");
    EXPECT_EQ(e.number(), 130);
    EXPECT_NE(e.message().find(L"shmd/shapemod"), std::wstring::npos);
    EXPECT_NE(e.message().find(L"130"), std::wstring::npos);
}

}  // namespace
