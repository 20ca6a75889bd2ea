#include "vxdiagc12u/elementtable.h"

#include "vxstd12u/errors.h"

int ccSvgElementTable::add(const ccPtrHandle<ccGraphic>& graphic, const ccRect& view,
                           double unitsPerPixel) {
    if (!graphic) throw ccBadPointer(L"an empty graphic handle has no SVG text");
    ccSvgCanvas canvas(view, unitsPerPixel, idPrefix_);
    graphic->render(canvas);
    const auto [it, isNew] = numbers_.emplace(canvas.body(), static_cast<int>(entries_.size()));
    if (!isNew) return it->second;  // the same text needs the same definitions
    entries_.push_back({&it->first, graphic, view, unitsPerPixel});
    const std::string defs = canvas.defs();
    if (!defs.empty() && seenDefinitions_.insert(defs).second) definitions_.push_back(defs);
    return it->second;
}

std::vector<int> ccSvgElementTable::add(const ccGraphicList& list, const ccRect& view,
                                        double unitsPerPixel) {
    std::vector<int> numbers;
    numbers.reserve(static_cast<std::size_t>(list.size()));
    for (const auto& graphic : list) numbers.push_back(add(graphic, view, unitsPerPixel));
    return numbers;
}

std::string ccSvgElementTable::runText(const std::vector<int>& run) const {
    if (run.empty()) return "";
    ccSvgCanvas canvas(view(run.front()), unitsPerPixel(run.front()), idPrefix_);
    for (int e : run) graphic(e).render(canvas);
    return canvas.body();
}
