// The symmetric archive: one operation per item, which writes the item when
// the archive stores and reads it back when the archive loads.
//
// Encoding: every value is little-endian; bool and unsigned char take one byte,
// long and int eight and four bytes (two's complement), double the eight bytes
// of its IEEE-754 pattern, strings a length (eight bytes) and then their code
// units (UTF-8 bytes, or four bytes per wide character).
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "vxstd12u/errors.h"

class ccArchive {
  public:
    enum Direction { eStoring, eLoading };

    // Any failure of the archive itself: truncated or corrupt bytes, a count
    // too large to be real.
    class Error : public ccErrorKind<Error, ccException, 0x10003001> {
      public:
        using ccErrorKind::ccErrorKind;
    };

    // A stored form carries a version that its reader does not accept.
    // `source` names the reader (a source path or a class name), `number` the
    // place within it.
    class UnknownVersion : public ccErrorKind<UnknownVersion, Error, 0x10003002> {
      public:
        UnknownVersion() = default;
        UnknownVersion(const char* source, int number);
        const std::string& source() const noexcept { return source_; }
        int number() const noexcept { return number_; }

      private:
        std::string source_;
        int number_ = 0;
    };

    // An archive over a caller's byte buffer. Storing appends to `bytes`;
    // loading reads it from the start. The buffer must outlive the archive.
    ccArchive(std::vector<unsigned char>& bytes, Direction direction);
    ccArchive(const ccArchive&) = delete;
    ccArchive& operator=(const ccArchive&) = delete;

    bool isStoring() const noexcept { return direction_ == eStoring; }
    bool isLoading() const noexcept { return direction_ == eLoading; }

    // Bytes not yet read (loading).
    std::size_t remaining() const noexcept { return bytes_.size() - readPos_; }

    ccArchive& operator||(bool& value);
    ccArchive& operator||(unsigned char& value);
    ccArchive& operator||(int& value);
    ccArchive& operator||(long& value);
    ccArchive& operator||(double& value);
    ccArchive& operator||(std::string& value);
    ccArchive& operator||(std::wstring& value);

    // Visited parts of the current pass (see ccPersistent::haveVisited).
    bool visited(const void* part, std::size_t size) const;
    void markVisited(const void* part, std::size_t size);

  private:
    void put(const unsigned char* data, std::size_t n);
    void get(unsigned char* data, std::size_t n);
    void exchangeUnsigned(std::uint64_t& value, std::size_t width);
    std::uint64_t exchangeCount(std::uint64_t count, std::size_t unitSize);

    std::vector<unsigned char>& bytes_;
    Direction direction_;
    std::size_t readPos_ = 0;
    std::set<std::pair<const void*, std::size_t>> visited_;
};
