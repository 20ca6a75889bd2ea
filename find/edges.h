// Subpixel edges of a grey image as featurelet chains, and models built from
// them: how a part is trained from an image of a good one.
//
// Points are in the frame of find/image.h: the centre of the buffer's pixel
// (c, r) is (c + offsetX, r + offsetY), x right, y down. Each edge featurelet
// lies on the edge at subpixel precision; its angle is the gradient
// direction, from dark to light; its magnitude the gradient magnitude in grey
// levels per pixel; its weight 1; it is not mod 180. Chains run with the
// gradient on their left (the travel direction is the gradient turned by
// -90 degrees), the library's normal polarity: the outline of a light disc on
// a dark ground is a closed right-handed chain, that of a dark disc on a
// light ground a closed left-handed one.
#pragma once

#include "ch_core/shapemod.h"
#include "find/image.h"
#include "vxftlt12u/featurelet.h"

struct ccEdgeParams {
    // Hysteresis thresholds on the gradient magnitude, in grey levels per
    // pixel: an edge point needs at least `low`, and a chain of edge points
    // (8-connected) is kept only when one of its points reaches `high`.
    double low = 10.0;
    double high = 30.0;
    // Standard deviation in pixels of a Gaussian applied before the gradient;
    // 0 applies none.
    double blurSigma = 0.0;
    // Chains of fewer featurelets are dropped.
    long minLength = 5;
};

// The edges of `image` (8 or 16 bits), as chains of edge featurelets.
//
// Method:
// - The gradient is the 3x3 Scharr operator, divided by 32 so that a ramp
//   of slope g grey levels per pixel reads g; its directions are a quarter
//   as far from the true normal as the Sobel operator's (a median of 0.13
//   against 0.5 degrees on blurred steps). A step of contrast C blurred by a
//   Gaussian of sigma s reads about C / (s sqrt(2 pi)), a little less where
//   the pixel and the kernel add their own width (0.88 of it at s = 1).
// - Non-maximum suppression along the dominant axis of the gradient (the
//   row when |gx| >= |gy|, else the column): a point's magnitude must exceed
//   its predecessor's on that axis and be no smaller than its successor's.
// - Hysteresis between `low` and `high` through 8-neighbours.
// - Subpixel position: a parabola through the logarithms of the three
//   magnitudes on the dominant axis (exact for a Gaussian-blurred step, whose
//   magnitude profile is Gaussian); its vertex, at most half a pixel from the
//   pixel's centre, moves the point along that axis. On steps blurred by
//   sigma 1 its points lie a median 0.007 px from the edge, against 0.010 px
//   for a parabola through the magnitudes themselves. The gradient is
//   interpolated linearly to that point; the magnitude is the parabola's
//   peak.
// - Linking: each point proposes its nearest point ahead along the edge
//   tangent and its nearest behind, within two pixels and with a gradient
//   less than 90 degrees from its own; proposals are accepted shortest first
//   while they keep every point with one predecessor and one successor. A
//   chain whose walk returns to its start is closed.
// - Curvature: a blur of variance w2 puts the gradient's peak on a curve of
//   radius r about w2 / (2 r) inside it (0.16 px at r = 5 under sigma 1).
//   The parabola's width gives w2 and the turn of the gradient along the
//   chain the curvature, and each point is moved back by their product over
//   2, by at most cc_find_tol::kMaxEdgeCurvatureShift (corners).
// Open chains come first, in the raster order of their first points, then
// closed ones, each starting at its topmost, then leftmost, point. Pixels on
// the image's border give no edge points (they have no neighbour across).
// Noise of sigma 5 grey levels at a contrast of 100 wants a blur of about
// 1.5: it brings the points' median distance from the edge from 0.1 to
// 0.04 px.
//
// Thresholds that are not finite, negative, or with low > high, a blur
// sigma that is negative, not finite or above cc_find_tol::kMaxEdgeBlurSigma,
// a negative minLength, or an empty image throw ccFindDefs::BadParams naming
// the value. An image without edges gives an empty set.
ccFeatureletChainSet cfEdges(const ccImage& image, const ccEdgeParams& params);

// Chain `chain` (0 <= chain < set.numChains()) of `set` reduced by
// Douglas-Peucker to the featurelets at the kept vertices, in order: every
// dropped featurelet lies within `tolerance` of the polyline of those kept.
// An open chain keeps its ends; a closed chain is treated as a loop, split at
// its first featurelet and the one farthest from it, both kept. Chains of up
// to three featurelets come back whole. A `tolerance` that is negative or
// not finite throws ccFindDefs::BadParams; a bad chain index
// ccFeatureletDefs::BadParams.
std::vector<ccFeaturelet> cfSimplifyChain(const ccFeatureletChainSet& set, long chain,
                                          double tolerance = 0.1);
// Every chain of `set` simplified as cfSimplifyChain does, closed flags kept.
ccFeatureletChainSet cfSimplifyChains(const ccFeatureletChainSet& set, double tolerance = 0.1);

enum class ccEdgeModelBuilder {
    // The polyline model (cfPolylineShapeModel) of the chain with the most
    // featurelets (the first of equals): the outline of the one part an
    // image shows. Without chains, an empty polyline model.
    ePolyline,
    // A region tree (cfRegionTreeModel) of the closed chains, placed by
    // containment. Open chains have no inside and are left out; without
    // closed chains the tree is empty.
    eRegion,
    // A general tree (cfGeneralShapeTreeModel) of every chain, in order.
    eGeneral,
};

// A model of `edges` made by `builder`, its chains first simplified by
// cfSimplifyChains to `tolerance`. Each polyline's record comes from its
// chain: mean weight and magnitude, polarity from the side its gradients
// point to. A bad tolerance throws as cfSimplifyChain does.
ccPtrHandle<ccShape> cfModelFromEdges(const ccFeatureletChainSet& edges, ccEdgeModelBuilder builder,
                                      double tolerance = 0.1);
