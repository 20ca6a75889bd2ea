#include "find/edges.h"

#include <cmath>
#include <string>
#include <variant>

#include "find/edges_points.h"
#include "find/finddefs.h"
#include "find/tolerances.h"
#include "vxstd12u/str.h"

namespace {

void requireThreshold(double value, const wchar_t* name) {
    if (!std::isfinite(value) || value < 0)
        throw ccFindDefs::BadParams(std::wstring(L"the edge threshold ") + name + L" (" +
                                    cfStr(value) + L") must be finite and 0 or more");
}

void requireEdgeParams(const ccEdgeParams& p) {
    requireThreshold(p.low, L"low");
    requireThreshold(p.high, L"high");
    if (p.low > p.high)
        throw ccFindDefs::BadParams(L"the edge thresholds are out of order: low " + cfStr(p.low) +
                                    L" is above high " + cfStr(p.high));
    if (!(p.blurSigma >= 0 && p.blurSigma <= cc_find_tol::kMaxEdgeBlurSigma))
        throw ccFindDefs::BadParams(L"the edge blur sigma " + cfStr(p.blurSigma) +
                                    L" is not between 0 and " +
                                    cfStr(cc_find_tol::kMaxEdgeBlurSigma));
    if (p.minLength < 0)
        throw ccFindDefs::BadParams(L"the least edge chain length " + cfStr(p.minLength) +
                                    L" is negative");
}

}  // namespace

ccFeatureletChainSet cfEdges(const ccImage& image, const ccEdgeParams& params) {
    requireEdgeParams(params);
    if (std::visit([](const auto& i) { return i.isEmpty(); }, image))
        throw ccFindDefs::BadParams(L"the image to find edges in is empty");
    const ccVector<2> offset = std::visit([](const auto& i) { return i.offset(); }, image);
    return cfLinkEdgePoints(cfFindEdgePoints(image, params), params.minLength, offset.x(),
                            offset.y());
}
