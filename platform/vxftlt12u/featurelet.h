// Featurelets: sampled boundary points with a gradient direction, weight and
// magnitude, the training input of a pattern-finding tool.
#pragma once
