// Parameters and results of sampling a shape into points along its boundary.
// A ccShape names them ccShape::ccSampleParams and ccShape::ccSampleResult.
#pragma once

#include <vector>

#include "vxstd12u/perimpos.h"
#include "vxstd12u/radian.h"
#include "vxstd12u/vector.h"

class ccShapeInfo;

// "No limit" for a point count: the largest long of the 32-bit platform the
// library's stored data came from. On 64-bit platforms it is not LONG_MAX;
// archives and files keep this value.
constexpr long ccNoPointLimit = 2147483647;

// How a shape is to be sampled.
//
// - startOffset: arc length from the start point to the first sample, reduced
//   modulo the spacing; 0 puts the first sample on the start point.
// - spacing: arc length between successive samples (non-uniform mode).
// - maxPoints: the most samples a shape may give. When samples at `spacing`
//   would exceed it, the spacing grows so that maxPoints samples cover the shape.
// - computeTangents: fill the result's tangents.
// - duplicateCorners: where two pieces of a contour meet, give the joint point
//   once for each piece instead of once.
// - uniformMode: exactly maxPoints samples spread evenly over the perimeter,
//   ignoring spacing.
// - perimPosRequested: give each sample its ccPerimPos within perimPosShapeInfo.
// - perimPosShapeInfo: the shape info that perimeter positions and uniform
//   shares refer to; may be null; not owned.
//
// Setters store any value; the sampling operations refuse values they cannot
// use (a spacing that is not positive, fewer than one point) with
// ccShapesError::BadParams.
class ccShapeSampleParams {
  public:
    ccShapeSampleParams() = default;  // equals (0.0, 1.0, ccNoPointLimit, true, true)
    ccShapeSampleParams(double startOffset, double spacing, long maxPoints, bool computeTangents,
                        bool duplicateCorners) noexcept
        : startOffset_(startOffset),
          spacing_(spacing),
          maxPoints_(maxPoints),
          computeTangents_(computeTangents),
          duplicateCorners_(duplicateCorners) {}

    double startOffset() const noexcept { return startOffset_; }
    void startOffset(double v) noexcept { startOffset_ = v; }
    double spacing() const noexcept { return spacing_; }
    void spacing(double v) noexcept { spacing_ = v; }
    long maxPoints() const noexcept { return maxPoints_; }
    void maxPoints(long v) noexcept { maxPoints_ = v; }
    bool computeTangents() const noexcept { return computeTangents_; }
    void computeTangents(bool v) noexcept { computeTangents_ = v; }
    bool duplicateCorners() const noexcept { return duplicateCorners_; }
    void duplicateCorners(bool v) noexcept { duplicateCorners_ = v; }
    bool uniformMode() const noexcept { return uniformMode_; }
    void uniformMode(bool v) noexcept { uniformMode_ = v; }
    bool perimPosRequested() const noexcept { return perimPosRequested_; }
    void perimPosRequested(bool v) noexcept { perimPosRequested_ = v; }
    const ccShapeInfo* perimPosShapeInfo() const noexcept { return perimPosShapeInfo_; }
    void perimPosShapeInfo(const ccShapeInfo* v) noexcept { perimPosShapeInfo_ = v; }

    // All fields equal; doubles exactly, the shape info by address.
    bool operator==(const ccShapeSampleParams& o) const noexcept;
    bool operator!=(const ccShapeSampleParams& o) const noexcept { return !(*this == o); }

  private:
    double startOffset_ = 0.0;
    double spacing_ = 1.0;
    long maxPoints_ = ccNoPointLimit;
    bool computeTangents_ = true;
    bool duplicateCorners_ = true;
    bool uniformMode_ = false;
    bool perimPosRequested_ = false;
    const ccShapeInfo* perimPosShapeInfo_ = nullptr;
};

inline bool ccShapeSampleParams::operator==(const ccShapeSampleParams& o) const noexcept {
    return startOffset_ == o.startOffset_ && spacing_ == o.spacing_ && maxPoints_ == o.maxPoints_ &&
           computeTangents_ == o.computeTangents_ && duplicateCorners_ == o.duplicateCorners_ &&
           uniformMode_ == o.uniformMode_ && perimPosRequested_ == o.perimPosRequested_ &&
           perimPosShapeInfo_ == o.perimPosShapeInfo_;
}

// What sampling gives: chains of points, each chain a run of samples along one
// connected piece of boundary.
//
// - positions: every sample, chain after chain.
// - tangents: the direction of travel at each sample (empty unless tangents
//   were asked for, or when the shape has none, like a point).
// - breaks: index into positions of each chain's first sample.
// - closedFlags: whether each chain closes on itself.
// - shapeIndex: the sampled shape's node number within the params' shape info;
//   set by the caller before sampling and used to number perimeter positions.
// - perimPositions: one per sample when perimeter positions were requested.
//
// Sampling appends to a result, so one result can collect several shapes.
class ccShapeSampleResult {
  public:
    std::vector<ccVector<2>>& positions() noexcept { return positions_; }
    const std::vector<ccVector<2>>& positions() const noexcept { return positions_; }
    std::vector<ccRadian>& tangents() noexcept { return tangents_; }
    const std::vector<ccRadian>& tangents() const noexcept { return tangents_; }
    std::vector<long>& breaks() noexcept { return breaks_; }
    const std::vector<long>& breaks() const noexcept { return breaks_; }
    std::vector<bool>& closedFlags() noexcept { return closedFlags_; }
    const std::vector<bool>& closedFlags() const noexcept { return closedFlags_; }
    std::vector<ccPerimPos>& perimPositions() noexcept { return perimPositions_; }
    const std::vector<ccPerimPos>& perimPositions() const noexcept { return perimPositions_; }

    long numChains() const noexcept { return static_cast<long>(breaks_.size()); }
    long shapeIndex() const noexcept { return shapeIndex_; }
    void shapeIndex(long i) noexcept { shapeIndex_ = i; }

    // Samples in chain `c`.
    long chainLength(long c) const noexcept {
        const long end =
            c + 1 < numChains() ? breaks_[c + 1] : static_cast<long>(positions_.size());
        return end - breaks_[c];
    }

    // Starts a new chain at the current end of positions.
    void beginChain(bool closed) {
        breaks_.push_back(static_cast<long>(positions_.size()));
        closedFlags_.push_back(closed);
    }

    // Gives every sample so far a tangent: angle 0 for those that have none.
    // Sampling calls it before appending samples with tangents, and after
    // appending samples without them to a result that has some, so that
    // tangents stay one per sample or none at all.
    void fillTangents() { tangents_.resize(positions_.size(), ccRadian(0.0)); }

    void clear() noexcept {
        positions_.clear();
        tangents_.clear();
        breaks_.clear();
        closedFlags_.clear();
        perimPositions_.clear();
    }

  private:
    std::vector<ccVector<2>> positions_;
    std::vector<ccRadian> tangents_;
    std::vector<long> breaks_;
    std::vector<bool> closedFlags_;
    std::vector<ccPerimPos> perimPositions_;
    long shapeIndex_ = 0;
};

class ccArchive;

// Exchanges sample parameters with an archive: a version byte (0), then
// startOffset, spacing, maxPoints, computeTangents, duplicateCorners,
// uniformMode and perimPosRequested. The shape info is not stored; a loaded
// record has none.
ccArchive& operator||(ccArchive& ar, ccShapeSampleParams& params);
