// The steps every shape's and transform's archive form keeps, shared so that
// each class states only its items.
//
// A form is a version byte followed by the class's items in a fixed order.
// Reading is defensive: items are read into locals, the object they describe
// is built through the class's validating constructor, and only a valid
// object replaces the one being read. A value the constructor refuses
// (a negative radius, a non-finite coordinate) throws ccArchive::Error, like
// any other corrupt archive, and leaves the object as it was.
//
// Simple forms: the thirteen types that an older writer stored without a
// version byte (ccAffineRectangle, ccAnnulus, ccCircle, ccEllipseAnnulus,
// ccEllipseAnnulusSection, ccFLine, ccGenAnnulus, ccGenPoly, ccGenRect,
// ccLine, ccLineSeg, ccRect, cc2Wireframe) read it through loadSimple: the
// items of the versioned form exactly, without the version byte.
#pragma once

#include <string>
#include <utility>

#include "vxstd12u/archive.h"
#include "vxstd12u/errors.h"
#include "vxstd12u/str.h"

// One level of a form for the part `part` of an object (sizeof(Part) bytes):
// skipped when that part was already exchanged in this pass of `ar`;
// otherwise the version byte (0 is written; a stored version other than 0
// throws ccArchive::UnknownVersion(source, place) before any further item is
// read), then exchangeItems(), then the part is marked visited.
template <class Part, class Items>
void cfExchangeForm(ccArchive& ar, const Part* part, const char* source, int place,
                    Items&& exchangeItems) {
    if (ar.visited(part, sizeof(Part))) return;
    unsigned char version = 0;
    ar || version;
    if (version != 0) throw ccArchive::UnknownVersion(source, place);
    std::forward<Items>(exchangeItems)();
    ar.markVisited(part, sizeof(Part));
}

// The value make() builds from items just read; a ccException from the
// validating constructor becomes ccArchive::Error naming `className` and
// what the constructor refused.
template <class Make>
auto cfValidLoaded(const char* className, Make&& make) -> decltype(make()) {
    try {
        return std::forward<Make>(make)();
    } catch (const ccArchive::Error&) {
        throw;
    } catch (const ccException& e) {
        throw ccArchive::Error(L"archive holds an invalid " + cfWiden(className) + L": " +
                               e.detail());
    }
}

// The simple form's reading: exchangeItems() on a loading archive, then true.
// A storing archive throws ccArchive::Error: simple forms are never written.
template <class Items>
bool cfLoadSimpleForm(ccArchive& ar, Items&& exchangeItems) {
    if (!ar.isLoading()) throw ccArchive::Error(L"a simple form can only be read, not written");
    std::forward<Items>(exchangeItems)();
    return true;
}
