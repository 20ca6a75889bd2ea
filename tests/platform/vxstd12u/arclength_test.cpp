#include <algorithm>
#include <cmath>
#include <vector>

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

// One split budget for a whole contour ran out on a few thousand pieces, each
// joint a kink to be found by splitting, and a single piece whose speed never
// settled spent it for all the others. Measured interval by interval, a speed
// of many kinked pieces is as exact as one piece, and lengthTo undoes paramAt.
TEST(ArcLengthTable, EachIntervalIsMeasuredOnItsOwn) {
    constexpr int kPieces = 4000;
    // Piece k runs at speed 1 + k mod 3, faster towards its end.
    auto speedOf = [](double t) {
        const double k = std::min(std::floor(t), kPieces - 1.0), u = t - k;
        return 1.0 + std::fmod(k, 3.0) + u * u;
    };
    auto lengthTo = [](double t) {
        const double k = std::min(std::floor(t), kPieces - 1.0), u = t - k;
        const double whole = std::floor(k / 3) * (1 + 2 + 3 + 1.0) +
                             (std::fmod(k, 3.0) >= 1 ? 1 + 1 / 3.0 : 0) +
                             (std::fmod(k, 3.0) >= 2 ? 2 + 1 / 3.0 : 0);
        return whole + (1.0 + std::fmod(k, 3.0)) * u + u * u * u / 3;
    };
    std::vector<ccArcLengthInterval> pieces;
    for (double k = 0; k < kPieces; ++k) pieces.push_back({k, k + 1, true});
    const ccArcLengthTable table(speedOf, pieces);
    EXPECT_NEAR(table.total(), lengthTo(kPieces), lengthTo(kPieces) * cc_tol::kArcLengthRelative);
    for (double t : {0.0, 0.5, 1.0, 1234.25, 3999.9, 4000.0}) {
        EXPECT_NEAR(table.lengthTo(t), lengthTo(t), table.total() * cc_tol::kArcLengthRelative);
        EXPECT_NEAR(table.paramAt(table.lengthTo(t)), t, kPieces * cc_tol::kArcParameterRelative);
    }
    EXPECT_EQ(ccArcLengthTable(speedOf, std::vector<ccArcLengthInterval>{}).total(), 0.0);
}

// A perspective image of far-off coordinates has a speed that is only good
// to a few parts in 1e11: the map's derivative loses its digits. The
// integral's estimates then never agreed to the requested accuracy, and each
// measure split until its whole budget was spent. Once halving stops
// shrinking the difference, the panel is settled at the noise.
TEST(ArcLength, ASpeedRoughAtItsRoundingSettlesAtItsNoise) {
    long calls = 0;
    const ccSpeedFunction rough = [&calls](double t) {
        ++calls;
        // Deterministic noise of a few parts in 1e11 on a smooth speed.
        const double noise = std::sin(1e7 * t) * 3e-11;
        return (1.0 + t * t) * (1.0 + noise);
    };
    const double exact = 2.0 + 8.0 / 3.0;
    EXPECT_NEAR(cfArcLength(rough, 0.0, 2.0), exact, 1e-9 * exact);
    EXPECT_LT(calls, 20 * cc_tol::kArcLengthMaxSplits / 8);
}
