// The viewer page's template, compiled in from tools/shapemod/viewer/: the
// page with its placeholders (@TITLE@, @STYLE@, @NOTICE@, @FEATURELET_NOTE@,
// @DRAWING@, @NODES@, @SCRIPT@), its style sheet and its script.
#pragma once

namespace shapemod {

extern const char* const kViewerPage;
extern const char* const kViewerStyle;
extern const char* const kViewerScript;

}  // namespace shapemod
