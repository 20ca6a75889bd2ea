#include "find/edges.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <vector>

#include "find/finddefs.h"
#include "vxstd12u/polyline.h"
#include "vxstd12u/shapetree.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDark = 50, kLight = 150;

// ---------------------------------------------------------------------------
// Analytic test images: each pixel's grey level from the exact share of its
// square the light shape covers, then a Gaussian blur, noise and rounding to
// 8 bits, as a camera gives them.

using Coverage = std::function<double(long col, long row)>;

// Area of the part of pixel (col, row) where n . p >= d, n a unit vector:
// the square clipped by the half-plane, measured by the shoelace formula.
double halfPlaneCoverage(double nx, double ny, double d, long col, long row) {
    const double xs[4] = {col - 0.5, col + 0.5, col + 0.5, col - 0.5};
    const double ys[4] = {row - 0.5, row - 0.5, row + 0.5, row + 0.5};
    std::vector<std::pair<double, double>> clipped;
    for (int i = 0; i < 4; ++i) {
        const int j = (i + 1) % 4;
        const double si = nx * xs[i] + ny * ys[i] - d, sj = nx * xs[j] + ny * ys[j] - d;
        if (si >= 0) clipped.emplace_back(xs[i], ys[i]);
        if ((si >= 0) != (sj >= 0)) {
            const double t = si / (si - sj);
            clipped.emplace_back(xs[i] + t * (xs[j] - xs[i]), ys[i] + t * (ys[j] - ys[i]));
        }
    }
    double twiceArea = 0;
    for (std::size_t i = 0; i < clipped.size(); ++i) {
        const auto& [x0, y0] = clipped[i];
        const auto& [x1, y1] = clipped[(i + 1) % clipped.size()];
        twiceArea += x0 * y1 - x1 * y0;
    }
    return std::abs(twiceArea) / 2;
}

// Area of pixel (col, row) inside the disc: the covered height of each of
// 1024 thin columns, exact in y, summed across x.
double discCoverage(double cx, double cy, double radius, long col, long row) {
    if (std::hypot(col - cx, row - cy) + 0.71 < radius) return 1;
    if (std::hypot(col - cx, row - cy) - 0.71 > radius) return 0;
    constexpr int kColumns = 1024;
    double area = 0;
    for (int i = 0; i < kColumns; ++i) {
        const double x = col - 0.5 + (i + 0.5) / kColumns;
        const double h2 = radius * radius - (x - cx) * (x - cx);
        if (h2 <= 0) continue;
        const double h = std::sqrt(h2);
        area += std::max(0.0, std::min(row + 0.5, cy + h) - std::max(row - 0.5, cy - h));
    }
    return area / kColumns;
}

// A normalised Gaussian kernel of `sigma`, reaching 4 sigma each way.
std::vector<double> gaussianKernel(double sigma) {
    const int radius = static_cast<int>(std::ceil(4 * sigma));
    std::vector<double> k(2 * radius + 1);
    double sum = 0;
    for (int i = -radius; i <= radius; ++i)
        sum += k[i + radius] = std::exp(-i * i / (2 * sigma * sigma));
    for (double& v : k) v /= sum;
    return k;
}

// `levels` (width x height, row by row) blurred along x then y, the border
// repeated outwards.
std::vector<double> blurred(const std::vector<double>& levels, long width, long height,
                            double sigma) {
    const std::vector<double> k = gaussianKernel(sigma);
    const long radius = static_cast<long>(k.size() / 2);
    const auto pass = [&](const std::vector<double>& in, long dx, long dy) {
        std::vector<double> out(in.size(), 0.0);
        for (long r = 0; r < height; ++r)
            for (long c = 0; c < width; ++c)
                for (long i = -radius; i <= radius; ++i) {
                    const long cc = std::clamp(c + i * dx, 0L, width - 1);
                    const long rr = std::clamp(r + i * dy, 0L, height - 1);
                    out[r * width + c] += k[i + radius] * in[rr * width + cc];
                }
        return out;
    };
    return pass(pass(levels, 1, 0), 0, 1);
}

struct Camera {
    double blurSigma = 1;
    double noiseSigma = 0;
    unsigned seed = 1;
};

// The 8-bit image of a light shape (`coverage`) on a dark ground.
ccImage8 photograph(long width, long height, const Coverage& coverage, const Camera& camera) {
    std::vector<double> levels(width * height);
    for (long r = 0; r < height; ++r)
        for (long c = 0; c < width; ++c)
            levels[r * width + c] = kDark + (kLight - kDark) * coverage(c, r);
    if (camera.blurSigma > 0) levels = blurred(levels, width, height, camera.blurSigma);
    std::mt19937 random(camera.seed);
    std::normal_distribution<double> noise(0, camera.noiseSigma > 0 ? camera.noiseSigma : 1);
    std::vector<unsigned char> pels(levels.size());
    for (std::size_t i = 0; i < levels.size(); ++i) {
        const double v = levels[i] + (camera.noiseSigma > 0 ? noise(random) : 0);
        pels[i] = static_cast<unsigned char>(std::clamp(std::lround(v), 0L, 255L));
    }
    return ccImage8(width, height, std::move(pels));
}

// ---------------------------------------------------------------------------
// Errors against the true geometry

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? std::numeric_limits<double>::quiet_NaN() : v[v.size() / 2];
}

double maximum(const std::vector<double>& v) {
    return v.empty() ? std::numeric_limits<double>::quiet_NaN()
                     : *std::max_element(v.begin(), v.end());
}

// Distance from every featurelet to the true edge and, in degrees, the angle
// between its gradient and the true normal, for featurelets where `counts`.
struct Errors {
    std::vector<double> distance, degrees;

    void add(double d, double normalAngle, const ccFeaturelet& f) {
        distance.push_back(std::abs(d));
        degrees.push_back(std::abs(std::remainder(f.angle.toDouble() - normalAngle, 2 * kPi)) *
                          180 / kPi);
    }
};

constexpr long kSize = 48;

// A straight edge at `degrees` through (24 + shift, 24), light on the side
// its normal points to; errors of the featurelets at least 5 pixels inside.
void measureStraightEdge(double degrees, double shift, const Camera& camera, Errors& errors,
                         const ccEdgeParams& params = {}) {
    const double theta = degrees * kPi / 180, nx = std::cos(theta), ny = std::sin(theta);
    const double d = nx * (24 + shift) + ny * 24;
    const ccImage8 image = photograph(
        kSize, kSize, [&](long c, long r) { return halfPlaneCoverage(nx, ny, d, c, r); }, camera);
    const ccFeatureletChainSet edges = cfEdges(image, params);
    for (const ccFeaturelet& f : edges.featurelets()) {
        const double x = f.position.x(), y = f.position.y();
        if (std::min({x, y, kSize - 1 - x, kSize - 1 - y}) < 5) continue;
        errors.add(nx * x + ny * y - d, theta, f);
    }
}

void measureDisc(double cx, double cy, double radius, const Camera& camera, Errors& errors,
                 const ccEdgeParams& params = {}) {
    const long size = static_cast<long>(2 * radius + 16);
    const ccImage8 image = photograph(
        size, size, [&](long c, long r) { return discCoverage(cx, cy, radius, c, r); }, camera);
    const ccFeatureletChainSet edges = cfEdges(image, params);
    for (const ccFeaturelet& f : edges.featurelets()) {
        const ccVector<2> fromCentre = f.position - ccVector<2>(cx, cy);
        errors.add(fromCentre.len() - radius, (-fromCentre).angle(), f);
    }
}

// The camera of the noisy cases and the blur that averages its noise away.
const Camera kNoisy{1, 5, 1};
ccEdgeParams noisyParams() {
    ccEdgeParams p;
    p.blurSigma = 1.5;
    p.high = 15;
    return p;
}

TEST(EdgeAccuracy, StraightEdgesOfEveryOrientationLieOnTheLine) {
    // Every 7.5 degrees round the full turn, so that both polarities of each
    // orientation are seen, at shifts across a pixel.
    Errors clean, noisy;
    unsigned seed = 1;
    for (double degrees = 0; degrees < 360; degrees += 7.5)
        for (double shift : {0.0, 0.17, 0.31, 0.5, 0.73}) {
            measureStraightEdge(degrees, shift, Camera{}, clean);
            measureStraightEdge(degrees, shift, Camera{1, 5, seed++}, noisy, noisyParams());
        }
    ASSERT_GT(clean.distance.size(), 8000U);
    ASSERT_GT(noisy.distance.size(), 8000U);
    // Measured: 0.0072 and 0.040 px, 0.13 and 1.0 degrees.
    EXPECT_LT(median(clean.distance), 0.015);
    EXPECT_LT(maximum(clean.distance), 0.06);
    EXPECT_LT(median(clean.degrees), 0.3);
    EXPECT_LT(maximum(clean.degrees), 1.5);
    // Measured: 0.036 px, 0.69 degrees.
    EXPECT_LT(median(noisy.distance), 0.045);
    EXPECT_LT(median(noisy.degrees), 0.9);
}

TEST(EdgeAccuracy, CirclesOfSeveralRadiiLieOnTheCircle) {
    // Without the curvature correction a blur of sigma 1 puts the points
    // 0.8 / r inside the circle: 0.16 px at r = 5.
    for (double radius : {5.0, 10.0, 20.0, 40.0}) {
        SCOPED_TRACE(radius);
        Errors clean, noisy;
        unsigned seed = 1;
        for (double dx : {0.0, 0.25, 0.6})
            for (double dy : {0.0, 0.4, 0.85}) {
                const double c = radius + 8;
                measureDisc(c + dx, c + dy, radius, Camera{}, clean);
                measureDisc(c + dx, c + dy, radius, Camera{1, 5, seed++}, noisy, noisyParams());
            }
        // Measured: medians 0.009 to 0.012 px, maxima up to 0.05 px, 0.2 degrees.
        EXPECT_LT(median(clean.distance), 0.02);
        EXPECT_LT(maximum(clean.distance), 0.08);
        EXPECT_LT(median(clean.degrees), 0.4);
        // The noisy cases' blur of 1.5 is too wide for the smallest circle.
        if (radius >= 10) {
            EXPECT_LT(median(noisy.distance), 0.05);
            EXPECT_LT(median(noisy.degrees), 1.0);
        }
    }
}

// ---------------------------------------------------------------------------
// Chains

ccImage8 disc(double radius, bool light) {
    const double c = radius + 8;
    return photograph(
        2 * static_cast<long>(c) + 1, 2 * static_cast<long>(c) + 1,
        [&](long col, long row) {
            const double inside = discCoverage(c + 0.3, c - 0.2, radius, col, row);
            return light ? inside : 1 - inside;
        },
        Camera{});
}

// Twice the signed area the chain encloses, positive when it runs
// right-handed (counter-clockwise from +x towards +y).
double twiceSignedArea(const ccFeatureletChainSet& set, long chain) {
    const auto begin = set.featurelets().begin() + set.startFeatureIndex(chain);
    const long n = set.chainLength(chain);
    double sum = 0;
    for (long i = 0; i < n; ++i) sum += begin[i].position.cross(begin[(i + 1) % n].position);
    return sum;
}

TEST(EdgeChains, ADiscIsOneClosedChainWithTheGradientOnItsLeft) {
    for (bool light : {true, false}) {
        SCOPED_TRACE(light ? "light disc" : "dark disc");
        const ccFeatureletChainSet edges = cfEdges(disc(12, light), ccEdgeParams{});
        ASSERT_EQ(edges.numChains(), 1);
        EXPECT_TRUE(edges.isClosed(0));
        // About one point per pixel of perimeter (2 pi 12 = 75).
        EXPECT_GT(edges.chainLength(0), 65);
        EXPECT_LT(edges.chainLength(0), 100);
        const double area = twiceSignedArea(edges, 0) / 2;
        EXPECT_NEAR(std::abs(area), kPi * 144, 3);
        EXPECT_EQ(area > 0, light);
        EXPECT_EQ(edges.proportionPositiveCrossProduct(0), 1.0);
        const ccVector<2> centre(20.3, 19.8);
        for (const ccFeaturelet& f : edges.featurelets()) {
            const ccVector<2> inwards = centre - f.position;
            EXPECT_GT(ccVector<2>::polar(f.angle.toDouble()).dot(inwards.unit()) * (light ? 1 : -1),
                      0.99);
            EXPECT_EQ(f.weight, 1.0);
            EXPECT_FALSE(f.isMod180());
            // A step of 100 levels blurred by sigma 1 peaks at about 100 / sqrt(2 pi),
            // less what the pixel and the kernel widen it by.
            EXPECT_GT(f.magnitude(), 28);
            EXPECT_LT(f.magnitude(), 40);
        }
    }
}

TEST(EdgeChains, HysteresisKeepsWeakEdgesOnlyWhereTheyMeetStrongOnes) {
    // A light ground right of x = 12.5 whose contrast fades from 100 at the
    // top to 25 from row 38 down, so that one edge runs from strong to weak;
    // and apart from it a block of contrast 30 in the lower right. Magnitudes
    // are about 0.35 of the contrast: 35 down to 9, and 10.5.
    const auto level = [](double x, double y) {
        double v = 0;
        if (x > 12.5) v += (100 - 75 * std::clamp((y - 8) / 30, 0.0, 1.0)) / 100;
        if (x > 36.5 && y > 30.5) v += 0.3;
        return v;
    };
    const ccImage8 image = photograph(
        48, 48,
        [&](long c, long r) {
            double sum = 0;
            for (int i = 0; i < 16; ++i)
                for (int j = 0; j < 16; ++j)
                    sum += level(c - 0.5 + (i + 0.5) / 16, r - 0.5 + (j + 0.5) / 16);
            return sum / 256;
        },
        Camera{});
    const auto count = [&](double low, double high, double x0, double x1, double y0, double y1) {
        ccEdgeParams params;
        params.low = low;
        params.high = high;
        const ccFeatureletChainSet edges = cfEdges(image, params);
        long n = 0;
        for (const ccFeaturelet& f : edges.featurelets()) {
            const double x = f.position.x(), y = f.position.y();
            n += x > x0 && x < x1 && y > y0 && y < y1;
        }
        return n;
    };
    // The weak end of the fading edge, rows 38 to 44, stays.
    EXPECT_EQ(count(6, 15, 12.3, 12.7, 37.5, 44.5), 7);
    // The block is as weak, but alone.
    EXPECT_EQ(count(6, 15, 30, 48, 25, 48), 0);
    EXPECT_GT(count(6, 9, 30, 48, 25, 48), 20);
}

TEST(EdgeChains, ShortChainsAreDroppedAndTheImageOffsetMovesThePoints) {
    const ccImage8 whole = disc(6, true);
    ccEdgeParams params;
    const ccFeatureletChainSet edges = cfEdges(whole, params);
    ASSERT_EQ(edges.numChains(), 1);
    params.minLength = edges.chainLength(0) + 1;
    EXPECT_EQ(cfEdges(whole, params).numChains(), 0);
    const ccImage8 moved(whole.width(), whole.height(), whole.pels(), 100, -7);
    const ccFeatureletChainSet shifted = cfEdges(moved, ccEdgeParams{});
    ASSERT_EQ(shifted.numFeaturelets(), edges.numFeaturelets());
    for (long i = 0; i < edges.numFeaturelets(); ++i)
        EXPECT_EQ(shifted.featurelets()[i].position,
                  edges.featurelets()[i].position + ccVector<2>(100, -7));
}

TEST(EdgeChains, FlatAndTinyImagesHaveNoEdges) {
    EXPECT_EQ(
        cfEdges(ccImage8(20, 10, std::vector<unsigned char>(200, 90)), ccEdgeParams{}).numChains(),
        0);
    EXPECT_EQ(cfEdges(ccImage16(2, 2, {0, 60000, 0, 60000}), ccEdgeParams{}).numChains(), 0);
}

// ---------------------------------------------------------------------------
// Simplification and models

ccFeatureletChainSet chainOf(const std::vector<ccVector<2>>& points, bool closed) {
    ccFeatureletChainSet set;
    set.beginChain(closed);
    for (const ccVector<2>& p : points) set.emplaceBack(p, ccRadian(0.0), 10.0, 1.0, false);
    return set;
}

double distanceToSegment(const ccVector<2>& p, const ccVector<2>& a, const ccVector<2>& b) {
    const ccVector<2> ab = b - a;
    const double t = std::clamp((p - a).dot(ab) / ab.lenSq(), 0.0, 1.0);
    return (p - (a + ab * t)).len();
}

TEST(EdgeSimplification, CollinearPointsCollapseToTheEnds) {
    std::vector<ccVector<2>> line;
    for (int i = 0; i <= 20; ++i) line.emplace_back(3 + 0.5 * i, 2 - 0.25 * i);
    const std::vector<ccFeaturelet> kept = cfSimplifyChain(chainOf(line, false), 0, 0.1);
    ASSERT_EQ(kept.size(), 2U);
    EXPECT_EQ(kept[0].position, line.front());
    EXPECT_EQ(kept[1].position, line.back());
}

TEST(EdgeSimplification, EveryDroppedPointLiesWithinTheToleranceOfThePolylineKept) {
    // A wavy open curve and a wavy loop, at two tolerances.
    std::vector<ccVector<2>> wave, loop;
    for (int i = 0; i < 200; ++i) {
        wave.emplace_back(0.3 * i, 2 * std::sin(0.05 * i) + 0.3 * std::sin(0.7 * i));
        const double a = 2 * kPi * i / 200, r = 20 + std::sin(5 * a) + 0.2 * std::sin(23 * a);
        loop.emplace_back(r * std::cos(a), r * std::sin(a));
    }
    for (double tolerance : {0.1, 0.5})
        for (const auto& [points, closed] : {std::pair(wave, false), std::pair(loop, true)}) {
            const std::vector<ccFeaturelet> kept =
                cfSimplifyChain(chainOf(points, closed), 0, tolerance);
            ASSERT_GE(kept.size(), 3U);
            EXPECT_LT(kept.size(), points.size() / 2);
            EXPECT_EQ(kept.front().position, points.front());
            if (!closed) {
                EXPECT_EQ(kept.back().position, points.back());
            }
            // The kept points come in the chain's order, and every point of
            // the chain is near the kept polyline (closed: round the loop).
            std::size_t next = 0;
            for (const ccVector<2>& p : points) {
                if (next < kept.size() && p == kept[next].position) {
                    ++next;
                    continue;
                }
                double nearest = HUGE_VAL;
                const std::size_t segments = closed ? kept.size() : kept.size() - 1;
                for (std::size_t s = 0; s < segments; ++s)
                    nearest =
                        std::min(nearest, distanceToSegment(p, kept[s].position,
                                                            kept[(s + 1) % kept.size()].position));
                EXPECT_LE(nearest, tolerance);
            }
            EXPECT_EQ(next, kept.size());
        }
}

// Every polyline in `shape`, a tree of them or one.
void collectPolylines(const ccShape& shape, std::vector<const ccPolyline*>& out) {
    if (const auto* polyline = dynamic_cast<const ccPolyline*>(&shape)) {
        out.push_back(polyline);
        return;
    }
    const ccShapeTree* tree = shape.asShapeTree();
    ASSERT_NE(tree, nullptr);
    if (tree->asRegionTree() && tree->asRegionTree()->hasBoundary())
        collectPolylines(tree->asRegionTree()->boundary(), out);
    for (const auto& child : tree->children()) collectPolylines(*child, out);
}

TEST(EdgeModels, ADiscGivesARegionModelOnTheCircle) {
    const double radius = 15;
    const ccFeatureletChainSet edges = cfEdges(disc(radius, true), ccEdgeParams{});
    const ccPtrHandle<ccShape> model = cfModelFromEdges(edges, ccEdgeModelBuilder::eRegion);
    ASSERT_NE(model->asShapeTree()->asRegionTree(), nullptr);
    std::vector<const ccPolyline*> polylines;
    collectPolylines(*model, polylines);
    ASSERT_EQ(polylines.size(), 1U);
    EXPECT_TRUE(polylines[0]->isClosed());
    EXPECT_LT(polylines[0]->numVertices(), edges.numFeaturelets());
    EXPECT_GT(polylines[0]->numVertices(), 12);
    for (const ccVector<2>& v : polylines[0]->vertices())
        EXPECT_NEAR((v - ccVector<2>(23.3, 22.8)).len(), radius, 0.05);
    const auto* record = dynamic_cast<const ccShapeModel*>(polylines[0]);
    ASSERT_NE(record, nullptr);
    EXPECT_FALSE(record->modelProps().isReversedPolarity());
}

TEST(EdgeModels, BuildersTakeTheLongestChainAllChainsOrTheClosedOnes) {
    ccFeatureletChainSet set = chainOf({{0, 0}, {1, 0}, {2, 0}}, false);
    set.append(chainOf({{0, 5}, {4, 5}, {4, 9}, {0, 9}, {0, 7}}, true));
    set.append(chainOf({{9, 0}, {9, 1}, {9, 2}, {9, 3}, {9, 4}, {9, 5}}, false));
    std::vector<const ccPolyline*> polylines;
    const ccPtrHandle<ccShape> longest = cfModelFromEdges(set, ccEdgeModelBuilder::ePolyline);
    collectPolylines(*longest, polylines);
    ASSERT_EQ(polylines.size(), 1U);
    EXPECT_EQ(polylines[0]->vertices(), (std::vector<ccVector<2>>{{9, 0}, {9, 5}}));
    polylines.clear();
    const ccPtrHandle<ccShape> general = cfModelFromEdges(set, ccEdgeModelBuilder::eGeneral);
    collectPolylines(*general, polylines);
    EXPECT_EQ(polylines.size(), 3U);
    polylines.clear();
    // The open chains have no inside; the rectangle loses its collinear point.
    const ccPtrHandle<ccShape> region = cfModelFromEdges(set, ccEdgeModelBuilder::eRegion);
    collectPolylines(*region, polylines);
    ASSERT_EQ(polylines.size(), 1U);
    EXPECT_EQ(polylines[0]->numVertices(), 4);
    EXPECT_TRUE(cfModelFromEdges(ccFeatureletChainSet(), ccEdgeModelBuilder::ePolyline)->isEmpty());
}

// ---------------------------------------------------------------------------
// Bad input

TEST(EdgeParams, ValuesOutOfTheirDomainAreRefusedByName) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const ccImage8 image = disc(5, true);
    const auto refusal = [&](const ccEdgeParams& p) {
        try {
            cfEdges(image, p);
        } catch (const ccFindDefs::BadParams& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    EXPECT_NE(refusal({nan, 30, 0, 5}).find("low"), std::string::npos);
    EXPECT_NE(refusal({-1, 30, 0, 5}).find("low"), std::string::npos);
    EXPECT_NE(refusal({10, HUGE_VAL, 0, 5}).find("high"), std::string::npos);
    EXPECT_NE(refusal({31, 30, 0, 5}).find("out of order"), std::string::npos);
    EXPECT_NE(refusal({10, 30, -1, 5}).find("blur"), std::string::npos);
    EXPECT_NE(refusal({10, 30, nan, 5}).find("blur"), std::string::npos);
    EXPECT_NE(refusal({10, 30, 0, -1}).find("length"), std::string::npos);
    EXPECT_EQ(refusal({10, 10, 0, 0}), "accepted");
    EXPECT_THROW(cfEdges(ccImage8(), ccEdgeParams{}), ccFindDefs::BadParams);
    EXPECT_THROW(cfEdges(ccImage16(0, 7), ccEdgeParams{}), ccFindDefs::BadParams);
    const ccFeatureletChainSet set = chainOf({{0, 0}, {1, 1}, {2, 0}}, false);
    EXPECT_THROW(cfSimplifyChains(set, -0.1), ccFindDefs::BadParams);
    EXPECT_THROW(cfSimplifyChain(set, 0, nan), ccFindDefs::BadParams);
    EXPECT_THROW(cfModelFromEdges(set, ccEdgeModelBuilder::eGeneral, nan), ccFindDefs::BadParams);
    EXPECT_THROW(cfSimplifyChain(set, 1), ccFeatureletDefs::BadParams);
}

}  // namespace
