// The shapemod commands and the dispatcher that runs one from a command line.
#pragma once
#include "shapemod/cli.h"

namespace shapemod {

// Runs `args` (the words after the program name: a command and its
// arguments). Prints InputErrors as "shapemod <command>: <message>" and
// returns kBadInput; prints other library errors as their class and message
// and returns kModuleFailure.
int runCommandLine(const Args& args, std::ostream& out, std::ostream& err);

// `shapemod import DRAWING.dxf ...`: a DXF drawing as a model file.
int cmdImport(const Args& args, std::ostream& out, std::ostream& err);

}  // namespace shapemod
