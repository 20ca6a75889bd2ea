#include <iomanip>
#include <ostream>
#include <sstream>

#include "shapemod/dxfimport.h"

namespace shapemod {

namespace {

std::string importedKinds(const DxfImport& result, const std::string& layer) {
    std::string kinds;
    for (const DxfEntityTally& t : result.tallies)
        if (t.reason.empty() && t.layer == layer)
            kinds += (kinds.empty() ? "" : ", ") + std::to_string(t.count) + " " + t.kind;
    return kinds;
}

std::string counted(long n, const std::string& what) {
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

std::string contours(const DxfLayerReport& report, bool regions) {
    std::ostringstream gap;
    gap << std::setprecision(3) << report.largestGap;
    std::string text = std::to_string(report.closed) + " closed, " + std::to_string(report.open) +
                       " open, largest gap " + gap.str();
    if (regions)
        text += "; " + counted(report.regionTrees, "region tree") + ", " +
                counted(report.regionLevels, "level") + " deep";
    return text;
}

// "entity 4", "entities 3-6, 9": ascending numbers, runs shown as ranges.
std::string entityList(const std::vector<long>& entities) {
    std::string list;
    for (std::size_t i = 0; i < entities.size();) {
        std::size_t j = i;
        while (j + 1 < entities.size() && entities[j + 1] == entities[j] + 1) ++j;
        list += (list.empty() ? "" : ", ") + std::to_string(entities[i]) +
                (j > i ? "-" + std::to_string(entities[j]) : "");
        i = j + 1;
    }
    return (entities.size() == 1 ? "entity " : "entities ") + list;
}

void printCrossing(const std::string& layer, const DxfCrossing& c, std::ostream& err) {
    err << "layer " << layer << ": the contour of " << entityList(c.entities);
    if (c.otherEntities.empty())
        err << " has points beyond finite coordinates";
    else
        err << " crosses the contour of " << entityList(c.otherEntities);
    err << "; not nested, kept as general contours\n";
}

}  // namespace

void printDxfSummary(const DxfImport& result, std::ostream& err) {
    bool anyClosed = false;
    for (const DxfLayerReport& r : result.reports) anyClosed = anyClosed || r.closed > 0;
    for (std::size_t i = 0; i < result.layers.size(); ++i)
        err << "child " << i << ", layer " << result.layers[i] << ": "
            << importedKinds(result, result.layers[i]) << " -> "
            << contours(result.reports.at(i), result.regions) << "\n";
    for (std::size_t i = 0; i < result.layers.size(); ++i)
        for (const DxfCrossing& c : result.reports[i].crossings)
            printCrossing(result.layers[i], c, err);
    if (!anyClosed)
        err << "no closed contour: every contour is open (a larger --connect distance may close "
               "them)\n";
    for (const DxfEntityTally& t : result.tallies)
        if (!t.reason.empty())
            err << t.kind << " on layer " << t.layer << ": not imported (" << t.reason << ") x "
                << t.count << "\n";
}

}  // namespace shapemod
