// Internal to vxfind12u: the data training prepares and every stage of the
// search reads.
#pragma once

#include <cstddef>
#include <vector>

#include "find/finder.h"

// A featurelet as the search reads it: its position in model coordinates,
// the unit vector of its expected gradient direction, its weight, its
// magnitude relative to the model's mean (see find/finder.h) and whether
// its polarity is ignored.
struct ccSearchFeaturelet {
    double x = 0.0, y = 0.0;
    double dx = 1.0, dy = 0.0;
    double weight = 1.0;
    double magnitude = 1.0;
    bool isMod180 = false;
};

// The featurelets of one pyramid level (level k works on the image halved
// k times), with what scores normalise by and how far the model reaches.
struct ccSearchLevel {
    std::vector<ccSearchFeaturelet> featurelets;
    // Sum of the positive weights: a perfect match scores 1.
    double positiveWeight = 0.0;
    // Largest distance of a featurelet from the model's origin, in model
    // units (the level's pixels are 2^k of them).
    double radius = 0.0;
};

struct ccSearchModel::Data {
    // Level 0 holds every featurelet; each coarser level fewer.
    std::vector<ccSearchLevel> levels;
    // The featurelets' bounding box in model coordinates.
    double xMin = 0.0, yMin = 0.0, xMax = 0.0, yMax = 0.0;
};

// What `cosine`, between the gradient and the featurelet's direction, adds
// to the score before weighting: its absolute value when the polarity is
// ignored; for a featurelet of negative weight, which only ever subtracts,
// nothing where the gradient points against it.
inline double cfCosineShare(const ccSearchFeaturelet& f, double cosine) {
    if (f.isMod180) cosine = cosine < 0 ? -cosine : cosine;
    return f.weight < 0 && cosine < 0 ? 0.0 : cosine;
}

// The share of `level`'s positive weight (level `k` of a model whose every
// featurelet, chain by chain, is `full`, made from `set`) whose featurelets
// still see their edge at that level: the model's positive-weight edges,
// smoothed as the pyramid smooths level k's gradient, give the featurelet at
// least cc_find_tol::kCoarseEdgeSurvival of what a lone straight edge would,
// along its direction. 1 for a model of well-separated edges; it falls as
// the level's pixels outgrow the model's strokes, gaps and islands. `level`
// must have a positive weight; k >= 1.
double cfSurvivingShare(const ccFeatureletChainSet& set, const ccSearchLevel& full,
                        const ccSearchLevel& level, long k);

// `level` with every featurelet turned or made mod 180 as `polarity` says.
ccSearchLevel cfWithPolarity(const ccSearchLevel& level, ccFindPolarity polarity);
