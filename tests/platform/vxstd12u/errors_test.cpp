#include "vxstd12u/errors.h"

#include <gtest/gtest.h>

#include <set>

#include "vxstd12u/archive.h"

namespace {

TEST(Errors, EveryKindHasItsOwnNumberAndTheFamilyCatchesAll) {
    const std::set<long> numbers = {
        ccShapesError::BadParams().errorNumber(),       ccShapesError::NotRegion().errorNumber(),
        ccShapesError::InfiniteExtent().errorNumber(),  ccBadPointer().errorNumber(),
        ccExceptionWithString("x").errorNumber(),       ccArchive::Error().errorNumber(),
        ccArchive::UnknownVersion("s", 1).errorNumber()};
    EXPECT_EQ(numbers.size(), 7u);
    EXPECT_THROW(throw ccShapesError::NotRegion(L"open"), ccShapesError::Errors);
    EXPECT_THROW(throw ccBadPointer(), ccException);
    EXPECT_THROW(throw ccArchive::UnknownVersion("s", 1), std::exception);
}

TEST(Errors, MessageNamesTheClassNumberAndDetail) {
    const ccShapesError::BadParams e(L"radius -1 is negative");
    EXPECT_EQ(e.message(), L"ccShapesError::BadParams (error 268439553): radius -1 is negative");
    EXPECT_STREQ(e.what(), "ccShapesError::BadParams (error 268439553): radius -1 is negative");
    EXPECT_EQ(ccExceptionWithString("plain").detail(), L"plain");
}

TEST(Errors, SuicideAndRethrowKeepsTheDetail) {
    ccException* heap = new ccShapesError::InfiniteExtent(L"a line has no end");
    try {
        heap->suicideAndRethrow();
    } catch (const ccShapesError::InfiniteExtent& e) {
        EXPECT_EQ(e.detail(), L"a line has no end");
    }
}

}  // namespace
