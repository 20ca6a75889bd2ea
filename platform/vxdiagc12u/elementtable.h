// Graphics as SVG text, each distinct text kept once.
#pragma once

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "vxdispc12u/graphiclist.h"

// Numbers the SVG text that graphics give when each is drawn alone, so that a
// page can write each distinct text once and refer to it everywhere else.
// Two graphics that draw the same text get the same number; numbers count up
// from 0 in order of first appearance.
class ccSvgElementTable {
  public:
    // Canvas ids (arrowheads and the like) begin with `idPrefix`.
    explicit ccSvgElementTable(std::string idPrefix) : idPrefix_(std::move(idPrefix)) {}

    // The number of what `graphic` draws alone on a canvas showing `view` at
    // `unitsPerPixel` (see ccSvgCanvas, whose errors pass through, the table
    // then unchanged). An empty handle throws ccBadPointer.
    int add(const ccPtrHandle<ccGraphic>& graphic, const ccRect& view, double unitsPerPixel);
    // The numbers of the list's graphics, in its order.
    std::vector<int> add(const ccGraphicList& list, const ccRect& view, double unitsPerPixel);

    std::size_t size() const noexcept { return entries_.size(); }
    // For 0 <= element < size() (otherwise std::out_of_range): the element's
    // text, and the first graphic that drew it with its canvas's view and scale.
    const std::string& text(int element) const { return *entry(element).text; }
    const ccGraphic& graphic(int element) const { return *entry(element).graphic; }
    const ccRect& view(int element) const { return entry(element).view; }
    double unitsPerPixel(int element) const { return entry(element).unitsPerPixel; }
    // The elements drawn one after another on one canvas (that of the first),
    // which may write consecutive strokes of one style as one SVG element: the
    // same picture in fewer bytes. Empty for no elements.
    std::string runText(const std::vector<int>& run) const;
    // What the elements refer to (a canvas's defs(): style rules, markers),
    // each distinct text once, in order of first need.
    const std::vector<std::string>& definitions() const noexcept { return definitions_; }

  private:
    struct Entry {
        const std::string* text;
        ccPtrHandle<ccGraphic> graphic;
        ccRect view;
        double unitsPerPixel;
    };
    const Entry& entry(int element) const { return entries_.at(static_cast<std::size_t>(element)); }

    std::string idPrefix_;
    std::unordered_map<std::string, int> numbers_;
    std::vector<Entry> entries_;
    std::unordered_set<std::string> seenDefinitions_;
    std::vector<std::string> definitions_;
};
