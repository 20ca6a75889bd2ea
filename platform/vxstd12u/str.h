// Text of numbers and small integer helpers shared by the whole library.
#pragma once

#include <string>

// Wide text of `value` in the shortest form that reads back to the same double:
// "1.5", "90", "0.1", "-2", "1e+300". Non-finite values give "nan", "inf", "-inf".
std::wstring cfStr(double value);

// Wide text of `value` in decimal: "-2", "2147483647".
std::wstring cfStr(long value);

// UTF-8 to wide text and back. Bytes that are not valid UTF-8 become U+FFFD;
// wide characters outside Unicode and lone surrogates become U+FFFD. A UTF-16
// surrogate pair (wide text from where wchar_t is 16 bits) is one character.
std::wstring cfWiden(const std::string& utf8);
std::string cfNarrow(const std::wstring& wide);

// The larger of two longs.
inline long cfIMax(long a, long b) {
    return a < b ? b : a;
}

// The largest long not above `value`. `value` must be finite and within the
// range of long; otherwise ccShapesError::BadParams is thrown.
long cfIFloor(double value);
