// Reading DXF drawings into general shape trees.
//
// The drawing's LINE, ARC, CIRCLE, ELLIPSE, LWPOLYLINE, POLYLINE and SPLINE
// entities become shapes of the matching type; block references (INSERT,
// arrays included) are expanded with their placement, and a block's entities
// on layer "0" take the layer of the reference, so they are tallied once per
// placement. The result is a ccGeneralShapeTree with one
// subtree per layer that received a piece, in the order the drawing's layer
// table lists the layers (layers missing from the table follow in the order
// of first use).
//
// In each subtree the pieces that meet are chained into contours: a chain
// takes, at its end and then at its start, whichever free piece meets it,
// for as long as one does, so the order and direction the entities were
// drawn in do not matter, and every loop the drawing closes within the
// connect distance becomes a closed ccContourTree. A piece the chain runs
// through backwards is reversed with its polarity reversal toggled, so its
// expected gradient stays on the side it was drawn with, as cfConnect joins
// pieces; a piece that joins nothing stays as it is. (cfConnect's single
// pass in piece order gives the same contours only for drawings whose
// pieces come in order.)
//
// With `regions`, the closed contours of each layer are nested by
// containment into region trees instead: the outermost outline is solid, a
// contour inside it a hole, one inside that solid again, and so on,
// whatever direction each was drawn in; every boundary runs in its node's
// sense (reversed where needed, its polarity not toggled), so that the
// featurelets of a whole part point one way across its material (into it,
// light on dark). Contours that cross or lie on one another cannot nest:
// they are reported (DxfLayerReport::crossings) and kept as the general
// contours they are without `regions`, beside the open ones.
//
// Everything the importer cannot represent is reported, never dropped:
// entities of other kinds (TEXT, HATCH, DIMENSION, 3D entities, ...), entities
// outside the drawing plane, degenerate pieces (a zero-length line, a zero
// radius, a spline with no knot span), entities in paper space, references
// to blocks that are missing or contain themselves, and coincident polyline
// vertices, which are left out of an otherwise imported polyline.
//
// Coordinates are the drawing's world coordinates, x and y; an entity given
// in a coordinate system whose extrusion is (0, 0, -1) is mirrored in x, as
// its drawing shows it. Elevation (a constant z) is dropped.
#pragma once
#include <initializer_list>
#include <iosfwd>
#include <map>
#include <string>
#include <vector>

#include "ch_core/shapemod.h"
#include "shapemod/cli.h"

namespace shapemod {

// The distance below which the ends of two pieces meet, when the user gives
// none: a micrometre in a millimetre drawing. CAD programs write coordinates
// with far more digits, so pieces drawn to meet are this close, while gaps a
// designer means are far wider.
constexpr double kDefaultConnectDistance = 1e-3;

// A drawing whose block references would expand into more entities than this
// is refused (FileError): nested arrays of blocks grow geometrically and
// could exhaust memory.
constexpr long kMaxExpandedPieces = 1000000;

struct DxfImportOptions {
    // Pieces of one layer whose ends lie closer than this are joined
    // (strictly; 0 joins nothing). Must be a number >= 0.
    double connectDistance = kDefaultConnectDistance;
    // Nest each layer's closed contours into region trees.
    bool regions = false;
    // Layers whose subtree becomes a shape model with this record. Every
    // name must be a layer of the drawing.
    std::map<std::string, ccShapeModelProps> layerProps;
};

// What happened to the entities of one kind on one layer: `count` of them
// were imported (`reason` empty) or were not, for `reason`.
struct DxfEntityTally {
    std::string kind;  // DXF entity name: "LINE", "VERTEX", "TEXT"
    std::string layer;
    std::string reason;
    long count = 0;
};

// Two contours of one layer that cross or lie on one another, by the
// entities their pieces came from (ascending). An entity's number counts the
// entity records of the drawing's BLOCKS and ENTITIES sections from 1 in
// file order, polyline vertices not counted; a block's entities keep their
// number in every placement. `otherEntities` is empty for a contour whose
// points overflow: it cannot be compared with any.
struct DxfCrossing {
    std::vector<long> entities;
    std::vector<long> otherEntities;
};

// How the pieces of one layer came together.
struct DxfLayerReport {
    long closed = 0;  // closed contours, nested or not
    long open = 0;    // open contours and pieces that joined nothing
    // The widest gap bridged between two ends that were joined; 0 when
    // nothing was joined.
    double largestGap = 0.0;
    // With regions: the region trees and the most levels one of them has.
    long regionTrees = 0;
    long regionLevels = 0;
    std::vector<DxfCrossing> crossings;
};

struct DxfImport {
    // The top tree; child i is the subtree of layers[i]: a general tree of
    // the layer's contours, or with regions, of its region trees followed by
    // its other contours (open, or kept out of the nesting) in piece order.
    ccPtrHandle<ccGeneralShapeTree> shape;
    std::vector<std::string> layers;
    // reports[i] belongs to layers[i].
    std::vector<DxfLayerReport> reports;
    bool regions = false;  // made with DxfImportOptions::regions
    // Imported kinds first, then the ones left out, each in order of first
    // occurrence.
    std::vector<DxfEntityTally> tallies;
};

// Imports the DXF file at `path`. Throws FileError naming the file when it
// is missing or unreadable, is not a well-formed text DXF (binary DXF
// included), has no entity that can be imported ("no entities that can be
// imported", with the kinds left out) or, with `regions`, has no closed
// contour on any layer ("only open pieces", with their count and the
// largest gap bridged: a region needs an outline); UsageError when the
// options name a layer the drawing does not have or the distance is
// negative or not a number. Exceptions of the shape library pass through.
// A drawing of only open pieces imports without `regions` (its contours are
// still a model) and its summary says so.
DxfImport importDxfFile(const std::string& path, const DxfImportOptions& options);

// Writes what was imported and what was not: per layer the child index, the
// pieces per kind, the closed and open contours they formed, the largest gap
// bridged and, with regions, the region trees and their levels; one line per
// pair of crossing contours, naming the layer and the entities of each; a
// line when no layer has a closed contour; then one line
// "<KIND> on layer <LAYER>: not imported (<reason>) x <count>" per tally left
// out.
void printDxfSummary(const DxfImport& result, std::ostream& err);

// ---------------------------------------------------------------------------
// The geometry of single entities, in the drawing plane. Each returns a new
// shape or throws DxfSkip saying why the entity cannot be represented.

// Why one entity (or vertex) is left out; the importer catches it and
// tallies the entity under reason().
class DxfSkip : public ccErrorKind<DxfSkip, InputError, 0x30000101> {
  public:
    using ccErrorKind::ccErrorKind;
    explicit DxfSkip(const std::string& reason);
    std::string reason() const;
};

// The map from an entity's own coordinate system to world x, y for the
// extrusion direction `n`: identity for +z, the mirror x -> -x for -z (as the
// arbitrary-axis rule gives). Any other direction, a zero or non-finite one,
// throws DxfSkip: the entity does not lie in the drawing plane.
cc2Xform dxfPlaneMap(const double n[3]);

// Throws DxfSkip("<what> is not a finite number") unless every value is finite.
void dxfRequireFinite(const char* what, std::initializer_list<double> values);

// The arc about `center` of `radius` from `startDeg` counter-clockwise to
// `endDeg` (degrees; the sweep is taken in (0, 360], so equal angles make a
// full turn, which becomes a closed ccEllipse2 starting at `startDeg`).
// A radius <= cc_tol::kCoincident or a non-finite value throws DxfSkip.
ccPtrHandle<ccShape> dxfArc(const ccVector<2>& center, double radius, double startDeg,
                            double endDeg);

// The ellipse about `center` whose major half-axis is `major`, minor
// half-axis `ratio` times as long, from parameter `startParam` to `endParam`
// (radians, the sweep in (0, 2 pi] as for dxfArc, counter-clockwise when
// `counterClockwise`, else clockwise as an extrusion of (0, 0, -1) makes it).
// A full sweep is a closed ccEllipse2 with its start at `startParam`; less is
// a ccEllipseArc2. A major axis <= cc_tol::kCoincident, a ratio that is not
// positive, or a non-finite value throws DxfSkip.
ccPtrHandle<ccShape> dxfEllipse(const ccVector<2>& center, const ccVector<2>& major, double ratio,
                                double startParam, double endParam, bool counterClockwise);

// One polyline vertex: its position and the bulge of the edge leaving it
// (tan of a quarter of the edge's included angle; positive turns
// counter-clockwise, 0 is straight).
struct DxfVertex {
    ccVector<2> point;
    double bulge = 0.0;
};

// The polyline through `vertices` (closed adds the edge back to the first).
// Without bulges it is a ccPolyline, otherwise a ccContourTree of ccLineSeg
// and ccEllipseArc2 pieces. A vertex within cc_tol::kCoincident of the one
// kept before it is dropped (the bulge that counts is that of the later one,
// whose edge has length) and counted in `droppedVertices`; so is the last
// vertex of a closed polyline that repeats the first. Fewer than two distinct
// vertices, or a non-finite value, throw DxfSkip.
ccPtrHandle<ccShape> dxfPolyline(const std::vector<DxfVertex>& vertices, bool closed,
                                 long& droppedVertices);

// A spline as a DXF file defines it: a B-spline of `degree` with `knots`
// (control points + degree + 1 of them, non-decreasing) and control points
// with one weight each (all equal: a polynomial curve).
struct DxfSplineData {
    int degree = 3;
    std::vector<double> knots;
    std::vector<ccVector<2>> points;
    std::vector<double> weights;
};

// The curve of `spline` over its knot spans [knots[degree], knots[n]], n the
// number of control points: degree 1 gives a ccPolyline; a polynomial curve
// of degree 2 or 3 a ccHermiteSpline (tangents from the knot parameter)
// when its derivative is continuous at every joint, otherwise - rational
// curves and curves with corners - a ccContourTree of ccBezierCurve pieces
// (a single open piece is that ccBezierCurve itself).
// A curve whose ends lie within cc_tol::kCoincident is closed. Degrees
// outside 1..3, a knot count that does not match, decreasing knots, no span
// of positive length, weights that are not positive, or non-finite values
// throw DxfSkip.
ccPtrHandle<ccShape> dxfSpline(const DxfSplineData& spline);

}  // namespace shapemod
