#include "vxstd12u/archive.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>

#include "vxstd12u/handle.h"
#include "vxstd12u/persistent.h"
#include "vxstd12u/sample.h"

namespace {

TEST(Archive, ValuesRoundTripInOrder) {
    using Values = std::tuple<bool, unsigned char, int, long, double, std::string, std::wstring>;
    Values out{true, 200, -7, -1234567890123L, -0.1, "r\xc3\xa9gion", L"\u2220 deg"}, back;
    double nan = std::numeric_limits<double>::quiet_NaN(), nanBack = 0;
    std::vector<unsigned char> bytes;
    std::apply([&](auto&... v) { (ccArchive(bytes, ccArchive::eStoring) || ... || v) || nan; },
               out);
    ccArchive in(bytes, ccArchive::eLoading);
    std::apply([&](auto&... v) { (in || ... || v) || nanBack; }, back);
    EXPECT_EQ(back, out);
    EXPECT_TRUE(std::isnan(nanBack));
    EXPECT_EQ(in.remaining(), 0u);
}

TEST(Archive, EncodingIsLittleEndian) {
    std::vector<unsigned char> bytes;
    ccArchive out(bytes, ccArchive::eStoring);
    int v = 0x01020304;
    out || v;
    EXPECT_EQ(bytes, (std::vector<unsigned char>{'V', 'X', 'A', 'R', 1, 4, 3, 2, 1}));
}

// `items` behind a valid header.
std::vector<unsigned char> withHeader(std::vector<unsigned char> items) {
    std::vector<unsigned char> bytes = ccArchive::header();
    bytes.insert(bytes.end(), items.begin(), items.end());
    return bytes;
}

TEST(Archive, HostileBytesThrowArchiveErrors) {
    std::vector<unsigned char> bytes = withHeader({9});
    bool b;
    EXPECT_THROW(ccArchive(bytes, ccArchive::eLoading) || b, ccArchive::Error);  // bool of 9
    std::vector<unsigned char> shortDouble = withHeader({1, 2, 3});
    double d;
    EXPECT_THROW(ccArchive(shortDouble, ccArchive::eLoading) || d, ccArchive::Error);
    // A string claiming 2^60 bytes is refused before any allocation.
    std::vector<unsigned char> huge = withHeader({0, 0, 0, 0, 0, 0, 0, 0x10, 'a'});
    std::string s = "kept";
    EXPECT_THROW(ccArchive(huge, ccArchive::eLoading) || s, ccArchive::Error);
    EXPECT_EQ(s, "kept");
}

TEST(Archive, SampleParamsRoundTripWithoutTheShapeInfo) {
    ccShapeSampleParams p(0.5, 2.0, 17, false, true);
    p.uniformMode(true);
    p.perimPosRequested(true);
    std::vector<unsigned char> bytes;
    ccArchive out(bytes, ccArchive::eStoring);
    out || p;
    ccShapeSampleParams back;
    ccArchive in(bytes, ccArchive::eLoading);
    in || back;
    EXPECT_EQ(back, p);
}

TEST(Archive, UnknownVersionNamesItsSourceAndPlace) {
    const ccArchive::UnknownVersion e("shmd/shapemod", 130);
    EXPECT_NE(e.message().find(L"shmd/shapemod"), std::wstring::npos);
    EXPECT_NE(e.message().find(L"130"), std::wstring::npos);
}

// A small archivable object: a value and a link to another.
struct Link : ccRepBase, ccPersistent {
    long value = 0;
    ccPtrHandle<Link> next;
    static ccPersistent* make() { return new Link; }
    void dispatchSerialize(ccArchive& ar) override { ar || value || next; }
};
const cc_Instantiator kLinkExemplar(typeid(Link), &Link::make);

ccPtrHandle<Link> link(long value, ccPtrHandle<Link> next = {}) {
    auto l = cfMakeHandle<Link>();
    l->value = value;
    l->next = next;
    return l;
}

TEST(ArchiveObjects, SharedObjectsAreWrittenOnceAndComeBackShared) {
    const auto shared = link(7);
    std::vector<ccPtrHandle<Link>> out = {link(1, shared), link(2, shared), {}};
    std::vector<unsigned char> bytes;
    ccArchive(bytes, ccArchive::eStoring) || out;
    std::vector<ccPtrHandle<Link>> back;
    ccArchive(bytes, ccArchive::eLoading) || back;
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[0]->value, 1);
    EXPECT_EQ(back[0]->next->value, 7);
    EXPECT_EQ(back[0]->next.get(), back[1]->next.get());
    EXPECT_TRUE(back[2].isNull());
}

TEST(ArchiveObjects, UnknownClassesAndBadNumbersAreRefused) {
    ccPtrHandle<Link> kept = link(5);
    std::vector<unsigned char> unknown = withHeader({1, 3, 0, 0, 0, 0, 0, 0, 0, 'F', 'o', 'o'});
    EXPECT_THROW(ccArchive(unknown, ccArchive::eLoading) || kept, ccArchive::Error);
    std::vector<unsigned char> badNumber = withHeader({2, 4, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_THROW(ccArchive(badNumber, ccArchive::eLoading) || kept, ccArchive::Error);
    std::vector<unsigned char> badTag = withHeader({9});
    EXPECT_THROW(ccArchive(badTag, ccArchive::eLoading) || kept, ccArchive::Error);
    EXPECT_EQ(kept->value, 5);
}

TEST(ArchiveObjects, TruncationAnywhereThrowsAndLeavesTheHandleAlone) {
    ccPtrHandle<Link> chain = link(1, link(2, link(3)));
    std::vector<unsigned char> bytes;
    ccArchive(bytes, ccArchive::eStoring) || chain;
    for (std::size_t cut = ccArchive::header().size(); cut < bytes.size(); ++cut) {
        std::vector<unsigned char> part(bytes.begin(), bytes.begin() + cut);
        ccPtrHandle<Link> target = link(99);
        EXPECT_THROW(ccArchive(part, ccArchive::eLoading) || target, ccArchive::Error) << cut;
        EXPECT_EQ(target->value, 99);
    }
}

// Unwinds a chain iteratively, so that no test depends on recursive destruction.
void dropChain(ccPtrHandle<Link>& chain) {
    while (chain) chain = ccPtrHandle<Link>(chain->next);
}

TEST(ArchiveObjects, NestingFarDeeperThanAThreadStackRoundTripsAndIsBounded) {
    // 100,000 levels need far more stack than a thread starts with.
    ccPtrHandle<Link> deep;
    for (long i = 0; i < 100000; ++i) deep = link(i, deep);
    std::vector<unsigned char> bytes;
    ccArchive(bytes, ccArchive::eStoring) || deep;
    ccPtrHandle<Link> back;
    ccArchive(bytes, ccArchive::eLoading) || back;
    long levels = 0;
    for (const Link* l = back.get(); l; l = l->next.get(), ++levels)
        if (l->value != 99999 - levels) break;
    EXPECT_EQ(levels, 100000);
    dropChain(back);

    for (long i = 100000; i <= ccArchive::kMaxObjectDepth; ++i) deep = link(i, deep);
    std::vector<unsigned char> refused;
    EXPECT_THROW(ccArchive(refused, ccArchive::eStoring) || deep, ccArchive::Error);
    dropChain(deep);
}

TEST(ArchiveObjects, HeaderIsCheckedAndFilesRoundTrip) {
    std::vector<unsigned char> noHeader = {1, 2, 3, 4, 5, 6};
    EXPECT_THROW(ccArchive(noHeader, ccArchive::eLoading), ccArchive::Error);
    std::vector<unsigned char> future = ccArchive::header();
    future.back() = 2;
    EXPECT_THROW(ccArchive(future, ccArchive::eLoading), ccArchive::UnknownVersion);

    const std::string path = ::testing::TempDir() + "/archive_test.vxar";
    {
        ccArchive out(path, ccArchive::eStoring);
        ccPtrHandle<Link> l = link(42);
        out || l;
        out.flush();
    }
    ccArchive in(path, ccArchive::eLoading);
    ccPtrHandle<Link> back;
    in || back;
    EXPECT_EQ(back->value, 42);
    EXPECT_THROW(ccArchive("/nonexistent/dir/file", ccArchive::eLoading), ccArchive::Error);
}

}  // namespace
