#include "vxstd12u/errors.h"

#include <sstream>
#include <typeinfo>

#include "vxstd12u/archive.h"
#include "vxstd12u/str.h"

ccException& ccException::operator=(const ccException& other) {
    noticeChange_();
    detail_ = other.detail_;
    what_.clear();
    return *this;
}

std::wstring ccException::message() const {
    std::wostringstream out;
    message_(out);
    return out.str();
}

const char* ccException::what() const noexcept {
    try {
        if (what_.empty()) what_ = cfNarrow(message());
        return what_.c_str();
    } catch (...) {
        return "vision library error";
    }
}

void ccException::message_(std::wostream& out) const {
    out << cfWiden(cc_Instantiator::stableName(typeid(*this))) << L" (error " << errorNumber()
        << L")";
    if (!detail_.empty()) out << L": " << detail_;
}

void ccException::dispatchSerialize(ccArchive& ar) {
    if (haveVisited(ar, static_cast<ccException*>(this), sizeof(ccException))) return;
    unsigned char version = 0;
    ar || version;
    if (version != 0) throw ccArchive::UnknownVersion("ccException", 0);
    ar || detail_;
    what_.clear();
    setVisited(ar, static_cast<ccException*>(this), sizeof(ccException));
}

ccExceptionWithString::ccExceptionWithString(const std::string& utf8Detail)
    : ccErrorKind(cfWiden(utf8Detail)) {}
