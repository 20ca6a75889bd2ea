#include "vxdispc12u/graphic.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "platform/vxdispc12u/svg_checks.h"
#include "platform/vxstd12u/shape_checks.h"
#include "vxdispc12u/graphiclist.h"
#include "vxdispc12u/shapepath.h"
#include "vxstd12u/annulus.h"
#include "vxstd12u/bezier.h"
#include "vxstd12u/ellipse.h"
#include "vxstd12u/genrect.h"
#include "vxstd12u/line.h"
#include "vxstd12u/mappedshape.h"
#include "vxstd12u/point.h"
#include "vxstd12u/polyline.h"
#include "vxstd12u/rect.h"
#include "vxstd12u/shapetree.h"
#include "vxstd12u/spline.h"
#include "vxstd12u/tolerances.h"
#include "vxstd12u/transform.h"

namespace {

using shape_checks::expectSamePoint;

using svg_checks::Command;
using svg_checks::letters;
using svg_checks::parsePath;

// SVG numbers carry 12 significant digits; coordinates here stay below 1000.
constexpr double kPrinted = 1e-8;

const ccRect kView(ccVector<2>(-100, -100), ccVector<2>(200, 200));

std::vector<Command> pathOf(const ccShape& shape, const ccRect& view = kView) {
    ccSvgPath path;
    cfAppendShapePath(shape, view, path);
    return parsePath(path.data());
}

ccVector<2> endOf(const Command& c) {
    const auto& n = c.numbers;
    return ccVector<2>(n[n.size() - 2], n[n.size() - 1]);
}

// The flags of each arc piece are checked through the random arcs' middle points.
TEST(ShapePath, AWholeTurnIsTwoClosedHalvesAndAZeroSpanALonePoint) {
    // A whole turn cannot be one SVG arc (its ends meet): two halves, closed.
    EXPECT_EQ(letters(pathOf(ccCircle(ccVector<2>(3, 4), 2))), "MAAZ");
    // A zero span is a lone point.
    ccSvgPath dotPath;
    cfAppendShapePath(ccEllipseArc2(ccEllipse2(), ccRadian(1.0), ccRadian(0.0)), kView, dotPath);
    EXPECT_TRUE(dotPath.data().empty());
    ASSERT_EQ(dotPath.dots().size(), 1u);
}

TEST(ShapePath, RandomArcsAreTracedThroughTheirOwnMiddlePoints) {
    std::mt19937 rng(9);
    std::uniform_real_distribution<double> unit(0, 1);
    for (int n = 0; n < 300; ++n) {
        const ccEllipse2 e(ccVector<2>(unit(rng) * 200 - 100, unit(rng) * 200 - 100),
                           ccVector<2>(1 + unit(rng) * 50, 1 + unit(rng) * 50),
                           ccRadian(unit(rng) * 6 - 3));
        const double span = (unit(rng) * 3.9 + 0.05) * ccPi * (unit(rng) < 0.5 ? -1 : 1);
        const ccEllipseArc2 arc(e, ccRadian(unit(rng) * 12 - 6), ccRadian(span));
        const double drawn = arc.phiSpan().toDouble();  // clamped to one turn
        const auto commands = pathOf(arc);
        ASSERT_GE(commands.size(), 2u);
        ccVector<2> from = endOf(commands[0]);
        expectSamePoint(from, arc.startPoint(), 1e-7);
        // Each SVG arc piece, worked out by the SVG rules, passes through the
        // shape's point half way along the piece.
        const double pieces = static_cast<double>(commands.size() - 1);
        for (size_t i = 1; i < commands.size(); ++i) {
            ASSERT_EQ(commands[i].letter, 'A');
            const auto centreArc = svg_checks::toCentreArc(from, commands[i]);
            const double phiMid = arc.phiStart().toDouble() + drawn * (i - 0.5) / pieces;
            // Near a half turn the centre is ill-conditioned in the printed
            // ends (an error of about the square root of their 1e-12 rounding
            // times the radius), while a wrong flag would move the middle by
            // the ellipse's size.
            expectSamePoint(centreArc.pointAt(0.5), e.pointAt(phiMid), 1e-3);
            from = endOf(commands[i]);
        }
        expectSamePoint(from, arc.endPoint(), 1e-7);
    }
}

TEST(ShapePath, FlatEllipsesRunOutAndBackThroughTheirTurningPoints) {
    // Radii (2, 0): the segment from (-2, 0) to (2, 0) run out and back.
    const ccEllipse2 flat(ccVector<2>(), ccVector<2>(2, 0));
    const auto commands = pathOf(ccEllipseArc2(flat, ccRadian(-0.5), ccRadian(ccPi + 1)));
    // It passes both ends of the segment, through nothing but straight lines.
    EXPECT_EQ(letters(commands).find_first_not_of("ML", 1), std::string::npos);
    bool reachedLeft = false, reachedRight = false;
    for (const auto& c : commands) {
        reachedLeft = reachedLeft || (endOf(c) - ccVector<2>(-2, 0)).len() < kPrinted;
        reachedRight = reachedRight || (endOf(c) - ccVector<2>(2, 0)).len() < kPrinted;
    }
    EXPECT_TRUE(reachedLeft && reachedRight) << letters(commands);
    expectSamePoint(endOf(commands.back()), flat.pointAt(ccPi + 0.5), kPrinted);
}

TEST(ShapePath, ContourPiecesJoinIntoOneStrokeAndAClosedContourCloses) {
    ccContourTree contour(true);
    contour.addChild(cfMakeHandle<ccLineSeg>(ccVector<2>(0, 0), ccVector<2>(10, 0)), true);
    contour.addChild(cfMakeHandle<ccEllipseArc2>(ccEllipse2(ccVector<2>(10, 5), ccVector<2>(5, 5)),
                                                 ccRadian(-ccPi / 2), ccRadian(ccPi)),
                     true);
    contour.addChild(
        cfMakeHandle<ccPolyline>(std::vector<ccVector<2>>{{10, 10}, {0, 10}, {0, 0}}, false), true);
    const auto commands = pathOf(contour);
    EXPECT_EQ(letters(commands), "MLALLZ");
    expectSamePoint(endOf(commands[2]), ccVector<2>(10, 10), kPrinted);

    ccContourTree open(false);
    open.addChild(cfMakeHandle<ccLineSeg>(ccVector<2>(0, 0), ccVector<2>(1, 0)), true);
    open.addChild(cfMakeHandle<ccLineSeg>(ccVector<2>(1, 0), ccVector<2>(0, 0)), true);
    EXPECT_EQ(letters(pathOf(open)), "MLL") << "an open contour that returns stays open";
    // A gap between pieces starts a new subpath instead of drawing across it.
    ccGeneralShapeTree apart;
    apart.addChild(cfMakeHandle<ccLineSeg>(ccVector<2>(0, 0), ccVector<2>(1, 0)), true);
    apart.addChild(cfMakeHandle<ccLineSeg>(ccVector<2>(2, 0), ccVector<2>(3, 0)), true);
    EXPECT_EQ(letters(pathOf(apart)), "MLML");
}

TEST(ShapePath, StraightAndCompositeShapesDrawTheirCornersInOrder) {
    const auto rect = pathOf(ccRect(ccVector<2>(1, 2), ccVector<2>(3, 4)));
    ASSERT_EQ(letters(rect), "MLLLLZ");
    expectSamePoint(endOf(rect[0]), ccVector<2>(1, 2), kPrinted);
    expectSamePoint(endOf(rect[1]), ccVector<2>(4, 2), kPrinted);
    expectSamePoint(endOf(rect[2]), ccVector<2>(4, 6), kPrinted);
    // A ring: two closed loops, so that an even-odd fill leaves the hole open.
    const auto ring = letters(pathOf(ccAnnulus(ccVector<2>(), 2, 1)));
    EXPECT_EQ(std::count(ring.begin(), ring.end(), 'Z'), 2) << ring;
    EXPECT_EQ(std::count(ring.begin(), ring.end(), 'M'), 2) << ring;
    // An infinite line is cut at the view's edges.
    const auto line = pathOf(ccLine(ccVector<2>(0, 50), ccRadian(0)));
    ASSERT_EQ(letters(line), "ML");
    expectSamePoint(endOf(line[0]), ccVector<2>(-100, 50), kPrinted);
    expectSamePoint(endOf(line[1]), ccVector<2>(100, 50), kPrinted);
    EXPECT_TRUE(pathOf(ccLine(ccVector<2>(0, 500), ccRadian(0))).empty());
    EXPECT_TRUE(pathOf(ccPolyline()).empty());
}

TEST(ShapePath, CubicsAreBezierCommandsAndRationalOnesStayOnTheCurve) {
    const ccBezierCurve poly(ccBezierCurve::ccPoints{ccVector<2>(0, 0), ccVector<2>(1, 3),
                                                     ccVector<2>(4, 3), ccVector<2>(5, 0)});
    const auto p = pathOf(poly);
    ASSERT_EQ(letters(p), "MC");
    EXPECT_THAT(p[1].numbers, testing::ElementsAre(1, 3, 4, 3, 5, 0));

    // A quarter circle as a rational cubic; SVG gets polynomial pieces.
    const double w = 1.0 / 3.0 + std::sqrt(2.0) / 3.0;
    const double k = 10 * (std::sqrt(2.0) - 1) * 4 / 3;
    const ccBezierCurve rational(ccBezierCurve::ccPoints{ccVector<2>(10, 0), ccVector<2>(10, k),
                                                         ccVector<2>(k, 10), ccVector<2>(0, 10)},
                                 ccBezierCurve::ccWeights{1, w, w, 1});
    const auto r = pathOf(rational);
    ASSERT_GE(r.size(), 3u) << "a rational piece is split";
    ccVector<2> from = endOf(r[0]);
    for (size_t i = 1; i < r.size(); ++i) {
        ASSERT_EQ(r[i].letter, 'C');
        const auto& n = r[i].numbers;
        const ccBezierCurve piece(ccBezierCurve::ccPoints{
            from, ccVector<2>(n[0], n[1]), ccVector<2>(n[2], n[3]), ccVector<2>(n[4], n[5])});
        for (double t = 0; t <= 1; t += 0.125) {
            const ccVector<2> q = piece.pointAt(t);
            EXPECT_LE((rational.nearestPoint(q) - q).len(), 1e-4) << "piece " << i << " t " << t;
        }
        from = endOf(r[i]);
    }
    expectSamePoint(from, ccVector<2>(0, 10), kPrinted);

    const ccDeBoorSpline closed({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, true);
    EXPECT_EQ(letters(pathOf(closed)), "MCCCCZ");
}

TEST(ShapePath, PointsAreDotsAndPerspectiveImagesAreChordsOnTheImage) {
    ccSvgPath path;
    cfAppendShapePath(cc2Point(ccVector<2>(3, 4)), kView, path);
    ASSERT_EQ(path.dots().size(), 1u);
    expectSamePoint(path.dots()[0], ccVector<2>(3, 4), kPrinted);

    const double h[9] = {1, 0, 0, 0, 1, 0, 0.001, 0, 1};
    const cc2XformPerspective perspective(h);
    const ccMappedShape seen(cfMakeHandle<ccLineSeg>(ccVector<2>(0, 0), ccVector<2>(50, 20)),
                             perspective, true);
    const auto chords = pathOf(seen);
    ASSERT_EQ(chords.size(), static_cast<size_t>(cc_tol::kDrawPerspectiveChords + 1));
    expectSamePoint(endOf(chords.back()), perspective.mapPoint(ccVector<2>(50, 20)), 1e-6);
}

TEST(Graphic, AMappedGraphicHoldsTheMappedShapeInItsClassWithItsProps) {
    const ccGraphicProps props(ccColor::redColor(), 2, ccGraphicProps::eDash, true);
    const ccXform<2> shear(ccMatrix<2>(1.5, 0.3, -0.2, 0.8), ccVector<2>(20, -10));
    const ccEllipseArc2 arc(ccEllipse2(ccVector<2>(3, 4), ccVector<2>(5, 2), ccRadian(0.4)),
                            ccRadian(1.0), ccRadian(-2.5));
    const auto mapped = ccGraphicSimple<ccEllipseArc2>(arc, props).map(shear);
    ASSERT_NE(dynamic_cast<const ccGraphicSimple<ccEllipseArc2>*>(mapped.get()), nullptr);
    EXPECT_EQ(mapped->props(), props);
    EXPECT_TRUE(dynamic_cast<const ccGraphicShape&>(*mapped).shape() == *arc.mapShape(shear));
    // A circle under a shear is an ellipse, in a filled graphic of the same class.
    using FilledCircle = ccGraphicWithFill<ccCircle, ccEllipse2>;
    const FilledCircle circle(ccCircle(ccVector<2>(), 1), props, true);
    const auto sheared = circle.map(ccXform<2>(ccMatrix<2>(1, 1, 0, 1), ccVector<2>()));
    ASSERT_NE(dynamic_cast<const FilledCircle*>(sheared.get()), nullptr);
    const auto& shearedShape = dynamic_cast<const ccGraphicShape&>(*sheared);
    EXPECT_NE(dynamic_cast<const ccEllipse2*>(&shearedShape.shape()), nullptr);
    EXPECT_TRUE(shearedShape.isFilled());
}

TEST(Graphic, PenStylesWidthsArrowsAndFillsShowInTheSvg) {
    ccSvgCanvas canvas(kView, 0.5, "t");
    ccSvgPath path;
    path.moveTo(ccVector<2>(0, 0));
    path.lineTo(ccVector<2>(30, 40));
    canvas.draw(path, ccGraphicProps(ccColor::redColor(), 2, ccGraphicProps::eSolid), false);
    canvas.draw(path, ccGraphicProps(ccColor::blueColor(), 2, ccGraphicProps::eDash), false);
    canvas.draw(path, ccGraphicProps(ccColor::blueColor(), 0, ccGraphicProps::eDot, true), true);
    const std::string svg = canvas.svgElement(400, 400);
    EXPECT_THAT(svg_checks::attributes(svg, "class"),
                testing::ElementsAre("s-ff0000-2-solid", "s-0000ff-2-dash",
                                     "s-0000ff-1-dot f-0000ff", "a-0000ff"));
    // Widths and dashes in screen pixels, whatever the scale: dash 6 on 4
    // off, dot 1 on 3 off, in multiples of the width; width 0 draws as 1.
    const std::string style = svg.substr(0, svg.find("</style>"));
    for (const char* rule :
         {".s-ff0000-2-solid{fill:none;stroke:#ff0000;stroke-width:2px;stroke-linejoin:round;"
          "vector-effect:non-scaling-stroke}",
          "stroke-width:2px;stroke-linejoin:round;vector-effect:non-scaling-stroke;"
          "stroke-dasharray:12 8}",
          "stroke-width:1px;stroke-linejoin:round;vector-effect:non-scaling-stroke;"
          "stroke-dasharray:1 3}",
          ".f-0000ff{fill:#0000ff;fill-opacity:0.35;fill-rule:evenodd}",
          ".a-0000ff{fill:#0000ff;stroke:none}"})
        EXPECT_NE(style.find(rule), std::string::npos) << rule;
    // The arrowhead ends the line, 4 + 2 pixels long at half a unit a pixel.
    const auto arrow = svg_checks::parsePath(svg_checks::attributes(svg, "d").back());
    ASSERT_EQ(svg_checks::letters(arrow), "MLLZ");
    expectSamePoint(ccVector<2>(arrow[0].numbers[0], arrow[0].numbers[1]), ccVector<2>(30, 40),
                    kPrinted);
    const ccVector<2> base = (ccVector<2>(arrow[1].numbers[0], arrow[1].numbers[1]) +
                              ccVector<2>(arrow[2].numbers[0], arrow[2].numbers[1])) *
                             0.5;
    expectSamePoint(base, ccVector<2>(30 - 1.8, 40 - 2.4), 1e-4);
}

TEST(Graphic, PropsRefuseUnknownPenStylesAndNegativeWidths) {
    EXPECT_EQ(ccGraphicProps(ccColor::yellowColor(), 2, 2, false).penStyle(), ccGraphicProps::eDot);
    EXPECT_THROW(ccGraphicProps(ccColor::yellowColor(), 2, 3, false), ccShapesError::BadParams);
    EXPECT_THROW(ccGraphicProps(ccColor::yellowColor(), -1), ccShapesError::BadParams);
    ccGraphicProps p;
    EXPECT_THROW(p.width(-2), ccShapesError::BadParams);
    EXPECT_EQ(p.width(), 1);
}

TEST(GraphicList, KeepsOrderSharesOrClonesAndFitsItsPicture) {
    ccGraphicList list;
    EXPECT_THROW(list.append(ccPtrHandle<ccGraphic>(), true), ccBadPointer);
    const ccGraphicProps props(ccColor::orangeColor());
    ccPtrHandle<ccGraphic> seg(
        new ccGraphicSimple<ccLineSeg>(ccLineSeg(ccVector<2>(0, 0), ccVector<2>(100, 0)), props));
    using RectGraphic = ccGraphicWithFill<ccRect, ccGenRect>;
    ccPtrHandle<ccGraphic> box(
        new RectGraphic(ccRect(ccVector<2>(0, -50), ccVector<2>(20, 10)), props));
    list.append(seg, true);
    list.append(box, false);
    list.append(ccPtrHandle<ccGraphic>(new ccGraphicSimple<ccLine>(ccLine(), props)), true);
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(list.at(0), seg);
    EXPECT_NE(list.at(1), box);
    EXPECT_NE(dynamic_cast<const RectGraphic*>(list.at(1).get()), nullptr);
    EXPECT_THROW(list.at(3), ccShapesError::BadParams);

    ccRect extent;
    ASSERT_TRUE(list.extent(extent)) << "the infinite line takes no part";
    expectSamePoint(extent.origin(), ccVector<2>(0, -50), kPrinted);
    expectSamePoint(extent.size(), ccVector<2>(100, 50), kPrinted);
    const std::string svg = list.toSvg();
    EXPECT_THAT(svg_checks::attributes(svg, "viewBox"), testing::ElementsAre("-5 -55 110 60"));
    // All three share one style, so they are one element of three subpaths.
    ASSERT_EQ(svg_checks::attributes(svg, "d").size(), 1u);
    const std::string d = svg_checks::attributes(svg, "d")[0];
    EXPECT_EQ(std::count(d.begin(), d.end(), 'M'), 3);
    // Client coordinates mirror about the view's middle: y -> -50 - y.
    EXPECT_NE(list.toSvg(ccDisplay::eClientCoords).find("matrix(1 0 0 -1 0 -50)"),
              std::string::npos);

    const ccGraphicList moved = list.mapped(ccXform<2>::translation(ccVector<2>(0, 100)));
    ccRect movedExtent;
    ASSERT_TRUE(moved.extent(movedExtent));
    expectSamePoint(movedExtent.origin(), ccVector<2>(0, 50), kPrinted);
    EXPECT_EQ(list.at(0), seg) << "mapping a list leaves it as it was";
    EXPECT_THROW(list.writeSvg("/nonexistent-dir/x.svg"), ccShapesError::BadParams);
}

TEST(GraphicList, FittingScalesUniformlyByTheTighterRatioAndCentres) {
    // Content 100 x 10 enlarged to 105 x 10.5 into a 210 x 210 frame at
    // (50, 60): the width is tighter, scale 2, centre (155, 165).
    const ccRect content(ccVector<2>(0, 0), ccVector<2>(100, 10));
    const ccRect frame(ccVector<2>(50, 60), ccVector<2>(210, 210));
    const ccXform<2> fit = cfFitXform(content, frame);
    expectSamePoint(fit.mapPoint(content.center()), ccVector<2>(155, 165), kPrinted);
    expectSamePoint(fit.mapVector(ccVector<2>(1, 1)), ccVector<2>(2, 2), kPrinted);
    // Tall content is limited by the height instead.
    const ccXform<2> tall = cfFitXform(ccRect(ccVector<2>(), ccVector<2>(1, 100)), frame, 1.0);
    expectSamePoint(tall.mapVector(ccVector<2>(1, 0)), ccVector<2>(2.1, 0), kPrinted);
    // A line (zero height) uses its width alone; a point keeps its size.
    const ccXform<2> flat = cfFitXform(ccRect(ccVector<2>(), ccVector<2>(21, 0)), frame, 1.0);
    expectSamePoint(flat.mapVector(ccVector<2>(1, 0)), ccVector<2>(10, 0), kPrinted);
    const ccXform<2> point = cfFitXform(ccRect(ccVector<2>(3, 3), ccVector<2>()), frame);
    expectSamePoint(point.mapPoint(ccVector<2>(3, 3)), frame.center(), kPrinted);
    expectSamePoint(point.mapVector(ccVector<2>(1, 0)), ccVector<2>(1, 0), kPrinted);
    EXPECT_THROW(cfFitXform(content, ccRect(ccVector<2>(), ccVector<2>(5, 0))),
                 ccShapesError::BadParams);
}

}  // namespace
