// The symmetric archive: one operation per item, which writes the item when
// the archive stores and reads it back when the archive loads.
//
// Byte encoding (format 1):
// - Header: the four bytes "VXAR", then the format number (one byte, 1).
// - Values are little-endian: bool and unsigned char one byte (a bool is 0 or
//   1), int four bytes and long eight (two's complement), double the eight bytes
//   of its IEEE-754 pattern. Strings and vectors: a count (eight bytes), then
//   the elements (UTF-8 bytes; four bytes per wide character).
// - An object behind a handle: a tag byte. 0: no object (an empty handle).
//   1: a new object: its class's stable name (a string, see
//   cc_Instantiator::stableName), then its own form as its dispatchSerialize
//   writes it. 2: an object already exchanged in this archive: its number (a
//   long; objects are numbered from 0 in the order they are first written), so
//   an object reached twice comes back shared.
//
// Reading is safe on hostile bytes: counts are checked against the bytes left
// before anything is allocated, objects nest at most kMaxObjectDepth deep,
// every failure throws an archive error (ccArchive::Error, or UnknownVersion
// for a form's version) with a message, and a handle is set only once its
// object has been read whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "vxstd12u/errors.h"
#include "vxstd12u/handle.h"
#include "vxstd12u/perimpos.h"
#include "vxstd12u/radian.h"
#include "vxstd12u/range.h"
#include "vxstd12u/vector.h"
#include "vxstd12u/xform.h"

class ccArchive {
  public:
    enum Direction { eStoring, eLoading };

    // Objects nested deeper than this (a tree in a tree in ...) are refused.
    // Nesting costs no stack beyond the caller's (deep levels continue on
    // fresh stacks), so the bound only keeps a hostile archive from
    // building an unbounded chain of half-read objects.
    static constexpr long kMaxObjectDepth = 1L << 17;
    // The format this library writes and reads.
    static constexpr unsigned char kFormat = 1;

    // Any failure of the archive itself: truncated or corrupt bytes, a count
    // too large to be real, an unknown class, a file that cannot be opened.
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

    // An archive over a caller's byte buffer. Storing appends the header and
    // then the items to `bytes`; loading reads and checks the header first.
    // The buffer must outlive the archive.
    ccArchive(std::vector<unsigned char>& bytes, Direction direction);
    // An archive over a file: loading reads it whole at once; storing writes
    // it when flush() is called (the destructor flushes too, but cannot
    // report a failure: call flush()).
    ccArchive(const std::string& path, Direction direction);
    ccArchive(const ccArchive&) = delete;
    ccArchive& operator=(const ccArchive&) = delete;
    ~ccArchive();

    bool isStoring() const noexcept { return direction_ == eStoring; }
    bool isLoading() const noexcept { return direction_ == eLoading; }

    // Bytes not yet read (loading).
    std::size_t remaining() const noexcept { return bytes_->size() - readPos_; }

    // Writes a file archive's bytes; throws Error when the file cannot be
    // written. Does nothing for a buffer archive or a loading one.
    void flush();

    // The header that opens every archive, for tools that craft bytes.
    static std::vector<unsigned char> header();

    ccArchive& operator||(bool& value);
    ccArchive& operator||(unsigned char& value);
    ccArchive& operator||(int& value);
    ccArchive& operator||(long& value);
    ccArchive& operator||(double& value);
    ccArchive& operator||(std::string& value);
    ccArchive& operator||(std::wstring& value);

    // A vector of any exchangeable element type; a stored count larger than
    // the bytes left could hold is refused before allocating.
    template <class T>
    ccArchive& operator||(std::vector<T>& values);
    ccArchive& operator||(std::vector<bool>& values);

    // The object behind `handle`, by class; see the encoding above. On
    // loading, a stored class that is not a T throws Error.
    template <class T>
    ccArchive& operator||(ccPtrHandle<T>& handle);

    // Visited parts of the current pass (see ccPersistent::haveVisited).
    bool visited(const void* part, std::size_t size) const;
    void markVisited(const void* part, std::size_t size);

  private:
    void put(const unsigned char* data, std::size_t n);
    void get(unsigned char* data, std::size_t n);
    void exchangeUnsigned(std::uint64_t& value, std::size_t width);
    std::uint64_t exchangeCount(std::uint64_t count, std::size_t smallestElementSize);
    void exchangeHeader();

    // The object exchange behind the handle operator, on the persistent and
    // counted views of one object.
    void storeObject(ccPersistent* object);
    ccPersistent* loadObject();
    // Fails with Error unless `object` is a T.
    template <class T>
    static T* objectAs(ccPersistent* object);

    std::vector<unsigned char>* bytes_;
    std::vector<unsigned char> fileBytes_;
    std::string path_;
    Direction direction_;
    bool flushed_ = false;
    std::size_t readPos_ = 0;
    long depth_ = 0;
    std::set<std::pair<const void*, std::size_t>> visited_;
    std::map<const void*, long> storedNumbers_;
    std::vector<ccPtrHandle<const ccRepBase>> loadedObjects_;
    // Numbers of the objects whose forms are being read: a reference to one of
    // them would make an object contain itself.
    std::set<long> unfinished_;
};

// Values of the shape library.
ccArchive& operator||(ccArchive& ar, ccVector<2>& v);
ccArchive& operator||(ccArchive& ar, ccRadian& a);
ccArchive& operator||(ccArchive& ar, ccRange& r);
ccArchive& operator||(ccArchive& ar, ccPerimPos& p);
ccArchive& operator||(ccArchive& ar, ccMatrix<2>& m);
ccArchive& operator||(ccArchive& ar, ccXform<2>& x);

template <class T>
ccArchive& ccArchive::operator||(std::vector<T>& values) {
    // Every element takes at least one byte, which bounds a stored count.
    const std::uint64_t n = exchangeCount(values.size(), 1);
    if (isStoring()) {
        for (T& v : values) *this || v;
        return *this;
    }
    std::vector<T> loaded(static_cast<std::size_t>(n));
    for (T& v : loaded) *this || v;
    values = std::move(loaded);
    return *this;
}

template <class T>
T* ccArchive::objectAs(ccPersistent* object) {
    if (!object) return nullptr;
    T* typed = dynamic_cast<T*>(object);
    if (!typed) throw Error(L"archive holds an object of another class than the one asked for");
    return typed;
}

template <class T>
ccArchive& ccArchive::operator||(ccPtrHandle<T>& handle) {
    using Plain = std::remove_const_t<T>;
    if (isStoring()) {
        storeObject(handle ? dynamic_cast<ccPersistent*>(const_cast<Plain*>(handle.get()))
                           : nullptr);
        return *this;
    }
    handle = ccPtrHandle<T>(objectAs<Plain>(loadObject()));
    return *this;
}
