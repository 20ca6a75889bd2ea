#include "vxdiagc12u/diag.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "platform/vxdispc12u/svg_checks.h"
#include "vxdiagc12u/htmlreport.h"
#include "vxdiagc12u/png.h"
#include "vxstd12u/errors.h"
#include "vxstd12u/line.h"

namespace {

ccGraphicList segmentList(const ccVector<2>& a, const ccVector<2>& b) {
    ccGraphicList list;
    list.append(ccPtrHandle<ccGraphic>(new ccGraphicSimple<ccLineSeg>(
                    ccLineSeg(a, b), ccGraphicProps(ccColor::yellowColor()))),
                true);
    return list;
}

std::string reportOf(const ccDiagObject& diag) {
    std::ostringstream out;
    diag.writeHtml(out, L"Report <of> tests");
    return out.str();
}

// Reverses base64 so the test can look inside the data URI.
std::string unBase64(const std::string& text) {
    const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    unsigned long group = 0;
    int bits = 0;
    for (char c : text) {
        if (c == '=') break;
        group = group << 6 | alphabet.find(c);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>(group >> bits & 0xff);
        }
    }
    return out;
}

// The first PNG image embedded in `html`, decoded.
ccPelBuffer_const<unsigned char> embeddedPng(const std::string& html) {
    std::smatch uri;
    EXPECT_TRUE(
        std::regex_search(html, uri, std::regex("data:image/png;base64,([A-Za-z0-9+/=]+)")));
    return cfDecodePng8(unBase64(uri[1]));
}

TEST(DiagObject, RecordsComeBackInOrderWithTheirLevelsTextsAndGraphics) {
    ccDiagObject diag;
    ccDiagRecord& first = diag.newDiagRecord();
    first.recordAnnotation(L"model: Contour Tree (Open)");
    first.text(L"line 1\nline 2", L"Shape Description");
    first.text(L"more", L"Notes");
    first.graphics(segmentList({0, 0}, {1, 1}), 2, L"Shape Drawing");
    diag.level(diag.level() + 1);
    ccDiagRecord& child = diag.newDiagRecord();
    child.recordAnnotation(L"Child 0: Line Segment");
    first.graphics(segmentList({0, 0}, {2, 2}), ccDisplay::eClientCoords,
                   L"Shape Structure Diagram");
    diag.level(diag.level() - 1);
    diag.newDiagRecord().recordAnnotation(L"after");

    ASSERT_EQ(diag.numRecords(), 3);
    const auto& records = diag.records();
    EXPECT_EQ(&records[0], &first) << "references to records stay valid";
    EXPECT_EQ(&records[1], &child);
    EXPECT_EQ(records[1].level(), 1);
    EXPECT_EQ(records[2].level(), 0);
    using Text = ccDiagRecord::Text;
    EXPECT_THAT(records[0].texts(),
                testing::ElementsAre(Text(L"Shape Description", L"line 1\nline 2"),
                                     Text(L"Notes", L"more")));
    ASSERT_EQ(records[0].graphics().size(), 2u);
    EXPECT_EQ(std::get<1>(records[0].graphics()[0]), ccDisplay::eImageCoords);
    EXPECT_EQ(std::get<2>(records[0].graphics()[0]), L"Shape Drawing");
    EXPECT_EQ(std::get<1>(records[0].graphics()[1]), ccDisplay::eClientCoords);

    EXPECT_THROW(first.graphics(ccGraphicList(), 3, L"bad"), ccShapesError::BadParams);
    EXPECT_EQ(records[0].graphics().size(), 2u) << "a refused call adds nothing";
    EXPECT_THROW(diag.level(-1), ccShapesError::BadParams);
    EXPECT_EQ(diag.level(), 0);
}

TEST(DiagObject, RecordsKeepTheLastImageGivenOfEitherDepth) {
    ccDiagRecord record(0);
    EXPECT_FALSE(record.hasImage());
    EXPECT_EQ(record.imageBuffer(), nullptr);
    record.image(ccPelBuffer_const<unsigned char>(4, 3), false);
    record.image(ccPelBuffer_const<unsigned short>(5, 6, std::vector<unsigned short>(30, 9), 1, 2),
                 true);
    ASSERT_NE(record.imageBuffer(), nullptr);
    EXPECT_EQ(record.imageBuffer()->width(), 5);
    EXPECT_EQ(record.imageBuffer()->offsetY(), 2);
}

TEST(HtmlReport, NestsSectionsByLevelAndEscapesEveryText) {
    ccDiagObject diag;
    diag.newDiagRecord().recordAnnotation(L"root & <tree>");
    diag.level(1);
    diag.newDiagRecord().text(L"if a < b && c > \"d\" 'e'", L"T<1>");
    diag.level(2);
    diag.newDiagRecord();
    diag.level(1);
    diag.newDiagRecord();
    diag.level(0);
    diag.newDiagRecord();
    const std::string html = reportOf(diag);

    EXPECT_NE(html.find("<title>Report &lt;of&gt; tests</title>"), std::string::npos);
    EXPECT_NE(html.find("<h2>root &amp; &lt;tree&gt;</h2>"), std::string::npos);
    EXPECT_NE(html.find("<h3>T&lt;1&gt;</h3>"), std::string::npos);
    EXPECT_NE(html.find("<pre>if a &lt; b &amp;&amp; c &gt; &quot;d&quot; &#39;e&#39;</pre>"),
              std::string::npos);
    // The sequence of section openings and closings follows the levels
    // 0 (1 (2) 1) 0: records 1 and 3 inside 0, record 2 inside 1.
    std::string shape;
    const std::regex tag("<section [^>]*id=\"record-(\\d)\"|</section>");
    for (auto it = std::sregex_iterator(html.begin(), html.end(), tag);
         it != std::sregex_iterator(); ++it)
        shape += (*it)[1].matched ? std::string("(") + (*it)[1].str() : ")";
    EXPECT_EQ(shape, "(0(1(2))(3))(4)");
}

TEST(HtmlReport, DrawsGraphicsOverTheRecordsImageAsAnEmbeddedPng) {
    std::vector<unsigned char> pels(40 * 30);
    for (size_t i = 0; i < pels.size(); ++i) pels[i] = static_cast<unsigned char>(i * 7);
    const ccPelBuffer_const<unsigned char> image(40, 30, pels, 100, 200);
    ccDiagObject diag;
    ccDiagRecord& record = diag.newDiagRecord();
    record.image(image, false);
    record.graphics(segmentList({110, 210}, {120, 220}), ccDisplay::eImageCoords, L"Drawing");
    record.graphics(segmentList({110, 210}, {120, 220}), ccDisplay::eClientCoords, L"Diagram");
    const std::string html = reportOf(diag);

    // Both pictures show the image's rectangle, offset included.
    EXPECT_THAT(svg_checks::attributes(html, "viewBox"),
                testing::ElementsAre("100 200 40 30", "100 200 40 30"));
    // Client coordinates are mirrored onto the same rectangle: y -> 430 - y.
    EXPECT_NE(html.find("<g transform=\"matrix(1 0 0 -1 0 430)\">"), std::string::npos);
    EXPECT_NE(html.find(" d=\"M 110 210 L 120 220\""), std::string::npos);
    const auto decoded = embeddedPng(html);
    EXPECT_EQ(decoded.width(), 40);
    EXPECT_EQ(decoded.pels(), pels);
}

TEST(HtmlReport, EachRecordShowsItsOwnPicturesAndNoOthers) {
    ccDiagObject diag;
    diag.newDiagRecord().graphics(segmentList({0, 0}, {10, 0}), ccDisplay::eClientCoords,
                                  L"First picture");
    diag.level(1);
    ccDiagRecord& second = diag.newDiagRecord();
    second.graphics(segmentList({0, 0}, {0, 10}), ccDisplay::eClientCoords, L"Second picture");
    second.graphics(segmentList({0, 0}, {5, 5}), ccDisplay::eClientCoords, L"Third picture");
    const std::string html = reportOf(diag);
    const auto count = [&](const std::string& what) {
        long n = 0;
        for (auto at = html.find(what); at != std::string::npos; at = html.find(what, at + 1)) ++n;
        return n;
    };
    EXPECT_EQ(count("<figure>"), 3);
    for (const char* title : {"First picture", "Second picture", "Third picture"})
        EXPECT_EQ(count(std::string("<figcaption>") + title), 1) << title;
    // The first record's picture lies before the second record's section.
    EXPECT_LT(html.find("<figcaption>First picture"), html.find("id=\"record-1\""));
    EXPECT_GT(html.find("<figcaption>Second picture"), html.find("id=\"record-1\""));
}

TEST(HtmlReport, ShowsSixteenBitImagesStretchedFromDarkestToBrightest) {
    ccDiagObject diag;
    diag.newDiagRecord().image(
        ccPelBuffer_const<unsigned short>(3, 1, std::vector<unsigned short>{1000, 1100, 1510}),
        false);
    EXPECT_THAT(embeddedPng(reportOf(diag)).pels(), testing::ElementsAre(0, 50, 255));
}

TEST(HtmlReport, AnUnwritableFileIsRefused) {
    ccDiagObject diag;
    EXPECT_THROW(diag.writeHtml("/nonexistent-dir/report.html"), ccShapesError::BadParams);
}

}  // namespace
