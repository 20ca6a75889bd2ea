#include "vxstd12u/chainpass.h"

#include <deque>
#include <optional>
#include <utility>
#include <vector>

#include "vxstd12u/endpointgrid.h"
#include "vxstd12u/errors.h"

namespace {

// How many pieces ahead of the chain being made the next chains' first
// queries are fetched: enough to cover a trip to memory.
constexpr std::size_t kChainStartsAhead = 4;

// A piece's ends in the frame of comparison.
struct Ends {
    ccVector<2> start, end;
};

// How a piece meets a chain: which of its ends lie near which of the chain's.
struct Contact {
    bool endStart = false;    // chain end, piece start
    bool startEnd = false;    // chain start, piece end
    bool startStart = false;  // chain start, piece start
    bool endEnd = false;      // chain end, piece end

    bool goesInFront() const { return startStart || startEnd; }
    bool needsTurning() const { return startStart || endEnd; }
    bool closesChain() const { return (startStart && endEnd) || (startEnd && endStart); }
};

Contact contactOf(const Ends& chain, const Ends& piece, double distance) {
    Contact c;
    c.endStart = cfIsWithinDistance(chain.end, piece.start, distance);
    c.startEnd = cfIsWithinDistance(chain.start, piece.end, distance);
    c.startStart = cfIsWithinDistance(chain.start, piece.start, distance);
    c.endEnd = cfIsWithinDistance(chain.end, piece.end, distance);
    return c;
}

class ChainPass {
  public:
    ChainPass(const ccShapeTree::ChildList& pieces, double distance, const ccChainSteps& steps)
        : pieces_(pieces),
          distance_(distance),
          steps_(steps),
          grid_(distance),
          isOpen_(pieces.size()),
          ends_(pieces.size()),
          taken_(pieces.size()) {
        std::vector<ccEndPointGrid::Point> points;
        points.reserve(2 * pieces.size());
        for (std::size_t j = 0; j < pieces.size(); ++j) {
            if (!pieces[j]) throw ccBadPointer(L"a piece to connect is an empty handle");
            isOpen_[j] = pieces[j]->isOpenContour();
            if (!isOpen_[j]) continue;
            ends_[j] = Ends{inFrame(pieces[j]->startPoint()), inFrame(pieces[j]->endPoint())};
            points.push_back({ends_[j].start, j});
            points.push_back({ends_[j].end, j});
        }
        grid_.insert(points);
    }

    ccShapeTree::ChildList run() {
        ccShapeTree::ChildList out;
        for (std::size_t i = 0; i < pieces_.size(); ++i) {
            warmChainStart(i + kChainStartsAhead);
            if (taken_[i]) continue;
            out.push_back(isOpen_[i] ? chainFrom(i) : pieces_[i]);
        }
        return out;
    }

  private:
    // Chains start in numbering order, which in a large drawing jumps about
    // memory: the first query of a chain a few ahead is fetched early.
    void warmChainStart(std::size_t i) const {
        if (i >= pieces_.size() || taken_[i] || !isOpen_[i]) return;
        grid_.warm(ends_[i].start);
        grid_.warm(ends_[i].end);
    }

    ccVector<2> inFrame(const ccVector<2>& p) const {
        return steps_.toFrame ? steps_.toFrame(p) : p;
    }

    ccPtrHandle_const<ccShape> turned(const ccShape& piece) const {
        return steps_.turned ? steps_.turned(piece) : ccPtrHandle_const<ccShape>(piece.reverse());
    }

    // The chain's ends as a contour of `chain` would give them: its first
    // piece's start and its last piece's end (open pieces have points).
    Ends endsOf(const std::deque<ccPtrHandle_const<ccShape>>& chain) const {
        return Ends{inFrame(chain.front()->startPoint()), inFrame(chain.back()->endPoint())};
    }

    ccPtrHandle_const<ccShape> chainFrom(std::size_t first) {
        grid_.remove(first);
        std::deque<ccPtrHandle_const<ccShape>> chain{pieces_[first]};
        bool closed = false;
        for (std::size_t after = first; !closed;) {
            const Ends ends = endsOf(chain);
            const std::optional<std::size_t> next =
                grid_.lowestIdNearAfter(after, ends.start, ends.end);
            if (!next) break;
            const std::size_t j = *next;
            const Contact contact = contactOf(ends, ends_[j], distance_);
            // The chain's next query is at the piece's far end, wherever it lies.
            grid_.warm(contact.goesInFront() == contact.needsTurning() ? ends_[j].end
                                                                       : ends_[j].start);
            const ccPtrHandle_const<ccShape> piece =
                contact.needsTurning() ? turned(*pieces_[j]) : pieces_[j];
            if (contact.goesInFront())
                chain.push_front(piece);
            else
                chain.push_back(piece);
            grid_.remove(j);
            taken_[j] = true;
            after = j;
            closed = contact.closesChain();
        }
        if (chain.size() == 1) return pieces_[first];
        auto contour = cfMakeHandle<ccContourTree>(false);
        for (const auto& piece : chain) contour->addChild(piece, true);
        if (closed) contour->isClosed(true);
        return contour;
    }

    const ccShapeTree::ChildList& pieces_;
    double distance_;
    const ccChainSteps& steps_;
    ccEndPointGrid grid_;
    std::vector<bool> isOpen_;
    std::vector<Ends> ends_;
    std::vector<bool> taken_;
};

}  // namespace

ccShapeTree::ChildList cfChainOpenPieces(const ccShapeTree::ChildList& pieces, double distance,
                                         const ccChainSteps& steps) {
    return ChainPass(pieces, distance, steps).run();
}
