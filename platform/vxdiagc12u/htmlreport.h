// The HTML report of a diagnostic object, and the text helpers it needs.
#pragma once

#include <iosfwd>
#include <string>

class ccDiagObject;

// `text` in UTF-8. Wide characters are code points (UTF-16 surrogate pairs
// are joined where wchar_t is 16 bits); values that are no code point become
// U+FFFD.
std::string cfUtf8(const std::wstring& text);

// `text` with &, <, >, " and ' replaced by character references, safe inside
// HTML elements and quoted attributes.
std::string cfHtmlEscape(const std::string& text);

// Writes the report that ccDiagObject::writeHtml describes.
void cfWriteHtmlReport(const ccDiagObject& diag, const std::wstring& title, std::ostream& out);
