// The page `shapemod view` writes: a model drawn once, with pan and zoom,
// beside the tree of its nodes and each node's description.
#pragma once
#include <string>
#include "shapemod/modelfile.h"

namespace shapemod {

// The most nodes (as `shapemod describe` counts them) a viewer page shows:
// past this the browser would take longer to open the page than a person
// waits, and the descriptions alone would pass 10 MB.
constexpr long kMostViewerNodes = 50000;

// One self-contained HTML page (styles and script inline, nothing fetched)
// showing `model` under the title `title`: the drawing with its outlines,
// polarity glyphs and featurelets in layers, and per node its type, local
// and effective properties and description. Shapes of infinite extent are
// drawn across the initial view only, and the page says so; featurelets the
// module cannot make are left out, and the page says why. A model of more
// than kMostViewerNodes nodes throws FileError naming `modelName`; errors of
// the module pass through.
std::string viewerHtml(const ModelFile& model, const std::string& title,
                       const std::string& modelName);

}  // namespace shapemod
