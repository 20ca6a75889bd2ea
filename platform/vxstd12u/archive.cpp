#include "vxstd12u/archive.h"

#include <cstring>
#include <fstream>
#include <iterator>

#include "vxstd12u/stackguard.h"
#include "vxstd12u/str.h"

namespace {
constexpr unsigned char kMagic[4] = {'V', 'X', 'A', 'R'};
constexpr unsigned char kNoObject = 0, kNewObject = 1, kSharedObject = 2;

std::wstring unknownVersionText(const char* source, int number) {
    return L"unknown archive version in " + cfWiden(source ? source : "") + L" at " +
           cfStr(static_cast<long>(number));
}

// Counts how deep objects nest while one is exchanged.
class DepthGuard {
  public:
    explicit DepthGuard(long& depth) : depth_(depth) {
        if (++depth_ > ccArchive::kMaxObjectDepth) {
            --depth_;
            throw ccArchive::Error(L"archive objects nest deeper than " +
                                   cfStr(ccArchive::kMaxObjectDepth));
        }
    }
    ~DepthGuard() { --depth_; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;

  private:
    long& depth_;
};
}  // namespace

ccArchive::UnknownVersion::UnknownVersion(const char* source, int number)
    : ccErrorKind(unknownVersionText(source, number)),
      source_(source ? source : ""),
      number_(number) {}

ccArchive::ccArchive(std::vector<unsigned char>& bytes, Direction direction)
    : bytes_(&bytes), direction_(direction) {
    exchangeHeader();
}

ccArchive::ccArchive(const std::string& path, Direction direction)
    : bytes_(&fileBytes_), path_(path), direction_(direction) {
    if (isLoading()) {
        std::ifstream in(path, std::ios::binary);
        if (!in) throw Error(L"cannot open archive file " + cfWiden(path));
        fileBytes_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    exchangeHeader();
}

ccArchive::~ccArchive() {
    try {
        flush();
    } catch (...) {
        // A destructor cannot report; callers who care call flush() first.
    }
}

void ccArchive::flush() {
    if (path_.empty() || isLoading() || flushed_) return;
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(fileBytes_.data()),
              static_cast<std::streamsize>(fileBytes_.size()));
    if (!out) throw Error(L"cannot write archive file " + cfWiden(path_));
    flushed_ = true;
}

std::vector<unsigned char> ccArchive::header() {
    std::vector<unsigned char> h(std::begin(kMagic), std::end(kMagic));
    h.push_back(kFormat);
    return h;
}

void ccArchive::exchangeHeader() {
    if (isStoring()) {
        const auto h = header();
        put(h.data(), h.size());
        return;
    }
    unsigned char magic[4];
    get(magic, sizeof magic);
    if (std::memcmp(magic, kMagic, sizeof magic) != 0)
        throw Error(L"not an archive: the header is missing");
    unsigned char format = 0;
    *this || format;
    if (format != kFormat) throw UnknownVersion("vxstd12u/archive", format);
}

void ccArchive::put(const unsigned char* data, std::size_t n) {
    bytes_->insert(bytes_->end(), data, data + n);
}

void ccArchive::get(unsigned char* data, std::size_t n) {
    if (remaining() < n) {
        throw Error(L"archive truncated: " + cfStr(static_cast<long>(n)) + L" bytes wanted, " +
                    cfStr(static_cast<long>(remaining())) + L" left");
    }
    std::memcpy(data, bytes_->data() + readPos_, n);
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
std::uint64_t ccArchive::exchangeCount(std::uint64_t count, std::size_t smallestElementSize) {
    exchangeUnsigned(count, 8);
    if (isLoading() && count > remaining() / smallestElementSize) {
        throw Error(L"archive corrupt: a count of " + cfStr(static_cast<double>(count)) +
                    L" exceeds the bytes left");
    }
    return count;
}

ccArchive& ccArchive::operator||(bool& value) {
    // A bool about to be loaded may not hold a value yet: read it only when storing.
    unsigned char byte = !isLoading() && value ? 1 : 0;
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
    auto v = static_cast<std::uint64_t>(value);
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

ccArchive& ccArchive::operator||(std::vector<bool>& values) {
    const std::uint64_t n = exchangeCount(values.size(), 1);
    std::vector<bool> exchanged(static_cast<std::size_t>(n));
    for (std::size_t i = 0; i < exchanged.size(); ++i) {
        bool v = isStoring() && values[i];
        *this || v;
        exchanged[i] = v;
    }
    if (isLoading()) values = std::move(exchanged);
    return *this;
}

void ccArchive::storeObject(ccPersistent* object) {
    unsigned char tag = kNoObject;
    if (!object) {
        *this || tag;
        return;
    }
    const void* identity = dynamic_cast<const void*>(object);
    if (const auto found = storedNumbers_.find(identity); found != storedNumbers_.end()) {
        tag = kSharedObject;
        long number = found->second;
        *this || tag || number;
        return;
    }
    std::string name = cc_Instantiator::stableName(typeid(*object));
    if (!cc_Instantiator::find(name))
        throw Error(L"class " + cfWiden(name) + L" is not registered for archiving");
    tag = kNewObject;
    *this || tag || name;
    storedNumbers_.emplace(identity, static_cast<long>(storedNumbers_.size()));
    const DepthGuard guard(depth_);
    cfWithEnoughStack([&] { object->dispatchSerialize(*this); });
}

ccPersistent* ccArchive::loadObject() {
    unsigned char tag = 0;
    *this || tag;
    if (tag == kNoObject) return nullptr;
    if (tag == kSharedObject) {
        long number = 0;
        *this || number;
        if (number < 0 || number >= static_cast<long>(loadedObjects_.size())) {
            throw Error(L"archive corrupt: object number " + cfStr(number) + L" was never stored");
        }
        if (unfinished_.count(number))
            throw Error(L"archive corrupt: object number " + cfStr(number) + L" contains itself");
        return dynamic_cast<ccPersistent*>(const_cast<ccRepBase*>(loadedObjects_[number].get()));
    }
    if (tag != kNewObject)
        throw Error(L"archive corrupt: object tag " + cfStr(static_cast<long>(tag)));
    std::string name;
    *this || name;
    const cc_Instantiator::Maker make = cc_Instantiator::find(name);
    if (!make) throw Error(L"archive names an unknown class " + cfWiden(name));
    const DepthGuard guard(depth_);
    ccPersistent* object = make();
    auto* counted = dynamic_cast<ccRepBase*>(object);
    if (!counted) {
        delete object;
        throw Error(L"class " + cfWiden(name) + L" cannot be held by a handle");
    }
    const long number = static_cast<long>(loadedObjects_.size());
    loadedObjects_.emplace_back(counted);
    unfinished_.insert(number);
    cfWithEnoughStack([&] { object->dispatchSerialize(*this); });
    unfinished_.erase(number);
    return object;
}

bool ccArchive::visited(const void* part, std::size_t size) const {
    return visited_.count({part, size}) != 0;
}

void ccArchive::markVisited(const void* part, std::size_t size) {
    visited_.insert({part, size});
}

ccArchive& operator||(ccArchive& ar, ccVector<2>& v) {
    double x = v.x(), y = v.y();
    ar || x || y;
    v = ccVector<2>(x, y);
    return ar;
}

ccArchive& operator||(ccArchive& ar, ccRadian& a) {
    double value = a.toDouble();
    ar || value;
    a = ccRadian(value);
    return ar;
}

ccArchive& operator||(ccArchive& ar, ccRange& r) {
    double start = r.start(), end = r.end();
    ar || start || end;
    r = ccRange(start, end);
    return ar;
}

ccArchive& operator||(ccArchive& ar, ccPerimPos& p) {
    long node = p.node();
    double offset = p.offset();
    ar || node || offset;
    p = ccPerimPos(node, offset);
    return ar;
}

ccArchive& operator||(ccArchive& ar, ccMatrix<2>& m) {
    double a = m.element(0, 0), b = m.element(0, 1), c = m.element(1, 0), d = m.element(1, 1);
    ar || a || b || c || d;
    m = ccMatrix<2>(a, b, c, d);
    return ar;
}

ccArchive& operator||(ccArchive& ar, ccXform<2>& x) {
    ccMatrix<2> m = x.matrix();
    ccVector<2> offset = x.offset();
    ar || m || offset;
    x = ccXform<2>(m, offset);
    return ar;
}
