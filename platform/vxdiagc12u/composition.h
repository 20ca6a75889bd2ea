// Drawings made of the drawings of their parts.
//
// A diagnostic record of a tree node draws the node's whole subtree, and the
// records below it draw the same pieces again. A page that writes every
// drawing in full grows with nodes × depth; one that writes each piece once
// and lets the larger drawings refer to the smaller ones grows with the nodes.
// Here a drawing is a sequence of element numbers (equal numbers: the same SVG
// text), and its composition says which of it can be taken, whole or in part,
// from the compositions of the drawings it was given as candidates.
#pragma once

#include <cstddef>
#include <vector>

struct ccComposedDrawing;

// One piece of a composition: an element, a candidate drawing taken whole, or
// the part of a candidate that fitted (`parts` lists what was taken of it).
struct ccDrawingPart {
    enum Kind { eElement, eWhole, ePartial };
    Kind kind;
    int element;                       // the element number (eElement)
    const ccComposedDrawing* drawing;  // the candidate (eWhole, ePartial)
    std::vector<ccDrawingPart> parts;  // what was taken of it (ePartial)
};

// A drawing and how it is composed. `id` is the caller's number for it.
struct ccComposedDrawing {
    int id = 0;
    std::vector<int> elements;
    std::vector<ccDrawingPart> parts;
};

// Composes `drawing` (its id and elements set, its parts empty) from
// `candidates`, already composed, in their order: a candidate whose elements
// all remain unused (counted with multiplicity) is taken whole; otherwise its
// own parts are tried in turn, so that a subtree is split only where it must
// be, and what was taken of it stays together as a partial part (one that
// gives nothing is left out, as is a candidate without elements). The elements no candidate gave
// follow, in the drawing's own order. The parts together hold exactly the drawing's elements: the
// same picture, only the painting order of overlapping elements may differ. A drawing without
// candidates is its elements in order. Candidates must outlive the drawing's use.
void cfCompose(ccComposedDrawing& drawing, const std::vector<const ccComposedDrawing*>& candidates);

// How often each element is written when every composition in `drawings` is
// written once and wholly taken drawings are referred to: the count of each
// element number below `numElements` over all their parts, partial parts
// included. A number outside [0, numElements) throws std::out_of_range.
std::vector<std::size_t> cfElementUses(const std::vector<const ccComposedDrawing*>& drawings,
                                       std::size_t numElements);
