#include "find/render_coverage.h"

#include <algorithm>
#include <bitset>
#include <cmath>
#include <utility>

#include "find/tolerances.h"

static_assert(cc_find_tol::kRenderLineSubsamples * cc_find_tol::kRenderLineSubsamples <= 16,
              "a pixel's subsample hits are one 16-bit word");

cc_AreaCoverage::cc_AreaCoverage(long width, long height)
    : differences_(static_cast<int>(height), static_cast<int>(width), CV_64F, cv::Scalar(0)) {}

void cc_AreaCoverage::addEdge(const ccVector<2>& a, const ccVector<2>& b, double weight) {
    // Shifted by half a pixel, pixel (c, r) spans [c, c + 1) x [r, r + 1).
    double x0 = a.x() + 0.5, y0 = a.y() + 0.5, x1 = b.x() + 0.5, y1 = b.y() + 0.5;
    if (y0 == y1) return;
    // What lies to the right of an edge running towards -y gains its weight;
    // to the right of one running towards +y, loses it. So a polygon turning
    // from +x towards +y adds its weight inside and nothing outside.
    double gain = -weight;
    if (y0 > y1) {
        std::swap(x0, x1);
        std::swap(y0, y1);
        gain = weight;
    }
    const double top = std::max(y0, 0.0), bottom = std::min(y1, double(differences_.rows));
    if (!(top < bottom)) return;
    const auto xAt = [&](double y) {
        if (y == y0) return x0;
        if (y == y1) return x1;
        return x0 + (x1 - x0) * ((y - y0) / (y1 - y0));
    };
    for (int row = static_cast<int>(std::floor(top)); row < bottom; ++row) {
        const double ya = std::max(top, double(row)), yb = std::min(bottom, row + 1.0);
        if (ya < yb) addRowPiece(row, xAt(ya), xAt(yb), gain * (yb - ya));
    }
}

// The piece of an edge within one row, from x = xa to x = xb, gaining
// `height` for the area to its right. x is linear in y along it, so each
// column's share of the height is its share of the piece's x span.
void cc_AreaCoverage::addRowPiece(int row, double xa, double xb, double height) {
    auto* differences = differences_.ptr<double>(row);
    const double width = differences_.cols;
    const double lo = std::min(xa, xb), hi = std::max(xa, xb);
    if (hi <= 0) {
        differences[0] += height;  // every pixel of the row lies to its right
        return;
    }
    if (lo >= width) return;
    if (lo == hi) {
        addCellPiece(differences, static_cast<int>(std::floor(lo)), lo, height);
        return;
    }
    const double perX = height / (hi - lo);
    if (lo < 0) differences[0] += perX * -lo;
    for (double from = std::max(lo, 0.0), to = std::min(hi, width); from < to;) {
        const int column = static_cast<int>(std::floor(from));
        const double next = std::min(to, column + 1.0);
        addCellPiece(differences, column, (from + next) / 2, perX * (next - from));
        from = next;
    }
}

// A piece within one pixel: the pixel gets the part of its width right of the
// piece's middle (the piece's x is linear in its height), every pixel beyond
// the whole height.
void cc_AreaCoverage::addCellPiece(double* row, int column, double xMiddle, double height) const {
    const double right = column + 1 - xMiddle;
    row[column] += height * right;
    if (column + 1 < differences_.cols) row[column + 1] += height * (1 - right);
}

cv::Mat cc_AreaCoverage::takeCoverage() {
    for (int r = 0; r < differences_.rows; ++r) {
        auto* row = differences_.ptr<double>(r);
        for (int c = 1; c < differences_.cols; ++c) row[c] += row[c - 1];
    }
    return std::exchange(differences_, cv::Mat());
}

cc_BandCoverage::cc_BandCoverage(long width, long height)
    : width_(width), height_(height), hits_(static_cast<std::size_t>(width * height), 0) {}

namespace {

double squaredDistanceToSegment(const ccVector<2>& p, const ccVector<2>& a, const ccVector<2>& b) {
    const ccVector<2> ab = b - a, ap = p - a;
    const double length2 = ab.x() * ab.x() + ab.y() * ab.y();
    const double t =
        length2 > 0 ? std::clamp((ap.x() * ab.x() + ap.y() * ab.y()) / length2, 0.0, 1.0) : 0.0;
    const ccVector<2> d = ap - ab * t;
    return d.x() * d.x() + d.y() * d.y();
}

// The pixels, from first to last, whose span along an axis of `size` pixels
// meets [lo, hi]; first > last when none does.
std::pair<long, long> pixelRange(double lo, double hi, long size) {
    const double first = std::max(std::floor(lo + 0.5), 0.0);
    const double last = std::min(std::floor(hi + 0.5), double(size - 1));
    if (!(first <= last)) return {1, 0};
    return {static_cast<long>(first), static_cast<long>(last)};
}

}  // namespace

void cc_BandCoverage::addSegment(const ccVector<2>& a, const ccVector<2>& b) {
    constexpr int n = cc_find_tol::kRenderLineSubsamples;
    constexpr double half = cc_find_tol::kRenderLineWidth / 2;
    const auto [c0, c1] =
        pixelRange(std::min(a.x(), b.x()) - half, std::max(a.x(), b.x()) + half, width_);
    const auto [r0, r1] =
        pixelRange(std::min(a.y(), b.y()) - half, std::max(a.y(), b.y()) + half, height_);
    for (long r = r0; r <= r1; ++r)
        for (long c = c0; c <= c1; ++c) {
            std::uint16_t& hits = hits_[static_cast<std::size_t>(r * width_ + c)];
            for (int j = 0; j < n; ++j)
                for (int i = 0; i < n; ++i) {
                    const ccVector<2> p(c - 0.5 + (i + 0.5) / n, r - 0.5 + (j + 0.5) / n);
                    if (squaredDistanceToSegment(p, a, b) <= half * half)
                        hits = static_cast<std::uint16_t>(hits | (1U << (j * n + i)));
                }
        }
}

double cc_BandCoverage::coverage(long column, long row) const {
    constexpr int n = cc_find_tol::kRenderLineSubsamples;
    return double(std::bitset<16>(hits_[static_cast<std::size_t>(row * width_ + column)]).count()) /
           (n * n);
}
