#include "shapemod/dxfimport_chain.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "vxstd12u/endpointgrid.h"

namespace shapemod {

namespace {

// A free piece that meets a chain's end: which piece, whether the chain must
// run through it backwards, and the gap it bridges.
struct Partner {
    std::size_t piece = 0;
    bool reversed = false;
    double gap = 0.0;
};

class Chainer {
  public:
    Chainer(const std::vector<ccPtrHandle_const<ccShape>>& pieces, double distance)
        : pieces_(pieces), distance_(distance), free_(distance) {
        for (std::size_t i = 0; i < pieces.size(); ++i)
            if (pieces[i]->isOpenContour()) {
                free_.insert(pieces[i]->startPoint(), i);
                free_.insert(pieces[i]->endPoint(), i);
            }
    }

    DxfChaining run() {
        std::vector<bool> used(pieces_.size(), false);
        for (std::size_t seed = 0; seed < pieces_.size(); ++seed) {
            if (used[seed]) continue;
            if (!pieces_[seed]->isOpenContour()) {
                result_.chains.push_back({{{seed, false}}, pieces_[seed]->isRegion()});
                continue;
            }
            DxfChain chain = grow(seed);
            for (const DxfChainLink& link : chain.links) used[link.piece] = true;
            result_.chains.push_back(std::move(chain));
        }
        return std::move(result_);
    }

  private:
    const ccShape& piece(std::size_t i) const { return *pieces_[i]; }

    // The chain that starts with `seed` and takes every free piece it meets.
    DxfChain grow(std::size_t seed) {
        take(seed);
        DxfChain chain{{{seed, false}}, false};
        ccVector<2> start = piece(seed).startPoint(), end = piece(seed).endPoint();
        ccRect extent = piece(seed).boundingBox();
        while (!closes(chain, start, end, extent)) {
            const std::optional<Partner> p = meeting(end, true);
            if (!p) break;
            chain.links.push_back({p->piece, p->reversed});
            end = p->reversed ? piece(p->piece).startPoint() : piece(p->piece).endPoint();
            extent = extent.unionWith(piece(p->piece).boundingBox());
        }
        // The piece that closes a loop goes in front, as cfConnect puts it,
        // so a drawing whose pieces come in order gives cfConnect's contours.
        if (chain.closed && chain.links.size() > 1)
            std::rotate(chain.links.begin(), chain.links.end() - 1, chain.links.end());
        std::vector<DxfChainLink> before;  // nearest to the start last
        while (!chain.closed) {
            const std::optional<Partner> p = meeting(start, false);
            if (!p) break;
            before.push_back({p->piece, p->reversed});
            start = p->reversed ? piece(p->piece).endPoint() : piece(p->piece).startPoint();
            extent = extent.unionWith(piece(p->piece).boundingBox());
            closes(chain, start, end, extent);
        }
        chain.links.insert(chain.links.begin(), before.rbegin(), before.rend());
        return chain;
    }

    // Closes `chain` when its ends meet and it is no stub; says whether it did.
    bool closes(DxfChain& chain, const ccVector<2>& start, const ccVector<2>& end,
                const ccRect& extent) {
        const double reach = std::max(extent.size().x(), extent.size().y());
        if (!cfIsWithinDistance(end, start, distance_) || !(reach >= 2.0 * distance_)) return false;
        chain.closed = true;
        bridged((end - start).len());
        return true;
    }

    // The free piece nearest to `at` that can follow the chain's end
    // (`atEnd`) or precede its start, taken out of the index; none when no
    // free end is near.
    std::optional<Partner> meeting(const ccVector<2>& at, bool atEnd) {
        std::optional<Partner> best;
        for (const std::size_t i : free_.idsNear(at)) {
            // Following the end, a piece runs forwards from its start;
            // preceding the start, it runs forwards into its end.
            const ccVector<2> forwards = atEnd ? piece(i).startPoint() : piece(i).endPoint();
            const ccVector<2> backwards = atEnd ? piece(i).endPoint() : piece(i).startPoint();
            for (const bool reversed : {false, true}) {
                const ccVector<2>& end = reversed ? backwards : forwards;
                if (!cfIsWithinDistance(at, end, distance_)) continue;
                const double gap = (end - at).len();
                if (!best || gap < best->gap) best = Partner{i, reversed, gap};
            }
        }
        if (best) {
            take(best->piece);
            bridged(best->gap);
        }
        return best;
    }

    void take(std::size_t i) { free_.remove(i); }
    void bridged(double gap) { result_.largestGap = std::max(result_.largestGap, gap); }

    const std::vector<ccPtrHandle_const<ccShape>>& pieces_;
    double distance_;
    ccEndPointGrid free_;
    DxfChaining result_;
};

ccPtrHandle_const<ccShape> withToggledReversal(const ccShape& shape) {
    ccShapeModelProps props = ccShapeModel::shapeModelProps(shape);
    props.isReversedPolarity(!props.isReversedPolarity());
    return props.assign(shape);
}

}  // namespace

DxfChaining dxfChainPieces(const std::vector<ccPtrHandle_const<ccShape>>& pieces, double distance) {
    return Chainer(pieces, distance).run();
}

ccPtrHandle_const<ccShape> dxfChainContour(const DxfChain& chain,
                                           const std::vector<ccPtrHandle_const<ccShape>>& pieces,
                                           bool keepPolarity) {
    const ccPtrHandle_const<ccShape>& first = pieces.at(chain.links.front().piece);
    if (chain.links.size() == 1 && (!chain.closed || first->isRegion())) return first;
    auto contour = cfMakeHandle<ccContourTree>(chain.closed);
    for (const DxfChainLink& link : chain.links) {
        const ccShape& piece = *pieces.at(link.piece);
        if (!link.reversed)
            contour->addChild(pieces.at(link.piece), true);
        else if (keepPolarity)
            contour->addChild(withToggledReversal(*piece.reverse()), true);
        else
            contour->addChild(piece.reverse(), true);
    }
    return contour;
}

}  // namespace shapemod
