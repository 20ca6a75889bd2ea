// What one clip of a shape tree remembers of the shapes it meets.
//
// Clipping a tree clips each part by its own (virtual) clip and needs, at
// every level, the parts' perimeters, the ends of the parts and of their
// clipped pieces, and whether pieces are empty. Asked of the shapes
// themselves, each of these walks the whole subtree, so a tree nested n deep
// would be walked n times over. A walk measures every shape once, a tree from
// its parts' measures, and keeps the answers for the rest of the clip.
#pragma once

#include <unordered_map>

#include "vxstd12u/shape.h"

class ccClipWalk {
  public:
    // The answers of the shape's own perimeter(), isEmpty(), startPoint() and
    // endPoint(), bit for bit, exceptions included (an empty tree has no
    // ends). Every shape asked about is held until the walk ends, so that no
    // other can take its address meanwhile.
    double perimeter(const ccPtrHandle_const<ccShape>& shape);
    bool isEmpty(const ccPtrHandle_const<ccShape>& shape);
    ccVector<2> startPoint(const ccPtrHandle_const<ccShape>& shape);
    ccVector<2> endPoint(const ccPtrHandle_const<ccShape>& shape);

  private:
    struct Measures {
        ccPtrHandle_const<ccShape> held;
        bool hasPerimeter = false, hasEmpty = false, hasStart = false, hasEnd = false;
        double perimeter = 0.0;
        bool empty = false;
        ccVector<2> start, end;
    };

    Measures& of(const ccPtrHandle_const<ccShape>& shape);
    // The end (start when `atStart`) of a shape measured through its parts:
    // that of the first (last) part with points, as ccShapeTree finds it.
    ccVector<2> endOf(const ccPtrHandle_const<ccShape>& shape, bool atStart);

    std::unordered_map<const ccShape*, Measures> measures_;
};

// Returns clip(walk) for the walk that `info` names, or for a new one that
// `info` names while clip runs (it names none again afterwards, also when
// clip throws). A tree's clip_ runs its body through this.
template <class Clip>
ccPtrHandle<ccShape> cfClipInWalk(ccClipInfo& info, const Clip& clip) {
    if (ccClipWalk* walk = info.walk()) return clip(*walk);
    ccClipWalk walk;
    info.walk(&walk);
    try {
        ccPtrHandle<ccShape> clipped = clip(walk);
        info.walk(nullptr);
        return clipped;
    } catch (...) {
        info.walk(nullptr);
        throw;
    }
}
