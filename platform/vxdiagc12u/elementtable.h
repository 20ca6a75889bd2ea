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
    // then unchanged).
    int add(const ccGraphic& graphic, const ccRect& view, double unitsPerPixel);
    // The numbers of the list's graphics, in its order.
    std::vector<int> add(const ccGraphicList& list, const ccRect& view, double unitsPerPixel);

    std::size_t size() const noexcept { return texts_.size(); }
    // The text of element `element`, 0 <= element < size() (otherwise
    // std::out_of_range).
    const std::string& text(int element) const { return *texts_.at(element); }
    // What the elements refer to (a canvas's defs(): style rules, markers),
    // each distinct text once, in order of first need.
    const std::vector<std::string>& definitions() const noexcept { return definitions_; }

  private:
    std::string idPrefix_;
    std::unordered_map<std::string, int> numbers_;
    std::vector<const std::string*> texts_;
    std::unordered_set<std::string> seenDefinitions_;
    std::vector<std::string> definitions_;
};
