// Where a model stands in an image: a similarity.
//
// A pose (x, y, angle, scale) puts model point m at the image point
// (x, y) + scale * R(angle) * m, where R(angle) turns from +x towards +y, the
// library's angle convention (in image coordinates, y down, that is
// clockwise on the screen). A featurelet's angle, the expected gradient
// direction from dark to light, turns with the pose.
#pragma once

#include "vxstd12u/radian.h"
#include "vxstd12u/xform.h"

struct ccPose {
    double x = 0.0;
    double y = 0.0;
    ccRadian angle;
    double scale = 1.0;

    // The pose as a transform from model to image coordinates. A pose with a
    // non-finite value or a scale that is not positive throws
    // ccFindDefs::BadParams naming the field.
    ccXform<2> xform() const;
};
