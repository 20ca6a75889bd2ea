#include "shapemod/dxfimport_layer.h"

#include <algorithm>

#include "shapemod/dxfimport_chain.h"
#include "shapemod/dxfimport_regions.h"
#include "shapemod/tolerances.h"
#include "vxstd12u/tolerances.h"

namespace shapemod {

namespace {

std::vector<long> entitiesOf(const DxfChain& chain, const DxfLayerPieces& pieces) {
    std::vector<long> entities;
    for (const DxfChainLink& link : chain.links) entities.push_back(pieces.entities.at(link.piece));
    std::sort(entities.begin(), entities.end());
    entities.erase(std::unique(entities.begin(), entities.end()), entities.end());
    return entities;
}

// Adds the region trees of the closed chains and then, in chain order, every
// chain that is not in one, as the general contour it would be without them.
void addRegions(ccGeneralShapeTree& tree, const DxfChaining& chaining, const DxfLayerPieces& pieces,
                double connectDistance, DxfLayerReport& report) {
    std::vector<std::size_t> closedChains;
    std::vector<ccPtrHandle_const<ccShape>> contours;
    for (std::size_t k = 0; k < chaining.chains.size(); ++k) {
        auto contour = dxfChainContour(chaining.chains[k], pieces.shapes, false);
        if (!contour->isRegion()) continue;
        closedChains.push_back(k);
        contours.push_back(contour);
    }
    const double touch =
        std::max(connectDistance * tol::kNestTouchInConnectDistances, cc_tol::kCoincident);
    const DxfNesting nesting = dxfNestContours(contours, touch);
    for (const auto& region : nesting.regions) tree.addChild(region, true);
    std::vector<bool> nested(chaining.chains.size(), false);
    for (std::size_t i = 0; i < contours.size(); ++i) nested[closedChains[i]] = nesting.nested[i];
    for (std::size_t k = 0; k < chaining.chains.size(); ++k)
        if (!nested[k])
            tree.addChild(dxfChainContour(chaining.chains[k], pieces.shapes, true), true);
    report.regionTrees = static_cast<long>(nesting.regions.size());
    report.regionLevels = nesting.depth;
    for (const auto& [i, j] : nesting.conflicts) {
        const auto& first = chaining.chains[closedChains[i]];
        report.crossings.push_back(
            {entitiesOf(first, pieces),
             i == j ? std::vector<long>{} : entitiesOf(chaining.chains[closedChains[j]], pieces)});
    }
}

}  // namespace

ccPtrHandle<ccGeneralShapeTree> dxfLayerTree(const DxfLayerPieces& pieces,
                                             const DxfImportOptions& options,
                                             DxfLayerReport& report) {
    const DxfChaining chaining = dxfChainPieces(pieces.shapes, options.connectDistance);
    report.largestGap = chaining.largestGap;
    auto tree = cfMakeHandle<ccGeneralShapeTree>();
    for (const DxfChain& chain : chaining.chains) ++(chain.closed ? report.closed : report.open);
    if (options.regions) {
        addRegions(*tree, chaining, pieces, options.connectDistance, report);
    } else {
        for (const DxfChain& chain : chaining.chains)
            tree->addChild(dxfChainContour(chain, pieces.shapes, true), true);
    }
    return tree;
}

}  // namespace shapemod
