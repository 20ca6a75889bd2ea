// Reading back the SVG the graphics write: path commands, attributes, and the
// geometry of SVG arcs worked out independently of the writer.
#pragma once

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "vxstd12u/radian.h"
#include "vxstd12u/vector.h"

namespace svg_checks {

struct Command {
    char letter;
    std::vector<double> numbers;
};

// The commands of SVG path data as the writer spells it (letters and numbers
// separated by spaces).
inline std::vector<Command> parsePath(const std::string& data) {
    std::vector<Command> out;
    std::istringstream in(data);
    std::string token;
    while (in >> token) {
        if (std::isalpha(static_cast<unsigned char>(token[0])))
            out.push_back({token[0], {}});
        else
            out.back().numbers.push_back(std::stod(token));
    }
    return out;
}

inline std::string letters(const std::vector<Command>& commands) {
    std::string s;
    for (const auto& c : commands) s += c.letter;
    return s;
}

// Every value of attribute `name` in `svg`, in order. Scanned by hand: the
// standard library's regex matches recursively, a frame a character, and a
// path's data runs to megabytes.
inline std::vector<std::string> attributes(const std::string& svg, const std::string& name) {
    std::vector<std::string> out;
    const std::string key = " " + name + "=\"";
    for (std::size_t at = svg.find(key); at != std::string::npos; at = svg.find(key, at)) {
        const std::size_t begin = at + key.size(), end = svg.find('"', begin);
        if (end == std::string::npos) break;
        out.push_back(svg.substr(begin, end - begin));
        at = end + 1;
    }
    return out;
}

// An SVG arc from `from` with the parameters of an 'A' command, turned into
// centre form as the SVG rules prescribe (radii assumed large enough), so
// points along it can be compared with the shape it came from.
struct CentreArc {
    ccVector<2> centre;
    double rx, ry, axis;        // axis in radians
    double theta1, deltaTheta;  // in the ellipse's own parameter

    ccVector<2> pointAt(double fraction) const {
        const double t = theta1 + deltaTheta * fraction;
        const double c = std::cos(axis), s = std::sin(axis);
        const double x = rx * std::cos(t), y = ry * std::sin(t);
        return centre + ccVector<2>(c * x - s * y, s * x + c * y);
    }
};

inline double signedAngle(const ccVector<2>& u, const ccVector<2>& v) {
    return std::atan2(u.cross(v), u.dot(v));
}

inline CentreArc toCentreArc(const ccVector<2>& from, const Command& a) {
    const double rx = a.numbers[0], ry = a.numbers[1];
    const double axis = a.numbers[2] * ccPi / 180.0;
    const bool large = a.numbers[3] != 0, sweep = a.numbers[4] != 0;
    const ccVector<2> to(a.numbers[5], a.numbers[6]);
    const double c = std::cos(axis), s = std::sin(axis);
    const ccVector<2> h = (from - to) * 0.5;
    const ccVector<2> p(c * h.x() + s * h.y(), -s * h.x() + c * h.y());
    const double num = rx * rx * ry * ry - rx * rx * p.y() * p.y() - ry * ry * p.x() * p.x();
    const double den = rx * rx * p.y() * p.y() + ry * ry * p.x() * p.x();
    double k = std::sqrt(std::max(0.0, num / den));
    if (large == sweep) k = -k;
    const ccVector<2> cp(k * rx * p.y() / ry, -k * ry * p.x() / rx);
    const ccVector<2> mid = (from + to) * 0.5;
    const ccVector<2> centre(c * cp.x() - s * cp.y() + mid.x(), s * cp.x() + c * cp.y() + mid.y());
    const ccVector<2> u((p.x() - cp.x()) / rx, (p.y() - cp.y()) / ry);
    const ccVector<2> v((-p.x() - cp.x()) / rx, (-p.y() - cp.y()) / ry);
    double delta = signedAngle(u, v);
    if (!sweep && delta > 0) delta -= 2 * ccPi;
    if (sweep && delta < 0) delta += 2 * ccPi;
    return {centre, rx, ry, axis, signedAngle(ccVector<2>(1, 0), u), delta};
}

}  // namespace svg_checks
