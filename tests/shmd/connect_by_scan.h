// The connect pass as plainly as it can be written: the chain is compared
// with every later piece in turn, its ends read from the chain each time.
// The tests check the indexed pass against it; the benchmarks time it as the
// baseline.
#pragma once

#include <vector>

#include "ch_core/shapemod.h"
#include "shmd/properties.h"

namespace connect_by_scan {

using Shape = ccPtrHandle<ccShape>;
using ConstShape = ccPtrHandle_const<ccShape>;

// Which parts of the connect a reference pass imitates: the module's (ends
// compared in the outermost frame, mapped trees looked into, a turned piece
// with its reversal flipped) or the shape library's own.
enum class Flavour { Module, Library };

inline bool near(const ccVector<2>& a, const ccVector<2>& b, double d) {
    return (a - b).len() < d;
}

// Grows the chain by every later unused open piece in turn, the chain's ends
// read from the chain itself each time.
inline void growByScan(ccContourTree& chain, std::vector<ConstShape>& kids, std::size_t first,
                       double d, const cc2XformBase& frame, Flavour flavour) {
    for (std::size_t j = first + 1; j < kids.size(); ++j) {
        if (!kids[j] || !kids[j]->isOpenContour()) continue;
        const ccVector<2> ps = frame.mapPoint(kids[j]->startPoint());
        const ccVector<2> pe = frame.mapPoint(kids[j]->endPoint());
        const ccVector<2> cs = frame.mapPoint(chain.startPoint());
        const ccVector<2> ce = frame.mapPoint(chain.endPoint());
        const bool es = near(ce, ps, d), se = near(cs, pe, d), ss = near(cs, ps, d),
                   ee = near(ce, pe, d);
        if (!(es || se || ss || ee)) continue;
        ConstShape piece = kids[j];
        if (ss || ee) {
            piece = flavour == Flavour::Module
                        ? ConstShape(cfToggleReversedPolarity(*piece->reverse()))
                        : ConstShape(piece->reverse());
        }
        chain.insertChild(ss || se ? 0 : chain.numChildren(), piece, true);
        kids[j] = ConstShape();
        if ((ss && ee) || (se && es)) {
            chain.isClosed(true);
            return;
        }
    }
}

inline Shape connectByScan(const ccShape& s, double d, const cc2XformBase& frame, Flavour flavour) {
    const auto* mapped = dynamic_cast<const ccMappedShape*>(&s);
    if (flavour == Flavour::Module && mapped &&
        dynamic_cast<const ccGeneralShapeTree*>(mapped->underlyingShape().get())) {
        Shape copy = s.clone();
        auto& m = dynamic_cast<ccMappedShape&>(*copy);
        const auto inner = frame.compose(m.mapXform());
        m.shape(ConstShape(connectByScan(*m.shape(), d, *inner, flavour)));
        return copy;
    }
    const auto* tree = dynamic_cast<const ccGeneralShapeTree*>(&s);
    if (!tree) return s.clone();
    // The library connects a tree model through the module, which makes
    // every plain child a model of its own first.
    const bool wrapsChildren =
        flavour == Flavour::Library && dynamic_cast<const ccShapeModel*>(&s) != nullptr;
    std::vector<ConstShape> kids;
    for (const auto& c : tree->children()) {
        const Shape kid = connectByScan(*c, d, frame, flavour);
        kids.emplace_back(wrapsChildren && !dynamic_cast<const ccShapeModel*>(kid.get())
                              ? cfAsShapeModel(*kid)
                              : kid);
    }
    Shape result =
        flavour == Flavour::Module ? Shape(cfMakeHandle<ccGeneralShapeTree>(*tree)) : tree->clone();
    auto& out = dynamic_cast<ccGeneralShapeTree&>(*result);
    out.removeChildren();
    for (std::size_t i = 0; i < kids.size(); ++i) {
        if (!kids[i]) continue;
        if (!kids[i]->isOpenContour()) {
            out.addChild(kids[i], true);
            continue;
        }
        auto chain = cfMakeHandle<ccContourTree>(false);
        chain->addChild(kids[i], true);
        growByScan(*chain, kids, i, d, frame, flavour);
        out.addChild(chain->numChildren() > 1 ? ConstShape(chain) : kids[i], true);
    }
    return result;
}

}  // namespace connect_by_scan
