#include "vxstd12u/str.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "vxstd12u/errors.h"

// The fewest significant digits that read back to the same double, written
// positionally when the exponent is moderate and in scientific form otherwise.
std::wstring cfStr(double value) {
    if (std::isnan(value)) return L"nan";
    if (std::isinf(value)) return value < 0 ? L"-inf" : L"inf";
    char buf[48];
    int digits = 1;
    for (; digits < std::numeric_limits<double>::max_digits10; ++digits) {
        std::snprintf(buf, sizeof buf, "%.*e", digits - 1, value);
        if (std::strtod(buf, nullptr) == value) break;
    }
    std::snprintf(buf, sizeof buf, "%.*e", digits - 1, value);
    const int exponent = std::atoi(std::strchr(buf, 'e') + 1);
    constexpr int kLowestPositional = -5, kHighestPositional = 16;
    if (exponent >= kLowestPositional && exponent <= kHighestPositional) {
        std::snprintf(buf, sizeof buf, "%.*f", std::max(0, digits - 1 - exponent), value);
    }
    return cfWiden(buf);
}

std::wstring cfStr(long value) {
    return std::to_wstring(value);
}

long cfIFloor(double value) {
    const double f = std::floor(value);
    if (!(f >= static_cast<double>(std::numeric_limits<long>::min()) &&
          f < static_cast<double>(std::numeric_limits<long>::max()))) {
        throw ccShapesError::BadParams(L"cfIFloor: " + cfStr(value) + L" is not a finite long");
    }
    return static_cast<long>(f);
}

namespace {
constexpr wchar_t kReplacement = 0xFFFD;

bool isHighSurrogate(unsigned long unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(unsigned long unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Length of the UTF-8 sequence that `lead` starts, or 0 for a byte that cannot lead.
int sequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 0;
}
}  // namespace

std::wstring cfWiden(const std::string& utf8) {
    std::wstring out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const int n = sequenceLength(lead);
        if (n == 0 || i + n > utf8.size()) {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        unsigned long code = n == 1 ? lead : lead & (0x7F >> n);
        bool valid = true;
        for (int k = 1; k < n; ++k) {
            const auto byte = static_cast<unsigned char>(utf8[i + k]);
            valid = valid && isContinuation(byte);
            code = (code << 6) | (byte & 0x3F);
        }
        out.push_back(valid && code <= 0x10FFFF ? static_cast<wchar_t>(code) : kReplacement);
        i += valid ? n : 1;
    }
    return out;
}

std::string cfNarrow(const std::wstring& wide) {
    std::string out;
    out.reserve(wide.size());
    for (size_t i = 0; i < wide.size(); ++i) {
        // A negative unit widens past the last code point, so the test below
        // replaces it like any other invalid one.
        auto code = static_cast<unsigned long>(wide[i]);  // NOLINT(bugprone-signed-char-misuse)
        if (isHighSurrogate(code) && i + 1 < wide.size() &&
            isLowSurrogate(static_cast<unsigned long>(wide[i + 1])))
            code = 0x10000 + ((code - 0xD800) << 10) +
                   (static_cast<unsigned long>(wide[++i]) - 0xDC00);
        if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = kReplacement;
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (code >> 18)));
            out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return out;
}
