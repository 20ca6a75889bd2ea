#include "vxstd12u/sample.h"

#include "vxstd12u/archive.h"

ccArchive& operator||(ccArchive& ar, ccShapeSampleParams& params) {
    unsigned char version = 0;
    ar || version;
    if (version != 0) throw ccArchive::UnknownVersion("vxstd12u/sample", 0);
    double startOffset = params.startOffset(), spacing = params.spacing();
    long maxPoints = params.maxPoints();
    bool tangents = params.computeTangents(), duplicates = params.duplicateCorners();
    bool uniform = params.uniformMode(), perimPos = params.perimPosRequested();
    ar || startOffset || spacing || maxPoints || tangents || duplicates || uniform || perimPos;
    if (ar.isLoading()) {
        params = ccShapeSampleParams(startOffset, spacing, maxPoints, tangents, duplicates);
        params.uniformMode(uniform);
        params.perimPosRequested(perimPos);
    }
    return ar;
}
