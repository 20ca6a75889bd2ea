#include "vxstd12u/clipwalk.h"

#include "vxstd12u/shapetree.h"
#include "vxstd12u/stackguard.h"

ccClipWalk::Measures& ccClipWalk::of(const ccPtrHandle_const<ccShape>& shape) {
    Measures& m = measures_[shape.get()];
    if (!m.held) m.held = shape;
    return m;
}

double ccClipWalk::perimeter(const ccPtrHandle_const<ccShape>& shape) {
    Measures& m = of(shape);
    if (m.hasPerimeter) return m.perimeter;
    const ccShapeTree* tree = shape->asShapeTree();
    if (tree) {
        double sum = 0.0;
        for (const auto& part : tree->parts())
            sum += cfWithEnoughStack([&] { return perimeter(part); });
        m.perimeter = sum;
    } else {
        m.perimeter = shape->perimeter();
    }
    m.hasPerimeter = true;
    return m.perimeter;
}

bool ccClipWalk::isEmpty(const ccPtrHandle_const<ccShape>& shape) {
    Measures& m = of(shape);
    if (m.hasEmpty) return m.empty;
    const ccShapeTree* tree = shape->asShapeTree();
    if (tree) {
        m.empty = true;
        for (const auto& part : tree->parts()) {
            if (!cfWithEnoughStack([&] { return isEmpty(part); })) {
                m.empty = false;
                break;
            }
        }
    } else {
        m.empty = shape->isEmpty();
    }
    m.hasEmpty = true;
    return m.empty;
}

ccVector<2> ccClipWalk::endOf(const ccPtrHandle_const<ccShape>& shape, bool atStart) {
    const ccShapeTree* tree = shape->asShapeTree();
    // A region node's ends are those of its boundary in the node's sense.
    if (!tree || tree->asRegionTree()) return atStart ? shape->startPoint() : shape->endPoint();
    const ccShapeTree::ChildList parts = tree->parts();
    for (size_t k = 0; k < parts.size(); ++k) {
        const auto& part = parts[atStart ? k : parts.size() - 1 - k];
        if (isEmpty(part)) continue;
        return cfWithEnoughStack([&] { return atStart ? startPoint(part) : endPoint(part); });
    }
    // No part has points: the tree's own query gives its refusal.
    return atStart ? shape->startPoint() : shape->endPoint();
}

ccVector<2> ccClipWalk::startPoint(const ccPtrHandle_const<ccShape>& shape) {
    Measures& m = of(shape);
    if (!m.hasStart) {
        m.start = endOf(shape, true);
        m.hasStart = true;
    }
    return m.start;
}

ccVector<2> ccClipWalk::endPoint(const ccPtrHandle_const<ccShape>& shape) {
    Measures& m = of(shape);
    if (!m.hasEnd) {
        m.end = endOf(shape, false);
        m.hasEnd = true;
    }
    return m.end;
}
