#include "shapemod/dxfimport_chain.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "vxstd12u/endpointgrid.h"
#include "vxstd12u/tolerances.h"

namespace shapemod {

namespace {

// A free piece that meets a chain's end: which piece, whether the chain must
// run through it backwards, and the gap it bridges.
struct Partner {
    std::size_t piece = 0;
    bool reversed = false;
    double gap = 0.0;
};

// How far a chain reaches, to tell a loop from a stub: the larger side of its
// pieces' bounding box. Their ends, which lie inside that box, settle most
// chains; the boxes themselves, costly for curves, are asked only of a chain
// whose ends all lie that close together.
class Reach {
  public:
    void add(const ccShape& piece) {
        pieces_.push_back(&piece);
        for (const ccVector<2>& end : {piece.startPoint(), piece.endPoint()})
            for (int axis = 0; axis < 2; ++axis) {
                lower_[axis] = std::min(lower_[axis], end[axis]);
                upper_[axis] = std::max(upper_[axis], end[axis]);
            }
    }

    // Whether the larger side reaches `least`. The ends decide only with a
    // margin of the coincidence distance, which covers any rounding of a
    // bounding box that lets a piece's end lie a little outside it.
    bool isAtLeast(double least) const {
        const double ends = std::max(upper_[0] - lower_[0], upper_[1] - lower_[1]);
        if (ends >= least + cc_tol::kCoincident) return true;
        // The boxes are united in the order the pieces joined, so that the
        // rounding is the same whichever way the answer is reached.
        ccRect box = pieces_.front()->boundingBox();
        for (std::size_t i = 1; i < pieces_.size(); ++i)
            box = box.unionWith(pieces_[i]->boundingBox());
        return std::max(box.size().x(), box.size().y()) >= least;
    }

  private:
    std::vector<const ccShape*> pieces_;
    double lower_[2] = {std::numeric_limits<double>::infinity(),
                        std::numeric_limits<double>::infinity()};
    double upper_[2] = {-std::numeric_limits<double>::infinity(),
                        -std::numeric_limits<double>::infinity()};
};

class Chainer {
  public:
    Chainer(const std::vector<ccPtrHandle_const<ccShape>>& pieces, double distance)
        : pieces_(pieces), distance_(distance), free_(distance) {
        std::vector<ccEndPointGrid::Point> ends;
        for (std::size_t i = 0; i < pieces.size(); ++i)
            if (pieces[i]->isOpenContour()) {
                ends.push_back({pieces[i]->startPoint(), i});
                ends.push_back({pieces[i]->endPoint(), i});
            }
        free_.insert(ends);
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
        Reach reach;
        reach.add(piece(seed));
        while (!closes(chain, start, end, reach)) {
            const std::optional<Partner> p = meeting(end, true);
            if (!p) break;
            chain.links.push_back({p->piece, p->reversed});
            end = p->reversed ? piece(p->piece).startPoint() : piece(p->piece).endPoint();
            reach.add(piece(p->piece));
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
            reach.add(piece(p->piece));
            closes(chain, start, end, reach);
        }
        chain.links.insert(chain.links.begin(), before.rbegin(), before.rend());
        return chain;
    }

    // Closes `chain` when its ends meet and it is no stub; says whether it did.
    bool closes(DxfChain& chain, const ccVector<2>& start, const ccVector<2>& end,
                const Reach& reach) {
        if (!cfIsWithinDistance(end, start, distance_) || !reach.isAtLeast(2.0 * distance_))
            return false;
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
