#include "shapemod/featureletio.h"
#include <cmath>
#include <sstream>
#include "vxstd12u/str.h"

namespace shapemod {

namespace {

std::string number(double v) {
    return cfNarrow(cfStr(v));
}

std::string jsonNumber(double v) {
    return std::isfinite(v) ? number(v) : '"' + number(v) + '"';
}

}  // namespace

std::string featureletsCsv(const ccFeatureletChainSet& chains) {
    const auto& all = chains.featurelets();
    std::ostringstream out;
    out << "chain,index,x,y,angle,weight,magnitude,mod180\n";
    for (long c = 0; c < chains.numChains(); ++c) {
        const long start = chains.startFeatureIndex(c);
        for (long i = 0; i < chains.chainLength(c); ++i) {
            const ccFeaturelet& f = all[static_cast<std::size_t>(start + i)];
            out << c << ',' << i << ',' << number(f.position.x()) << ',' << number(f.position.y())
                << ',' << number(f.angle.toDouble()) << ',' << number(f.weight) << ','
                << number(f.magnitude()) << ',' << (f.isMod180() ? 1 : 0) << '\n';
        }
    }
    return out.str();
}

std::string featureletsJson(const ccFeatureletChainSet& chains) {
    const auto& all = chains.featurelets();
    std::ostringstream out;
    out << "{\"chains\": [";
    for (long c = 0; c < chains.numChains(); ++c) {
        out << (c == 0 ? "" : ",") << "\n  {\"closed\": " << (chains.isClosed(c) ? "true" : "false")
            << ", \"featurelets\": [";
        const long start = chains.startFeatureIndex(c);
        for (long i = 0; i < chains.chainLength(c); ++i) {
            const ccFeaturelet& f = all[static_cast<std::size_t>(start + i)];
            out << (i == 0 ? "" : ",") << "\n    {\"x\": " << jsonNumber(f.position.x())
                << ", \"y\": " << jsonNumber(f.position.y())
                << ", \"angle\": " << jsonNumber(f.angle.toDouble())
                << ", \"weight\": " << jsonNumber(f.weight)
                << ", \"magnitude\": " << jsonNumber(f.magnitude())
                << ", \"mod180\": " << (f.isMod180() ? "true" : "false") << "}";
        }
        out << "]}";
    }
    out << "\n]}\n";
    return out.str();
}

}  // namespace shapemod
