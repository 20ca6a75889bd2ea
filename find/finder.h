// Finding trained models in images: where a part stands, at which angle and
// scale, to a small fraction of a pixel.
//
// Poses are those of find/pose.h: model point m lies at image point
// (x, y) + scale * R(angle) * m, in the pixel frame of find/image.h.
//
// The score of a pose P: over the featurelets i of the model (position p_i,
// expected gradient direction a_i, weight w_i, relative magnitude m_i),
//
//     S(P) = sum_i w_i c_i(P) / sum_{i: w_i > 0} w_i
//
// where, with q = P(p_i) and g the image gradient at q (interpolated
// bilinearly; outside the image g = 0):
//
//     c_i = 0                          when |g| < contrast * m_i (or g = 0),
//     c_i = cos(angle(g) - a_i - P.angle)   otherwise,
//     c_i = |cos(angle(g) - a_i - P.angle)| for a featurelet whose polarity is
//                                          ignored (isMod180),
//     c_i = max(0, c_i above)          for a featurelet of negative weight.
//
// A perfect match scores 1 and its inverse -1; a featurelet of negative
// weight only ever subtracts, where the image shows its edge, so that a part
// marked as must-not-match rejects a look-alike that has an edge there (an
// edge of the other polarity there does not raise the score).
//
// Magnitudes are relative: training divides each featurelet's magnitude by
// the weighted mean magnitude of the positive featurelets, so that a model
// drawn by hand (magnitudes 1) and one built from edges (measured
// gradients) meet the same contrast threshold, which is in grey levels per
// pixel.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "ch_core/shapemod.h"
#include "find/image.h"
#include "find/pose.h"
#include "vxftlt12u/featurelet.h"

// How the model's polarity is taken for one search, without editing it.
enum class ccFindPolarity {
    eAsIs,      // as the featurelets say
    eReversed,  // every featurelet's direction turned round: a part drawn light
                // on dark is found dark on light
    eIgnored,   // every featurelet taken modulo 180 degrees
};

struct ccFindParams {
    // The rotation range, in radians, from angleMin to angleMax (both
    // included; the full circle by default), and the isotropic scale range.
    // Finite; angleMin <= angleMax, angleMax - angleMin <= 2 pi;
    // 0 < scaleMin <= scaleMax. A single scale stays fixed in refinement.
    ccRadian angleMin = ccRadian(-ccPi);
    ccRadian angleMax = ccRadian(ccPi);
    double scaleMin = 1.0;
    double scaleMax = 1.0;
    // Matches scoring below this (0 to 1) are not reported.
    double minScore = 0.5;
    // At most this many matches, best first; 0 for every match above
    // minScore.
    long maxMatches = 0;
    // Of two matches whose bounding boxes (of the model's featurelets at
    // their poses) overlap by more than this fraction of the smaller box's
    // area, only the better is kept; 0 to 1.
    double maxOverlap = 0.5;
    // Gradient magnitude, in grey levels per pixel, below which an image
    // point contributes nothing to a featurelet of relative magnitude 1.
    // Finite, >= 0.
    double contrast = 10.0;
    // Where the model's origin may lie, in image coordinates, within the
    // image's pixels ([-0.5, width - 0.5] x [-0.5, height - 0.5]); a
    // rectangle of no width or height (the default) for the whole image.
    // Finite.
    ccRect region;
    ccFindPolarity polarity = ccFindPolarity::eAsIs;
    // Worker threads, >= 0; 0 for one per core. The result does not depend
    // on it.
    int threads = 0;
};

struct ccFindMatch {
    ccPose pose;
    // The score (above) of the refined pose.
    double score = 0.0;
    // Root mean square, in pixels, of the distances along the featurelets'
    // directions between the refined pose's featurelets and the edge points
    // they were paired with.
    double fitError = 0.0;
};

// A model prepared for searching: its featurelets at every level of an
// image pyramid (level k works on the image halved k times; along each chain
// a featurelet is kept only a pixel of that level from the last one kept),
// with magnitudes made relative. The offsets and directions of each angle
// and scale step are computed by the search as it reaches the step, which
// costs a pass over the coarsest level's featurelets against a scan of every
// origin with them, and keeps the model small (about 60 bytes a featurelet a
// level). Copies share the prepared data, which is never changed: a trained
// model can be searched from several threads at once.
class ccSearchModel {
  public:
    // From a shape model: its featurelets (ccShapeModel::features with
    // `params`) at level 0. `levels` pyramid levels, or 0 to choose them from
    // the model's size: as many as keep, at the coarsest,
    // cc_find_tol::kMinCoarseFeaturelets featurelets and a radius of
    // cc_find_tol::kMinCoarseRadius of its pixels (at least one level). A
    // model with no featurelet, none of positive weight or one that is not
    // finite throws ccFindDefs::BadParams; so do levels < 0 or > 8.
    explicit ccSearchModel(
        const ccShape& model,
        const ccShapeModel::ccFeatureParams& params = ccShapeModel::ccFeatureParams(),
        long levels = 0);
    // From featurelets directly (their positions in model coordinates).
    explicit ccSearchModel(const ccFeatureletChainSet& featurelets, long levels = 0);

    long numLevels() const noexcept;
    // Featurelets kept at `level`; a level outside 0 to numLevels() - 1
    // throws ccFindDefs::BadParams.
    long numFeaturelets(long level) const;
    // The largest distance of a featurelet from the model's origin.
    double radius() const noexcept;
    // Bytes the prepared data takes.
    std::size_t memoryBytes() const noexcept;

    // The prepared data, for the library's own stages (declared in an
    // internal header that is not installed).
    struct Data;
    const Data& data() const noexcept { return *data_; }

  private:
    std::shared_ptr<const Data> data_;
};

// Every match of `model` in `image` (8 or 16 bits) scoring at least
// params.minScore, refined, overlapping ones suppressed, best first. A search
// that finds nothing gives no matches. The pyramid is shortened on an image
// too small for the model's coarsest level. Parameters outside their domains
// (NaN included), ranges out of order, an empty image or one whose width or
// height is less than the smaller side of the model's bounding box (of its
// featurelets, at angle 0) at the smallest scale throw ccFindDefs::BadParams
// naming what was wrong.
//
// Method: an exhaustive scan of the coarsest level, every origin of the
// region by every angle and scale step (steps of cc_find_tol::
// kAngleSearchStep and kScaleSearchStep pixels at the model's radius there,
// at each scale step's own scale), with nearest-pixel gradients, keeps the
// local peaks scoring cc_find_tol::kCoarseScoreShare of the minimum score.
// Best first, each climbs through the finer levels a step at a time, and at
// full resolution the pose is fitted by Gauss-Newton on x, y, angle and log
// scale to the gradient peaks found along each positive featurelet's
// direction. A candidate is given up, unclimbed or unfitted, where a match
// already found overlaps it by more than maxOverlap and scores at least as
// much as the candidate did so far, and where an earlier candidate reached
// the same pose: overlap suppression would keep the other. The threads split
// the scan's steps; merged in step order, and the candidates followed one
// by one, they give the same result for any number of them.
std::vector<ccFindMatch> cfFind(const ccSearchModel& model, const ccImage& image,
                                const ccFindParams& params);

// The score (above) of `pose` at full resolution, with params.contrast and
// params.polarity; no search, no refinement. A pose outside its domain (see
// find/pose.h), a contrast that is negative or not finite, or an empty image
// throws ccFindDefs::BadParams.
double cfScorePose(const ccSearchModel& model, const ccImage& image, const ccPose& pose,
                   const ccFindParams& params);
