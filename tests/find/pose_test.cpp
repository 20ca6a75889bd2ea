#include "find/pose.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "find/finddefs.h"

namespace {

TEST(Pose, TurnsFromXTowardsYThenScalesThenMoves) {
    // A quarter turn takes the model's +x to the image's +y (down on the
    // screen); scale 2 doubles it and (10, 20) moves it.
    const ccPose pose{10, 20, ccRadian(std::acos(0.0)), 2};
    const ccVector<2> p = pose.xform().mapPoint(ccVector<2>(3, 0));
    EXPECT_NEAR(p.x(), 10, 1e-12);
    EXPECT_NEAR(p.y(), 26, 1e-12);
    const ccVector<2> q = pose.xform().mapPoint(ccVector<2>(0, 1));
    EXPECT_NEAR(q.x(), 8, 1e-12);
    EXPECT_NEAR(q.y(), 20, 1e-12);
}

TEST(Pose, NonFiniteValuesAndScalesThatAreNotPositiveAreRefused) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const ccPose& bad : {ccPose{nan, 0, ccRadian(0), 1}, ccPose{0, 0, ccRadian(nan), 1},
                              ccPose{0, 0, ccRadian(0), 0}, ccPose{0, 0, ccRadian(0), -1},
                              ccPose{0, 0, ccRadian(0), std::numeric_limits<double>::infinity()}})
        EXPECT_THROW(bad.xform(), ccFindDefs::BadParams);
}

}  // namespace
