#include "shapemod/dxfimport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <sstream>

#include "shapemod/dxfimport_reader.h"
#include "tooltest.h"

namespace shapemod {
namespace {

namespace fs = std::filesystem;

const double kTight = 1e-9;

std::string drawing(const std::string& name) {
    return (fs::path(SHMD_SOURCE_DIR) / "tests/tools/data" / name).string();
}

const ccShapeTree& layer(const DxfImport& r, const std::string& name) {
    for (std::size_t i = 0; i < r.layers.size(); ++i)
        if (r.layers[i] == name)
            return dynamic_cast<const ccShapeTree&>(*r.shape->child(static_cast<long>(i)));
    throw std::runtime_error("no layer " + name);
}

const ccShape& piece(const DxfImport& r, const std::string& name, long i = 0) {
    return *layer(r, name).child(i);
}

double distanceToShape(const ccShape& s, const ccVector<2>& p) {
    return (s.nearestPoint(p) - p).len();
}

void expectPoint(const ccVector<2>& actual, double x, double y) {
    EXPECT_NEAR(actual.x(), x, kTight);
    EXPECT_NEAR(actual.y(), y, kTight);
}

long tally(const DxfImport& r, const std::string& kind, const std::string& reasonPart = "") {
    long n = 0;
    for (const DxfEntityTally& t : r.tallies)
        if (t.kind == kind && (reasonPart.empty() ? t.reason.empty()
                                                  : t.reason.find(reasonPart) != std::string::npos))
            n += t.count;
    return n;
}

TEST(DxfImport, BulgesTurnTheWayTheirSignSays) {
    const DxfImport r = importDxfFile(drawing("bulges.dxf"), {});
    // A positive bulge runs counter-clockwise: left to right, it dips below the chord.
    const ccShape& down = piece(r, "DOWN");
    EXPECT_NEAR(distanceToShape(down, {1, -1}), 0.0, kTight);
    const ccShape& up = piece(r, "UP");
    EXPECT_NEAR(distanceToShape(up, {1, 6}), 0.0, kTight);
    // The repeated vertex and the one closing the loop again are dropped, and said so.
    const ccShape& square = piece(r, "SQUARE");
    EXPECT_TRUE(square.isRegion());
    EXPECT_NEAR(square.perimeter(), 8.0, kTight);
    EXPECT_EQ(tally(r, "VERTEX", "coincides"), 2);
}

// At a bulge of +-1 the centre lies on the chord, so a slip in the sign of its
// offset cannot show there. From (0, 0) to (4, 0), chord c = 4: the centre lies
// (1 - b^2) c / (4 b) left of the chord's midpoint, the radius is
// (1 + b^2) c / (4 |b|), and a positive bulge, turning counter-clockwise,
// passes b c / 2 right of the chord at its middle. The sweep follows from the
// radius: the half chord 2 subtends 2 asin(2 / r), or the rest of the turn
// beyond a half circle.
TEST(DxfImport, BulgedEdgesLieOnTheCircleTheirBulgeGives) {
    struct Case {
        double bulge, centreY, radius, middleY, sweep;
    };
    const double quarter = 2 * std::asin(0.8);  // r = 2.5
    const Case cases[] = {
        {0.5, 1.5, 2.5, -1, quarter},  // (1 - 1/4) 4 / 2 = 1.5, (1 + 1/4) 4 / 2 = 2.5
        {-0.5, -1.5, 2.5, 1, -quarter},
        {2, -1.5, 2.5, -4, 2 * ccPi - quarter},               // (1 - 4) 4 / 8 = -1.5, (1 + 4) 4 / 8
        {-0.25, -3.75, 4.25, 0.5, -2 * std::asin(2 / 4.25)},  // (1 - 1/16) 4 / -1, (1 + 1/16) 4
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bulge);
        long dropped = 0;
        const auto edge = dxfPolyline({{{0, 0}, c.bulge}, {{4, 0}, 0.0}}, false, dropped);
        const auto& arc =
            dynamic_cast<const ccEllipseArc2&>(*dynamic_cast<const ccShapeTree&>(*edge).child(0));
        expectPoint(arc.ellipse().center(), 2, c.centreY);
        EXPECT_NEAR(arc.ellipse().radii().x(), c.radius, kTight);
        expectPoint(arc.startPoint(), 0, 0);
        expectPoint(arc.endPoint(), 4, 0);
        EXPECT_NEAR(arc.tangentRotation(), c.sweep, kTight);
        EXPECT_NEAR(arc.perimeter(), c.radius * std::abs(c.sweep), kTight);
        ccVector<2> middle;
        ccRadian unused;
        arc.perimPointAndTangent(ccPerimPos(0, arc.perimeter() / 2), middle, unused);
        expectPoint(middle, 2, c.middleY);
    }
}

TEST(DxfImport, MirroredExtrusionFlipsXAndTheSenseOfTravel) {
    const DxfImport r = importDxfFile(drawing("mirrored.dxf"), {});
    const ccShape& arc = piece(r, "MIRRORED", 0);
    expectPoint(arc.startPoint(), -6, 0);
    expectPoint(arc.endPoint(), -5, 1);
    EXPECT_NEAR(distanceToShape(arc, {-5 - std::sqrt(0.5), std::sqrt(0.5)}), 0.0, kTight);
    EXPECT_LT(arc.tangentRotation(), 0.0);
    // The same arc without the extrusion that follows is not mirrored.
    const ccShape& plain = piece(r, "PLAIN");
    expectPoint(plain.startPoint(), 6, 0);
    expectPoint(plain.endPoint(), 5, 1);
    EXPECT_GT(plain.tangentRotation(), 0.0);
    expectPoint(dynamic_cast<const ccCircle&>(piece(r, "MIRRORED", 1)).center(), -3, 4);
    const ccShape& bulged = piece(r, "MIRRORED", 2);
    expectPoint(bulged.endPoint(), -2, 0);
    EXPECT_NEAR(distanceToShape(bulged, {-1, -1}), 0.0, kTight);
}

TEST(DxfImport, EllipseParametersRunCounterClockwiseUnlessMirrored) {
    const DxfImport r = importDxfFile(drawing("ellipses.dxf"), {});
    expectPoint(piece(r, "ARC").startPoint(), 2, 0);
    expectPoint(piece(r, "ARC").endPoint(), 0, 1);
    expectPoint(piece(r, "MIRRORED").startPoint(), 2, 0);
    expectPoint(piece(r, "MIRRORED").endPoint(), 0, -1);
    const ccShape& full = piece(r, "FULL");
    EXPECT_TRUE(full.isRegion());
    const ccRect box = full.boundingBox();
    EXPECT_NEAR(box.xMin(), 8.5, kTight);
    EXPECT_NEAR(box.yMax(), 3.0, kTight);
}

TEST(DxfImport, EntitiesLeftOutAreTalliedByKindLayerAndReason) {
    const DxfImport r = importDxfFile(drawing("skipped.dxf"), {});
    ASSERT_EQ(r.layers, std::vector<std::string>{"PARTS"});
    EXPECT_EQ(tally(r, "LINE"), 1);
    EXPECT_EQ(tally(r, "TEXT", "text"), 2);
    EXPECT_EQ(tally(r, "MTEXT", "text"), 1);
    EXPECT_EQ(tally(r, "INSERT", "NOWHERE is not defined"), 1);
    EXPECT_EQ(tally(r, "LINE", "zero length"), 1);
    EXPECT_EQ(tally(r, "ARC", "zero radius"), 1);
    EXPECT_EQ(tally(r, "3DFACE", "3D"), 1);
    std::ostringstream summary;
    printDxfSummary(r, summary);
    EXPECT_NE(summary.str().find("TEXT on layer NOTES: not imported (text has no outline) x 2\n"),
              std::string::npos)
        << summary.str();
}

TEST(DxfImport, AnEntityTheShapeLibraryRefusesIsTalliedWithItsReason) {
    // A straight spline from x = -1e308 to 1e308 passes the importer's own
    // checks, but its points overflow on the way to a shape.
    const DxfImport r = importDxfFile(drawing("overflowing_spline.dxf"), {});
    EXPECT_EQ(tally(r, "SPLINE", "ccShapesError::BadParams"), 1);
    EXPECT_EQ(tally(r, "LINE"), 1);
}

TEST(DxfImport, BlocksArePlacedAndTheirLayerZeroTakesTheReferencesLayer) {
    const DxfImport r = importDxfFile(drawing("blocks.dxf"), {});
    EXPECT_EQ(r.layers, (std::vector<std::string>{"PARTS", "HOLES", "OUTER"}));
    // Base point (1, 1) to the origin, a quarter turn, then to (10, 0).
    expectPoint(piece(r, "PARTS").startPoint(), 10, 0);
    expectPoint(piece(r, "PARTS").endPoint(), 10, 1);
    // Nested references: a pair of pegs placed at (0, 20).
    ASSERT_EQ(layer(r, "HOLES").numChildren(), 3);
    expectPoint(dynamic_cast<const ccShape&>(piece(r, "HOLES", 2)).boundingBox().origin(), 4.5,
                19.5);
    expectPoint(piece(r, "OUTER", 1).startPoint(), 5, 20);
    EXPECT_EQ(tally(r, "INSERT", "LOOP contains itself"), 1);
}

TEST(DxfImport, RationalSplinesFollowTheirConicAndOtherFormsAreRefused) {
    const DxfImport r = importDxfFile(drawing("splines.dxf"), {});
    const ccShape& quarter = piece(r, "QUARTER");
    for (int i = 0; i <= 16; ++i) {
        ccVector<2> p;
        ccRadian tangent;
        quarter.perimPointAndTangent(ccPerimPos(0, quarter.perimeter() * i / 16), p, tangent);
        EXPECT_NEAR(p.len(), 1.0, kTight) << i;
    }
    EXPECT_EQ(tally(r, "SPLINE", "degree 5"), 1);
    EXPECT_EQ(tally(r, "SPLINE", "fit points"), 1);
}

// Paper space holds the sheet a part is laid out on, not the part: its
// entities are reported, never drawn. Every record has its own layer, space
// and flags, so one that leaves them out takes the defaults whatever the
// record before it said; a polyline or spline read in several calls is still
// one entity.
TEST(DxfImport, EachEntityIsTalliedOnceWithItsOwnLayerSpaceAndFlags) {
    const DxfImport r = importDxfFile(drawing("spaces.dxf"), {});
    std::vector<std::string> tallies;
    for (const DxfEntityTally& t : r.tallies)
        tallies.push_back(t.kind + " " + t.layer + " (" + t.reason + ") " +
                          std::to_string(t.count));
    EXPECT_EQ(tallies,
              (std::vector<std::string>{"LINE 0 () 1", "LINE MODEL () 1", "POLYLINE MODEL () 1",
                                        "SPLINE MODEL () 1", "LINE PAPER (in paper space) 1",
                                        "SPLINE PAPER (in paper space) 1"}));
    ASSERT_EQ(r.layers, (std::vector<std::string>{"0", "MODEL"}));
    EXPECT_NEAR(layer(r, "0").perimeter(), 2.0, kTight);
    // Lines of 1 and 4 and a spline of 4: the polyline's vertex flagged as a
    // spline frame point (70 = 16) is left out, the one after it is not.
    EXPECT_NEAR(layer(r, "MODEL").perimeter(), 9.0, kTight);
}

// dxflib reads some entities by the drawing's version, so the version reaches
// it wherever the header states it; the other header variables do not.
TEST(DxfImport, ReadableTextKeepsTheVersionAloneOfTheHeader) {
    const std::string kept = "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1015\n0\nENDSEC\n0\nEOF\n";
    for (const std::string variables :
         {"9\n$MENU\n1\n.\n9\n$ACADVER\n1\nAC1015\n9\n$EXTMIN\n10\n0\n",
          "9\n$ACADVER\n1\nAC1015\n"})
        EXPECT_EQ(
            dxfReadableText("0\nSECTION\n2\nHEADER\n" + variables + "0\nENDSEC\n0\nEOF\n", "h"),
            kept)
            << variables;
}

// ---- Splines against a direct evaluation ----

ccVector<2> deBoor(const DxfSplineData& s, double t) {
    const std::size_t p = static_cast<std::size_t>(s.degree);
    std::size_t span = p;
    while (span + 1 < s.points.size() && !(t < s.knots[span + 1])) ++span;
    std::vector<double> x, y, w;
    for (std::size_t j = span - p; j <= span; ++j) {
        w.push_back(s.weights[j]);
        x.push_back(s.points[j].x() * s.weights[j]);
        y.push_back(s.points[j].y() * s.weights[j]);
    }
    for (std::size_t r = 1; r <= p; ++r)
        for (std::size_t j = p; j >= r; --j) {
            const std::size_t i = span - p + j;
            const double a = (t - s.knots[i]) / (s.knots[i + p + 1 - r] - s.knots[i]);
            x[j] = (1 - a) * x[j - 1] + a * x[j];
            y[j] = (1 - a) * y[j - 1] + a * y[j];
            w[j] = (1 - a) * w[j - 1] + a * w[j];
        }
    return {x[p] / w[p], y[p] / w[p]};
}

DxfSplineData randomSpline(std::mt19937& rng) {
    std::uniform_real_distribution<double> coord(-10, 10), unit(0, 1);
    DxfSplineData s;
    s.degree = 1 + static_cast<int>(rng() % 3);
    const std::size_t n = s.degree + 1 + rng() % 6;
    const bool rational = rng() % 2;
    for (std::size_t i = 0; i < n; ++i) {
        s.points.push_back({coord(rng), coord(rng)});
        s.weights.push_back(rational ? 0.5 + 1.5 * unit(rng) : 1.0);
    }
    // Clamped or not; inner knots repeat at most `degree` times, so the curve
    // may have corners but no gaps.
    const bool clamped = rng() % 2;
    const std::size_t p = static_cast<std::size_t>(s.degree);
    double k = coord(rng);
    std::size_t repeats = 0;
    for (std::size_t i = 0; i < n + p + 1; ++i) {
        const bool clamp = clamped && ((i > 0 && i <= p) || i > n);
        const bool inner = i > p && i < n && repeats + 1 < p && rng() % 4 == 0;
        if (clamp || inner) {
            ++repeats;
        } else {
            k += 0.1 + 2 * unit(rng);
            repeats = 0;
        }
        s.knots.push_back(k);
    }
    return s;
}

// The length of the chords through `steps` points of equal parameter steps
// in every knot span, so that corners at knots fall on chord ends.
double chordLength(const DxfSplineData& s, int steps) {
    double length = 0.0;
    for (std::size_t span = s.degree; span < s.points.size(); ++span) {
        const double from = s.knots[span], to = s.knots[span + 1];
        for (int i = 1; i <= steps && from < to; ++i)
            length += (deBoor(s, from + (to - from) * i / steps) -
                       deBoor(s, from + (to - from) * (i - 1) / steps))
                          .len();
    }
    return length;
}

TEST(DxfSpline, ConvertedCurveLiesOnTheBSplineAndHasItsLength) {
    std::mt19937 rng(20261206);
    std::uniform_real_distribution<double> unit(0, 1);
    for (int round = 0; round < 200; ++round) {
        const DxfSplineData s = randomSpline(rng);
        const auto shape = dxfSpline(s);
        const double from = s.knots[s.degree], to = s.knots[s.points.size()];
        ASSERT_LT((shape->startPoint() - deBoor(s, from)).len(), kTight) << round;
        ASSERT_LT((shape->endPoint() - deBoor(s, to)).len(), kTight) << round;
        for (int i = 0; i < 20; ++i)
            ASSERT_LT(distanceToShape(*shape, deBoor(s, from + (to - from) * unit(rng))), 1e-7)
                << round;
        // Chords fall short by a share that quarters as the steps halve.
        const double coarse = chordLength(s, 500), fine = chordLength(s, 1000);
        ASSERT_NEAR(shape->perimeter(), fine + (fine - coarse) / 3, 1e-6 * fine) << round;
    }
}

// ---- Real drawings ----

struct RealDrawing {
    const char* file;
    std::map<std::string, long> entities;  // imported and left out, VERTEX aside
    long closed;                           // contours formed, -1: not checked
    double perimeter;                      // 0: not checked
};

const RealDrawing kRealDrawings[] = {
    {"Circle.dxf", {{"CIRCLE", 1}}, 1, 2 * ccPi * 15},
    {"ConvexAndConcaveHolesAndIslands.dxf", {{"SPLINE", 18}}, 18, 0},
    {"F100.dxf", {{"SPLINE", 400}, {"LINE", 81}, {"LWPOLYLINE", 5}, {"ELLIPSE", 1}}, -1, 0},
    {"Gather3.dxf", {{"POLYLINE", 7}, {"CIRCLE", 2}}, 9, 0},
    {"RoundedRectangleInside.dxf", {{"LINE", 7}, {"ARC", 1}}, 2, 0},
    {"SimpleHole.dxf", {{"POLYLINE", 2}}, 2, 0},
    {"SimpleSquare_OneDuplicateLineAtTop.dxf", {{"LINE", 5}}, -1, 500},
    {"SimplestRoundNarrowBend.dxf", {{"ARC", 2}, {"POLYLINE", 2}}, 1, 0},
    {"SingleArcs.dxf", {{"ARC", 4}}, 0, 4 * ccPi * 10},
    {"SingleSpline.dxf", {{"SPLINE", 1}}, -1, 0},
    {"SquareWithCircleHoleSimpleR12.dxf", {{"LINE", 4}, {"ARC", 2}}, 2, 80 + 2 * ccPi * 5},
    {"SquareWithSquareHole.dxf", {{"POLYLINE", 2}}, 2, 240},
    {"UShapedOpenPolyline.dxf", {{"POLYLINE", 1}}, 0, 30},
    {"Vesa_Mount.dxf", {{"CIRCLE", 6}, {"POLYLINE", 1}}, 7, 0},
    {"angles-range.dxf", {{"LINE", 24}, {"POLYLINE", 4}, {"ARC", 2}, {"CIRCLE", 1}}, -1, 0},
    {"circle-in-square.dxf", {{"SPLINE", 3}}, 3, 0},
    {"closed_random_polyline_500_pts.dxf", {{"LWPOLYLINE", 1}}, 1, 0},
    {"full_ellipse.dxf", {{"SPLINE", 1}}, 1, 48.442241102738},
    // One reference to a block of splines, polylines, fills and further references.
    {"langmuirsystems.dxf", {{"SPLINE", 14}, {"POLYLINE", 3}, {"HATCH", 15}}, -1, 0},
    {"missing-segment.dxf", {{"LINE", 10}, {"ARC", 4}}, 3, 120 + 2 * (20 + 5 * ccPi)},
    {"square-with-open-and-closed-curves.dxf", {{"CIRCLE", 4}, {"POLYLINE", 2}}, -1, 0},
};

// Every contour's pieces follow each other within the connect distance.
void expectChained(const ccShape& s, const std::string& where) {
    const auto* tree = dynamic_cast<const ccShapeTree*>(&s);
    if (!tree) return;
    for (long i = 0; i < tree->numChildren(); ++i) expectChained(*tree->child(i), where);
    const auto* contour = dynamic_cast<const ccContourTree*>(&s);
    if (!contour) return;
    const long n = contour->numChildren();
    for (long i = contour->isClosed() ? 0 : 1; i < n; ++i)
        EXPECT_LT(
            (contour->child((i + n - 1) % n)->endPoint() - contour->child(i)->startPoint()).len(),
            kDefaultConnectDistance)
            << where << " piece " << i;
}

TEST(DxfImport, RealDrawingsImportWholeIntoChainedContours) {
    const char* shared = std::getenv("SHMD_SHARED_DATA");
    if (!shared || !fs::is_directory(fs::path(shared) / "dxf")) GTEST_SKIP() << "no shared data";
    for (const RealDrawing& d : kRealDrawings) {
        const DxfImport r = importDxfFile((fs::path(shared) / "dxf" / d.file).string(), {});
        std::map<std::string, long> entities;
        for (const DxfEntityTally& t : r.tallies)
            if (t.kind != "VERTEX") entities[t.kind] += t.count;
        EXPECT_EQ(entities, d.entities) << d.file;
        long closed = 0;
        for (const auto& l : r.shape->children())
            for (const auto& c : dynamic_cast<const ccShapeTree&>(*l).children())
                closed += c->isRegion();
        if (d.closed >= 0) {
            EXPECT_EQ(closed, d.closed) << d.file;
        }
        if (d.perimeter > 0) {
            EXPECT_NEAR(r.shape->perimeter(), d.perimeter, 1e-6) << d.file;
        }
        expectChained(*r.shape, d.file);
    }
}

// ---- Options and bad input ----

TEST(DxfImport, LayerRecordsWrapOnlyTheirLayer) {
    DxfImportOptions options;
    options.layerProps.emplace("UP", ccShapeModelProps(true, 2.0));
    const DxfImport r = importDxfFile(drawing("bulges.dxf"), options);
    const auto* model = dynamic_cast<const ccShapeModel*>(&layer(r, "UP"));
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->modelProps(), ccShapeModelProps(true, 2.0));
    EXPECT_EQ(dynamic_cast<const ccShapeModel*>(&layer(r, "DOWN")), nullptr);
}

void expectFileError(const std::string& path, const std::string& part) {
    try {
        importDxfFile(path, {});
        ADD_FAILURE() << path << " was imported";
    } catch (const FileError& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find(path), std::string::npos) << message;
        EXPECT_NE(message.find(part), std::string::npos) << message;
    }
}

TEST(DxfImport, UnreadableOrEmptyDrawingsAreFileErrorsNamingTheFile) {
    const test::ScratchDir dir;
    expectFileError(dir / "none.dxf", "no such file");
    expectFileError(dir.write("empty.dxf", "  0\nEOF\n"), "no entities that can be imported");
    expectFileError(
        dir.write("text.dxf", "0\nSECTION\n2\nENTITIES\n0\nTEXT\n8\nA\n1\nhi\n0\nENDSEC\n0\nEOF\n"),
        "(left out: 1 TEXT)");
    expectFileError(dir.write("words.dxf", "0\nSECTION\nsection\nENTITIES\n"), "line 3");
    expectFileError(dir.write("cut.dxf", "0\nSECTION\n2\n"), "ends after the group code");
    expectFileError(dir.write("binary.dxf", std::string("0\nSECTION\0\n", 12)), "binary");
}

TEST(ImportCommand, WritesTheModelAndListsWhatItLeftOut) {
    const test::ScratchDir dir;
    const std::string out = dir / "out.json";
    const test::Outcome imported = test::run({"import", drawing("skipped.dxf"), "-o", out,
                                              "--layer", "PARTS", "weight=-1,magnitude=2,ignored"});
    EXPECT_EQ(imported.code, kSuccess) << imported.err;
    EXPECT_TRUE(fs::exists(out));
    EXPECT_NE(imported.err.find("INSERT on layer PARTS: not imported"), std::string::npos)
        << imported.err;

    // Bad usage and bad drawings write nothing.
    for (Args bad : {Args{"import", drawing("skipped.dxf"), "--layer", "NOTES", "heavy"},
                     Args{"import", drawing("skipped.dxf"), "--layer", "X", "reversed"},
                     Args{"import", drawing("skipped.dxf"), "--connect", "-1"},
                     Args{"import", drawing("nothing.dxf"), "--connect", "0"}}) {
        fs::remove(out);
        bad.insert(bad.end(), {"-o", out});
        EXPECT_EQ(test::run(bad).code, kBadInput) << bad[3];
        EXPECT_FALSE(fs::exists(out)) << bad[3];
    }
}

}  // namespace
}  // namespace shapemod
