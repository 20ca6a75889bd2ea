// Diagnostic records: what a tool saw and did, kept for a person to read.
//
// A ccDiagObject collects ccDiagRecords in order. Each record has a nesting
// level (the object's level when the record was made), an annotation, an
// optional image, texts and graphic lists. The object writes everything as
// one self-contained HTML report.
#pragma once

#include <deque>
#include <iosfwd>
#include <string>
#include <tuple>
#include <utility>
#include <variant>
#include <vector>

#include "vxdiagc12u/pelbuffer.h"
#include "vxdispc12u/display.h"
#include "vxdispc12u/graphiclist.h"

class ccDiagRecord {
  public:
    using Text = std::pair<std::wstring, std::wstring>;  // title, content
    using Graphics = std::tuple<ccGraphicList, ccDisplay::CoordinateSystem, std::wstring>;
    using Image = std::variant<std::monostate, ccPelBuffer_const<unsigned char>,
                               ccPelBuffer_const<unsigned short>>;

    // A record at `level`; ccDiagObject::newDiagRecord makes them.
    explicit ccDiagRecord(long level) : level_(level) {}

    // The image the record's graphics are drawn over; a later call replaces
    // it. Pixel buffers never change, so the record shares the pixels whatever
    // `copyPels` says; the flag is kept for callers that state their intent.
    void image(const ccPelBuffer_const<unsigned char>& image, bool copyPels);
    void image(const ccPelBuffer_const<unsigned short>& image, bool copyPels);
    // Sets the annotation (the record's heading); a later call replaces it.
    void recordAnnotation(const std::wstring& annotation) { annotation_ = annotation; }
    // Adds a text under `title`, after the texts added before.
    void text(const std::wstring& content, const std::wstring& title);
    // Adds a copy of `list` (sharing its graphics) with the coordinate system
    // its graphics are in, after the graphics added before.
    void graphics(const ccGraphicList& list, ccDisplay::CoordinateSystem coords,
                  const std::wstring& title);
    // The same with the coordinate system by number (1 client, 2 image);
    // another number throws ccShapesError::BadParams and adds nothing.
    void graphics(const ccGraphicList& list, int coords, const std::wstring& title);

    long level() const noexcept { return level_; }
    const std::wstring& annotation() const noexcept { return annotation_; }
    const Image& image() const noexcept { return image_; }
    bool hasImage() const noexcept { return image_.index() != 0; }
    // The image's buffer facts (size, offset); null without an image.
    const cc_PelBuffer* imageBuffer() const noexcept;
    const std::vector<Text>& texts() const noexcept { return texts_; }
    const std::vector<Graphics>& graphics() const noexcept { return graphics_; }

  private:
    long level_;
    std::wstring annotation_;
    Image image_;
    std::vector<Text> texts_;
    std::vector<Graphics> graphics_;
};

class ccDiagObject {
  public:
    // No records, level 0.
    ccDiagObject() = default;

    // The level given to the records made from now on. Levels nest: a
    // record is shown inside the nearest record before it of a lower level.
    long level() const noexcept { return level_; }
    // A negative level throws ccShapesError::BadParams, leaving the level.
    void level(long level);

    // A new, empty record at the current level, after all records made
    // before. The reference stays valid as long as the object lives (records
    // are never moved or removed).
    ccDiagRecord& newDiagRecord();
    // The records in the order they were made.
    const std::deque<ccDiagRecord>& records() const noexcept { return records_; }
    long numRecords() const noexcept { return static_cast<long>(records_.size()); }

    // The report as one HTML page needing nothing else: a section per record,
    // nested by level, each with its annotation as heading, its graphics as
    // inline SVG over its image, then its texts as preformatted blocks under
    // their titles. The image is a PNG in a data: URI (a 16-bit image
    // stretched to 8 bits from its darkest to its brightest pixel); graphics
    // in image coordinates lie on its pixels, those in client coordinates are
    // mirrored onto the same rectangle (see ccDisplay). A record without an
    // image draws its graphics in ccGraphicList::fittedView(). All text is
    // HTML-escaped UTF-8.
    void writeHtml(std::ostream& out, const std::wstring& title = L"Diagnostic report") const;
    // The same into the file `path`; a file that cannot be written throws
    // ccShapesError::BadParams naming it.
    void writeHtml(const std::string& path, const std::wstring& title = L"Diagnostic report") const;

  private:
    long level_ = 0;
    std::deque<ccDiagRecord> records_;
};
