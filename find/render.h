// Synthetic images: a shape model drawn at a pose so that every featurelet's
// expected gradient holds, as ground truth for edges and finding.
//
// Method. The model's featurelets are taken cc_find_tol::kRenderSpacing
// pixels apart in the image (the model's own spacing divided by the pose's
// scale), corners duplicated so that the ends of pieces are sample points,
// and mapped by the pose. Each closed chain is a polygon of its featurelets'
// positions with a sign: +1 when its gradients point to the left of the
// direction of travel (a positive cross product of travel and gradient, so
// the left side is the lighter), -1 when they point to the right. A chain
// whose featurelets disagree takes the sign of the majority, each featurelet
// counting |weight| (NaN weights do not count; a tie gives +1); a featurelet
// of ignored polarity (mod 180) counts as the geometry's own sense, +1.
// Chains whose featurelets all have negative weights are not drawn: they mark
// edges the part must not show.
//
// The image first holds, at each pixel, S = the sum over the drawn closed
// chains of sign x the chain polygon's winding number, integrated over the
// pixel's area exactly (a signed-area scanline rasterizer; no sampling). S is
// then mapped linearly so that its lowest level becomes `dark` and its
// highest `light`; the levels are the whole numbers the pixels reach (their
// extremes rounded outwards, within cc_find_tol::kRenderLevelTolerance), 0,
// the background, always among them. So a right-handed closed part of normal
// polarity comes out lighter inside, reversed polarity darker, a hole of a
// region tree (its boundary running the other way) as dark as the
// background, and a part that is all one level light on dark.
//
// Open chains have no side to be light on: each is drawn as a line
// cc_find_tol::kRenderLineWidth (1) pixel wide at `light` over what lies
// beneath, its coverage counted on cc_find_tol::kRenderLineSubsamples^2
// points a pixel.
//
// Then, in this order: the illumination ramp, the occluder, the Gaussian
// blur, the noise, and rounding (to the nearest level, ties to even) with
// clamping to the depth's range.
#pragma once

#include "find/image.h"
#include "find/pose.h"

class ccShape;

struct ccRenderParams {
    // Image size in pixels: positive, at most cc_find_tol::kMaxImageSide a
    // side and cc_find_tol::kMaxImagePixels in all.
    long width = 0;
    long height = 0;
    // Where the model stands (find/pose.h); finite, with a positive scale.
    ccPose pose;
    // Grey levels of the lowest and highest winding level, within the
    // depth's range [0, 2^depth - 1]; dark above light is allowed and
    // inverts the picture.
    double dark = 40;
    double light = 200;
    // Standard deviation in pixels of the Gaussian blur (cv::GaussianBlur,
    // kernel size chosen by OpenCV from sigma, borders replicated); 0 for
    // none; at most cc_find_tol::kMaxRenderBlurSigma.
    double blurSigma = 0;
    // Standard deviation in grey levels of Gaussian noise added to each
    // pixel, row by row, drawn by std::normal_distribution from a
    // std::mt19937 seeded with `seed`: the same seed gives the same image
    // (with the same standard library). 0 for none; any finite value >= 0.
    double noiseSigma = 0;
    unsigned seed = 0;
    // Illumination ramp: ramp x (c - width / 2) grey levels are added to
    // every pixel of column c. Finite, |ramp| <= cc_find_tol::kMaxRenderRamp.
    double ramp = 0;
    // Occluder, 0 to 1: a rectangle of the mid grey (dark + light) / 2, with
    // exact coverage, over the left `occlusion` share of the bounding box of
    // every drawn chain's points and its full height. 0 draws nothing; so
    // does a model with nothing drawn.
    double occlusion = 0;
    // Bits a pixel: 8 gives ccImage8, 16 gives ccImage16.
    int depth = 8;
};

// `model` rendered as described at the top of this header. An empty model,
// or one with nothing to draw, gives an image of `dark` alone (before the
// ramp, blur and noise). Parameters outside their domains (above), NaN
// included, throw ccFindDefs::BadParams naming the field; a model with a
// point that is not finite after the pose throws it too. What sampling the
// model at the render spacing throws (ccShapesError, e.g. a part that would
// give more than 2^24 samples) passes on.
ccImage cfRenderModel(const ccShape& model, const ccRenderParams& params);
