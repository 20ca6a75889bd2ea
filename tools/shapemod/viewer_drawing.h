// The viewer's drawing: the model's graphics in layers, each node's own
// elements in a group of its own.
#pragma once
#include <string>
#include <vector>
#include "vxdiagc12u/diag.h"

namespace shapemod {

// What the viewer knows of one node, in the order the records list them.
struct ViewerNode {
    std::string name;                        // the record's annotation
    long level;                              // nesting below the top node
    std::string description;                 // the record's description text
    bool isNegative, isReversed, isIgnored;  // of the properties in force
};

// The graphics list of record `record`'s drawing (its first graphics);
// an empty list for a record without graphics.
const ccGraphicList& drawingOf(const ccDiagRecord& record);

// The <svg id="drawing"> element showing `frame` of the model whose records
// `diag` holds, node k being record k (`nodes` the same length). The first
// `numOutlines` graphics of the top record's drawing are outlines, the rest
// glyphs; each goes into its layer inside the group of the node whose
// drawing holds it and none of whose children's does. `featurelets` is the
// SVG of the featurelet layer.
std::string viewerDrawingSvg(const ccDiagObject& diag, const std::vector<ViewerNode>& nodes,
                             long numOutlines, const ccRect& frame, const std::string& featurelets);

}  // namespace shapemod
