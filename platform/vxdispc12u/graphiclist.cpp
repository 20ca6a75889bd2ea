#include "vxdispc12u/graphiclist.h"

#include <algorithm>
#include <cmath>
#include <fstream>

#include "vxstd12u/errors.h"
#include "vxstd12u/str.h"

void ccGraphicList::append(const ccPtrHandle<ccGraphic>& graphic, bool share) {
    if (!graphic) throw ccBadPointer(L"appended an empty graphic handle to a graphic list");
    graphics_.push_back(share ? graphic : graphic->clone());
}

void ccGraphicList::append(const ccGraphicList& other) {
    // Copy first: `other` may be this list.
    const std::vector<ccPtrHandle<ccGraphic>> added = other.graphics_;
    graphics_.insert(graphics_.end(), added.begin(), added.end());
}

const ccPtrHandle<ccGraphic>& ccGraphicList::at(long i) const {
    if (i < 0 || i >= size())
        throw ccShapesError::BadParams(L"graphic index " + cfStr(i) + L" outside a list of " +
                                       cfStr(size()));
    return graphics_[static_cast<size_t>(i)];
}

ccGraphicList ccGraphicList::mapped(const ccXform<2>& xform) const {
    ccGraphicList out;
    for (const auto& g : graphics_) out.graphics_.push_back(g->map(xform));
    return out;
}

bool ccGraphicList::extent(ccRect& box) const {
    bool any = false;
    for (const auto& g : graphics_) {
        ccRect one;
        if (!g->extent(one)) continue;
        box = any ? box.unionWith(one) : one;
        any = true;
    }
    return any;
}

void ccGraphicList::render(ccSvgCanvas& canvas) const {
    for (const auto& g : graphics_) g->render(canvas);
}

ccXform<2> cfFitXform(const ccRect& content, const ccRect& frame, double enlargement) {
    if (!(frame.width() > 0 && frame.height() > 0))
        throw ccShapesError::BadParams(L"cannot fit a drawing into a frame without area");
    if (!(std::isfinite(enlargement) && enlargement > 0))
        throw ccShapesError::BadParams(L"the enlargement of a fitted drawing must be positive");
    double rx = content.width() * enlargement / frame.width();
    double ry = content.height() * enlargement / frame.height();
    if (rx == 0) rx = ry;
    if (ry == 0) ry = rx;
    const double scale = rx == 0 ? 1.0 : 1.0 / std::max(rx, ry);
    const ccMatrix<2> m = ccMatrix<2>::scale(scale, scale);
    return ccXform<2>(m, frame.center() - m * content.center());
}

std::string cfClientToImageTransform(double yMin, double yMax) {
    return "matrix(1 0 0 -1 0 " + cfSvgNumber(yMin + yMax) + ")";
}

namespace {

constexpr double kPictureSidePixels = 1000.0;

}  // namespace

ccRect ccGraphicList::fittedView() const {
    ccRect box;
    if (!extent(box)) return ccRect(ccVector<2>(-50, -50), ccVector<2>(100, 100));
    const double side = std::max(box.width(), box.height());
    const double margin = side > 0 ? 0.05 * side : 1.0;
    const ccVector<2> pad(margin, margin);
    return ccRect(box.origin() - pad, box.size() + pad * 2.0);
}

std::string ccGraphicList::toSvg(ccDisplay::CoordinateSystem coords) const {
    const ccRect view = fittedView();
    const double side = std::max(view.width(), view.height());
    ccSvgCanvas canvas(view, side / kPictureSidePixels);
    const bool yUp = coords == ccDisplay::eClientCoords;
    if (yUp) canvas.beginGroup(cfClientToImageTransform(view.yMin(), view.yMax()));
    render(canvas);
    if (yUp) canvas.endGroup();
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" +
           canvas.svgElement(view.width() / canvas.unitsPerPixel(),
                             view.height() / canvas.unitsPerPixel());
}

void ccGraphicList::writeSvg(const std::string& path, ccDisplay::CoordinateSystem coords) const {
    const std::string svg = toSvg(coords);
    std::ofstream out(path, std::ios::binary);
    out << svg;
    out.close();
    if (!out)
        throw ccShapesError::BadParams(L"could not write the SVG file " +
                                       std::wstring(path.begin(), path.end()));
}
