// The pass that joins loose open pieces into chains, shared by the shape
// library's own connect (ccGeneralShapeTree::connect_) and by callers that
// compare end points in another frame or turn pieces round their own way.
//
// In numbering order, each piece that no earlier chain took starts a chain
// (a closed or empty piece, one whose isOpenContour() is false, is passed
// through as it is). The chain then takes, once each and in increasing
// number, the later untaken open pieces whose start or end lies within the
// distance (cfIsWithinDistance: strictly closer, NaN never) of the chain's
// current start or end, the ends being read again after every piece taken:
// - at the front when the piece meets the chain's start, at the back
//   otherwise;
// - turned round (see ccChainSteps) when it meets the chain's start with its
//   own start or the chain's end with its own end;
// - the chain closes, and takes nothing more, when the piece meets both
//   chain ends, start to end and end to start, or start to start and end to
//   end.
// A piece passed over stays passed over for that chain, even if a later piece
// brings the chain's end to it. A chain's two ends are never compared with
// each other. Ties go to the lower number.
//
// Each piece is compared with the chain's ends only, through a grid of end
// points (endpointgrid.h), so the pass takes time near linear in the number
// of pieces unless many ends crowd within one distance of each other.
#pragma once

#include <functional>

#include "vxstd12u/shapetree.h"

// What the callers of the pass do differently.
struct ccChainSteps {
    // Maps an end point into the frame where distances are measured; the
    // points are compared as they are when empty.
    std::function<ccVector<2>(const ccVector<2>&)> toFrame;
    // The piece turned round; reverse() when empty.
    std::function<ccPtrHandle_const<ccShape>(const ccShape&)> turned;
};

// The result's children: for each piece that starts a chain, at its place,
// the piece itself when nothing joined it, otherwise a ccContourTree of the
// chain's pieces (made open, closed when the chain closed); closed pieces
// as they are. Every handle of `pieces` must be non-empty (ccBadPointer).
// Errors of the pieces' own operations pass through; `pieces` is not
// changed.
ccShapeTree::ChildList cfChainOpenPieces(const ccShapeTree::ChildList& pieces, double distance,
                                         const ccChainSteps& steps);
