#include "shapemod/viewer.h"
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <unordered_map>
#include "shapemod/cli.h"
#include "shapemod/inspection.h"
#include "shapemod/viewer_drawing.h"
#include "shapemod/viewer_template.h"
#include "vxdiagc12u/htmlreport.h"
#include "vxstd12u/mappedshape.h"
#include "vxstd12u/shapetree.h"
#include "vxstd12u/str.h"

namespace shapemod {

namespace {

// More featurelets than this are thinned to every n-th for the drawing:
// beyond it the layer alone would pass a few megabytes.
constexpr long kMostFeaturelets = 100000;
// A featurelet's tick is this share of the view's larger side.
constexpr double kTickShare = 0.006;

// Counts the nodes the records will list, stopping once past `limit`, so
// that a model of millions of nodes is refused before it is walked.
long countNodes(const ccShape& shape, long limit) {
    long n = 1;
    const auto add = [&](const ccShape& below) {
        if (n <= limit) n += countNodes(below, limit - n);
    };
    if (auto tree = dynamic_cast<const ccShapeTree*>(&shape)) {
        if (auto region = dynamic_cast<const ccRegionTree*>(tree)) add(region->boundary());
        for (long i = 0; i < tree->numChildren() && n <= limit; ++i) add(*tree->child(i));
    } else if (auto mapped = dynamic_cast<const ccMappedShape*>(&shape)) {
        if (mapped->shape()) add(*mapped->shape());
    }
    return n;
}

// The properties in force as the description states them: the three lines
// after the "Effective shape model props:" line.
struct StatedProps {
    std::string polarity = "normal";
    std::string weight = "1";
    std::string magnitude = "1";
};

StatedProps statedProps(const std::string& description, const std::string& heading) {
    StatedProps props;
    std::istringstream lines(
        description.substr(std::min(description.find(heading), description.size())));
    std::string line;
    std::getline(lines, line);
    const auto value = [&](const std::string& label, std::string& into) {
        if (std::getline(lines, line) && line.rfind(label, 0) == 0)
            into = line.substr(label.size());
    };
    value("  Polarity: ", props.polarity);
    value("  Weight: ", props.weight);
    value("  Magnitude: ", props.magnitude);
    return props;
}

std::string summary(const StatedProps& p) {
    return p.polarity + ", weight " + p.weight + ", magnitude " + p.magnitude;
}

// Descriptions repeat most of their lines from node to node (headings,
// properties, depths), so the page keeps each distinct line once and each
// node's description as the numbers of its lines.
class LineTable {
  public:
    nlohmann::json numbers(const std::string& text) {
        nlohmann::json out = nlohmann::json::array();
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) {
            const auto [it, isNew] = numbers_.emplace(line, lines_.size());
            if (isNew) lines_.push_back(line);
            out.push_back(it->second);
        }
        return out;
    }
    const std::vector<std::string>& lines() const noexcept { return lines_; }

  private:
    std::unordered_map<std::string, std::size_t> numbers_;
    std::vector<std::string> lines_;
};

struct NodeTable {
    std::vector<ViewerNode> nodes;
    std::string json;  // what the page's script reads
};

NodeTable nodeTable(const ccDiagObject& diag) {
    NodeTable table;
    LineTable lines;
    nlohmann::json entries = nlohmann::json::array();
    const long top = diag.records().empty() ? 0 : diag.records().front().level();
    for (const ccDiagRecord& r : diag.records()) {
        const std::string description =
            r.texts().empty() ? std::string() : cfNarrow(r.texts().front().second);
        const StatedProps effective = statedProps(description, "Effective shape model props:");
        const StatedProps local = statedProps(description, "Local shape model props");
        const bool isIgnored = effective.polarity.rfind("ignore", 0) == 0;
        const bool isReversed = effective.polarity.find("reversed") != std::string::npos;
        const bool isNegative = !effective.weight.empty() && effective.weight[0] == '-';
        table.nodes.push_back({cfNarrow(r.annotation()), r.level() - top, description, isNegative,
                               isReversed, isIgnored});
        entries.push_back({{"name", table.nodes.back().name},
                           {"level", table.nodes.back().level},
                           {"effective", summary(effective)},
                           {"local", summary(local)},
                           {"lines", lines.numbers(description)}});
    }
    table.json = nlohmann::json{{"lines", lines.lines()}, {"nodes", std::move(entries)}}.dump();
    return table;
}

// JSON inside a <script> element must not close it.
std::string scriptSafe(std::string json) {
    for (auto at = json.find("</"); at != std::string::npos; at = json.find("</", at + 2))
        json.replace(at, 2, "<\\/");
    return json;
}

// Digits after the point for numbers a ten-thousandth of `side` apart: the
// ticks need no more than a fraction of a pixel at any sensible zoom.
int decimalsFor(double side) {
    return std::clamp(4 - static_cast<int>(std::floor(std::log10(side))), 0, 12);
}

std::string number(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    std::string out = text;
    if (out.find('.') != std::string::npos) {
        out.erase(out.find_last_not_of('0') + 1);
        if (out.back() == '.') out.pop_back();
    }
    return out == "-0" ? "0" : out;
}

// The featurelets as ticks along their expected gradient, in three paths by
// the sign of the weight; a featurelet whose polarity is ignored points both
// ways.
std::string featureletsSvg(const ccFeatureletChainSet& set, const ccRect& frame, long& step) {
    const long n = set.numFeaturelets();
    step = n > kMostFeaturelets ? (n + kMostFeaturelets - 1) / kMostFeaturelets : 1;
    const double side = std::max(frame.width(), frame.height());
    const double tick = kTickShare * side;
    const int decimals = decimalsFor(side);
    std::string paths[3];
    for (long i = 0; i < n; i += step) {
        const ccFeaturelet& f = set.featurelets()[static_cast<std::size_t>(i)];
        const ccVector<2> along(std::cos(f.angle.toDouble()) * tick,
                                std::sin(f.angle.toDouble()) * tick);
        const ccVector<2> from = f.isMod180() ? f.position - along : f.position;
        const ccVector<2> span = f.isMod180() ? along * 2.0 : along;
        std::string& path = paths[f.weight > 0 ? 0 : f.weight < 0 ? 1 : 2];
        path += "M" + number(from.x(), decimals) + " " + number(from.y(), decimals) + "l" +
                number(span.x(), decimals) + " " + number(span.y(), decimals);
    }
    const char* kClasses[3] = {"positive", "negative", "zero"};
    std::string out;
    for (int k = 0; k < 3; ++k)
        if (!paths[k].empty())
            out += std::string("<path class=\"") + kClasses[k] + "\" d=\"" + paths[k] + "\"/>";
    return out;
}

// The template with each @NAME@ replaced by its text, in one pass, so that
// nothing a text brings in (a title, a description) is taken for a
// placeholder. Unknown names stay as they are.
std::string filled(const std::string& page, const std::map<std::string, std::string>& texts) {
    std::string out;
    std::size_t from = 0;
    for (auto at = page.find('@'); at != std::string::npos; at = page.find('@', from)) {
        const auto end = page.find('@', at + 1);
        const auto text =
            end == std::string::npos ? texts.end() : texts.find(page.substr(at + 1, end - at - 1));
        out.append(page, from, at - from);
        if (text == texts.end()) {
            out += '@';
            from = at + 1;
        } else {
            out += text->second;
            from = end + 1;
        }
    }
    return out.append(page, from, std::string::npos);
}

long numOutlines(const ccShape& shape) {
    WeightStyles s = weightStyles();
    for (ccGraphicProps* p : {&s.positive, &s.negative, &s.zero}) p->arrowHead(false);
    ccGraphicList outlines;
    ccShapeModel::draw(outlines, shape, s.positive, s.negative, s.zero);
    return outlines.size();
}

long numInfinite(const ccGraphicList& list) {
    long n = 0;
    ccRect box;
    for (const auto& g : list) n += g->extent(box) ? 0 : 1;
    return n;
}

}  // namespace

std::string viewerHtml(const ModelFile& model, const std::string& title,
                       const std::string& modelName) {
    const ccShape& shape = *model.shape;
    if (countNodes(shape, kMostViewerNodes) > kMostViewerNodes)
        throw FileError(modelName + ": more than " + std::to_string(kMostViewerNodes) +
                        " nodes, more than the viewer shows (shapemod draw and describe take "
                        "any size)");
    const WeightStyles& s = weightStyles();
    ccDiagObject diag;
    ccShapeModel::record(diag, ccPelBuffer_const<unsigned char>(1, 1), shape, s.positive,
                         s.negative, s.zero, L"model");
    const NodeTable table = nodeTable(diag);
    const ccGraphicList& top = drawingOf(diag.records().front());
    const ccRect frame = top.fittedView();

    std::vector<std::string> notices;
    if (const long infinite = numInfinite(top))
        notices.push_back(std::to_string(infinite) +
                          " shapes of infinite extent (lines) are drawn across the first view "
                          "only.");
    std::string featurelets, featureletNote;
    try {
        long step = 1;
        featurelets = featureletsSvg(*ccShapeModel::features(shape, model.params), frame, step);
        if (step > 1) featureletNote = " (every " + std::to_string(step) + "th)";
    } catch (const ccException& e) {
        notices.push_back(std::string("No featurelets: ") + e.what());
    }

    std::string noticeHtml;
    for (const std::string& n : notices)
        noticeHtml += "<p class=\"notice\">" + cfHtmlEscape(n) + "</p>";
    return filled(
        kViewerPage,
        {{"TITLE", cfHtmlEscape(title)},
         {"STYLE", kViewerStyle},
         {"NOTICE", noticeHtml},
         {"FEATURELET_NOTE", featureletNote},
         {"DRAWING", viewerDrawingSvg(diag, table.nodes, numOutlines(shape), frame, featurelets)},
         {"NODES", scriptSafe(table.json)},
         {"SCRIPT", kViewerScript}});
}

}  // namespace shapemod
