// Chaining the pieces of one layer into contours. Internal to the DXF
// importer.
//
// A drawing stores its entities in any order and draws each in any
// direction, so a single greedy pass in piece order leaves loops open. Here
// a chain grows at its end, then at its start, with whichever free piece
// meets it, for as long as one does; only then does the next chain start.
#pragma once
#include <cstddef>
#include <vector>

#include "ch_core/shapemod.h"

namespace shapemod {

// One piece of a chain: its number among the layer's pieces, and whether the
// chain runs through it against the piece's own direction.
struct DxfChainLink {
    std::size_t piece = 0;
    bool reversed = false;
};

// Pieces in the order a contour runs through them; closed when the last
// ends where the first starts.
struct DxfChain {
    std::vector<DxfChainLink> links;
    bool closed = false;
};

struct DxfChaining {
    // In order of each chain's lowest piece number, so that a drawing whose
    // pieces all meet in order keeps its order. Every piece is in exactly one
    // chain; a piece that is not an open contour (a circle, a closed
    // polyline) is a chain of its own, closed when the piece is a region.
    std::vector<DxfChain> chains;
    // The widest gap between two ends that were joined, a chain's closing
    // joint included; 0 when nothing was joined.
    double largestGap = 0.0;
};

// Chains `pieces` (non-empty handles) at `distance`: two ends meet when they
// lie closer than `distance` (strictly, as cfConnect has it; a distance of 0,
// a NaN end or a NaN distance joins nothing). Where several free ends meet a
// chain's end, the nearest joins, ties going to the lower piece number. A
// chain closes as soon as its two ends meet, before it takes any other piece,
// unless its extent (the larger side of its pieces' bounding box) is below
// twice the distance: so short a run is a stub, not a loop, and goes on
// joining. Linear in the number of pieces for drawings whose ends meet in
// pairs. Exceptions of the shape library pass through.
DxfChaining dxfChainPieces(const std::vector<ccPtrHandle_const<ccShape>>& pieces, double distance);

// The contour `chain` of `pieces` stands for: the piece itself for a chain
// of one piece that stays open or is closed already, otherwise a
// ccContourTree, closed as the chain is. With `keepPolarity` a piece the
// chain runs against is reversed and its reversal flag toggled, so that its
// expected gradient stays on the side it was drawn with (as cfConnect joins
// pieces); without, it is only reversed, its record as it was, for callers
// that orient the whole contour themselves.
ccPtrHandle_const<ccShape> dxfChainContour(const DxfChain& chain,
                                           const std::vector<ccPtrHandle_const<ccShape>>& pieces,
                                           bool keepPolarity);

}  // namespace shapemod
