#include "vxftlt12u/featurelet.h"

#include <algorithm>
#include <cmath>

#include "vxstd12u/str.h"

ccFeatureletDefs::BadParams::BadParams(const char* detail) : ccErrorKind(cfWiden(detail)) {}

void ccFeaturelet::magnitude(double m, bool check) {
    if (check && !(m >= 0))
        throw ccFeatureletDefs::BadParams(L"featurelet magnitude " + cfStr(m) + L" is not >= 0");
    magnitude_ = m;
}

void ccFeatureletChainSet::checkChain(long chain) const {
    if (chain < 0 || chain >= numChains()) {
        throw ccFeatureletDefs::BadParams(L"chain index " + cfStr(chain) + L" is not below " +
                                          cfStr(numChains()));
    }
}

void ccFeatureletChainSet::checkGrowth(long moreChains, long moreFeaturelets) const {
    if (moreChains < 0 || moreFeaturelets < 0 || moreChains > kLargestCount - numChains() ||
        moreFeaturelets > kLargestCount - numFeaturelets()) {
        throw ccFeatureletDefs::BadParams(
            L"a chain set holds at most 2147483647 chains and featurelets");
    }
}

long ccFeatureletChainSet::chainLength(long chain) const {
    checkChain(chain);
    return lengths_[chain];
}

long ccFeatureletChainSet::startFeatureIndex(long chain) const {
    checkChain(chain);
    return starts_[chain];
}

bool ccFeatureletChainSet::isClosed(long chain) const {
    checkChain(chain);
    return closed_[chain] != 0;
}

void ccFeatureletChainSet::reserve(long numChains, long numFeaturelets) {
    checkGrowth(numChains, numFeaturelets);
    starts_.reserve(starts_.size() + numChains);
    lengths_.reserve(lengths_.size() + numChains);
    closed_.reserve(closed_.size() + numChains);
    featurelets_.reserve(featurelets_.size() + numFeaturelets);
}

namespace {
template <class T>
void makeRoom(std::vector<T>& v, std::size_t more) {
    if (v.capacity() - v.size() >= more) return;
    v.reserve(std::max(v.size() + more, 2 * v.capacity()));
}
}  // namespace

void ccFeatureletChainSet::makeRoomFor(long numChains, long numFeaturelets) {
    checkGrowth(numChains, numFeaturelets);
    const auto chains = static_cast<std::size_t>(numChains);
    makeRoom(starts_, chains);
    makeRoom(lengths_, chains);
    makeRoom(closed_, chains);
    makeRoom(featurelets_, static_cast<std::size_t>(numFeaturelets));
}

void ccFeatureletChainSet::beginChain(bool closed) {
    checkGrowth(1, 0);
    starts_.push_back(static_cast<std::int32_t>(featurelets_.size()));
    lengths_.push_back(0);
    closed_.push_back(closed ? 1 : 0);
}

void ccFeatureletChainSet::refusePush() const {
    if (lengths_.empty())
        throw ccFeatureletDefs::BadParams(
            L"a featurelet needs a chain to go into: begin one first");
    checkGrowth(0, 1);
    throw ccFeatureletDefs::BadParams(L"a chain set holds at most 2147483647 featurelets");
}

ccFeaturelet& ccFeatureletChainSet::featurelet(long index) {
    if (index < 0 || index >= numFeaturelets()) {
        throw ccFeatureletDefs::BadParams(L"featurelet index " + cfStr(index) + L" is not below " +
                                          cfStr(numFeaturelets()));
    }
    return featurelets_[static_cast<std::size_t>(index)];
}

void ccFeatureletChainSet::clear() noexcept {
    featurelets_.clear();
    starts_.clear();
    lengths_.clear();
    closed_.clear();
}

namespace {
// Slack up to a tenth of the size is kept: shrinking copies the whole array.
template <class T>
void shrinkIfSlack(std::vector<T>& v) {
    if (v.capacity() - v.size() > v.size() / 10) v.shrink_to_fit();
}
}  // namespace

void ccFeatureletChainSet::releaseSlack() {
    shrinkIfSlack(featurelets_);
    shrinkIfSlack(starts_);
    shrinkIfSlack(lengths_);
    shrinkIfSlack(closed_);
}

void ccFeatureletChainSet::insertChain(long index, const std::vector<ccFeaturelet>& chain,
                                       bool closed) {
    if (index < 0 || index > numChains()) {
        throw ccFeatureletDefs::BadParams(L"chain index " + cfStr(index) + L" is outside 0.." +
                                          cfStr(numChains()));
    }
    const long length = static_cast<long>(chain.size());
    checkGrowth(1, length);
    const auto start = static_cast<std::int32_t>(
        index == numChains() ? featurelets_.size() : static_cast<std::size_t>(starts_[index]));
    featurelets_.insert(featurelets_.begin() + start, chain.begin(), chain.end());
    for (std::size_t c = index; c < starts_.size(); ++c)
        starts_[c] += static_cast<std::int32_t>(length);
    starts_.insert(starts_.begin() + index, start);
    lengths_.insert(lengths_.begin() + index, static_cast<std::int32_t>(length));
    closed_.insert(closed_.begin() + index, closed ? 1 : 0);
}

void ccFeatureletChainSet::append(const ccFeatureletChainSet& other) {
    checkGrowth(other.numChains(), other.numFeaturelets());
    const auto offset = static_cast<std::int32_t>(featurelets_.size());
    featurelets_.insert(featurelets_.end(), other.featurelets_.begin(), other.featurelets_.end());
    for (std::int32_t start : other.starts_) starts_.push_back(start + offset);
    lengths_.insert(lengths_.end(), other.lengths_.begin(), other.lengths_.end());
    closed_.insert(closed_.end(), other.closed_.begin(), other.closed_.end());
}

double ccFeatureletChainSet::proportionPositiveCrossProduct(long chain) const {
    checkChain(chain);
    const long n = lengths_[chain];
    const ccFeaturelet* f = featurelets_.data() + starts_[chain];
    const bool closed = closed_[chain] != 0;
    long positive = 0, counted = 0;
    for (long i = 0; i < n; ++i) {
        const long prev = i > 0 ? i - 1 : (closed ? n - 1 : 0);
        const long next = i + 1 < n ? i + 1 : (closed ? 0 : n - 1);
        const ccVector<2> travel = f[next].position - f[prev].position;
        const double cross = travel.cross(ccVector<2>::polar(f[i].angle.toDouble()));
        if (travel.lenSq() == 0 || cross == 0) continue;
        ++counted;
        if (cross > 0) ++positive;
    }
    return counted == 0 ? 0.5 : static_cast<double>(positive) / static_cast<double>(counted);
}

cfeat_featureletChainSet ccFeatureletChainSet::featureletChainSet() const noexcept {
    return {&featurelets_, &lengths_, &starts_, &closed_};
}

void cstd_vector_cfeat_featurelet_getBeginEndConst(const cstd_vector_cfeat_featurelet* v,
                                                   const cfeat_featurelet** begin,
                                                   const cfeat_featurelet** end) {
    *begin = v->data();
    *end = v->data() + v->size();
}

void cstd_vector32s_getBeginEndConst(const cstd_vector32s* v, const std::int32_t** begin,
                                     const std::int32_t** end) {
    *begin = v->data();
    *end = v->data() + v->size();
}

void cstd_vectorb_getBeginEndConst(const cstd_vectorb* v, const unsigned char** begin,
                                   const unsigned char** end) {
    *begin = v->data();
    *end = v->data() + v->size();
}
