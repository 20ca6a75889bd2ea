// Refinement: a match's pose fitted by least squares to the edges its
// featurelets meet.
#include <algorithm>
#include <array>
#include <cmath>

#include <opencv2/core.hpp>

#include "find/finder_image.h"
#include "find/tolerances.h"

namespace {

// One featurelet mapped by the pose: where it lies, the unit vector of its
// expected gradient there, and the signed distance along it to the edge
// it was paired with.
struct Pair {
    cv::Vec2d point, normal;
    double distance, weight;
};

// The vertex offset, within [-0.5, 0.5], of the parabola through the
// logarithms of three samples of which the middle is the largest.
double logParabolaOffset(double before, double middle, double after) {
    const double floor = cc_find_tol::kMinEdgeMagnitudeSquared;
    const double a = std::log(std::max(before, floor)), b = std::log(middle),
                 c = std::log(std::max(after, floor));
    const double curvature = a - 2 * b + c;
    return curvature < 0 ? std::clamp((a - c) / (2 * curvature), -0.5, 0.5) : 0.0;
}

// The edge along `normal` from `point`: the largest gradient along it within
// kRefineReach pixels, if it turns from `normal` by little and is strong
// enough, as a distance; whether one was found.
bool findEdge(const ccGradientImage& g, const cv::Vec2d& point, const cv::Vec2d& normal,
              bool isMod180, double threshold, double& distance) {
    constexpr int kReach = cc_find_tol::kRefineReach;
    std::array<double, 2 * kReach + 1> along{};
    std::array<double, 2 * kReach + 1> cosine{};
    for (int t = -kReach; t <= kReach; ++t) {
        cv::Vec2d grad;
        cfGradientAt(g, point[0] + t * normal[0], point[1] + t * normal[1], grad[0], grad[1]);
        const double m = std::sqrt(grad.dot(grad));
        const double projected = grad.dot(normal);
        along[t + kReach] = isMod180 ? std::abs(projected) : projected;
        cosine[t + kReach] = m > 0 ? along[t + kReach] / m : 0.0;
    }
    int best = 1;
    for (int i = 2; i < 2 * kReach; ++i)
        if (along[i] > along[best]) best = i;
    if (along[best] < threshold || along[best] <= 0 || cosine[best] < cc_find_tol::kMinPairCosine ||
        along[best] < along[best - 1] || along[best] < along[best + 1])
        return false;
    const double offset =
        logParabolaOffset(along[best - 1] * along[best - 1], along[best] * along[best],
                          along[best + 1] * along[best + 1]);
    distance = best - kReach + offset;
    return true;
}

std::vector<Pair> pairsAt(const ccGradientImage& g, const ccSearchLevel& level, const ccPose& pose,
                          double contrast) {
    const double c = std::cos(pose.angle.toDouble()), s = std::sin(pose.angle.toDouble());
    std::vector<Pair> pairs;
    pairs.reserve(level.featurelets.size());
    for (const ccSearchFeaturelet& f : level.featurelets) {
        if (f.weight <= 0) continue;
        const cv::Vec2d point(pose.x + pose.scale * (c * f.x - s * f.y),
                              pose.y + pose.scale * (s * f.x + c * f.y));
        const cv::Vec2d normal(c * f.dx - s * f.dy, s * f.dx + c * f.dy);
        double distance = 0.0;
        if (findEdge(g, point, normal, f.isMod180, contrast * f.magnitude, distance))
            pairs.push_back({point, normal, distance, f.weight});
    }
    return pairs;
}

// The update (x, y, angle, log scale) that best moves each pair's point by
// its distance along its normal, in the weighted least-squares sense; the
// last entry stays 0 when the scale is fixed. False when the normal
// equations are singular. A pair far from where the others put its edge
// (where an occluder or clutter lies across the part) weighs less, by a
// Cauchy weight of scale cc_find_tol::kRefineOutlierScale pixels.
bool solveUpdate(const std::vector<Pair>& pairs, const ccPose& pose, bool isScaleFixed,
                 cv::Vec4d& update) {
    cv::Matx44d normal = cv::Matx44d::zeros();
    cv::Vec4d rhs(0, 0, 0, 0);
    for (const Pair& p : pairs) {
        const cv::Vec2d arm = p.point - cv::Vec2d(pose.x, pose.y);
        const cv::Vec4d row(p.normal[0], p.normal[1], p.normal[1] * arm[0] - p.normal[0] * arm[1],
                            isScaleFixed ? 0.0 : p.normal.dot(arm));
        const double r = p.distance / cc_find_tol::kRefineOutlierScale;
        const double weight = p.weight / (1 + r * r);
        normal += weight * (row * row.t());
        rhs += weight * p.distance * row;
    }
    if (isScaleFixed) normal(3, 3) = 1.0;
    update = cv::Vec4d(0, 0, 0, 0);
    return cv::solve(normal, rhs, update, cv::DECOMP_CHOLESKY);
}

double rms(const std::vector<Pair>& pairs) {
    if (pairs.empty()) return 0.0;
    double sum = 0.0, weights = 0.0;
    for (const Pair& p : pairs) {
        sum += p.weight * p.distance * p.distance;
        weights += p.weight;
    }
    return std::sqrt(sum / weights);
}

}  // namespace

ccRefinedPose cfRefinePose(const ccGradientImage& gradient, const ccSearchLevel& level,
                           const ccPose& pose, double contrast, bool isScaleFixed) {
    ccRefinedPose result{pose, 0.0};
    for (int iteration = 0; iteration < cc_find_tol::kMaxRefineIterations; ++iteration) {
        const std::vector<Pair> pairs = pairsAt(gradient, level, result.pose, contrast);
        cv::Vec4d u;
        if (pairs.size() < cc_find_tol::kMinRefinePairs ||
            !solveUpdate(pairs, result.pose, isScaleFixed, u)) {
            result.fitError = rms(pairs);
            return result;
        }
        result.isFitted = true;
        result.pose.x += u[0];
        result.pose.y += u[1];
        result.pose.angle += ccRadian(u[2]);
        result.pose.scale *= std::exp(u[3]);
        const double reach = level.radius * result.pose.scale;
        if (std::hypot(u[0], u[1]) + (std::abs(u[2]) + std::abs(u[3])) * reach <
            cc_find_tol::kRefineConvergence)
            break;
    }
    result.fitError = rms(pairsAt(gradient, level, result.pose, contrast));
    return result;
}
