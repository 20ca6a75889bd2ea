#include "vxdiagc12u/htmlreport.h"

#include <algorithm>
#include <cmath>
#include <ostream>
#include <unordered_set>
#include <vector>

#include "vxdiagc12u/base64.h"
#include "vxdiagc12u/composition.h"
#include "vxdiagc12u/diag.h"
#include "vxdiagc12u/elementtable.h"
#include "vxdiagc12u/png.h"
#include "vxstd12u/str.h"

std::string cfHtmlEscape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

namespace {

// Pictures are shown this many pixels on their larger side.
constexpr double kPictureSidePixels = 480.0;
// Records nested deeper than this below the top start collapsed: a large
// model's page opens on its outline, not on thousands of pictures.
constexpr long kOpenDepth = 0;

std::string escaped(const std::wstring& text) {
    return cfHtmlEscape(cfNarrow(text));
}

// 16-bit images are shown through 8 bits, stretched from their darkest to
// their brightest pixel: cameras of more than 8 bits rarely fill 16, and
// browsers would treat a 16-bit PNG as linear light and brighten it.
ccPelBuffer_const<unsigned char> forDisplay(const ccPelBuffer_const<unsigned short>& image) {
    const auto& pels = image.pels();
    const auto [lo, hi] = std::minmax_element(pels.begin(), pels.end());
    const double range = pels.empty() || *hi == *lo ? 1.0 : static_cast<double>(*hi - *lo);
    std::vector<unsigned char> shown(pels.size());
    for (size_t i = 0; i < pels.size(); ++i)
        shown[i] = static_cast<unsigned char>(std::lround((pels[i] - *lo) * 255.0 / range));
    return ccPelBuffer_const<unsigned char>(image.width(), image.height(), std::move(shown),
                                            image.offsetX(), image.offsetY());
}

std::string pngDataUri(const ccDiagRecord::Image& image) {
    std::string png;
    if (auto bytes = std::get_if<ccPelBuffer_const<unsigned char>>(&image))
        png = cfEncodePng(*bytes);
    else if (auto words = std::get_if<ccPelBuffer_const<unsigned short>>(&image))
        png = cfEncodePng(forDisplay(*words));
    return "data:image/png;base64," + cfBase64(png);
}

bool hasVisibleImage(const ccDiagRecord& record) {
    const cc_PelBuffer* buffer = record.imageBuffer();
    return buffer && !buffer->isEmpty();
}

template <class Pel>
bool isSameImageAs(const ccPelBuffer_const<Pel>& a, const ccDiagRecord::Image& other) {
    const auto b = std::get_if<ccPelBuffer_const<Pel>>(&other);
    if (!b || a.imageRect() != b->imageRect()) return false;
    // Records usually share one buffer; comparing pixels is for the others.
    return &a.pels() == &b->pels() || a.pels() == b->pels();
}

bool isSameImage(const ccDiagRecord::Image& a, const ccDiagRecord::Image& b) {
    if (auto bytes = std::get_if<ccPelBuffer_const<unsigned char>>(&a))
        return isSameImageAs(*bytes, b);
    if (auto words = std::get_if<ccPelBuffer_const<unsigned short>>(&a))
        return isSameImageAs(*words, b);
    return false;
}

// One picture of a record: one of its graphic lists over its image, or its
// image alone when it has no graphics.
struct Picture {
    const ccGraphicList* list;  // null for the image alone
    ccDisplay::CoordinateSystem coords;
    std::wstring title;
    ccRect frame;
    int image;  // -1 without one
    ccComposedDrawing drawing;
};

// Everything the page shows, gathered before it is written, so that each
// image and each piece of drawing is written once and referred to after.
class ReportPage {
  public:
    explicit ReportPage(const ccDiagObject& diag);
    void write(const std::wstring& title, std::ostream& out) const;

  private:
    int imageNumber(const ccDiagRecord& record);
    void addPictures(const ccDiagRecord& record);
    void compose(const std::vector<long>& parents);
    void writeShared(std::ostream& out) const;
    std::vector<int> ownElements(const ccComposedDrawing& drawing) const;
    void writeReferences(const std::vector<ccDrawingPart>& parts, std::ostream& out) const;
    void writeDrawing(const ccComposedDrawing& drawing, std::ostream& out) const;
    void writePicture(const Picture& picture, std::ostream& out) const;
    void writeRecordBody(const ccDiagRecord& record, long number, bool isOpen,
                         std::ostream& out) const;

    const ccDiagObject& diag_;
    std::vector<const ccDiagRecord::Image*> images_;
    ccSvgElementTable elements_{"r"};
    // The pictures of record k are pictures_[first_[k]] up to first_[k + 1].
    std::vector<Picture> pictures_;
    std::vector<std::size_t> first_;
    std::vector<std::size_t> uses_;
    std::vector<bool> isReferred_;
};

// The index of each record's enclosing record, -1 for those at the top.
std::vector<long> parentsOf(const ccDiagObject& diag) {
    std::vector<long> parents, open;
    long k = 0;
    for (const ccDiagRecord& record : diag.records()) {
        while (!open.empty() &&
               diag.records()[static_cast<std::size_t>(open.back())].level() >= record.level())
            open.pop_back();
        parents.push_back(open.empty() ? -1 : open.back());
        open.push_back(k++);
    }
    return parents;
}

void markReferred(const std::vector<ccDrawingPart>& parts, std::vector<bool>& referred) {
    for (const ccDrawingPart& part : parts) {
        if (part.kind == ccDrawingPart::eWhole)
            referred[static_cast<std::size_t>(part.drawing->id)] = true;
        if (part.kind == ccDrawingPart::ePartial) markReferred(part.parts, referred);
    }
}

ReportPage::ReportPage(const ccDiagObject& diag) : diag_(diag) {
    for (const ccDiagRecord& record : diag.records()) {
        first_.push_back(pictures_.size());
        addPictures(record);
    }
    first_.push_back(pictures_.size());
    compose(parentsOf(diag));
}

int ReportPage::imageNumber(const ccDiagRecord& record) {
    if (!hasVisibleImage(record)) return -1;
    for (std::size_t i = 0; i < images_.size(); ++i)
        if (isSameImage(*images_[i], record.image())) return static_cast<int>(i);
    images_.push_back(&record.image());
    return static_cast<int>(images_.size() - 1);
}

void ReportPage::addPictures(const ccDiagRecord& record) {
    const int image = imageNumber(record);
    const auto add = [&](const ccGraphicList* list, ccDisplay::CoordinateSystem coords,
                         const std::wstring& title) {
        // Without an image a picture shows what its graphics need.
        const ccRect frame = image >= 0 ? record.imageBuffer()->imageRect()
                             : list     ? list->fittedView()
                                        : ccGraphicList().fittedView();
        Picture picture{list, coords, title, frame, image, {}};
        picture.drawing.id = static_cast<int>(pictures_.size());
        if (list)
            picture.drawing.elements = elements_.add(
                *list, frame, std::max(frame.width(), frame.height()) / kPictureSidePixels);
        pictures_.push_back(std::move(picture));
    };
    if (record.graphics().empty() && image >= 0) add(nullptr, ccDisplay::eImageCoords, L"Image");
    for (const auto& [list, coords, title] : record.graphics()) add(&list, coords, title);
}

// The records after a record come before it in the compositions: a node's
// drawing reuses those of the nodes below it.
void ReportPage::compose(const std::vector<long>& parents) {
    std::vector<std::vector<const ccComposedDrawing*>> candidates(parents.size());
    for (std::size_t k = parents.size(); k-- > 0;) {
        std::reverse(candidates[k].begin(), candidates[k].end());
        for (std::size_t p = first_[k]; p < first_[k + 1]; ++p)
            cfCompose(pictures_[p].drawing, candidates[k]);
        if (parents[k] < 0) continue;
        // Gathered last child first, reversed above when the parent's turn comes.
        auto& forParent = candidates[static_cast<std::size_t>(parents[k])];
        for (std::size_t p = first_[k + 1]; p-- > first_[k];)
            forParent.push_back(&pictures_[p].drawing);
    }
    std::vector<const ccComposedDrawing*> all;
    for (const Picture& picture : pictures_) all.push_back(&picture.drawing);
    uses_ = cfElementUses(all, elements_.size());
    isReferred_.assign(pictures_.size(), false);
    for (const Picture& picture : pictures_) markReferred(picture.drawing.parts, isReferred_);
}

void collectOwn(const std::vector<ccDrawingPart>& parts, const std::vector<std::size_t>& uses,
                std::vector<int>& out) {
    for (const ccDrawingPart& part : parts) {
        if (part.kind == ccDrawingPart::eElement &&
            uses[static_cast<std::size_t>(part.element)] == 1)
            out.push_back(part.element);
        if (part.kind == ccDrawingPart::ePartial) collectOwn(part.parts, uses, out);
    }
}

// The elements written with a drawing and nowhere else, in its order.
std::vector<int> ReportPage::ownElements(const ccComposedDrawing& drawing) const {
    std::vector<int> own;
    collectOwn(drawing.parts, uses_, own);
    return own;
}

// References never nest: a shared drawing holds its own elements only, and
// whoever shows it refers to its parts' drawings directly. Browsers build
// a copy per reference, and references to references cost them far more
// than the same references side by side.
void ReportPage::writeReferences(const std::vector<ccDrawingPart>& parts, std::ostream& out) const {
    for (const ccDrawingPart& part : parts) {
        if (part.kind == ccDrawingPart::eElement &&
            uses_[static_cast<std::size_t>(part.element)] > 1)
            out << "<use href=\"#e" << part.element << "\"/>";
        else if (part.kind == ccDrawingPart::eWhole)
            writeDrawing(*part.drawing, out);
        else if (part.kind == ccDrawingPart::ePartial)
            writeReferences(part.parts, out);
    }
}

// A drawing: its own elements, inline when it is shown only once, and then
// what it takes from others.
void ReportPage::writeDrawing(const ccComposedDrawing& drawing, std::ostream& out) const {
    if (isReferred_[static_cast<std::size_t>(drawing.id)]) {
        if (!ownElements(drawing).empty()) out << "<use href=\"#d" << drawing.id << "\"/>";
    } else {
        // Written together, so that the canvas can join alike strokes.
        out << elements_.runText(ownElements(drawing));
    }
    writeReferences(drawing.parts, out);
}

// One hidden picture holds what the others refer to: the images, the style
// rules, the elements used more than once and the drawings reused whole.
void ReportPage::writeShared(std::ostream& out) const {
    out << "<svg class=\"shared\" xmlns=\"http://www.w3.org/2000/svg\" width=\"0\" "
           "height=\"0\" aria-hidden=\"true\">\n<defs>\n";
    for (const std::string& definitions : elements_.definitions()) out << definitions;
    for (std::size_t i = 0; i < images_.size(); ++i) {
        const ccRect frame = std::visit(
            [](const auto& image) -> ccRect {
                if constexpr (std::is_same_v<std::decay_t<decltype(image)>, std::monostate>)
                    return ccRect();
                else
                    return image.imageRect();
            },
            *images_[i]);
        out << "<image id=\"i" << i << "\" href=\"" << pngDataUri(*images_[i]) << "\" x=\""
            << cfSvgNumber(frame.xMin()) << "\" y=\"" << cfSvgNumber(frame.yMin()) << "\" width=\""
            << cfSvgNumber(frame.width()) << "\" height=\"" << cfSvgNumber(frame.height())
            << "\" preserveAspectRatio=\"none\" style=\"image-rendering:pixelated\"/>\n";
    }
    for (std::size_t e = 0; e < uses_.size(); ++e)
        if (uses_[e] > 1)
            out << "<g id=\"e" << e << "\">" << elements_.text(static_cast<int>(e)) << "</g>\n";
    for (const Picture& picture : pictures_) {
        if (!isReferred_[static_cast<std::size_t>(picture.drawing.id)]) continue;
        const std::vector<int> own = ownElements(picture.drawing);
        if (own.empty()) continue;
        out << "<g id=\"d" << picture.drawing.id << "\">" << elements_.runText(own) << "</g>\n";
    }
    out << "</defs>\n</svg>\n";
}

void ReportPage::writePicture(const Picture& picture, std::ostream& out) const {
    const ccRect& frame = picture.frame;
    const double scale = kPictureSidePixels / std::max(frame.width(), frame.height());
    out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\""
        << cfSvgNumber(frame.width() * scale) << "\" height=\""
        << cfSvgNumber(frame.height() * scale) << "\" viewBox=\"" << cfSvgNumber(frame.xMin())
        << " " << cfSvgNumber(frame.yMin()) << " " << cfSvgNumber(frame.width()) << " "
        << cfSvgNumber(frame.height()) << "\">\n";
    if (picture.image >= 0) out << "<use href=\"#i" << picture.image << "\"/>\n";
    const bool yUp = picture.coords == ccDisplay::eClientCoords;
    if (yUp)
        out << "<g transform=\"" << cfClientToImageTransform(frame.yMin(), frame.yMax()) << "\">\n";
    writeDrawing(picture.drawing, out);
    out << (yUp ? "\n</g>\n" : "\n") << "</svg>";
}

const char* coordsName(ccDisplay::CoordinateSystem coords) {
    return coords == ccDisplay::eClientCoords ? "client coordinates" : "image coordinates";
}

// The pictures of a folded record wait in a template until it is unfolded
// (kUnfoldScript): a browser builds every picture it is given, shown or
// not, and a large model's folded records hold most of them.
void ReportPage::writeRecordBody(const ccDiagRecord& record, long number, bool isOpen,
                                 std::ostream& out) const {
    const auto k = static_cast<std::size_t>(number);
    out << "<summary><h2>" << escaped(record.annotation()) << "</h2></summary>\n";
    if (first_[k] < first_[k + 1]) {
        out << (isOpen ? "" : "<template class=\"pictures\">") << "<div class=\"pictures\">\n";
        for (std::size_t p = first_[k]; p < first_[k + 1]; ++p) {
            const Picture& picture = pictures_[p];
            out << "<figure>";
            writePicture(picture, out);
            out << "<figcaption>" << escaped(picture.title);
            if (picture.list)
                out << " <span class=\"coords\">(" << coordsName(picture.coords) << ", "
                    << picture.list->size() << " graphics)</span>";
            out << "</figcaption></figure>\n";
        }
        out << "</div>\n" << (isOpen ? "" : "</template>\n");
    }
    for (const auto& [title, content] : record.texts())
        out << "<h3>" << escaped(title) << "</h3>\n<pre>" << escaped(content) << "</pre>\n";
}

const char* kStyle =
    "body{font-family:sans-serif;margin:1em;background:#fafafa;color:#222}"
    "section.diag-record{border-left:3px solid #8aa;margin:0.6em 0 0.6em 0.4em;"
    "padding:0.2em 0 0.2em 0.8em;background:#fff}"
    "summary{cursor:pointer}summary h2{display:inline}"
    "h2{font-size:1.05em;margin:0.3em 0}h3{font-size:0.9em;margin:0.4em 0 0.1em}"
    "pre{background:#f3f3f3;padding:0.4em;margin:0;font-size:0.85em;white-space:pre-wrap}"
    ".pictures{display:flex;flex-wrap:wrap;gap:0.6em}"
    "figure{margin:0}figure svg{background:#333;display:block}"
    "svg.shared{position:absolute}"
    "figcaption{font-size:0.8em;color:#555}.coords{color:#999}";

// Puts a record's pictures in place when it is unfolded (see writeRecordBody).
const char* kUnfoldScript =
    "document.addEventListener('toggle', (event) => {"
    "if (!event.target.open) return;"
    "for (const t of event.target.querySelectorAll(':scope > template.pictures'))"
    " t.replaceWith(t.content);"
    "}, true);";

void ReportPage::write(const std::wstring& title, std::ostream& out) const {
    out << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>"
        << escaped(title) << "</title>\n<style>" << kStyle << "</style>\n</head>\n<body>\n<h1>"
        << escaped(title) << "</h1>\n<p class=\"summary\">" << diag_.numRecords()
        << " records</p>\n";
    writeShared(out);
    // The levels of the sections still open, innermost last.
    std::vector<long> open;
    long number = 0;
    for (const ccDiagRecord& record : diag_.records()) {
        while (!open.empty() && open.back() >= record.level()) {
            out << "</details>\n</section>\n";
            open.pop_back();
        }
        const bool isOpen = static_cast<long>(open.size()) <= kOpenDepth;
        out << "<section class=\"diag-record\" id=\"record-" << number << "\" data-level=\""
            << record.level() << "\">\n<details" << (isOpen ? " open" : "") << ">\n";
        writeRecordBody(record, number++, isOpen, out);
        open.push_back(record.level());
    }
    for (size_t i = 0; i < open.size(); ++i) out << "</details>\n</section>\n";
    out << "<script>" << kUnfoldScript << "</script>\n</body>\n</html>\n";
}

}  // namespace

void cfWriteHtmlReport(const ccDiagObject& diag, const std::wstring& title, std::ostream& out) {
    ReportPage(diag).write(title, out);
}
