// Chaining a layer's pieces in any order, nesting closed contours into
// region trees, and the summary that reports both.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <sstream>

#include "shapemod/dxfimport.h"
#include "shapemod/dxfimport_chain.h"
#include "tooltest.h"

namespace shapemod {
namespace {

namespace fs = std::filesystem;
using Pieces = std::vector<ccPtrHandle_const<ccShape>>;

// ---- Chaining ----

// `loops` closed polygons of 3 to 12 edges and `runs` open ones, every edge a
// segment, shuffled and about half of them drawn backwards; `loopOf` tells
// the polygon of each piece (runs numbered after the loops).
Pieces scatteredPolygons(std::mt19937& rng, int loops, int runs, std::vector<int>& loopOf) {
    Pieces pieces;
    std::uniform_real_distribution<double> wobble(0.0, 0.5);
    for (int k = 0; k < loops + runs; ++k) {
        const int edges = 3 + static_cast<int>(rng() % 10);
        std::vector<ccVector<2>> corners;
        for (int i = 0; i < edges; ++i) {
            const double a = ccTwoPi * i / edges;
            const double r = 5 + wobble(rng);
            corners.push_back({30.0 * k + r * std::cos(a), r * std::sin(a)});
        }
        const int drawn = k < loops ? edges : edges - 1;
        for (int i = 0; i < drawn; ++i) {
            ccVector<2> a = corners[i], b = corners[(i + 1) % edges];
            if (rng() % 2) std::swap(a, b);
            pieces.push_back(cfMakeHandle<ccLineSeg>(a, b));
            loopOf.push_back(k);
        }
    }
    std::vector<std::size_t> order(pieces.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::shuffle(order.begin(), order.end(), rng);
    Pieces shuffled;
    std::vector<int> shuffledLoops;
    for (const std::size_t i : order) {
        shuffled.push_back(pieces[i]);
        shuffledLoops.push_back(loopOf[i]);
    }
    loopOf = shuffledLoops;
    return shuffled;
}

ccVector<2> travelEnd(const ccShape& piece, bool reversed) {
    return reversed ? piece.startPoint() : piece.endPoint();
}
ccVector<2> travelStart(const ccShape& piece, bool reversed) {
    return reversed ? piece.endPoint() : piece.startPoint();
}

TEST(DxfChaining, ShuffledAndReversedPiecesCloseEveryLoopTheyDraw) {
    std::mt19937 rng(2026120620);
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        const int loops = 1 + static_cast<int>(rng() % 6), runs = static_cast<int>(rng() % 3);
        std::vector<int> loopOf;
        const Pieces pieces = scatteredPolygons(rng, loops, runs, loopOf);
        const DxfChaining chaining = dxfChainPieces(pieces, 1e-6);
        ASSERT_EQ(chaining.chains.size(), static_cast<std::size_t>(loops + runs));
        std::vector<int> seen(pieces.size(), 0);
        long closed = 0;
        for (const DxfChain& chain : chaining.chains) {
            closed += chain.closed;
            const std::size_t n = chain.links.size();
            for (std::size_t i = 0; i < n; ++i) {
                const DxfChainLink& link = chain.links[i];
                ++seen[link.piece];
                EXPECT_EQ(loopOf[link.piece], loopOf[chain.links[0].piece]);
                if (i + 1 == n && !chain.closed) continue;
                const DxfChainLink& next = chain.links[(i + 1) % n];
                EXPECT_LT((travelEnd(*pieces[link.piece], link.reversed) -
                           travelStart(*pieces[next.piece], next.reversed))
                              .len(),
                          1e-9);
            }
        }
        // Chains come in the order of their lowest piece.
        std::size_t previous = 0;
        for (std::size_t k = 0; k < chaining.chains.size(); ++k) {
            const auto& links = chaining.chains[k].links;
            const std::size_t lowest =
                std::min_element(links.begin(), links.end(), [](const auto& a, const auto& b) {
                    return a.piece < b.piece;
                })->piece;
            if (k > 0) {
                EXPECT_GT(lowest, previous);
            }
            previous = lowest;
        }
        EXPECT_EQ(closed, loops);
        EXPECT_TRUE(std::all_of(seen.begin(), seen.end(), [](int s) { return s == 1; }));
        // Nothing was bridged: the pieces meet exactly.
        EXPECT_EQ(chaining.largestGap, 0.0);
    }
}

TEST(DxfChaining, GapsJoinBelowTheDistanceAndTheWidestIsReported) {
    // A square whose pieces end 0.1, 0.2, 0.3 and 0.4 along x past the corner
    // where the next one starts.
    const double gaps[] = {0.1, 0.2, 0.3, 0.4};
    const ccVector<2> corners[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    Pieces pieces;
    for (int i = 0; i < 4; ++i)
        pieces.push_back(
            cfMakeHandle<ccLineSeg>(corners[i], corners[(i + 1) % 4] + ccVector<2>(gaps[i], 0)));
    const DxfChaining wide = dxfChainPieces(pieces, 0.41);
    ASSERT_EQ(wide.chains.size(), 1u);
    EXPECT_TRUE(wide.chains[0].closed);
    EXPECT_NEAR(wide.largestGap, 0.4, 1e-12);
    // At exactly the widest gap that gap stays open: one open chain of four.
    const DxfChaining exact = dxfChainPieces(pieces, 0.4);
    ASSERT_EQ(exact.chains.size(), 1u);
    EXPECT_FALSE(exact.chains[0].closed);
    EXPECT_EQ(exact.chains[0].links.size(), 4u);
    EXPECT_NEAR(exact.largestGap, 0.3, 1e-12);
    // At 0 nothing joins.
    EXPECT_EQ(dxfChainPieces(pieces, 0.0).chains.size(), 4u);
}

TEST(DxfChaining, ARunShorterThanTwiceTheDistanceDoesNotCloseOnItself) {
    // A stub of 0.5 between two long pieces, at a distance of 1: the stub's
    // own ends meet, but it joins its neighbours instead of closing.
    const Pieces pieces = {cfMakeHandle<ccLineSeg>(ccVector<2>(0.5, 0), ccVector<2>(1, 0)),
                           cfMakeHandle<ccLineSeg>(ccVector<2>(1, 0), ccVector<2>(10, 0)),
                           cfMakeHandle<ccLineSeg>(ccVector<2>(-10, 0), ccVector<2>(0.5, 0))};
    const DxfChaining chaining = dxfChainPieces(pieces, 1.0);
    ASSERT_EQ(chaining.chains.size(), 1u);
    EXPECT_FALSE(chaining.chains[0].closed);
    EXPECT_EQ(chaining.chains[0].links.size(), 3u);
    // A single arc whose ends meet within the distance closes on itself.
    const Pieces arc = {cfMakeHandle<ccEllipseArc2>(ccEllipse2({0, 0}, {5, 5}), ccRadian(0.0),
                                                    ccRadian(ccTwoPi - 0.01))};
    const DxfChaining closing = dxfChainPieces(arc, 0.1);
    ASSERT_EQ(closing.chains.size(), 1u);
    EXPECT_TRUE(closing.chains[0].closed);
    EXPECT_TRUE(dxfChainContour(closing.chains[0], arc, true)->isRegion());
    // A loop whose pieces all end close together is no stub when one of
    // them reaches far out between its ends: its extent is the pieces', not
    // their ends'.
    const Pieces loop = {
        cfMakeHandle<ccLineSeg>(ccVector<2>(0, 0), ccVector<2>(0.5, 0)),
        cfMakeHandle<ccPolyline>(std::vector<ccVector<2>>{{0.5, 0}, {0.5, 10}, {0, 10}, {0, 0}},
                                 false)};
    const DxfChaining looped = dxfChainPieces(loop, 1.0);
    ASSERT_EQ(looped.chains.size(), 1u);
    EXPECT_TRUE(looped.chains[0].closed);
    EXPECT_EQ(looped.chains[0].links.size(), 2u);
}

// A piece the chain runs through backwards keeps its gradient on the side it
// was drawn with: the chained contour's featurelets are those of the pieces
// as drawn, position for position, angle for angle.
TEST(DxfChaining, ReversedPiecesKeepTheSideOfTheirGradient) {
    std::mt19937 rng(77);
    std::vector<int> loopOf;
    const Pieces pieces = scatteredPolygons(rng, 1, 0, loopOf);
    const DxfChaining chaining = dxfChainPieces(pieces, 1e-6);
    ASSERT_EQ(chaining.chains.size(), 1u);
    const auto contour = dxfChainContour(chaining.chains[0], pieces, true);
    ccShape::ccSampleParams sampling(0.0, 0.25, ccNoPointLimit, true, true);
    const auto chained = ccShapeModel::features(*contour, ccShapeModel::ccFeatureParams(sampling));
    for (const ccFeaturelet& f : chained->featurelets()) {
        bool matched = false;
        for (const auto& piece : pieces) {
            if ((piece->nearestPoint(f.position) - f.position).len() > 1e-9) continue;
            const ccVector<2> d = piece->endPoint() - piece->startPoint();
            const double drawn = std::atan2(d.y(), d.x()) + ccPi / 2;
            matched =
                matched || std::abs(std::remainder(f.angle.toDouble() - drawn, ccTwoPi)) < 1e-6;
        }
        EXPECT_TRUE(matched) << f.position.x() << ", " << f.position.y();
    }
    // Without keeping polarity the pieces are merely turned round.
    const auto plain = dxfChainContour(chaining.chains[0], pieces, false);
    for (const auto& c : dynamic_cast<const ccShapeTree&>(*plain).children())
        EXPECT_EQ(dynamic_cast<const ccShapeModel*>(c.get()), nullptr);
}

TEST(DxfChaining, PiecesInOrderGiveWhatCfConnectGives) {
    std::mt19937 rng(5);
    for (int round = 0; round < 20; ++round) {
        // Polygons drawn edge after edge, forwards: the single pass suffices.
        Pieces pieces;
        const int loops = 1 + static_cast<int>(rng() % 4);
        for (int k = 0; k < loops; ++k) {
            const int edges = 3 + static_cast<int>(rng() % 6);
            const bool open = rng() % 3 == 0;
            for (int i = 0; i < edges - (open ? 1 : 0); ++i) {
                const double a = ccTwoPi * i / edges, b = ccTwoPi * (i + 1) / edges;
                pieces.push_back(cfMakeHandle<ccLineSeg>(
                    ccVector<2>(20.0 * k + 5 * std::cos(a), 5 * std::sin(a)),
                    ccVector<2>(20.0 * k + 5 * std::cos(b), 5 * std::sin(b))));
            }
        }
        ccGeneralShapeTree loose;
        for (const auto& p : pieces) loose.addChild(p, true);
        const auto once = cfConnect(loose, 1e-3);
        const auto& connected = dynamic_cast<const ccShapeTree&>(*once);
        const DxfChaining chaining = dxfChainPieces(pieces, 1e-3);
        ASSERT_EQ(static_cast<long>(chaining.chains.size()), connected.numChildren()) << round;
        for (std::size_t i = 0; i < chaining.chains.size(); ++i) {
            const auto ours = dxfChainContour(chaining.chains[i], pieces, true);
            const ccShape& theirs = *connected.child(static_cast<long>(i));
            EXPECT_EQ(ours->isRegion(), theirs.isRegion()) << round;
            EXPECT_NEAR(ours->perimeter(), theirs.perimeter(), 1e-9) << round;
            EXPECT_LT((ours->startPoint() - theirs.startPoint()).len(), 1e-12) << round;
        }
    }
}

// ---- Drawings written for the purpose ----

std::string dxfLine(const std::string& layer, const ccVector<2>& a, const ccVector<2>& b) {
    std::ostringstream s;
    s.precision(17);
    s << "0\nLINE\n8\n"
      << layer << "\n10\n"
      << a.x() << "\n20\n"
      << a.y() << "\n30\n0\n11\n"
      << b.x() << "\n21\n"
      << b.y() << "\n31\n0\n";
    return s.str();
}

// The edges of the square of side 2 r about c, each drawn in a random
// direction, in the order `order` gives them (a permutation of 0..3).
std::string dxfSquare(const std::string& layer, const ccVector<2>& c, double r, std::mt19937& rng) {
    const ccVector<2> corners[] = {c + ccVector<2>(-r, -r), c + ccVector<2>(r, -r),
                                   c + ccVector<2>(r, r), c + ccVector<2>(-r, r)};
    int order[] = {0, 1, 2, 3};
    std::shuffle(std::begin(order), std::end(order), rng);
    std::string text;
    for (const int i : order) {
        const bool backwards = rng() % 2;
        text += dxfLine(layer, corners[backwards ? (i + 1) % 4 : i],
                        corners[backwards ? i : (i + 1) % 4]);
    }
    return text;
}

std::string dxfDrawing(const std::string& entities) {
    return "0\nSECTION\n2\nENTITIES\n" + entities + "0\nENDSEC\n0\nEOF\n";
}

std::string summaryOf(const DxfImport& r) {
    std::ostringstream s;
    printDxfSummary(r, s);
    return s.str();
}

const ccRegionTree& region(const ccShape& s) {
    return dynamic_cast<const ccRegionTree&>(s);
}

TEST(DxfRegions, IslandsInHolesNestAsLevelsOfStandingThatAlternate) {
    std::mt19937 rng(11);
    const test::ScratchDir dir;
    // A plate, a hole in it, an island in the hole, a hole in the island,
    // and a second plate beside them; in the file innermost first.
    const std::string path = dir.write(
        "nested.dxf", dxfDrawing(dxfSquare("P", {0, 0}, 1, rng) + dxfSquare("P", {0, 0}, 10, rng) +
                                 dxfSquare("P", {50, 0}, 5, rng) + dxfSquare("P", {0, 0}, 3, rng) +
                                 dxfSquare("P", {0, 0}, 6, rng)));
    DxfImportOptions options;
    options.regions = true;
    const DxfImport r = importDxfFile(path, options);
    const auto& layer = dynamic_cast<const ccShapeTree&>(*r.shape->child(0));
    ASSERT_EQ(layer.numChildren(), 2);  // the two plates, outline by outline
    const ccRegionTree* node = &region(*layer.child(0));
    const double sides[] = {20, 12, 6, 2};
    for (int level = 0; level < 4; ++level) {
        SCOPED_TRACE(level);
        EXPECT_EQ(node->isHole(), level % 2 == 1);
        // Every boundary runs its node's way, whatever way it was drawn.
        EXPECT_EQ(node->boundary().isRightHanded(), !node->isHole());
        EXPECT_NEAR(node->boundary().perimeter(), 4 * sides[level], 1e-9);
        ASSERT_EQ(node->numChildren(), level < 3 ? 1 : 0);
        if (level < 3) node = &region(*node->child(0));
    }
    EXPECT_FALSE(region(*layer.child(1)).isHole());
    EXPECT_EQ(region(*layer.child(1)).numChildren(), 0);
    EXPECT_EQ(r.reports[0].regionTrees, 2);
    EXPECT_EQ(r.reports[0].regionLevels, 4);
    EXPECT_NE(summaryOf(r).find("child 0, layer P: 20 LINE -> 5 closed, 0 open, largest gap 0; "
                                "2 region trees, 4 levels deep"),
              std::string::npos)
        << summaryOf(r);
    // Without regions the same drawing gives five closed contours as drawn.
    const DxfImport plain = importDxfFile(path, {});
    EXPECT_EQ(dynamic_cast<const ccShapeTree&>(*plain.shape->child(0)).numChildren(), 5);
    EXPECT_EQ(summaryOf(plain).find("region"), std::string::npos);
}

TEST(DxfRegions, CrossingContoursAreNamedAndKeptAsGeneralContours) {
    std::mt19937 rng(3);
    const test::ScratchDir dir;
    // Entity 1 is a text; the squares are entities 2-5 and 6-9 (crossing),
    // then a plate with a hole, 10-13 and 14-17; an open line, 18, on another layer.
    const std::string path =
        dir.write("crossing.dxf",
                  dxfDrawing("0\nTEXT\n8\nA\n1\nnote\n" + dxfSquare("A", {0, 0}, 5, rng) +
                             dxfSquare("A", {4, 4}, 5, rng) + dxfSquare("A", {40, 0}, 8, rng) +
                             dxfSquare("A", {40, 0}, 2, rng) + dxfLine("B", {0, 30}, {9, 30})));
    DxfImportOptions options;
    options.regions = true;
    const DxfImport r = importDxfFile(path, options);
    ASSERT_EQ(r.reports[0].crossings.size(), 1u);
    EXPECT_EQ(r.reports[0].crossings[0].entities, (std::vector<long>{2, 3, 4, 5}));
    EXPECT_EQ(r.reports[0].crossings[0].otherEntities, (std::vector<long>{6, 7, 8, 9}));
    EXPECT_NE(summaryOf(r).find("layer A: the contour of entities 2-5 crosses the contour of "
                                "entities 6-9; not nested, kept as general contours\n"),
              std::string::npos)
        << summaryOf(r);
    // The plate nests; the two squares follow it as closed contours.
    const auto& layer = dynamic_cast<const ccShapeTree&>(*r.shape->child(0));
    ASSERT_EQ(layer.numChildren(), 3);
    EXPECT_EQ(region(*layer.child(0)).numChildren(), 1);
    for (long i = 1; i < 3; ++i) {
        EXPECT_NE(dynamic_cast<const ccContourTree*>(layer.child(i).get()), nullptr);
        EXPECT_TRUE(layer.child(i)->isRegion());
    }
    // The open line's layer has no closed contour, but another layer has.
    EXPECT_EQ(r.reports[1].open, 1);
    EXPECT_EQ(r.reports[1].regionTrees, 0);
}

TEST(DxfRegions, OnlyOpenPiecesAreRefusedForRegionsAndReportedWithout) {
    const test::ScratchDir dir;
    const std::string path = dir.write(
        "open.dxf", dxfDrawing(dxfLine("A", {0, 0}, {5, 0}) + dxfLine("A", {5, 0}, {5, 5})));
    const DxfImport plain = importDxfFile(path, {});
    EXPECT_NE(summaryOf(plain).find("no closed contour: every contour is open"), std::string::npos);
    DxfImportOptions options;
    options.regions = true;
    try {
        importDxfFile(path, options);
        ADD_FAILURE() << "imported";
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find("only open pieces (1 open contours"),
                  std::string::npos)
            << e.what();
    }
    const std::string out = dir / "out.json";
    EXPECT_EQ(test::run({"import", path, "--regions", "-o", out}).code, kBadInput);
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(test::run({"import", path, "-o", out}).code, kSuccess);
}

// ---- Featurelets of real drawings point into the material ----

// A closed outline through samples, with the box that rules most points out.
struct Outline {
    std::vector<ccVector<2>> points;
    ccRect box;
};

// The filled part, decided without the nesting: even-odd over polygons
// through fine samples of every closed contour the plain import gives.
std::vector<Outline> filledPart(const DxfImport& plain, double spacing) {
    std::vector<Outline> outlines;
    for (const auto& layer : plain.shape->children())
        for (const auto& c : dynamic_cast<const ccShapeTree&>(*layer).children()) {
            if (!c->isRegion()) continue;
            ccShape::ccSampleParams sampling(0.0, spacing, ccNoPointLimit, false, false);
            ccShape::ccSampleResult samples;
            c->sample(sampling, samples);
            outlines.push_back({samples.positions(), c->boundingBox()});
        }
    return outlines;
}

bool isFilled(const std::vector<Outline>& outlines, const ccVector<2>& p) {
    bool inside = false;
    for (const Outline& outline : outlines) {
        if (p.y() < outline.box.yMin() || p.y() > outline.box.yMax() || p.x() > outline.box.xMax())
            continue;
        const auto& poly = outline.points;
        for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++)
            if ((poly[i].y() > p.y()) != (poly[j].y() > p.y()) &&
                p.x() < poly[j].x() + (p.y() - poly[j].y()) * (poly[i].x() - poly[j].x()) /
                                          (poly[i].y() - poly[j].y()))
                inside = !inside;
    }
    return inside;
}

// Whether a step along `angle` from `p` enters the filled part and a step
// against it leaves it. At a corner, the normal of one edge runs along the
// other, on the line: the test is made a little way along the boundary on
// either side, and one side, the featurelet's own edge, must pass; four
// steps along, for corners sharper than a right angle (down to 14 degrees).
bool pointsIntoTheMaterial(const std::vector<Outline>& filled, const ccVector<2>& p, double angle,
                           double step) {
    const ccVector<2> along(std::cos(angle), std::sin(angle));
    const ccVector<2> tangent(-along.y(), along.x());
    for (const double side : {-1.0, 1.0, -4.0, 4.0}) {
        const ccVector<2> q = p + tangent * (side * step);
        if (isFilled(filled, q + along * step) && !isFilled(filled, q - along * step)) return true;
    }
    return false;
}

void expectFeatureletsPointIntoTheMaterial(const std::string& path) {
    SCOPED_TRACE(path);
    DxfImportOptions options;
    options.regions = true;
    const DxfImport regions = importDxfFile(path, options);
    // Steps of a thousandth of the part, on polygons through points half a
    // step apart (a chord strays from a curve of radius r by step^2 / 32 r).
    const ccRect box = regions.shape->boundingBox();
    const double step = 1e-3 * std::max(box.size().x(), box.size().y());
    const std::vector<Outline> filled = filledPart(importDxfFile(path, {}), step / 2);
    ASSERT_FALSE(filled.empty());
    const auto features = ccShapeModel::features(*regions.shape, ccShapeModel::ccFeatureParams());
    ASSERT_GT(features->numFeaturelets(), 20);
    long wrong = 0;
    for (const ccFeaturelet& f : features->featurelets())
        wrong += !pointsIntoTheMaterial(filled, f.position, f.angle.toDouble(), step);
    EXPECT_EQ(wrong, 0) << "of " << features->numFeaturelets();
}

TEST(DxfRegions, FeatureletsOfRealPartsPointIntoTheirMaterial) {
    const char* shared = std::getenv("SHMD_SHARED_DATA");
    if (!shared || !fs::is_directory(fs::path(shared) / "dxf")) GTEST_SKIP() << "no shared data";
    for (const char* file : {"ConvexAndConcaveHolesAndIslands.dxf", "SquareWithSquareHole.dxf",
                             "Vesa_Mount.dxf", "circle-in-square.dxf", "langmuirsystems.dxf"})
        expectFeatureletsPointIntoTheMaterial((fs::path(shared) / "dxf" / file).string());
}

TEST(DxfRegions, FeatureletsOfIslandsInHolesPointIntoTheirMaterial) {
    std::mt19937 rng(29);
    const test::ScratchDir dir;
    std::string entities = dxfSquare("P", {0, 0}, 20, rng);
    for (const double x : {-10.0, 10.0})
        entities += dxfSquare("P", {x, 0}, 6, rng) + dxfSquare("P", {x, 0}, 3, rng) +
                    dxfSquare("P", {x, 0}, 1, rng);
    expectFeatureletsPointIntoTheMaterial(dir.write("islands.dxf", dxfDrawing(entities)));
}

}  // namespace
}  // namespace shapemod
