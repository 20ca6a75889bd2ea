#include "vxdispc12u/raster.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "vxstd12u/errors.h"
#include "vxstd12u/str.h"
#include "vxstd12u/tolerances.h"

// ---- ccRgbImage ----

ccRgbImage::ccRgbImage(long width, long height, const ccColor& background)
    : width_(width), height_(height) {
    if (width < 0 || height < 0)
        throw ccShapesError::BadParams(L"a picture of " + cfStr(width) + L" x " + cfStr(height) +
                                       L" pixels has a negative side");
    bytes_.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    for (std::size_t i = 0; i < bytes_.size(); i += 3) {
        bytes_[i] = background.red();
        bytes_[i + 1] = background.green();
        bytes_[i + 2] = background.blue();
    }
}

ccColor ccRgbImage::pixel(long x, long y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        throw ccShapesError::BadParams(L"pixel (" + cfStr(x) + L", " + cfStr(y) +
                                       L") lies outside the picture");
    const std::size_t at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                            static_cast<std::size_t>(x)) *
                           3;
    return ccColor(bytes_[at], bytes_[at + 1], bytes_[at + 2]);
}

void ccRgbImage::blend(long x, long y, const ccColor& color, double coverage) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_ || !(coverage > 0)) return;
    const double a = std::min(coverage, 1.0);
    unsigned char* p = &bytes_[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                                static_cast<std::size_t>(x)) *
                               3];
    const unsigned char target[3] = {color.red(), color.green(), color.blue()};
    for (int c = 0; c < 3; ++c)
        p[c] = static_cast<unsigned char>(std::lround(p[c] + (target[c] - p[c]) * a));
}

// ---- Flattening ----

namespace {

using Point = ccVector<2>;

struct Subpath {
    std::vector<Point> points;
    bool closed = false;
};

// Curves are followed by chords that stray at most this far (in pixels) from
// them, and by no more than kMostChords chords a piece.
constexpr double kFlatnessPixels = 0.1;
constexpr long kMostChords = 4096;

long chordsFor(double count) {
    if (!(count >= 1)) return 1;
    return std::min(static_cast<long>(std::ceil(count)), kMostChords);
}

template <class ToPixels>
void appendCubic(const Point& p0, const std::vector<double>& n, ToPixels toPixels,
                 std::vector<Point>& out) {
    const Point c1 = toPixels(Point(n[0], n[1])), c2 = toPixels(Point(n[2], n[3]));
    const Point p3 = toPixels(Point(n[4], n[5])), start = toPixels(p0);
    // A bend of the control polygon's length L needs about sqrt(L / flatness)
    // chords: a chord of length l on a radius R strays l^2 / 8R.
    const double length = (c1 - start).len() + (c2 - c1).len() + (p3 - c2).len();
    const long chords = chordsFor(std::sqrt(length / kFlatnessPixels));
    for (long k = 1; k <= chords; ++k) {
        const double t = static_cast<double>(k) / static_cast<double>(chords), u = 1 - t;
        out.push_back(start * (u * u * u) + c1 * (3 * u * u * t) + c2 * (3 * u * t * t) +
                      p3 * (t * t * t));
    }
}

template <class ToPixels>
void appendArc(const Point& from, const ccSvgPathCommand& command, ToPixels toPixels,
               std::vector<Point>& out) {
    const ccSvgArc arc = cfSvgArc(from, command);
    const Point end(command.numbers[5], command.numbers[6]);
    const double radius =
        std::max((toPixels(arc.centre + arc.radii) - toPixels(arc.centre)).len(), kFlatnessPixels);
    if (arc.radii.x() == 0 || arc.sweepAngle == 0) {
        out.push_back(toPixels(end));
        return;
    }
    // A chord spanning the angle d strays R (1 - cos(d / 2)).
    const double step = 2 * std::acos(std::max(-1.0, 1 - kFlatnessPixels / radius));
    const long chords = chordsFor(std::fabs(arc.sweepAngle) / step);
    for (long k = 1; k < chords; ++k)
        out.push_back(toPixels(arc.pointAt(static_cast<double>(k) / static_cast<double>(chords))));
    out.push_back(toPixels(end));
}

template <class ToPixels>
std::vector<Subpath> flatten(const ccSvgPath& path, ToPixels toPixels) {
    std::vector<Subpath> out;
    Point pen, start;
    for (const ccSvgPathCommand& c : path.commands()) {
        if (c.letter == 'M' || out.empty()) {
            out.emplace_back();
            if (c.letter != 'M') out.back().points.push_back(toPixels(pen));
        }
        std::vector<Point>& points = out.back().points;
        switch (c.letter) {
            case 'M':
                pen = start = Point(c.numbers[0], c.numbers[1]);
                points.push_back(toPixels(pen));
                break;
            case 'L':
                pen = Point(c.numbers[0], c.numbers[1]);
                points.push_back(toPixels(pen));
                break;
            case 'C':
                appendCubic(pen, c.numbers, toPixels, points);
                pen = Point(c.numbers[4], c.numbers[5]);
                break;
            case 'A':
                appendArc(pen, c, toPixels, points);
                pen = Point(c.numbers[5], c.numbers[6]);
                break;
            default:
                out.back().closed = true;
                pen = start;
        }
    }
    return out;
}

// ---- Coverage ----

// A pixel index for the coordinate `v`, clamped to [lo, hi] before it is
// made whole, so that coordinates far outside the picture stay in range.
long clampedIndex(double v, long lo, long hi) {
    return static_cast<long>(
        std::clamp(v, static_cast<double>(lo) - 1, static_cast<double>(hi) + 1));
}

// Coverage of pixels by one stroke or fill, kept per pixel index, so that
// where a stroke's pieces overlap (at joins) a pixel is painted once.
class Coverage {
  public:
    Coverage(long width, long height) : width_(width), height_(height) {}

    void add(long x, long y, double coverage) {
        if (x < 0 || y < 0 || x >= width_ || y >= height_ || !(coverage > 0)) return;
        cells_.emplace_back(y * width_ + x, std::min(coverage, 1.0));
    }

    // The segment a-b drawn with round ends, `half` pixels either side of it.
    void segment(const Point& a, const Point& b, double half);
    // The inside of the closed subpaths by the even-odd rule, pixel centres
    // sampled.
    void evenOdd(const std::vector<Subpath>& subpaths, double coverage);

    void paint(ccRgbImage& image, const ccColor& color, double opacity) {
        std::sort(cells_.begin(), cells_.end());
        for (std::size_t i = 0; i < cells_.size();) {
            double most = 0;
            std::size_t j = i;
            for (; j < cells_.size() && cells_[j].first == cells_[i].first; ++j)
                most = std::max(most, cells_[j].second);
            image.blend(cells_[i].first % width_, cells_[i].first / width_, color, most * opacity);
            i = j;
        }
    }

  private:
    long width_, height_;
    std::vector<std::pair<long, double>> cells_;
};

double distanceToSegment(const Point& p, const Point& a, const Point& b) {
    const Point d = b - a;
    const double l2 = d.dot(d);
    const double t = l2 > 0 ? std::clamp((p - a).dot(d) / l2, 0.0, 1.0) : 0.0;
    return (p - (a + d * t)).len();
}

void Coverage::segment(const Point& a, const Point& b, double half) {
    const double reach = half + 0.5;
    // Walk the segment's longer axis a pixel at a time and cover, across it,
    // the pixels within reach of the segment.
    const int along = std::fabs(b.x() - a.x()) >= std::fabs(b.y() - a.y()) ? 0 : 1;
    const int across = 1 - along;
    const long limitAlong = along == 0 ? width_ : height_;
    const long limitAcross = along == 0 ? height_ : width_;
    const double d = b[along] - a[along];
    const double slope = d != 0 ? (b[across] - a[across]) / d : 0.0;
    const double spread = reach * std::sqrt(1 + slope * slope) + 1;
    const long first =
        std::max(0L, static_cast<long>(std::floor(std::min(a[along], b[along]) - reach)));
    const long last = std::min(limitAlong - 1,
                               static_cast<long>(std::ceil(std::max(a[along], b[along]) + reach)));
    for (long i = first; i <= last; ++i) {
        const double centre = static_cast<double>(i) + 0.5;
        const double t = d != 0 ? std::clamp((centre - a[along]) / d, 0.0, 1.0) : 0.0;
        const double middle = a[across] + (b[across] - a[across]) * t;
        const long lo = std::max(0L, clampedIndex(std::floor(middle - spread), 0, limitAcross));
        const long hi =
            std::min(limitAcross - 1, clampedIndex(std::ceil(middle + spread), 0, limitAcross));
        for (long j = lo; j <= hi; ++j) {
            const double other = static_cast<double>(j) + 0.5;
            const Point p = along == 0 ? Point(centre, other) : Point(other, centre);
            const double cover = reach - distanceToSegment(p, a, b);
            if (along == 0)
                add(i, j, cover);
            else
                add(j, i, cover);
        }
    }
}

void Coverage::evenOdd(const std::vector<Subpath>& subpaths, double coverage) {
    double top = HUGE_VAL, bottom = -HUGE_VAL;
    for (const Subpath& s : subpaths)
        for (const Point& p : s.points) {
            top = std::min(top, p.y());
            bottom = std::max(bottom, p.y());
        }
    // The rows whose centres lie between the top and the bottom.
    const long firstRow = std::max(0L, clampedIndex(std::ceil(top - 0.5), 0, height_));
    const long lastRow = std::min(height_ - 1, clampedIndex(std::floor(bottom - 0.5), 0, height_));
    std::vector<double> crossings;
    for (long row = firstRow; row <= lastRow; ++row) {
        const double y = static_cast<double>(row) + 0.5;
        crossings.clear();
        for (const Subpath& s : subpaths)
            for (std::size_t i = 0; i < s.points.size(); ++i) {
                const Point& p = s.points[i];
                const Point& q = s.points[(i + 1) % s.points.size()];
                if ((p.y() <= y) != (q.y() <= y))
                    crossings.push_back(p.x() + (y - p.y()) / (q.y() - p.y()) * (q.x() - p.x()));
            }
        std::sort(crossings.begin(), crossings.end());
        for (std::size_t k = 0; k + 1 < crossings.size(); k += 2) {
            const long from = std::max(0L, static_cast<long>(std::ceil(crossings[k] - 0.5)));
            const long to =
                std::min(width_ - 1, static_cast<long>(std::ceil(crossings[k + 1] - 0.5)) - 1);
            for (long x = from; x <= to; ++x) add(x, row, coverage);
        }
    }
}

// The dash pattern along a line: on and off in turn from its start. Only the
// stretch of each piece that lies within `box` is walked a dash at a time;
// the pattern's phase passes over the rest in one step, so a line of any
// length costs no more than the picture.
class DashPen {
  public:
    DashPen(double on, double off, const ccRect& box) : on_(on), off_(off), box_(box) {}

    void stroke(const Subpath& line, std::vector<std::pair<Point, Point>>& out) {
        std::vector<Point> points = line.points;
        if (line.closed && !points.empty()) points.push_back(points.front());
        if (points.size() == 1) out.emplace_back(points[0], points[0]);
        drawing_ = true;
        left_ = on_;
        for (std::size_t i = 1; i < points.size(); ++i) piece(points[i - 1], points[i], out);
    }

  private:
    void piece(const Point& from, const Point& to, std::vector<std::pair<Point, Point>>& out) {
        const double length = (to - from).len();
        if (off_ == 0) {
            out.emplace_back(from, to);
            return;
        }
        double t0 = 0, t1 = 1;
        if (!clip(from, to, t0, t1)) {
            skip(length);
            return;
        }
        skip(length * t0);
        walk(from + (to - from) * t0, from + (to - from) * t1, out);
        skip(length * (1 - t1));
    }

    // The parameters of from-to inside the box (Liang-Barsky); false when
    // it misses.
    bool clip(const Point& from, const Point& to, double& t0, double& t1) const {
        const Point d = to - from;
        const double lo[2] = {box_.xMin(), box_.yMin()}, hi[2] = {box_.xMax(), box_.yMax()};
        for (int axis = 0; axis < 2; ++axis) {
            if (d[axis] == 0) {
                if (from[axis] < lo[axis] || from[axis] > hi[axis]) return false;
                continue;
            }
            const double a = (lo[axis] - from[axis]) / d[axis],
                         b = (hi[axis] - from[axis]) / d[axis];
            t0 = std::max(t0, std::min(a, b));
            t1 = std::min(t1, std::max(a, b));
        }
        return t0 <= t1;
    }

    void skip(double distance) {
        distance = std::fmod(distance, on_ + off_);
        while (distance > left_) {
            distance -= left_;
            drawing_ = !drawing_;
            left_ = drawing_ ? on_ : off_;
        }
        left_ -= distance;
    }

    void walk(Point from, const Point& to, std::vector<std::pair<Point, Point>>& out) {
        double length = (to - from).len();
        while (length > left_) {
            const Point cut = from + (to - from) * (left_ / length);
            if (drawing_) out.emplace_back(from, cut);
            length -= left_;
            from = cut;
            drawing_ = !drawing_;
            left_ = drawing_ ? on_ : off_;
        }
        if (drawing_) out.emplace_back(from, to);
        left_ -= length;
    }

    double on_, off_;
    ccRect box_;
    bool drawing_ = true;
    double left_ = 0;
};

}  // namespace

// ---- ccRasterCanvas ----

ccRasterCanvas::ccRasterCanvas(const ccRect& view, long width, long height,
                               const ccColor& background)
    : view_(view), image_(width, height, background) {
    if (!(view.width() > 0 && view.height() > 0 && std::isfinite(view.width()) &&
          std::isfinite(view.height())))
        throw ccShapesError::BadParams(L"a picture needs a view with area");
    if (width < 1 || height < 1)
        throw ccShapesError::BadParams(L"a picture needs at least one pixel each way");
    scale_ = ccVector<2>(static_cast<double>(width) / view.width(),
                         static_cast<double>(height) / view.height());
}

ccVector<2> ccRasterCanvas::toPixels(const ccVector<2>& p) const {
    return ccVector<2>((p.x() - view_.xMin()) * scale_.x(), (p.y() - view_.yMin()) * scale_.y());
}

void ccRasterCanvas::draw(const ccSvgPath& path, const ccGraphicProps& props, bool filled) {
    const auto toPixels = [this](const Point& p) { return this->toPixels(p); };
    const double width = cfStrokePixels(props);
    const std::vector<Subpath> subpaths = flatten(path, toPixels);
    if (filled) {
        Coverage fill(image_.width(), image_.height());
        fill.evenOdd(subpaths, 1.0);
        fill.paint(image_, props.color(), kFillOpacity);
    }
    const auto [on, off] = cfDashPixels(props);
    // Dashes are walked only across the picture and a stroke's reach of it.
    const double reach = width + 2;
    const ccRect box(ccVector<2>(-reach, -reach),
                     ccVector<2>(static_cast<double>(image_.width()) + 2 * reach,
                                 static_cast<double>(image_.height()) + 2 * reach));
    DashPen pen(on, off, box);
    std::vector<std::pair<Point, Point>> pieces;
    for (const Subpath& s : subpaths) pen.stroke(s, pieces);
    Coverage stroke(image_.width(), image_.height());
    for (const auto& [a, b] : pieces) stroke.segment(a, b, width / 2);
    for (const ccVector<2>& dot : path.dots()) {
        const Point p = toPixels(dot);
        stroke.segment(p, p, cfDotRadiusPixels(props));
    }
    stroke.paint(image_, props.color(), 1.0);
    ccVector<2> head[3];
    const double unitsPerPixel = 1 / scale_.x();
    if (props.arrowHead() && cfArrowHead(path, cfArrowHeadPixels(props) * unitsPerPixel, head)) {
        Coverage arrow(image_.width(), image_.height());
        arrow.evenOdd({Subpath{{toPixels(head[0]), toPixels(head[1]), toPixels(head[2])}, true}},
                      1.0);
        arrow.paint(image_, props.color(), 1.0);
    }
}
