#include "vxstd12u/str.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "vxstd12u/errors.h"

namespace {

TEST(Str, ShortestTextThatReadsBack) {
    EXPECT_EQ(cfStr(1.5), L"1.5");
    EXPECT_EQ(cfStr(90.0), L"90");
    EXPECT_EQ(cfStr(0.1), L"0.1");
    EXPECT_EQ(cfStr(1.0 / 3.0), L"0.3333333333333333");
    EXPECT_EQ(cfStr(1e300), L"1e+300");
    EXPECT_EQ(cfStr(std::numeric_limits<double>::quiet_NaN()), L"nan");
    EXPECT_EQ(cfStr(-std::numeric_limits<double>::infinity()), L"-inf");
    EXPECT_EQ(cfStr(-2147483647L), L"-2147483647");
}

TEST(Str, RandomDoublesRoundTrip) {
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> mantissa(-1, 1);
    std::uniform_int_distribution<int> exponent(-300, 300);
    for (int i = 0; i < 2000; ++i) {
        const double v = std::ldexp(mantissa(rng), exponent(rng));
        EXPECT_EQ(std::stod(cfNarrow(cfStr(v))), v);
    }
}

TEST(Str, Utf8RoundTripAndRepairs) {
    const std::wstring text = L"r\u00e9gion \u2220 \U0001F600";
    EXPECT_EQ(cfWiden(cfNarrow(text)), text);
    EXPECT_EQ(cfWiden("\xff"
                      "a"),
              L"\xfffd"
              L"a");
    EXPECT_EQ(cfWiden("\xe2\x88"), L"\xfffd\xfffd");  // truncated sequence
    const wchar_t pair[] = {0xD83D, 0xDE00, 0};
    EXPECT_EQ(cfNarrow(pair), "\xf0\x9f\x98\x80");
    EXPECT_EQ(cfNarrow(std::wstring(1, static_cast<wchar_t>(0xD800))), "\xef\xbf\xbd")
        << "a lone surrogate is no character";
    // A high surrogate joins only a low one: before a character on either
    // side of the low range it stands alone, and the character stays.
    const wchar_t unpaired[] = {0xD83D, L'A', 0xD83D, 0xE000, 0};
    EXPECT_EQ(cfNarrow(unpaired),
              "\xef\xbf\xbd"
              "A"
              "\xef\xbf\xbd"
              "\xee\x80\x80");
}

TEST(Str, FloorRoundsDownAndRefusesWhatNoLongHolds) {
    EXPECT_EQ(cfIFloor(2.7), 2);
    EXPECT_EQ(cfIFloor(-2.1), -3);
    EXPECT_THROW(cfIFloor(std::numeric_limits<double>::quiet_NaN()), ccShapesError::BadParams);
    EXPECT_THROW(cfIFloor(1e30), ccShapesError::BadParams);
}

}  // namespace
