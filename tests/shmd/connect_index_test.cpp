// Connecting through the end-point grid against the plain pass that compares
// the chain with every later piece in turn.
#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <random>
#include <sstream>
#include <string>

#include "connect_by_scan.h"
#include "model_fixtures.h"
#include "shmd/properties.h"

namespace {

using namespace fixtures;
using connect_by_scan::connectByScan;
using connect_by_scan::Flavour;

std::string hex(double v) {
    char text[40];
    std::snprintf(text, sizeof text, "%a", v);
    return text;
}

std::string hex(const ccVector<2>& p) {
    return "(" + hex(p.x()) + "," + hex(p.y()) + ")";
}

// Everything the two passes must agree on: kinds, child order, the closed
// flags, every record, and the geometry down to the last bit.
void describe(const ccShape& s, std::ostringstream& out) {
    out << typeid(s).name();
    if (const auto* m = dynamic_cast<const ccShapeModel*>(&s)) {
        const ccShapeModelProps& p = m->modelProps();
        out << "{w" << hex(p.weight()) << " m" << hex(p.magnitude()) << " r"
            << p.isReversedPolarity() << " i" << p.isIgnoredPolarity() << "}";
    }
    if (const auto* mapped = dynamic_cast<const ccMappedShape*>(&s)) {
        out << " map" << hex(mapped->mapXform().mapPoint({0.25, 0.5})) << "<";
        describe(*mapped->shape(), out);
        out << ">";
    } else if (const auto* tree = dynamic_cast<const ccShapeTree*>(&s)) {
        if (const auto* c = dynamic_cast<const ccContourTree*>(&s))
            out << " closed" << c->isClosed();
        out << "[";
        for (const auto& child : tree->children()) {
            describe(*child, out);
            out << "; ";
        }
        out << "]";
    } else {
        out << hex(s.startPoint()) << hex(s.endPoint()) << hex(s.perimeter());
    }
}

std::string described(const ccShape& s) {
    std::ostringstream out;
    describe(s, out);
    return out.str();
}

// Random sets on a lattice of spacing d, so that several ends often meet at
// one point and gaps of exactly d are common.
class PieceMaker {
  public:
    PieceMaker(std::uint64_t seed, double d) : rng_(seed), d_(d) {}

    // `mapsInside`: whether trees below may be mapped (a map that overflows
    // cannot be composed with another, so it is only ever the outermost).
    ccPtrHandle<ccGeneralShapeTree> tree(int depth, bool mapsInside = true) {
        auto t = cfMakeHandle<ccGeneralShapeTree>();
        const int n = pick(4, 30);
        for (int i = 0; i < n; ++i) t->addChild(child(depth, mapsInside), true);
        return t;
    }

  private:
    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

    double coordinate() {
        const double v = pick(-2, 3) * d_;
        switch (pick(0, 9)) {
            case 0:
                return std::nextafter(v, 1e9);
            case 1:
                return std::nextafter(v, -1e9);
            case 2:
                return v + d_ / 2;
            default:
                return v;
        }
    }
    ccVector<2> point() { return {coordinate(), coordinate()}; }

    Shape openPiece() {
        const ccVector<2> a = point(), b = point();
        switch (pick(0, 4)) {
            case 0:
                return cfMakeHandle<ccPolyline>(std::vector<ccVector<2>>{a, point(), b}, false);
            case 1: {
                // A quarter arc whose ends lie near lattice points after rounding.
                const ccEllipse2 e(a, {d_, d_}, ccRadian(0));
                return cfMakeHandle<ccEllipseArc2>(e, ccRadian(pick(0, 3) * ccPi / 2),
                                                   ccRadian(ccPi / 2 * (pick(0, 1) ? 1 : -1)));
            }
            case 2:
                return contour(false, {segment(a.x(), a.y(), b.x(), b.y()),
                                       segment(b.x(), b.y(), a.x(), b.y())});
            default:
                return segment(a.x(), a.y(), b.x(), b.y());
        }
    }

    Shape withRecord(const Shape& s) {
        if (pick(0, 2) == 0) return s;
        return ccShapeModelProps(pick(0, 1) == 1, pick(1, 3), pick(0, 4) == 0, 1.0).assign(*s);
    }

    // A general tree mapped by a turn and a scale, in perspective, or by a
    // map so large that ends overflow: to infinity, and to NaN where the two
    // overflowing terms of a coordinate have opposite signs.
    Shape mappedTree(int depth) {
        const int kind = depth == 0 ? pick(0, 2) : 2 * pick(0, 1);
        const ConstShape inner = tree(depth + 1, kind != 1);
        switch (kind) {
            case 0: {
                const ccXform<2> x(
                    ccMatrix<2>::rotation(ccRadian(0.5)) * ccMatrix<2>::scale(1.5, 1.5), {0.5, 0});
                return cfMakeHandle<ccMappedShape>(inner, cc2XformLinear(x), true);
            }
            case 1: {
                const ccXform<2> x(ccMatrix<2>(1e308, 1e308, 0, 1), {0, 0});
                return cfMakeHandle<ccMappedShape>(inner, cc2XformLinear(x), true);
            }
            default: {
                const double h[9] = {1, 0, 0, 0, 1, 0, 0.1 / d_, 0, 1};
                return cfMakeHandle<ccMappedShape>(inner, cc2XformPerspective(h), true);
            }
        }
    }

    Shape child(int depth, bool mapsInside) {
        const int kind = pick(0, 19);
        if (kind == 0) return withRecord(circle(coordinate(), coordinate(), d_));
        if (kind == 1)
            return withRecord(contour(true, {segment(0, 0, d_, 0), segment(d_, 0, 0, 0)}));
        if (kind == 2 && depth < 2) return withRecord(tree(depth + 1, mapsInside));
        if (kind == 3 && depth < 2 && mapsInside) return mappedTree(depth);
        return withRecord(openPiece());
    }

    std::mt19937_64 rng_;
    double d_;
};

int countClosedChains(const ccShape& s) {
    int n = 0;
    if (const auto* c = dynamic_cast<const ccContourTree*>(&s);
        c && c->isClosed() && c->numChildren() > 1)
        ++n;
    if (const auto* mapped = dynamic_cast<const ccMappedShape*>(&s))
        return n + countClosedChains(*mapped->shape());
    if (const auto* tree = dynamic_cast<const ccShapeTree*>(&s))
        for (const auto& child : tree->children()) n += countClosedChains(*child);
    return n;
}

}  // namespace

TEST(ConnectIndex, AgreesWithThePlainPassOnRandomSets) {
    int closedChains = 0;
    for (std::uint64_t seed = 1; seed <= 300; ++seed) {
        const double d = seed % 3 == 0 ? 0.5 : 1.0;
        const auto input = PieceMaker(seed, d).tree(0);
        const std::string before = described(*input);
        const Shape fast = cfConnect(*input, d);
        const Shape plain = connectByScan(*input, d, cc2XformLinear(), Flavour::Module);
        ASSERT_EQ(described(*fast), described(*plain)) << "seed " << seed;
        EXPECT_EQ(described(*input), before);
        closedChains += countClosedChains(*plain);
    }
    // The sets are not all loose ends: many chains close.
    EXPECT_GT(closedChains, 100);
}

TEST(ConnectIndex, TheShapeLibrarysConnectAgreesWithThePlainPass) {
    for (std::uint64_t seed = 1; seed <= 200; ++seed) {
        const auto input = PieceMaker(seed, 1.0).tree(1);
        const Shape fast = input->connect(1.0);
        const Shape plain = connectByScan(*input, 1.0, cc2XformLinear(), Flavour::Library);
        ASSERT_EQ(described(*fast), described(*plain)) << "seed " << seed;
    }
}

TEST(ConnectIndex, DistancesThatJoinNothingAgree) {
    const auto input = PieceMaker(7, 1.0).tree(0);
    for (double d : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN()}) {
        const Shape fast = cfConnect(*input, d);
        EXPECT_EQ(described(*fast),
                  described(*connectByScan(*input, d, cc2XformLinear(), Flavour::Module)));
        EXPECT_EQ(countClosedChains(*fast), countClosedChains(*input));
    }
    const double huge = std::numeric_limits<double>::infinity();
    EXPECT_EQ(described(*cfConnect(*input, huge)),
              described(*connectByScan(*input, huge, cc2XformLinear(), Flavour::Module)));
}
