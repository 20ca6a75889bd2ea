// Internal to vxfind12u: the stages of cfFind after the pyramid is built,
// the coarse scan and the candidates' way down, and what they share.
#pragma once

#include <algorithm>
#include <thread>
#include <vector>

#include "find/finder_image.h"

// What a search takes besides the model and the image, checked: the
// featurelets of each level with the search's polarity, the ranges and the
// origin's region in image coordinates (inclusive).
struct ccSearchSetup {
    std::vector<ccSearchLevel> levels;
    double angleMin = 0.0, angleMax = 0.0;
    double scaleMin = 1.0, scaleMax = 1.0;
    double xMin = 0.0, yMin = 0.0, xMax = 0.0, yMax = 0.0;
    double minScore = 0.5;
    double maxOverlap = 0.5;
    double contrast = 0.0;
    int threads = 1;
};

// A pose found, refined, with its score and fit error.
struct ccFoundPose {
    ccPose pose;
    double score = 0.0;
    double fitError = 0.0;
};

// The candidates of the coarse scan of `pyramid` (at most as many levels as
// setup.levels; the coarsest padded by cfCoarsePad), best first, each
// followed down the levels and fitted, unless a match kept before overlaps
// it by more than setup.maxOverlap and scores at least what the candidate
// scored so far, or an earlier candidate reached the same pose; those ending
// below the minimum score or outside the region are dropped. In the order
// they were found, whatever the number of threads.
std::vector<ccFoundPose> cfSearchPyramid(const std::vector<ccGradientImage>& pyramid,
                                         const ccSearchSetup& setup);

// The bounding box, in image coordinates, of `level`'s featurelets at
// `pose`: a single point for a model of one featurelet.
struct ccMatchBox {
    double xMin = 0.0, yMin = 0.0, xMax = 0.0, yMax = 0.0;
    double area() const noexcept { return (xMax - xMin) * (yMax - yMin); }
};
ccMatchBox cfMatchBox(const ccSearchLevel& level, const ccPose& pose);

// The share of the smaller box's area the two boxes have in common, 0 to 1;
// boxes without area overlap fully when they meet.
double cfOverlapOf(const ccMatchBox& a, const ccMatchBox& b);

// Pixels of padding the coarsest level `k` needs for the model's reach.
int cfCoarsePad(const ccSearchSetup& setup, int k);

// The angle and log-scale steps of the search at level `k`: kAngleSearchStep
// and kScaleSearchStep pixels of that level at the model's radius there (at
// the largest scale).
struct ccSearchSteps {
    double angle = 0.0, logScale = 0.0;
};
ccSearchSteps cfSearchSteps(const ccSearchSetup& setup, int k);

// Does the angle range close the circle, with steps of `angleStep`?
bool cfIsFullCircle(const ccSearchSetup& setup, double angleStep);

// The local peaks of the coarse scan of `g`, the coarsest level `k`, as
// poses in image coordinates, best first; those within a couple of pixels
// and steps of a better one left out.
std::vector<ccPose> cfCoarseCandidates(const ccGradientImage& g, int k, const ccSearchSetup& setup);

// Runs f(i) for i in [0, n) over `threads` threads, each taking every
// threads-th index, so that what f writes to slot i does not depend on it.
template <class F>
void cfForEachIndex(long n, int threads, F f) {
    const int used = static_cast<int>(std::min<long>(threads, n));
    if (used <= 1) {
        for (long i = 0; i < n; ++i) f(i);
        return;
    }
    std::vector<std::thread> workers;
    workers.reserve(static_cast<std::size_t>(used));
    for (int t = 0; t < used; ++t)
        workers.emplace_back([=, &f] {
            for (long i = t; i < n; i += used) f(i);
        });
    for (std::thread& w : workers) w.join();
}
