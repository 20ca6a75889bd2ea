#include "vxdiagc12u/elementtable.h"

int ccSvgElementTable::add(const ccGraphic& graphic, const ccRect& view, double unitsPerPixel) {
    ccSvgCanvas canvas(view, unitsPerPixel, idPrefix_);
    graphic.render(canvas);
    const std::string defs = canvas.defs();
    if (!defs.empty() && seenDefinitions_.insert(defs).second) definitions_.push_back(defs);
    const auto [it, isNew] = numbers_.emplace(canvas.body(), static_cast<int>(texts_.size()));
    if (isNew) texts_.push_back(&it->first);
    return it->second;
}

std::vector<int> ccSvgElementTable::add(const ccGraphicList& list, const ccRect& view,
                                        double unitsPerPixel) {
    std::vector<int> numbers;
    numbers.reserve(static_cast<std::size_t>(list.size()));
    for (const auto& graphic : list) numbers.push_back(add(*graphic, view, unitsPerPixel));
    return numbers;
}
