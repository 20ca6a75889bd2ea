#include "vxstd12u/persistent.h"

#include <cxxabi.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <typeindex>

#include "vxstd12u/archive.h"

bool ccPersistent::haveVisited(ccArchive& ar, const void* part, std::size_t size) const {
    return ar.visited(part, size);
}

void ccPersistent::setVisited(ccArchive& ar, const void* part, std::size_t size) const {
    ar.markVisited(part, size);
}

void ccPersistent::dispatchSerialize(ccArchive& ar) {
    unsigned char version = 0;
    ar || version;
    if (version != 0) throw ccArchive::UnknownVersion("vxstd12u/persistent", 0);
}

bool ccPersistent::loadSimple(ccArchive&) {
    return false;
}

namespace {
// Filled during static initialisation by the registration objects and only read
// afterwards.
struct Registry {
    std::map<std::type_index, cc_Instantiator::Maker> byType;
    std::map<std::string, cc_Instantiator::Maker> byName;
};

Registry& registry() {
    static Registry instance;
    return instance;
}
}  // namespace

std::string cc_Instantiator::stableName(const std::type_info& type) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
    return status == 0 && demangled ? std::string(demangled.get()) : std::string(type.name());
}

cc_Instantiator::cc_Instantiator(const std::type_info& type, Maker make) {
    registry().byType[std::type_index(type)] = make;
    registry().byName[stableName(type)] = make;
}

cc_Instantiator::Maker cc_Instantiator::find(const std::type_info& type) {
    const auto found = registry().byType.find(std::type_index(type));
    return found == registry().byType.end() ? nullptr : found->second;
}

cc_Instantiator::Maker cc_Instantiator::find(const std::string& name) {
    const auto found = registry().byName.find(name);
    return found == registry().byName.end() ? nullptr : found->second;
}
