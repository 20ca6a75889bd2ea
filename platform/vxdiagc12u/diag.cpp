#include "vxdiagc12u/diag.h"

#include <fstream>

#include "vxdiagc12u/htmlreport.h"
#include "vxstd12u/errors.h"
#include "vxstd12u/str.h"

void ccDiagRecord::image(const ccPelBuffer_const<unsigned char>& image, bool) {
    image_ = image;
}

void ccDiagRecord::image(const ccPelBuffer_const<unsigned short>& image, bool) {
    image_ = image;
}

void ccDiagRecord::text(const std::wstring& content, const std::wstring& title) {
    texts_.emplace_back(title, content);
}

void ccDiagRecord::graphics(const ccGraphicList& list, ccDisplay::CoordinateSystem coords,
                            const std::wstring& title) {
    graphics(list, static_cast<int>(coords), title);
}

void ccDiagRecord::graphics(const ccGraphicList& list, int coords, const std::wstring& title) {
    if (!ccDisplay::isCoordinateSystem(coords))
        throw ccShapesError::BadParams(L"coordinate system " + cfStr(static_cast<long>(coords)) +
                                       L" is neither 1 (client) nor 2 (image)");
    graphics_.emplace_back(list, static_cast<ccDisplay::CoordinateSystem>(coords), title);
}

const cc_PelBuffer* ccDiagRecord::imageBuffer() const noexcept {
    if (auto p = std::get_if<ccPelBuffer_const<unsigned char>>(&image_)) return p;
    if (auto p = std::get_if<ccPelBuffer_const<unsigned short>>(&image_)) return p;
    return nullptr;
}

void ccDiagObject::level(long level) {
    if (level < 0)
        throw ccShapesError::BadParams(L"diagnostic level " + cfStr(level) + L" is negative");
    level_ = level;
}

ccDiagRecord& ccDiagObject::newDiagRecord() {
    records_.emplace_back(level_);
    return records_.back();
}

void ccDiagObject::writeHtml(std::ostream& out, const std::wstring& title) const {
    cfWriteHtmlReport(*this, title, out);
}

void ccDiagObject::writeHtml(const std::string& path, const std::wstring& title) const {
    std::ofstream out(path, std::ios::binary);
    writeHtml(out, title);
    out.close();
    if (!out)
        throw ccShapesError::BadParams(L"could not write the report file " +
                                       std::wstring(path.begin(), path.end()));
}
