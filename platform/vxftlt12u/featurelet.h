// Featurelets: boundary samples with an expected gradient direction, weight and
// magnitude, the training input of a pattern-finding tool, and sets of chains
// of them.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "vxstd12u/errors.h"
#include "vxstd12u/radian.h"
#include "vxstd12u/repbase.h"
#include "vxstd12u/vector.h"

// Errors of the featurelet library.
class ccFeatureletDefs {
  public:
    class Errors : public ccException {
      public:
        using ccException::ccException;

      protected:
        Errors() = default;
    };

    // A value outside the domain of the call: a chain index out of range, a
    // negative magnitude.
    class BadParams : public ccErrorKind<BadParams, Errors, 0x10004001> {
      public:
        BadParams() = default;
        explicit BadParams(std::wstring detail) : ccErrorKind(std::move(detail)) {}
        explicit BadParams(const char* detail);
    };
};

// One featurelet: a point of a boundary, the direction of the image gradient
// expected there (a quarter turn from the boundary tangent; only meaningful
// modulo pi when isMod180), a weight and an expected gradient magnitude.
// Position, angle and weight are plain fields; the angle is not normalised.
class ccFeaturelet {
  public:
    ccVector<2> position;
    ccRadian angle;
    double weight = 1.0;

    ccFeaturelet() = default;
    // `magnitude` is stored as given.
    ccFeaturelet(const ccVector<2>& position, const ccRadian& angle, double magnitude,
                 double weight, bool isMod180) noexcept
        : position(position),
          angle(angle),
          weight(weight),
          magnitude_(magnitude),
          isMod180_(isMod180) {}

    double magnitude() const noexcept { return magnitude_; }
    // Sets the magnitude; with `check`, a negative or NaN magnitude throws
    // ccFeatureletDefs::BadParams and leaves the featurelet unchanged.
    void magnitude(double m, bool check);

    bool isMod180() const noexcept { return isMod180_ != 0; }
    void isMod180(bool v) noexcept { isMod180_ = v ? 1 : 0; }

    bool operator==(const ccFeaturelet& o) const noexcept {
        return position == o.position && angle == o.angle && weight == o.weight &&
               magnitude_ == o.magnitude_ && isMod180_ == o.isMod180_;
    }
    bool operator!=(const ccFeaturelet& o) const noexcept { return !(*this == o); }

  private:
    double magnitude_ = 1.0;
    unsigned char isMod180_ = 0;
};

class ccFeatureletChainSet;

// The C-level view of a chain set: its arrays, each reached through the
// getBeginEndConst accessor of its vector module. The featurelets are the
// set's own array (cfeat_featurelet is ccFeaturelet); counts and first
// indices are 32-bit; closed flags one byte each. The view and the pointers
// it gives stay valid while the set lives and is not changed.
using cfeat_featurelet = ccFeaturelet;
using cstd_vector_cfeat_featurelet = std::vector<ccFeaturelet>;
using cstd_vector32s = std::vector<std::int32_t>;
using cstd_vectorb = std::vector<unsigned char>;

struct cfeat_featureletChainSet {
    const cstd_vector_cfeat_featurelet* featurelets;
    const cstd_vector32s* chainLengths;
    const cstd_vector32s* chainStarts;
    const cstd_vectorb* closedFlags;
};

// First and one-past-last element of each array.
void cstd_vector_cfeat_featurelet_getBeginEndConst(const cstd_vector_cfeat_featurelet* v,
                                                   const cfeat_featurelet** begin,
                                                   const cfeat_featurelet** end);
void cstd_vector32s_getBeginEndConst(const cstd_vector32s* v, const std::int32_t** begin,
                                     const std::int32_t** end);
void cstd_vectorb_getBeginEndConst(const cstd_vectorb* v, const unsigned char** begin,
                                   const unsigned char** end);

// Ordered chains of featurelets. All featurelets live in one array, chain
// after chain; chain starts, lengths and closed flags lie beside it.
// Featurelets are numbered across chains. Chains may be empty.
//
// Counts are 32-bit (the stored form of the library); a set that would pass
// 2147483647 featurelets or chains throws ccFeatureletDefs::BadParams.
class ccFeatureletChainSet : public virtual ccRepBase {
  public:
    ccFeatureletChainSet() = default;

    long numChains() const noexcept { return static_cast<long>(starts_.size()); }
    long numFeaturelets() const noexcept { return static_cast<long>(featurelets_.size()); }
    // For 0 <= chain < numChains(); otherwise ccFeatureletDefs::BadParams.
    long chainLength(long chain) const;
    long startFeatureIndex(long chain) const;
    bool isClosed(long chain) const;

    // Every featurelet, chain after chain; no copy is made.
    const std::vector<ccFeaturelet>& featurelets() const noexcept { return featurelets_; }

    // Capacity for that many more chains and featurelets.
    void reserve(long numChains, long numFeaturelets);
    // The same, for a caller that appends part after part: where the storage
    // must grow it at least doubles, so that the parts cost amortised constant
    // time per featurelet; the first part of an empty set is given exactly
    // its size.
    void makeRoomFor(long numChains, long numFeaturelets);

    // Inserts `chain` as chain `index` (0 <= index <= numChains()); inserting
    // at numChains() appends without moving anything.
    void insertChain(long index, const std::vector<ccFeaturelet>& chain, bool closed);

    // Writing a chain featurelet by featurelet, each written once: beginChain
    // appends an empty chain; pushBack appends `f` to the last chain, and
    // emplaceBack a featurelet made from the arguments of a ccFeaturelet
    // constructor, built in place (without a chain, or past 2147483647
    // featurelets, ccFeatureletDefs::BadParams).
    void beginChain(bool closed);
    void pushBack(const ccFeaturelet& f) { emplaceBack(f); }
    template <class... Args>
    void emplaceBack(Args&&... args) {
        if (lengths_.empty() || featurelets_.size() >= static_cast<std::size_t>(kLargestCount))
            refusePush();
        featurelets_.emplace_back(std::forward<Args>(args)...);
        ++lengths_.back();
    }

    // Featurelet `index` (0 <= index < numFeaturelets(); otherwise
    // ccFeatureletDefs::BadParams), for rewriting in place.
    ccFeaturelet& featurelet(long index);

    // Removes every chain and featurelet, keeping the storage for reuse.
    void clear() noexcept;

    // Gives back storage beyond what the featurelets and chain tables hold
    // when it is more than a tenth of their size; changes no featurelet.
    void releaseSlack();

    // Appends all chains of `other`, in order.
    void append(const ccFeatureletChainSet& other);

    // The share (0 to 1) of chain `chain`'s featurelets whose gradient points
    // to the left of the chain's direction of travel: the cross product of the
    // travel direction and the gradient direction is positive. The travel
    // direction at a featurelet runs from the previous featurelet to the next
    // (one-sided at the ends of an open chain; around the joint for a closed
    // one). Featurelets where the chain does not move (coincident neighbours)
    // count for neither side; a chain with no featurelet that counts gives 0.5.
    double proportionPositiveCrossProduct(long chain) const;

    // The C-level view of this set.
    cfeat_featureletChainSet featureletChainSet() const noexcept;

  private:
    // The largest count the 32-bit chain tables hold.
    static constexpr long kLargestCount = 2147483647;

    [[noreturn]] void refusePush() const;
    void checkChain(long chain) const;
    void checkGrowth(long moreChains, long moreFeaturelets) const;

    std::vector<ccFeaturelet> featurelets_;
    std::vector<std::int32_t> starts_;
    std::vector<std::int32_t> lengths_;
    std::vector<unsigned char> closed_;
};
