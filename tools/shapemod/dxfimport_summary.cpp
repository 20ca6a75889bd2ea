#include <ostream>

#include "shapemod/dxfimport.h"

namespace shapemod {

namespace {

std::string importedKinds(const DxfImport& result, const std::string& layer) {
    std::string kinds;
    for (const DxfEntityTally& t : result.tallies)
        if (t.reason.empty() && t.layer == layer)
            kinds += (kinds.empty() ? "" : ", ") + std::to_string(t.count) + " " + t.kind;
    return kinds;
}

std::string contours(const ccShape& layerTree) {
    long closed = 0, open = 0;
    for (const auto& child : dynamic_cast<const ccShapeTree&>(layerTree).children())
        ++(child->isRegion() ? closed : open);
    return std::to_string(closed) + " closed, " + std::to_string(open) + " open";
}

}  // namespace

void printDxfSummary(const DxfImport& result, std::ostream& err) {
    for (std::size_t i = 0; i < result.layers.size(); ++i)
        err << "child " << i << ", layer " << result.layers[i] << ": "
            << importedKinds(result, result.layers[i]) << " -> "
            << contours(*result.shape->child(static_cast<long>(i))) << "\n";
    for (const DxfEntityTally& t : result.tallies)
        if (!t.reason.empty())
            err << t.kind << " on layer " << t.layer << ": not imported (" << t.reason << ") x "
                << t.count << "\n";
}

}  // namespace shapemod
