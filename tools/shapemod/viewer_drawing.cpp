#include "shapemod/viewer_drawing.h"
#include <algorithm>
#include <cstdint>
#include <sstream>
#include "vxdiagc12u/composition.h"
#include "vxdiagc12u/elementtable.h"
#include "vxstd12u/line.h"

namespace shapemod {

namespace {

// The initial view is this many pixels on its larger side; widths and the
// precision of numbers follow from it.
constexpr double kViewPixels = 1000.0;

// Every record's drawing as element numbers, composed from the drawings of
// the records directly below it, deepest first.
class NodeDrawings {
  public:
    NodeDrawings(const ccDiagObject& diag, const ccRect& frame) : drawings_(diag.records().size()) {
        const double unitsPerPixel = std::max(frame.width(), frame.height()) / kViewPixels;
        std::vector<std::vector<const ccComposedDrawing*>> below(drawings_.size());
        std::vector<long> open;
        for (std::size_t k = 0; k < drawings_.size(); ++k) {
            const ccDiagRecord& record = diag.records()[k];
            drawings_[k].id = static_cast<int>(k);
            drawings_[k].elements = elements_.add(drawingOf(record), frame, unitsPerPixel);
            while (!open.empty() &&
                   diag.records()[static_cast<std::size_t>(open.back())].level() >= record.level())
                open.pop_back();
            if (!open.empty())
                below[static_cast<std::size_t>(open.back())].push_back(&drawings_[k]);
            open.push_back(static_cast<long>(k));
        }
        for (std::size_t k = drawings_.size(); k-- > 0;) cfCompose(drawings_[k], below[k]);
        below_ = std::move(below);
    }

    // The top drawing's elements [begin, end) composed from the nodes below.
    ccComposedDrawing layer(std::size_t begin, std::size_t end) const {
        const auto& all = drawings_.front().elements;
        ccComposedDrawing layer{0,
                                {all.begin() + static_cast<long>(std::min(begin, all.size())),
                                 all.begin() + static_cast<long>(std::min(end, all.size()))},
                                {}};
        cfCompose(layer, below_.front());
        return layer;
    }

    // The compositions point into this object.
    NodeDrawings(const NodeDrawings&) = delete;
    NodeDrawings& operator=(const NodeDrawings&) = delete;

    const ccSvgElementTable& elements() const noexcept { return elements_; }
    const std::vector<std::string>& definitions() const noexcept { return elements_.definitions(); }

  private:
    ccSvgElementTable elements_{"v"};
    std::vector<ccComposedDrawing> drawings_;
    std::vector<std::vector<const ccComposedDrawing*>> below_;
};

// A glyph's strokes are short; an arrowhead on each would hide the glyph,
// so the glyph layer draws them as plain lines. Null for anything else.
ccPtrHandle<ccGraphic> plainStroke(const ccGraphic& graphic) {
    const auto segment = dynamic_cast<const ccGraphicSimple<ccLineSeg>*>(&graphic);
    if (!segment || !graphic.props().arrowHead()) return {};
    ccGraphicProps props = graphic.props();
    props.arrowHead(false);
    return ccPtrHandle<ccGraphic>(
        new ccGraphicSimple<ccLineSeg>(dynamic_cast<const ccLineSeg&>(segment->shape()), props));
}

// Writes a layer as nested node groups, each node's own elements drawn
// together so that the canvas joins alike strokes.
class LayerWriter {
  public:
    LayerWriter(const ccSvgElementTable& elements, const std::vector<ViewerNode>& nodes,
                bool plainStrokes, std::ostream& out)
        : elements_(elements), nodes_(nodes), plainStrokes_(plainStrokes), out_(out) {}

    void node(int k, const std::vector<ccDrawingPart>& parts) {
        const ViewerNode& n = nodes_.at(static_cast<std::size_t>(k));
        out_ << "<g data-node=\"" << k << "\"";
        const std::string classes = std::string(n.isNegative ? " neg" : "") +
                                    (n.isReversed ? " rev" : "") + (n.isIgnored ? " ign" : "");
        if (!classes.empty()) out_ << " class=\"" << classes.substr(1) << "\"";
        out_ << ">";
        std::vector<int> run;
        for (const ccDrawingPart& part : parts) {
            if (part.kind == ccDrawingPart::eElement) {
                run.push_back(part.element);
                continue;
            }
            write(run);
            node(part.drawing->id,
                 part.kind == ccDrawingPart::eWhole ? part.drawing->parts : part.parts);
        }
        write(run);
        out_ << "</g>\n";
    }

  private:
    void write(std::vector<int>& run) {
        if (run.empty()) return;
        ccSvgCanvas canvas(elements_.view(run.front()), elements_.unitsPerPixel(run.front()), "v");
        for (int e : run) {
            const ccGraphic& graphic = elements_.graphic(e);
            const ccPtrHandle<ccGraphic> plain = plainStrokes_ ? plainStroke(graphic) : nullptr;
            (plain ? *plain : graphic).render(canvas);
        }
        out_ << canvas.body();
        run.clear();
    }

    const ccSvgElementTable& elements_;
    const std::vector<ViewerNode>& nodes_;
    bool plainStrokes_;
    std::ostream& out_;
};

}  // namespace

const ccGraphicList& drawingOf(const ccDiagRecord& record) {
    static const ccGraphicList kNone;
    return record.graphics().empty() ? kNone : std::get<0>(record.graphics().front());
}

std::string viewerDrawingSvg(const ccDiagObject& diag, const std::vector<ViewerNode>& nodes,
                             long numOutlines, const ccRect& frame,
                             const std::string& featurelets) {
    std::ostringstream out;
    out << "<svg id=\"drawing\" xmlns=\"http://www.w3.org/2000/svg\" viewBox=\""
        << cfSvgNumber(frame.xMin()) << " " << cfSvgNumber(frame.yMin()) << " "
        << cfSvgNumber(frame.width()) << " " << cfSvgNumber(frame.height()) << "\">\n";
    if (!diag.records().empty()) {
        const NodeDrawings drawings(diag, frame);
        out << "<defs>";
        for (const std::string& d : drawings.definitions()) out << d;
        out << "</defs>\n";
        const auto split = static_cast<std::size_t>(std::max(0L, numOutlines));
        out << "<g class=\"outlines\">\n";
        LayerWriter(drawings.elements(), nodes, false, out).node(0, drawings.layer(0, split).parts);
        out << "</g>\n<g class=\"glyphs\">\n";
        LayerWriter(drawings.elements(), nodes, true, out)
            .node(0, drawings.layer(split, SIZE_MAX).parts);
        out << "</g>\n";
    }
    out << "<g class=\"featurelets\">" << featurelets << "</g>\n</svg>";
    return out.str();
}

}  // namespace shapemod
