// One layer's pieces made into its subtree. Internal to the DXF importer.
#pragma once
#include <vector>

#include "shapemod/dxfimport.h"

namespace shapemod {

// The pieces gathered on one layer, in drawing order, each with the number
// of the entity it came from (see DxfCrossing).
struct DxfLayerPieces {
    std::vector<ccPtrHandle_const<ccShape>> shapes;
    std::vector<long> entities;
};

// The layer's subtree as importDxfFile describes it (chained contours, or
// with options.regions region trees beside the other contours), a plain
// ccGeneralShapeTree; `report` gets its counts, gap and crossings.
// Exceptions of the shape library pass through.
ccPtrHandle<ccGeneralShapeTree> dxfLayerTree(const DxfLayerPieces& pieces,
                                             const DxfImportOptions& options,
                                             DxfLayerReport& report);

}  // namespace shapemod
