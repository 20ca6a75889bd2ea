// The shapemod commands and the dispatcher that runs one from a command line.
// Each command takes the words after its name; `--help` prints its usage.
#pragma once
#include "shapemod/cli.h"

namespace shapemod {

// Runs `args` (the words after the program name: a command and its
// arguments). Prints InputErrors as "shapemod <command>: <message>" and
// returns kBadInput; prints other library errors as their class and message
// and returns kModuleFailure. No command, or an unknown one, is bad usage;
// `--help` alone lists the commands.
int runCommandLine(const Args& args, std::ostream& out, std::ostream& err);

// `demo [--out DIR]`: builds a model showing what the module does and writes
// its featurelets, drawing, report, archive and model file into DIR.
int cmdDemo(const Args& args, std::ostream& out, std::ostream& err);

// `features MODEL [--spacing S] [--max-points N] [--uniform]
// [--complex MIN MAX NUM MAXNUM] [--format csv|json] [-o FILE]`.
int cmdFeatures(const Args& args, std::ostream& out, std::ostream& err);

// `draw MODEL [-o FILE] [--glyphs auto|all|none] [--featurelets] [--size W H |
// --width W]`: the model as SVG, or as PNG when FILE ends in .png.
int cmdDraw(const Args& args, std::ostream& out, std::ostream& err);

// `record MODEL [-o FILE] [--image IMAGE.png]`: the model's HTML report.
int cmdRecord(const Args& args, std::ostream& out, std::ostream& err);

// `view MODEL [-o FILE]`: a page to look at the model in a browser.
int cmdView(const Args& args, std::ostream& out, std::ostream& err);

// `describe MODEL`: the description of every node as text.
int cmdDescribe(const Args& args, std::ostream& out, std::ostream& err);

// `map MODEL --xform a b c d tx ty [-o FILE]`: the model's image under an
// affine map.
int cmdMap(const Args& args, std::ostream& out, std::ostream& err);

// `connect MODEL --distance D [-o FILE]`: open pieces whose ends lie closer
// than D joined into contours.
int cmdConnect(const Args& args, std::ostream& out, std::ostream& err);

// `convert IN OUT`: a model file as an archive (OUT ending in .arc) or as
// JSON (anything else).
int cmdConvert(const Args& args, std::ostream& out, std::ostream& err);

// `render MODEL -o IMAGE --size W H [--pose X Y ANGLE SCALE] [--levels DARK
// LIGHT] [--blur S] [--noise S] [--seed N] [--ramp R] [--occlude F]
// [--depth 8|16]`: the model drawn into a grey image at a pose.
int cmdRender(const Args& args, std::ostream& out, std::ostream& err);

// `edges IMAGE -o MODEL [--low T] [--high T] [--blur S] [--min-length L]
// [--tolerance D] [--builder polyline|region|general]`: a model of the
// image's subpixel edges.
int cmdEdges(const Args& args, std::ostream& out, std::ostream& err);

// `find MODEL IMAGE [--angle MIN MAX] [--scale MIN MAX] [--min-score S]
// [--max-matches N] [--max-overlap F] [--contrast T] [--polarity
// as-is|reversed|ignored] [--overlay OUT] [--zoom Z] [-o RESULT] [--format
// json|csv]`: the model's matches in the image, best first.
int cmdFind(const Args& args, std::ostream& out, std::ostream& err);

// `shapemod import DRAWING.dxf ...`: a DXF drawing as a model file.
int cmdImport(const Args& args, std::ostream& out, std::ostream& err);

}  // namespace shapemod
