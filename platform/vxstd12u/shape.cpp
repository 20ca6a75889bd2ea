#include "vxstd12u/shape.h"

#include <algorithm>
#include <cmath>

#include "vxstd12u/clip.h"
#include "vxstd12u/errors.h"
#include "vxstd12u/shapeinfo.h"

void ccShape::perimPointsAndTangents(const double* offsets, long n, ccVector<2>* points,
                                     ccRadian* tangents) const {
    ccRadian unused;
    for (long k = 0; k < n; ++k)
        perimPointAndTangent(ccPerimPos(0, offsets[k]), points[k], tangents ? tangents[k] : unused);
}

void ccShape::sample(const ccSampleParams& params, ccSampleResult& result) const {
    if (!isFinite()) throw ccShapesError::InfiniteExtent(L"an infinite shape cannot be sampled");
    cfCheckSampleParams(params);
    if (isEmpty()) return;
    const bool closed = isRegion();
    const auto offsets = cfSampleOffsets(perimeter(), closed, params);
    if (offsets.empty()) return;
    // Found apart first, so that a shape failing part way leaves `result` as it was.
    std::vector<ccVector<2>> points(offsets.size());
    std::vector<ccRadian> tangents(params.computeTangents() && hasTangent() ? offsets.size() : 0);
    perimPointsAndTangents(offsets.data(), static_cast<long>(offsets.size()), points.data(),
                           tangents.empty() ? nullptr : tangents.data());
    if (!tangents.empty()) result.fillTangents();
    result.beginChain(closed);
    result.positions().insert(result.positions().end(), points.begin(), points.end());
    result.tangents().insert(result.tangents().end(), tangents.begin(), tangents.end());
    if (params.perimPosRequested())
        for (double s : offsets) result.perimPositions().emplace_back(result.shapeIndex(), s);
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
