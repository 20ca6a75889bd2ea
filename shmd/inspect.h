// Inspection of shape models inside the module: display names, textual
// descriptions, the two drawing passes with their polarity glyphs, and the
// structure diagrams of diagnostic records. Not installed; the exported entry
// points (ccShapeModel::draw, ccShapeModel::record, cfRecordWithPose) are
// declared in ch_core/shapemod.h.
#pragma once

#include <string>
#include <vector>

#include "ch_core/shapemod.h"
#include "vxdispc12u/graphiclist.h"

// The three graphic properties a drawing chooses from by the sign of the
// weight in force: positive, negative, and zero (NaN included).
struct ccWeightGraphicProps {
    const ccGraphicProps& positive;
    const ccGraphicProps& negative;
    const ccGraphicProps& zero;

    // The properties for `weight`.
    const ccGraphicProps& forWeight(double weight) const {
        if (weight > 0) return positive;
        if (weight < 0) return negative;
        return zero;
    }
};

// ---- descriptions ----

// The short name of the shape's type ("Line Segment", "Contour Tree (Open)",
// "Region Tree (Hole)", ...); "unknown" for a type the module does not know.
std::wstring cfShapeDisplayName(const ccShape& shape);

// Appends to `out` the description of one node: the properties in force
// `props` and the node's own record (when params.drawModelProps()), the
// parameters of its type, its depth and path (`path` holds child indices, the
// first entry the root's and shown as 0; an empty path counts as the root),
// its tree statistics, and open-contour and region facts. Every line ends in
// "\n" and every section is followed by an empty line. Nothing is validated:
// an exception of the shape library leaves the text written so far in `out`.
void cfDescribeShape(const ccShape& shape, const ccShapeModelProps& props,
                     const std::vector<long>& path, const ccDrawShapeParams& params,
                     std::wstring& out);

// The glyph size a drawing gives `shape` when nothing above chose one: 4 % of
// the perimeter of a primitive; the largest among a tree's boundary (not a
// root hole's) and children, 0 for an empty tree; that of the decomposition
// of a shape that is not decomposed, and of the distributed form of a mapped
// tree. An infinite primitive (a line) has no middle to carry a glyph: 0.
double cfDefaultGlyphSize(const ccShape& shape);

// The outline pass: every primitive below `shape` drawn with the properties
// `gprops` chooses by the weight in force (`inherited` combined down the
// walk), without arrowheads, in the frame of `xform` (empty: the shape's
// own). Primitives whose chosen properties have the pass colour, or whose
// type has no graphic, are skipped.
void cfDrawOutlines(ccGraphicList& list, const ccShape& shape, const ccShapeModelProps& inherited,
                    const ccPtrHandle_const<cc2XformBase>& xform,
                    const ccWeightGraphicProps& gprops);

// The glyph pass: a polarity glyph at the middle of every primitive long
// enough for it (at least 5 glyph sizes) whose chosen properties have the
// arrowhead on and not the pass colour. `size` 0 lets each contour of agreeing
// polarity, or else each primitive, choose its own (cfDefaultGlyphSize).
void cfDrawGlyphs(ccGraphicList& list, const ccShape& shape, const ccShapeModelProps& inherited,
                  double size, const ccPtrHandle_const<cc2XformBase>& xform,
                  const ccWeightGraphicProps& gprops);

// Appends the glyph at `pose`: a chevron pointing along the contour, a plus
// sign on the positive side (+90 degrees from the direction, the other side
// when `reversed`), a minus sign opposite, and when `ignored` a stroke
// through each sign; five segments, or seven when ignored, of size `size`.
void cfDrawGlyph(ccGraphicList& list, const cc2Rigid& pose, bool reversed, bool ignored,
                 double size, const ccGraphicProps& gprops,
                 const ccPtrHandle_const<cc2XformBase>& xform);

// ---- structure diagrams (shmd/diagram.cpp) ----

// A diagram of one node's subtree, in client coordinates (y up, root on top),
// and the rectangle it covers.
struct ccStructureDiagram {
    ccGraphicList graphics;
    ccRect box;
};

// One diagram per node of `shape`, in pre-order: a node, then a region node's
// boundary subtree, then its children's subtrees; mapped shapes and
// primitives are single nodes. Colours are those of `params`.
std::vector<ccStructureDiagram> cfStructureDiagrams(const ccShape& shape,
                                                    const ccDrawShapeParams& params);

// Raises the smallest of `gaps` to one common level so that together they
// grow by exactly `extra`; the others stay. Nothing changes when `extra` is 0
// or less, or there are no gaps.
void cfWaterFillGaps(std::vector<double>& gaps, double extra);
