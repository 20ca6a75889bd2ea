// Model files: a shape tree with model records on any node, and the feature
// parameters to featurize it with, as JSON text.
//
// Format, version 1 (examples/models/README.md lists every shape type's
// fields and has an example file of each):
//
//   {"format": 1, "features": {...}, "shape": {...}}
//
// - "format" must be 1. "features" is optional, and so is each of its
//   fields, which default to ccShapeModel::ccFeatureParams's defaults:
//   startOffset, spacing (> 0), maxPoints (an integer; absent = no limit),
//   computeTangents, duplicateCorners, uniformMode, magScale, weightScale.
// - A shape node is {"type": "<class name without cc>", "model": {...},
//   <the fields of its type>}. "model" present makes the node a shape model
//   (ccShapeModelTemplate<T>); its fields weight, magnitude, reversed and
//   ignored default as the record's default constructor.
// - Fields are named as the type's accessors; points are [x, y], angles
//   radians. Trees hold "children": [nodes]; contour trees "closed"; region
//   nodes "hole" (implied by the place for a child), "boundary" (absent only
//   for a hole) and region-node children; mapped shapes "shape" and "xform",
//   either {"linear": [a, b, c, d], "translation": [tx, ty]} (row by row) or
//   {"perspective": [9 numbers, row by row]}. An elliptical arc holds its
//   "ellipse" (an object of the ellipse's fields), "phiStart" and "phiEnd".
// - Unknown fields are errors, and so are missing ones that have no default.
//   Shapes nest at most kMaxShapeDepth (modelfile_json.h) levels deep.
//
// Written files hold every field, so that a file read and written again is
// the same text, and a tree written and read back is equal to it (geometry
// and records), with one exception: an elliptical arc whose end parameter no
// span reaches from its start, nor its start from its end (the arc
// constructor adds a span to the start, and the sum can only land on every
// other double of a finer-grained end), reads back with that end one
// rounding away. Mapping makes such arcs rarely: seeded random trees of mapped
// shapes hold one in about two thousand trees.
// A region node that is not the top of its region tree but is held outside
// one reads back as a top node; equality does not see that flag.
#pragma once
#include <string>

#include "ch_core/shapemod.h"
#include "shapemod/cli.h"

namespace shapemod {

// A loaded model: the shape tree and the parameters to featurize it with.
struct ModelFile {
    ccShapePtrh_const shape;               // any tree of the 25 types; models on any node
    ccShapeModel::ccFeatureParams params;  // from "features"; defaults when absent
};

// The model described by `jsonText`. Any fault (malformed JSON, wrong format
// number, a field of the wrong kind, missing or unknown, a value the library
// refuses) throws FileError whose message is "<sourceName>: <JSON pointer>:
// <what was expected>".
ModelFile parseModel(const std::string& jsonText, const std::string& sourceName);

// parseModel on the contents of the file at `path`, named by `path` in
// messages. A missing or unreadable file throws FileError naming the path.
ModelFile readModelFile(const std::string& path);

// The JSON text of `model`: pretty-printed, "format": 1, ending in a newline.
// parseModel of the result gives an equal shape tree (geometry and records)
// and equal parameters. A shape holding a non-finite number, an empty handle
// or a type outside the 25 throws FileError naming the node's JSON pointer.
std::string writeModel(const ModelFile& model);

}  // namespace shapemod
