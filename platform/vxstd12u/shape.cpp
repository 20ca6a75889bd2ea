#include "vxstd12u/shape.h"

#include <algorithm>
#include <cmath>

#include "vxstd12u/clip.h"
#include "vxstd12u/errors.h"
#include "vxstd12u/shapeinfo.h"

void ccShape::sample(const ccSampleParams& params, ccSampleResult& result) const {
    if (!isFinite()) throw ccShapesError::InfiniteExtent(L"an infinite shape cannot be sampled");
    cfCheckSampleParams(params);
    if (isEmpty()) return;
    const bool closed = isRegion();
    const auto offsets = cfSampleOffsets(perimeter(), closed, params);
    if (offsets.empty()) return;
    const bool tangents = params.computeTangents() && hasTangent();
    if (tangents) result.fillTangents();
    result.beginChain(closed);
    for (double s : offsets) {
        ccVector<2> point;
        ccRadian tangent;
        perimPointAndTangent(ccPerimPos(0, s), point, tangent);
        result.positions().push_back(point);
        if (tangents) result.tangents().push_back(tangent);
        if (params.perimPosRequested())
            result.perimPositions().emplace_back(result.shapeIndex(), s);
    }
    if (!result.tangents().empty()) result.fillTangents();
}

ccPtrHandle<ccShape> ccShape::subShape(const ccShapeInfo& info,
                                       const std::pair<ccPerimPos, double>& range) const {
    if (!isFinite())
        throw ccShapesError::InfiniteExtent(
            L"a piece of an infinite shape has no arc-length origin");
    if (!(range.second >= 0))
        throw ccShapesError::BadParams(L"a sub-shape needs a length that is not negative");
    const double from = info.arcLength(range.first);
    const double to = std::min(from + range.second, info.perimeter());
    return cloneThat_(*pieceBetween_(from, to));
}

ccPtrHandle<ccShape> ccShape::clip_(const ccPolyline& region, ccClipInfo& info) const {
    return cfClipPrimitive(*this, region, info);
}
