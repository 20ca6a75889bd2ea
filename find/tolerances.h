// Numeric tolerances and limits of the image and finding library, each named
// once so that what the library promises is stated in one place.
#pragma once

#include <cstddef>

namespace cc_find_tol {

// Largest width or height of an image the library makes or reads, in pixels,
// and largest number of pixels: beyond these a size is refused before any
// memory is taken (a 2^28-pixel 16-bit image is already 512 MB).
constexpr long kMaxImageSide = 1L << 16;
constexpr long kMaxImagePixels = 1L << 28;

// Edges. The 3x3 Scharr operator weighs the difference across its centre
// row by 3 + 10 + 3 and takes it over two pixels, so on a ramp it reads 32
// times the slope; multiplied by this it reads grey levels per pixel.
constexpr double kScharrToSlope = 1.0 / 32.0;

// Largest blur sigma, in pixels, cfEdges applies: its kernel spans about
// 8 sigma, and a blur wider than any image the library takes smooths nothing
// more.
constexpr double kMaxEdgeBlurSigma = 4096.0;

// The squared magnitude under which the subpixel fit's logarithm stops
// falling. Beside an unblurred step a neighbour has no gradient at all; at
// this floor the fit puts the step halfway between its two pixels, where it
// is, instead of taking the logarithm of 0.
constexpr double kMinEdgeMagnitudeSquared = 1e-12;

// How far, in pixels along each axis, linking looks for a point's neighbours
// along the edge. One would do on straight edges; two bridges the gaps
// suppression leaves where a curve's dominant gradient axis changes.
constexpr int kEdgeLinkReach = 2;

// How many points either side along a chain the curvature under each point
// is measured over, and the largest shift, in pixels, that undoing the
// curvature bias may make: beyond it the curve turns within the blur
// itself (a corner) and its peak says little about where the edge is.
constexpr long kEdgeCurvatureSpan = 3;
constexpr double kMaxEdgeCurvatureShift = 0.25;

// Fewest points of a closed chain: two points linked both ways would be one
// link walked there and back.
constexpr long kMinClosedEdgeChain = 3;

// Rendering. Featurelets are taken this far apart along the boundary, in
// image pixels, and joined into polygons: a curve of radius r lies within
// kRenderSpacing^2 / (8 r) of its chords, and a corner that falls between two
// samples loses at most kRenderSpacing^2 / 8 (3e-4) of a pixel's area.
constexpr double kRenderSpacing = 0.05;

// How far a pixel's winding sum may lie past a whole number and still count
// as that number when the grey levels are chosen: rounding in the coverage
// sums, never a real part of a level.
constexpr double kRenderLevelTolerance = 1e-6;

// An open part is drawn as a band this wide, in pixels, its coverage counted
// on a grid of kRenderLineSubsamples x kRenderLineSubsamples points a pixel.
constexpr double kRenderLineWidth = 1.0;
constexpr int kRenderLineSubsamples = 4;

// Largest blur sigma, in pixels, and largest illumination ramp, in grey
// levels a pixel, a rendering takes: beyond them a blur smooths nothing more
// on any image the library takes, and a ramp spans more than a 16-bit range
// from one pixel to the next.
constexpr double kMaxRenderBlurSigma = 4096.0;
constexpr double kMaxRenderRamp = 65535.0;

// Overlays sample outlines this far apart, in image pixels: at the largest
// zoom a chord then strays from a curve of radius 2 px by under 0.01 of a
// written pixel. Widths and zooms are bounded so that a picture stays a
// picture of its image.
constexpr double kOverlaySpacing = 0.1;
constexpr double kMaxOverlayWidth = 64.0;
constexpr int kMaxOverlayZoom = 16;

// Finding. Training picks the coarsest pyramid level at which the model
// still has this many featurelets and this radius in that level's pixels:
// fewer, or a smaller part, and the coarse scan's scores stop telling a
// part from clutter.
constexpr long kMinCoarseFeaturelets = 30;
constexpr double kMinCoarseRadius = 8.0;
constexpr long kMaxFindLevels = 8;

// A coarse level must also still show the model's edges: details finer than
// the level's pixels (thin strokes, narrow gaps, small islands) blur away
// there, their two sides' gradients cancelling, and a part made of them
// scores too low at that level for the coarse scan to keep it. Training
// predicts what survives: the image gradient at level k is the full
// resolution one smoothed by the pyramid, a Gaussian whose variance in
// full-resolution pixels is (4^k - 1) / 3 from the halvings (each a kernel of
// variance 1 in its own pixels) plus kScharrVariance 4^k from the gradient
// operator. A featurelet survives when the model's edges, so smoothed, still
// give it kCoarseEdgeSurvival of the gradient a lone straight edge would;
// a level is searchable when the survivors carry kMinCoarseSurvivingShare of
// the positive weight. A level that keeps 70 % of the model scores about 0.7
// of a full-resolution match there, above the share the coarse scan keeps.
constexpr double kScharrVariance = 0.375;
constexpr double kCoarseEdgeSurvival = 0.5;
constexpr double kMinCoarseSurvivingShare = 0.7;
// Edges farther than this many sigmas from a featurelet add nothing that
// matters to its smoothed gradient (the Gaussian is below 0.04 % of its peak).
constexpr double kSmoothingReach = 4.0;

// Featurelets kept at a coarser level lie at least this far apart, in that
// level's pixels: closer ones read the same few gradient pixels twice.
constexpr double kLevelSpacing = 1.0;

// Angle and log-scale steps of the search at a level, as a multiple of one
// over the model's radius there: a step moves the farthest featurelet by
// this many of the level's pixels, so between two steps none is more than
// half of it from where the true pose puts it. Most featurelets lie nearer
// the origin than the farthest and move less, so the scale, which moves
// them in proportion, takes the longer step; the pyramid's smoothing
// spreads an edge over two or three of a level's pixels, which the score
// still sees half a step away.
constexpr double kAngleSearchStep = 1.0;
constexpr double kScaleSearchStep = 1.0;

// Candidates of the coarse scan score at least this share of the minimum
// score: the nearest-pixel scan of a blurred, rounded pose reads the true
// part lower than the full-resolution score does.
constexpr double kCoarseScoreShare = 0.7;

// Candidates of the coarse scan closer than this many of the coarse level's
// pixels and kCandidateAngleSteps steps to a better one are the same part.
constexpr double kCandidateSeparation = 2.0;
constexpr double kCandidateAngleSteps = 3.0;

// Each level's climb moves a candidate at most this many steps.
constexpr int kMaxClimbSteps = 8;

// Refinement pairs a featurelet with the gradient peak within this many
// pixels along its direction, if the gradient there turns from the
// featurelet's direction by less than the angle of this cosine.
constexpr int kRefineReach = 2;
constexpr double kMinPairCosine = 0.9;

// Refinement stops once an update moves no featurelet by more than this
// many pixels, or after kMaxRefineIterations updates. Fewer than
// kMinRefinePairs featurelets paired with edges leave the four unknowns
// barely determined, and the pose as the search found it.
constexpr double kRefineConvergence = 1e-4;
constexpr int kMaxRefineIterations = 10;
constexpr std::size_t kMinRefinePairs = 8;

// A pair whose edge lies this many pixels from the featurelet weighs half
// as much in an update: well beyond the scatter of a true edge's points
// (hundredths of a pixel) and the search's error once the first update is
// made, so that only edges foreign to the part lose weight.
constexpr double kRefineOutlierScale = 0.3;

// A gradient lookup this many pixels or more from the image's origin reads
// nothing: far beyond any image the library takes (kMaxImageSide), and
// within the whole numbers a coordinate is rounded to.
constexpr double kFarOutside = 1 << 30;

// The coarsest pyramid level a search uses is at least this many pixels a
// side: below it the Scharr operator's border is most of the image.
constexpr long kMinLevelSide = 8;

}  // namespace cc_find_tol
