// Featurelet chain sets as text, for people and for other programs.
#pragma once
#include <string>
#include "ch_core/shapemod.h"

namespace shapemod {

// CSV: the header line "chain,index,x,y,angle,weight,magnitude,mod180", then
// one line per featurelet in chain order: the chain's number, the
// featurelet's index within its chain, its position, its angle in radians as
// stored, weight, magnitude, and mod180 as 0 or 1. Numbers are written in
// the shortest form that reads back exactly; non-finite ones as nan, inf,
// -inf. Every line ends in "\n".
std::string featureletsCsv(const ccFeatureletChainSet& chains);

// JSON: {"chains": [{"closed": bool, "featurelets": [{"x", "y", "angle",
// "weight", "magnitude", "mod180"}...]}...]}, numbers as in the CSV form
// except that non-finite ones, which JSON cannot hold, are the strings "nan",
// "inf" and "-inf". Ends in "\n".
std::string featureletsJson(const ccFeatureletChainSet& chains);

}  // namespace shapemod
