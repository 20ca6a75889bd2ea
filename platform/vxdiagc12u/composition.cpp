#include "vxdiagc12u/composition.h"

#include <stdexcept>
#include <unordered_map>

namespace {

// The elements of the drawing being composed that no part has taken yet,
// with their multiplicity.
class Unused {
  public:
    explicit Unused(const std::vector<int>& elements) {
        counts_.reserve(elements.size());
        for (int e : elements) ++counts_[e];
    }

    // Takes one `element` if one is left.
    bool take(int element) {
        const auto it = counts_.find(element);
        if (it == counts_.end() || it->second == 0) return false;
        --it->second;
        return true;
    }

    // Takes all of `elements`, or none of them.
    bool takeAll(const std::vector<int>& elements) {
        std::size_t taken = 0;
        for (; taken < elements.size(); ++taken)
            if (!take(elements[taken])) break;
        if (taken == elements.size()) return true;
        for (std::size_t i = 0; i < taken; ++i) ++counts_[elements[i]];
        return false;
    }

  private:
    std::unordered_map<int, int> counts_;
};

void takeFrom(const ccComposedDrawing& candidate, Unused& unused, std::vector<ccDrawingPart>& out);

// Takes what it can of the parts of a candidate that did not fit whole.
void takeParts(const std::vector<ccDrawingPart>& parts, Unused& unused,
               std::vector<ccDrawingPart>& out) {
    for (const ccDrawingPart& part : parts) {
        if (part.kind == ccDrawingPart::eElement) {
            if (unused.take(part.element))
                out.push_back({ccDrawingPart::eElement, part.element, nullptr, {}});
        } else {
            takeFrom(*part.drawing, unused, out);
        }
    }
}

void takeFrom(const ccComposedDrawing& candidate, Unused& unused, std::vector<ccDrawingPart>& out) {
    // A reference to nothing would only lengthen the page.
    if (candidate.elements.empty()) return;
    if (unused.takeAll(candidate.elements)) {
        out.push_back({ccDrawingPart::eWhole, 0, &candidate, {}});
        return;
    }
    ccDrawingPart partial{ccDrawingPart::ePartial, 0, &candidate, {}};
    takeParts(candidate.parts, unused, partial.parts);
    if (!partial.parts.empty()) out.push_back(std::move(partial));
}

// Everything `parts` writes itself, not counting what wholly taken drawings
// write where they are defined.
void countUses(const std::vector<ccDrawingPart>& parts, std::vector<std::size_t>& uses) {
    for (const ccDrawingPart& part : parts) {
        if (part.kind == ccDrawingPart::eElement) ++uses.at(static_cast<std::size_t>(part.element));
        if (part.kind == ccDrawingPart::ePartial) countUses(part.parts, uses);
    }
}

}  // namespace

void cfCompose(ccComposedDrawing& drawing,
               const std::vector<const ccComposedDrawing*>& candidates) {
    Unused unused(drawing.elements);
    std::vector<ccDrawingPart> parts;
    for (const ccComposedDrawing* candidate : candidates) takeFrom(*candidate, unused, parts);
    for (int e : drawing.elements)
        if (unused.take(e)) parts.push_back({ccDrawingPart::eElement, e, nullptr, {}});
    drawing.parts = std::move(parts);
}

std::vector<std::size_t> cfElementUses(const std::vector<const ccComposedDrawing*>& drawings,
                                       std::size_t numElements) {
    std::vector<std::size_t> uses(numElements, 0);
    for (const ccComposedDrawing* d : drawings) countUses(d->parts, uses);
    return uses;
}
