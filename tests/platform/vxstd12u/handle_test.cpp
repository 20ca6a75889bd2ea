#include "vxstd12u/handle.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

struct Counted : ccRepBase {
    explicit Counted(int* alive) : alive_(alive) { ++*alive_; }
    ~Counted() override { --*alive_; }
    int* alive_;
};
struct Derived : Counted {
    using Counted::Counted;
};

TEST(PtrHandle, LastReleaseDestroysAndCopiesShare) {
    int alive = 0;
    {
        ccPtrHandle<Counted> a(new Counted(&alive));
        EXPECT_EQ(alive, 1);
        EXPECT_EQ(a->refCount(), 1);
        {
            ccPtrHandle<Counted> b = a;
            ccPtrHandle_const<Counted> c = b;  // to the const form
            EXPECT_EQ(a->refCount(), 3);
            EXPECT_EQ(c.get(), a.get());
        }
        EXPECT_EQ(a->refCount(), 1);
        ccPtrHandle<Counted> moved = std::move(a);
        EXPECT_TRUE(a.isNull());
        EXPECT_EQ(moved->refCount(), 1);
        EXPECT_EQ(alive, 1);
        EXPECT_THROW(*a, ccBadPointer);
        EXPECT_THROW(a->refCount(), ccBadPointer);
    }
    EXPECT_EQ(alive, 0);
}

TEST(PtrHandle, UpcastsImplicitlyAndDowncastsChecked) {
    int alive = 0;
    ccPtrHandle<Derived> d(new Derived(&alive));
    ccPtrHandle<Counted> base = d;    // implicit
    ccPtrHandle<Derived> back(base);  // explicit, checked
    EXPECT_EQ(back.get(), d.get());
    EXPECT_EQ(d->refCount(), 3);

    ccPtrHandle<Counted> plain(new Counted(&alive));
    EXPECT_THROW(ccPtrHandle<Derived>{plain}, ccBadPointer);
    EXPECT_EQ(plain->refCount(), 1);  // a failed cast takes no reference
    EXPECT_EQ(Counted(*plain).refCount(), 0) << "a copy of the object starts unshared";
    EXPECT_TRUE(ccPtrHandle<Derived>(ccPtrHandle<Counted>()).isNull());
    EXPECT_EQ(plain.dynamicCast<Derived>(), nullptr);
}

TEST(PtrHandle, ReferenceCountSurvivesContention) {
    int alive = 0;
    ccPtrHandle<Counted> shared(new Counted(&alive));
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&shared] {
            for (int i = 0; i < 20000; ++i) {
                ccPtrHandle<Counted> copy = shared;
                ccPtrHandle_const<Counted> again = copy;
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(shared->refCount(), 1);
    shared = ccPtrHandle<Counted>();
    EXPECT_EQ(alive, 0);
}

}  // namespace
