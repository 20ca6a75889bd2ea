#include "vxstd12u/archive.h"

#include <cstring>

#include "vxstd12u/str.h"

namespace {
std::wstring unknownVersionText(const char* source, int number) {
    return L"unknown archive version in " + cfWiden(source ? source : "") + L" at " +
           cfStr(static_cast<long>(number));
}
}  // namespace

ccArchive::UnknownVersion::UnknownVersion(const char* source, int number)
    : ccErrorKind(unknownVersionText(source, number)),
      source_(source ? source : ""),
      number_(number) {}

ccArchive::ccArchive(std::vector<unsigned char>& bytes, Direction direction)
    : bytes_(bytes), direction_(direction) {}

void ccArchive::put(const unsigned char* data, std::size_t n) {
    bytes_.insert(bytes_.end(), data, data + n);
}

void ccArchive::get(unsigned char* data, std::size_t n) {
    if (remaining() < n) {
        throw Error(L"archive truncated: " + cfStr(static_cast<long>(n)) + L" bytes wanted, " +
                    cfStr(static_cast<long>(remaining())) + L" left");
    }
    std::memcpy(data, bytes_.data() + readPos_, n);
    readPos_ += n;
}

void ccArchive::exchangeUnsigned(std::uint64_t& value, std::size_t width) {
    unsigned char buf[8] = {};
    if (isStoring()) {
        for (std::size_t i = 0; i < width; ++i)
            buf[i] = static_cast<unsigned char>(value >> (8 * i));
        put(buf, width);
        return;
    }
    get(buf, width);
    value = 0;
    for (std::size_t i = 0; i < width; ++i) value |= static_cast<std::uint64_t>(buf[i]) << (8 * i);
}

// A stored count is checked against the bytes left before anything is
// allocated for it, so a corrupt count cannot ask for gigabytes.
std::uint64_t ccArchive::exchangeCount(std::uint64_t count, std::size_t unitSize) {
    exchangeUnsigned(count, 8);
    if (isLoading() && count > remaining() / unitSize) {
        throw Error(L"archive corrupt: a count of " + cfStr(static_cast<double>(count)) +
                    L" exceeds the bytes left");
    }
    return count;
}

ccArchive& ccArchive::operator||(bool& value) {
    unsigned char byte = value ? 1 : 0;
    *this || byte;
    if (isLoading()) {
        if (byte > 1)
            throw Error(L"archive corrupt: a bool stored as " + cfStr(static_cast<long>(byte)));
        value = byte == 1;
    }
    return *this;
}

ccArchive& ccArchive::operator||(unsigned char& value) {
    std::uint64_t v = value;
    exchangeUnsigned(v, 1);
    value = static_cast<unsigned char>(v);
    return *this;
}

ccArchive& ccArchive::operator||(int& value) {
    std::uint64_t v = static_cast<std::uint32_t>(value);
    exchangeUnsigned(v, 4);
    value = static_cast<int>(static_cast<std::int32_t>(static_cast<std::uint32_t>(v)));
    return *this;
}

ccArchive& ccArchive::operator||(long& value) {
    std::uint64_t v = static_cast<std::uint64_t>(value);
    exchangeUnsigned(v, 8);
    value = static_cast<long>(static_cast<std::int64_t>(v));
    return *this;
}

ccArchive& ccArchive::operator||(double& value) {
    std::uint64_t v = 0;
    std::memcpy(&v, &value, sizeof v);
    exchangeUnsigned(v, 8);
    std::memcpy(&value, &v, sizeof v);
    return *this;
}

ccArchive& ccArchive::operator||(std::string& value) {
    const std::uint64_t n = exchangeCount(value.size(), 1);
    if (isStoring()) {
        put(reinterpret_cast<const unsigned char*>(value.data()), value.size());
        return *this;
    }
    std::string text(static_cast<std::size_t>(n), '\0');
    get(reinterpret_cast<unsigned char*>(&text[0]), text.size());
    value = std::move(text);
    return *this;
}

ccArchive& ccArchive::operator||(std::wstring& value) {
    const std::uint64_t n = exchangeCount(value.size(), 4);
    if (isStoring()) {
        for (wchar_t c : value) {
            std::uint64_t unit = static_cast<std::uint32_t>(c);
            exchangeUnsigned(unit, 4);
        }
        return *this;
    }
    std::wstring text;
    text.reserve(static_cast<std::size_t>(n));
    for (std::uint64_t i = 0; i < n; ++i) {
        std::uint64_t unit = 0;
        exchangeUnsigned(unit, 4);
        text.push_back(static_cast<wchar_t>(unit));
    }
    value = std::move(text);
    return *this;
}

bool ccArchive::visited(const void* part, std::size_t size) const {
    return visited_.count({part, size}) != 0;
}

void ccArchive::markVisited(const void* part, std::size_t size) {
    visited_.insert({part, size});
}
