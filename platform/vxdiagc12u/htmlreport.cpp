#include "vxdiagc12u/htmlreport.h"

#include <algorithm>
#include <cmath>
#include <ostream>
#include <vector>

#include "vxdiagc12u/base64.h"
#include "vxdiagc12u/diag.h"
#include "vxdiagc12u/png.h"
#include "vxstd12u/str.h"

namespace {}  // namespace

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

// The frame a picture shows: the image's rectangle, or without one the
// graphics' own fitted view.
ccRect pictureFrame(const ccDiagRecord& record, const ccGraphicList& list) {
    if (hasVisibleImage(record)) return record.imageBuffer()->imageRect();
    return list.fittedView();
}

std::string pictureSvg(const ccDiagRecord& record, const std::string& imageUri,
                       const ccGraphicList& list, ccDisplay::CoordinateSystem coords,
                       const std::string& id) {
    const ccRect frame = pictureFrame(record, list);
    const double side = std::max(frame.width(), frame.height());
    ccSvgCanvas canvas(frame, side / kPictureSidePixels, id);
    if (!imageUri.empty())
        canvas.raw("<image href=\"" + imageUri + "\" x=\"" + cfSvgNumber(frame.xMin()) + "\" y=\"" +
                   cfSvgNumber(frame.yMin()) + "\" width=\"" + cfSvgNumber(frame.width()) +
                   "\" height=\"" + cfSvgNumber(frame.height()) +
                   "\" preserveAspectRatio=\"none\" style=\"image-rendering:pixelated\"/>\n");
    const bool yUp = coords == ccDisplay::eClientCoords;
    if (yUp) canvas.beginGroup(cfClientToImageTransform(frame.yMin(), frame.yMax()));
    list.render(canvas);
    if (yUp) canvas.endGroup();
    return canvas.svgElement(frame.width() / canvas.unitsPerPixel(),
                             frame.height() / canvas.unitsPerPixel());
}

const char* coordsName(ccDisplay::CoordinateSystem coords) {
    return coords == ccDisplay::eClientCoords ? "client coordinates" : "image coordinates";
}

void writePictures(const ccDiagRecord& record, long number, std::ostream& out) {
    const std::string imageUri = hasVisibleImage(record) ? pngDataUri(record.image()) : "";
    if (record.graphics().empty() && imageUri.empty()) return;
    out << "<div class=\"pictures\">\n";
    if (record.graphics().empty())
        out << "<figure>"
            << pictureSvg(record, imageUri, ccGraphicList(), ccDisplay::eImageCoords,
                          "r" + std::to_string(number) + "-image")
            << "<figcaption>Image</figcaption></figure>\n";
    long k = 0;
    for (const auto& [list, coords, title] : record.graphics()) {
        out << "<figure>"
            << pictureSvg(record, imageUri, list, coords,
                          "r" + std::to_string(number) + "-g" + std::to_string(k++))
            << "<figcaption>" << escaped(title) << " <span class=\"coords\">(" << coordsName(coords)
            << ", " << list.size() << " graphics)</span></figcaption></figure>\n";
    }
    out << "</div>\n";
}

void writeRecordBody(const ccDiagRecord& record, long number, std::ostream& out) {
    out << "<h2>" << escaped(record.annotation()) << "</h2>\n";
    writePictures(record, number, out);
    for (const auto& [title, content] : record.texts())
        out << "<h3>" << escaped(title) << "</h3>\n<pre>" << escaped(content) << "</pre>\n";
}

const char* kStyle =
    "body{font-family:sans-serif;margin:1em;background:#fafafa;color:#222}"
    "section.diag-record{border-left:3px solid #8aa;margin:0.6em 0 0.6em 0.4em;"
    "padding:0.2em 0 0.2em 0.8em;background:#fff}"
    "h2{font-size:1.05em;margin:0.3em 0}h3{font-size:0.9em;margin:0.4em 0 0.1em}"
    "pre{background:#f3f3f3;padding:0.4em;margin:0;font-size:0.85em;white-space:pre-wrap}"
    ".pictures{display:flex;flex-wrap:wrap;gap:0.6em}"
    "figure{margin:0}svg{background:#333;display:block}"
    "figcaption{font-size:0.8em;color:#555}.coords{color:#999}";

}  // namespace

void cfWriteHtmlReport(const ccDiagObject& diag, const std::wstring& title, std::ostream& out) {
    out << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>"
        << escaped(title) << "</title>\n<style>" << kStyle << "</style>\n</head>\n<body>\n<h1>"
        << escaped(title) << "</h1>\n<p class=\"summary\">" << diag.numRecords()
        << " records</p>\n";
    // The levels of the sections still open, innermost last.
    std::vector<long> open;
    long number = 0;
    for (const ccDiagRecord& record : diag.records()) {
        while (!open.empty() && open.back() >= record.level()) {
            out << "</section>\n";
            open.pop_back();
        }
        out << "<section class=\"diag-record\" id=\"record-" << number << "\" data-level=\""
            << record.level() << "\">\n";
        writeRecordBody(record, number++, out);
        open.push_back(record.level());
    }
    for (size_t i = 0; i < open.size(); ++i) out << "</section>\n";
    out << "</body>\n</html>\n";
}
