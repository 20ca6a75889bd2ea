// Training: the featurelets of a model at every pyramid level, with
// relative magnitudes.
#include <algorithm>
#include <cmath>
#include <string>

#include "find/finddefs.h"
#include "find/searchmodel.h"
#include "find/tolerances.h"

namespace {

bool isFiniteFeaturelet(const ccFeaturelet& f) {
    return std::isfinite(f.position.x()) && std::isfinite(f.position.y()) &&
           std::isfinite(f.angle.toDouble()) && std::isfinite(f.weight) &&
           std::isfinite(f.magnitude());
}

// The weighted mean magnitude of the positive featurelets, which relative
// magnitudes divide by; 1 when it is not positive, so that a model of zero
// magnitudes keeps them.
double meanPositiveMagnitude(const ccFeatureletChainSet& set) {
    double weighted = 0.0, weights = 0.0;
    for (const ccFeaturelet& f : set.featurelets()) {
        if (f.weight <= 0.0) continue;
        weighted += f.weight * f.magnitude();
        weights += f.weight;
    }
    return weighted > 0.0 ? weighted / weights : 1.0;
}

ccSearchFeaturelet searchFeaturelet(const ccFeaturelet& f, double meanMagnitude) {
    ccSearchFeaturelet s;
    s.x = f.position.x();
    s.y = f.position.y();
    s.dx = std::cos(f.angle.toDouble());
    s.dy = std::sin(f.angle.toDouble());
    s.weight = f.weight;
    s.magnitude = f.magnitude() / meanMagnitude;
    s.isMod180 = f.isMod180();
    return s;
}

void finishLevel(ccSearchLevel& level) {
    for (const ccSearchFeaturelet& f : level.featurelets) {
        if (f.weight > 0.0) level.positiveWeight += f.weight;
        level.radius = std::max(level.radius, std::hypot(f.x, f.y));
    }
}

// Every featurelet, chain by chain, the level-0 positions of the model.
ccSearchLevel fullLevel(const ccFeatureletChainSet& set) {
    const double mean = meanPositiveMagnitude(set);
    ccSearchLevel level;
    level.featurelets.reserve(set.featurelets().size());
    for (const ccFeaturelet& f : set.featurelets())
        level.featurelets.push_back(searchFeaturelet(f, mean));
    finishLevel(level);
    return level;
}

// The featurelets of level `k`: along each chain, a featurelet only when it
// lies kLevelSpacing of that level's pixels (2^k model units) from the last
// one kept.
ccSearchLevel thinnedLevel(const ccFeatureletChainSet& set, const ccSearchLevel& full, long k) {
    const double spacing = cc_find_tol::kLevelSpacing * std::ldexp(1.0, static_cast<int>(k));
    ccSearchLevel level;
    for (long chain = 0; chain < set.numChains(); ++chain) {
        const long first = set.startFeatureIndex(chain);
        const ccSearchFeaturelet* last = nullptr;
        for (long i = first; i < first + set.chainLength(chain); ++i) {
            const ccSearchFeaturelet& f = full.featurelets[static_cast<std::size_t>(i)];
            if (last && std::hypot(f.x - last->x, f.y - last->y) < spacing) continue;
            level.featurelets.push_back(f);
            last = &f;
        }
    }
    finishLevel(level);
    return level;
}

// Does level `k` still hold enough of the model for the coarse scan?
bool isSearchableLevel(const ccSearchLevel& level, long k) {
    return static_cast<long>(level.featurelets.size()) >= cc_find_tol::kMinCoarseFeaturelets &&
           level.radius / std::ldexp(1.0, static_cast<int>(k)) >= cc_find_tol::kMinCoarseRadius;
}

// Does the coarsest level of `data` still show enough of the model's edges
// for the coarse scan to tell the part there?
bool isShownAtCoarsest(const ccFeatureletChainSet& set, const ccSearchModel::Data& data) {
    const auto k = static_cast<long>(data.levels.size()) - 1;
    return cfSurvivingShare(set, data.levels.front(), data.levels.back(), k) >=
           cc_find_tol::kMinCoarseSurvivingShare;
}

void requireTrainable(const ccFeatureletChainSet& set, long levels) {
    if (levels < 0 || levels > cc_find_tol::kMaxFindLevels)
        throw ccFindDefs::BadParams(L"the number of levels must be within 0 to " +
                                    std::to_wstring(cc_find_tol::kMaxFindLevels));
    if (set.numFeaturelets() == 0) throw ccFindDefs::BadParams(L"the model has no featurelet");
    const auto& all = set.featurelets();
    if (!std::all_of(all.begin(), all.end(), isFiniteFeaturelet))
        throw ccFindDefs::BadParams(L"the model has a featurelet that is not finite");
    if (std::none_of(all.begin(), all.end(), [](const ccFeaturelet& f) { return f.weight > 0; }))
        throw ccFindDefs::BadParams(L"the model has no featurelet of positive weight");
}

std::shared_ptr<const ccSearchModel::Data> train(const ccFeatureletChainSet& set, long levels) {
    requireTrainable(set, levels);
    auto data = std::make_shared<ccSearchModel::Data>();
    // Room for every level, so that `full` stays where it is.
    data->levels.reserve(static_cast<std::size_t>(cc_find_tol::kMaxFindLevels));
    data->levels.push_back(fullLevel(set));
    const ccSearchLevel& full = data->levels.front();
    const long wanted = levels > 0 ? levels : cc_find_tol::kMaxFindLevels;
    for (long k = 1; k < wanted; ++k) {
        ccSearchLevel next = thinnedLevel(set, full, k);
        if (levels == 0 && !isSearchableLevel(next, k)) break;
        data->levels.push_back(std::move(next));
    }
    // Fine detail can fade out before the featurelets run short: the levels
    // chosen for the model leave it out from where it fades, coarsest first.
    while (levels == 0 && data->levels.size() > 1 && !isShownAtCoarsest(set, *data))
        data->levels.pop_back();
    data->xMin = data->xMax = full.featurelets.front().x;
    data->yMin = data->yMax = full.featurelets.front().y;
    for (const ccSearchFeaturelet& f : full.featurelets) {
        data->xMin = std::min(data->xMin, f.x);
        data->xMax = std::max(data->xMax, f.x);
        data->yMin = std::min(data->yMin, f.y);
        data->yMax = std::max(data->yMax, f.y);
    }
    return data;
}

}  // namespace

ccSearchModel::ccSearchModel(const ccShape& model, const ccShapeModel::ccFeatureParams& params,
                             long levels)
    : ccSearchModel(*ccShapeModel::features(model, params), levels) {}

ccSearchModel::ccSearchModel(const ccFeatureletChainSet& featurelets, long levels)
    : data_(train(featurelets, levels)) {}

long ccSearchModel::numLevels() const noexcept {
    return static_cast<long>(data_->levels.size());
}

long ccSearchModel::numFeaturelets(long level) const {
    if (level < 0 || level >= numLevels())
        throw ccFindDefs::BadParams(L"no such level: " + std::to_wstring(level));
    return static_cast<long>(data_->levels[static_cast<std::size_t>(level)].featurelets.size());
}

double ccSearchModel::radius() const noexcept {
    return data_->levels.front().radius;
}

std::size_t ccSearchModel::memoryBytes() const noexcept {
    std::size_t bytes = sizeof(Data);
    for (const ccSearchLevel& level : data_->levels)
        bytes += sizeof(ccSearchLevel) + level.featurelets.capacity() * sizeof(ccSearchFeaturelet);
    return bytes;
}

ccSearchLevel cfWithPolarity(const ccSearchLevel& level, ccFindPolarity polarity) {
    ccSearchLevel out = level;
    for (ccSearchFeaturelet& f : out.featurelets) {
        if (polarity == ccFindPolarity::eReversed) {
            f.dx = -f.dx;
            f.dy = -f.dy;
        }
        if (polarity == ccFindPolarity::eIgnored) f.isMod180 = true;
    }
    return out;
}
