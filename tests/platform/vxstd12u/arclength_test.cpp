#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

#include "vxstd12u/arclength.h"
#include "vxstd12u/tolerances.h"

// Finding the parameter of an arc length by integrating from the start at
// every Newton step made each lookup as costly as measuring the whole curve,
// and a curve seen in perspective asks for thousands. The measure is taken
// once; a lookup then evaluates the speed only within the panel that holds it,
// and is as accurate as the search over the whole curve.
TEST(ArcLengthTable, ALookupWorksWithinOnePanelToTheSearchAccuracy) {
    long calls = 0;
    // Fast at the ends, slow in the middle, with a kink at t = 1.3.
    const ccSpeedFunction speed = [&calls](double t) {
        ++calls;
        return 1.0 + 4.0 * (t - 1.5) * (t - 1.5) + (t > 1.3 ? 0.5 : 0.0);
    };
    auto lengthTo = [](double t) {
        return t + 4.0 / 3.0 * (std::pow(t - 1.5, 3) + std::pow(1.5, 3)) +
               0.5 * std::max(t - 1.3, 0.0);
    };
    const ccArcLengthTable table(speed, 0.0, 3.0);
    const double total = cfArcLength(speed, 0.0, 3.0);
    EXPECT_EQ(table.total(), total);
    EXPECT_EQ(table.paramAt(0.0), 0.0);
    EXPECT_EQ(table.paramAt(total), 3.0);
    EXPECT_EQ(table.paramAt(-1.0), 0.0);
    EXPECT_EQ(table.paramAt(2 * total), 3.0);
    for (int k = 1; k < 100; ++k) {
        const double s = total * k / 100;
        calls = 0;
        const double t = table.paramAt(s);
        EXPECT_LE(calls, 200) << s;
        EXPECT_NEAR(lengthTo(t), s, 10 * cc_tol::kArcParameterRelative * total);
    }
    EXPECT_EQ(ccArcLengthTable(speed, 2.0, 2.0).paramAt(1.0), 2.0);
}
