#include "find/edges.h"

namespace {

// The chain with the most featurelets, the first of equals; -1 for none.
long longestChain(const ccFeatureletChainSet& set) {
    long longest = -1;
    for (long c = 0; c < set.numChains(); ++c)
        if (longest < 0 || set.chainLength(c) > set.chainLength(longest)) longest = c;
    return longest;
}

ccFeatureletChainSet closedChains(const ccFeatureletChainSet& set) {
    ccFeatureletChainSet closed;
    for (long c = 0; c < set.numChains(); ++c) {
        if (!set.isClosed(c)) continue;
        const auto begin = set.featurelets().begin() + set.startFeatureIndex(c);
        closed.insertChain(closed.numChains(),
                           std::vector<ccFeaturelet>(begin, begin + set.chainLength(c)), true);
    }
    return closed;
}

}  // namespace

ccPtrHandle<ccShape> cfModelFromEdges(const ccFeatureletChainSet& edges, ccEdgeModelBuilder builder,
                                      double tolerance) {
    const ccFeatureletChainSet simplified = cfSimplifyChains(edges, tolerance);
    switch (builder) {
        case ccEdgeModelBuilder::ePolyline: {
            const long longest = longestChain(edges);
            if (longest < 0) return ccPtrHandle<ccShape>(new ccShapeModelTemplate<ccPolyline>());
            return cfPolylineShapeModel(simplified, longest);
        }
        case ccEdgeModelBuilder::eRegion:
            return cfRegionTreeModel(closedChains(simplified));
        case ccEdgeModelBuilder::eGeneral:
            break;
    }
    return cfGeneralShapeTreeModel(simplified);
}
