#include "vxftlt12u/featurelet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

ccFeaturelet at(double x, double y, double angle, double weight = 1.0) {
    return ccFeaturelet(ccVector<2>(x, y), ccRadian(angle), 1.0, weight, false);
}

// A chain along +x whose gradients point to +y (left of travel) or -y.
std::vector<ccFeaturelet> straightChain(int n, int pointingRight) {
    std::vector<ccFeaturelet> chain;
    for (int i = 0; i < n; ++i) chain.push_back(at(i, 0, i < pointingRight ? -ccPi / 2 : ccPi / 2));
    return chain;
}

TEST(Featurelet, MagnitudeCheckRefusesNegativeAndKeepsTheOldValue) {
    ccFeaturelet f = at(0, 0, 0);
    f.magnitude(2.5, true);
    EXPECT_EQ(f.magnitude(), 2.5);
    EXPECT_THROW(f.magnitude(-1, true), ccFeatureletDefs::BadParams);
    EXPECT_THROW(f.magnitude(std::nan(""), true), ccFeatureletDefs::BadParams);
    EXPECT_EQ(f.magnitude(), 2.5);
    f.magnitude(-1, false);
    EXPECT_EQ(f.magnitude(), -1);
}

TEST(ChainSet, ChainsAreStoredContiguouslyAndNumberedAcross) {
    ccFeatureletChainSet set;
    set.insertChain(0, straightChain(3, 0), false);
    set.insertChain(1, straightChain(2, 0), true);
    set.insertChain(1, straightChain(4, 0), false);  // in the middle: later chains move
    EXPECT_EQ(set.numChains(), 3);
    EXPECT_EQ(set.numFeaturelets(), 9);
    EXPECT_EQ(set.startFeatureIndex(0), 0);
    EXPECT_EQ(set.startFeatureIndex(1), 3);
    EXPECT_EQ(set.chainLength(1), 4);
    EXPECT_EQ(set.startFeatureIndex(2), 7);
    EXPECT_TRUE(set.isClosed(2));
    EXPECT_FALSE(set.isClosed(1));
    EXPECT_THROW(set.chainLength(3), ccFeatureletDefs::BadParams);
    EXPECT_THROW(set.isClosed(-1), ccFeatureletDefs::BadParams);
    EXPECT_THROW(set.insertChain(5, {}, false), ccFeatureletDefs::BadParams);
}

TEST(ChainSet, AppendShiftsStartsAndKeepsOrder) {
    ccFeatureletChainSet a, b;
    a.insertChain(0, straightChain(2, 0), false);
    b.insertChain(0, {}, true);
    b.insertChain(1, straightChain(3, 0), false);
    a.append(b);
    EXPECT_EQ(a.numChains(), 3);
    EXPECT_EQ(a.chainLength(1), 0);
    EXPECT_TRUE(a.isClosed(1));
    EXPECT_EQ(a.startFeatureIndex(2), 2);
    EXPECT_EQ(a.featurelets()[2], b.featurelets()[0]);
}

TEST(ChainSet, CLevelViewSeesTheSameArrays) {
    ccFeatureletChainSet set;
    set.insertChain(0, straightChain(3, 0), true);
    set.insertChain(1, straightChain(2, 0), false);
    const cfeat_featureletChainSet view = set.featureletChainSet();
    const cfeat_featurelet *fBegin, *fEnd;
    cstd_vector_cfeat_featurelet_getBeginEndConst(view.featurelets, &fBegin, &fEnd);
    EXPECT_EQ(fBegin, set.featurelets().data());
    EXPECT_EQ(fEnd - fBegin, 5);
    const std::int32_t *lBegin, *lEnd, *sBegin, *sEnd;
    cstd_vector32s_getBeginEndConst(view.chainLengths, &lBegin, &lEnd);
    cstd_vector32s_getBeginEndConst(view.chainStarts, &sBegin, &sEnd);
    EXPECT_EQ(std::vector<std::int32_t>(lBegin, lEnd), (std::vector<std::int32_t>{3, 2}));
    EXPECT_EQ(std::vector<std::int32_t>(sBegin, sEnd), (std::vector<std::int32_t>{0, 3}));
    const unsigned char *cBegin, *cEnd;
    cstd_vectorb_getBeginEndConst(view.closedFlags, &cBegin, &cEnd);
    EXPECT_EQ(std::vector<unsigned char>(cBegin, cEnd), (std::vector<unsigned char>{1, 0}));
}

TEST(ChainSet, ProportionCountsGradientsLeftOfTravel) {
    ccFeatureletChainSet set;
    set.insertChain(0, straightChain(5, 0), false);   // all left
    set.insertChain(1, straightChain(5, 5), false);   // all right
    set.insertChain(2, straightChain(10, 4), false);  // 6 of 10 left
    set.insertChain(3, straightChain(4, 2), false);   // a tie
    set.insertChain(4, straightChain(1, 0), false);   // no travel at all
    // A counter-clockwise square whose first gradient is left of the closing
    // travel from the last point but right of the step to the second.
    set.insertChain(
        5,
        {at(0, 0, -ccPi / 8), at(1, 0, 3 * ccPi / 4), at(1, 1, -3 * ccPi / 4), at(0, 1, -ccPi / 4)},
        true);
    EXPECT_EQ(set.proportionPositiveCrossProduct(0), 1.0);
    EXPECT_EQ(set.proportionPositiveCrossProduct(1), 0.0);
    EXPECT_DOUBLE_EQ(set.proportionPositiveCrossProduct(2), 0.6);
    EXPECT_EQ(set.proportionPositiveCrossProduct(3), 0.5);
    EXPECT_EQ(set.proportionPositiveCrossProduct(4), 0.5);
    EXPECT_EQ(set.proportionPositiveCrossProduct(5), 1.0);
}

TEST(ChainSet, ChainsWrittenOneFeatureletAtATimeKeepTheirStartsLengthsAndFlags) {
    ccFeatureletChainSet set;
    EXPECT_THROW(set.pushBack(at(0, 0, 0)), ccFeatureletDefs::BadParams);
    EXPECT_EQ(set.numFeaturelets(), 0);

    set.beginChain(true);
    for (const ccFeaturelet& f : straightChain(3, 0)) set.pushBack(f);
    set.beginChain(false);  // stays empty
    set.beginChain(false);
    for (const ccFeaturelet& f : straightChain(2, 2)) set.pushBack(f);
    ASSERT_EQ(set.numChains(), 3);
    EXPECT_EQ(set.chainLength(1), 0);
    EXPECT_EQ(set.startFeatureIndex(2), 3);
    EXPECT_EQ(set.chainLength(2), 2);
    EXPECT_TRUE(set.isClosed(0));
    EXPECT_FALSE(set.isClosed(2));
    EXPECT_EQ(set.featurelets()[3], straightChain(2, 2)[0]);

    set.featurelet(4).weight = 0.25;
    EXPECT_EQ(set.featurelets()[4].weight, 0.25);
    EXPECT_THROW(set.featurelet(5), ccFeatureletDefs::BadParams);

    const std::size_t capacity = set.featurelets().capacity();
    set.clear();
    EXPECT_EQ(set.numChains(), 0);
    EXPECT_EQ(set.featurelets().capacity(), capacity);
}

TEST(ChainSet, ReleasingSlackTrimsOnlyLargeSlackAndKeepsEveryFeaturelet) {
    ccFeatureletChainSet roomy;
    roomy.reserve(4, 1000);
    roomy.insertChain(0, straightChain(10, 4), true);
    const std::vector<ccFeaturelet> before = roomy.featurelets();
    roomy.releaseSlack();
    EXPECT_EQ(roomy.featurelets(), before);
    EXPECT_LE(roomy.featurelets().capacity(), 11u);
    EXPECT_TRUE(roomy.isClosed(0));

    ccFeatureletChainSet snug;
    snug.reserve(1, 105);
    snug.insertChain(0, std::vector<ccFeaturelet>(100), false);
    snug.releaseSlack();
    EXPECT_EQ(snug.featurelets().capacity(), 105u);
}

}  // namespace
