// The HTML report of a diagnostic object, and the text helpers it needs.
#pragma once

#include <iosfwd>
#include <string>

class ccDiagObject;

// `text` with &, <, >, " and ' replaced by character references, safe inside
// HTML elements and quoted attributes.
std::string cfHtmlEscape(const std::string& text);

// Writes the report that ccDiagObject::writeHtml describes.
void cfWriteHtmlReport(const ccDiagObject& diag, const std::wstring& title, std::ostream& out);
