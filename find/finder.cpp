// cfFind: parameters checked, the pyramid built and searched, overlapping
// matches suppressed.
#include <algorithm>
#include <cmath>
#include <string>
#include <thread>

#include "find/finddefs.h"
#include "find/finder_search.h"
#include "find/tolerances.h"

namespace {

void require(bool holds, const wchar_t* what) {
    if (!holds) throw ccFindDefs::BadParams(what);
}

bool isWithin(double value, double low, double high) {
    return std::isfinite(value) && value >= low && value <= high;
}

void requireParams(const ccFindParams& p) {
    const double a0 = p.angleMin.toDouble(), a1 = p.angleMax.toDouble();
    require(std::isfinite(a0) && std::isfinite(a1), L"the angle range must be finite");
    require(a0 <= a1, L"the angle range is out of order");
    require(a1 - a0 <= ccTwoPi, L"the angle range spans more than the full circle");
    require(std::isfinite(p.scaleMin) && std::isfinite(p.scaleMax),
            L"the scale range must be finite");
    require(p.scaleMin > 0, L"the scale range must be positive");
    require(p.scaleMin <= p.scaleMax, L"the scale range is out of order");
    require(isWithin(p.minScore, 0, 1), L"the minimum score must be within 0 to 1");
    require(p.maxMatches >= 0, L"the number of matches must not be negative");
    require(isWithin(p.maxOverlap, 0, 1), L"the overlap must be within 0 to 1");
    require(std::isfinite(p.contrast) && p.contrast >= 0,
            L"the contrast must be finite and not negative");
    require(std::isfinite(p.region.xMin()) && std::isfinite(p.region.yMin()) &&
                std::isfinite(p.region.width()) && std::isfinite(p.region.height()),
            L"the region must be finite");
    require(p.threads >= 0, L"the number of threads must not be negative");
}

// Refuses an image narrower or lower than the smaller side of the model's
// bounding box at the smallest scale: it could show at most a piece of the
// model turned square to it.
void requireRoom(const ccSearchModel::Data& d, double scaleMin, long width, long height) {
    const double side = std::min(d.xMax - d.xMin, d.yMax - d.yMin) * scaleMin;
    require(static_cast<double>(std::min(width, height)) >= side,
            L"the image is smaller than the model at the smallest scale");
}

bool isEmptyRegion(const ccRect& r) {
    return r.width() <= 0 || r.height() <= 0;
}

ccSearchSetup setupOf(const ccSearchModel& model, const ccFindParams& p, long width, long height) {
    ccSearchSetup s;
    for (const ccSearchLevel& level : model.data().levels)
        s.levels.push_back(cfWithPolarity(level, p.polarity));
    s.angleMin = p.angleMin.toDouble();
    s.angleMax = p.angleMax.toDouble();
    s.scaleMin = p.scaleMin;
    s.scaleMax = p.scaleMax;
    // The origin lies within the image's pixels, and within the region when
    // one is given.
    s.xMin = -0.5;
    s.yMin = -0.5;
    s.xMax = static_cast<double>(width) - 0.5;
    s.yMax = static_cast<double>(height) - 0.5;
    if (!isEmptyRegion(p.region)) {
        s.xMin = std::max(s.xMin, p.region.xMin());
        s.yMin = std::max(s.yMin, p.region.yMin());
        s.xMax = std::min(s.xMax, p.region.xMax());
        s.yMax = std::min(s.yMax, p.region.yMax());
    }
    s.minScore = p.minScore;
    s.maxOverlap = p.maxOverlap;
    s.contrast = p.contrast;
    s.threads = p.threads > 0 ? p.threads : static_cast<int>(std::thread::hardware_concurrency());
    s.threads = std::max(s.threads, 1);
    return s;
}

}  // namespace

std::vector<ccFindMatch> cfFind(const ccSearchModel& model, const ccImage& image,
                                const ccFindParams& params) {
    requireParams(params);
    const long width = cfImageWidth(image), height = cfImageHeight(image);
    require(width > 0 && height > 0, L"the image is empty");
    requireRoom(model.data(), params.scaleMin, width, height);
    const ccSearchSetup setup = setupOf(model, params, width, height);
    if (setup.xMin > setup.xMax || setup.yMin > setup.yMax) return {};
    const int levels = cfUsableLevels(width, height, static_cast<int>(model.numLevels()));
    const std::vector<ccGradientImage> pyramid =
        cfGradientPyramid(image, levels, cfCoarsePad(setup, levels - 1));
    std::vector<ccFoundPose> found = cfSearchPyramid(pyramid, setup);
    std::stable_sort(found.begin(), found.end(),
                     [](const ccFoundPose& a, const ccFoundPose& b) { return a.score > b.score; });
    std::vector<ccFindMatch> matches;
    std::vector<ccMatchBox> boxes;
    for (const ccFoundPose& f : found) {
        const ccMatchBox box = cfMatchBox(setup.levels.front(), f.pose);
        if (std::any_of(boxes.begin(), boxes.end(), [&](const ccMatchBox& b) {
                return cfOverlapOf(box, b) > params.maxOverlap;
            }))
            continue;
        boxes.push_back(box);
        matches.push_back({f.pose, f.score, f.fitError});
        if (params.maxMatches > 0 && static_cast<long>(matches.size()) == params.maxMatches) break;
    }
    return matches;
}
