// Model files: a shape tree with model records on any node, and the feature
// parameters to featurize it with, as JSON text.
//
// Format (version 1; the full list of shape nodes is in examples/models/README.md):
//
//   {"format": 1, "features": {...}, "shape": {...}}
//
// "format" must be 1. "features" is optional; each of its fields is optional
// and defaults to ccShapeModel::ccFeatureParams's default:
//   startOffset, spacing (numbers), maxPoints (integer; absent = no limit),
//   computeTangents, duplicateCorners (booleans), magScale, weightScale.
// A shape node is {"type": "<class name without cc>", <fields of the type>,
// "model": {...}}; "model" present makes the node a shape model and holds
// any of weight, magnitude, reversed, ignored (absent fields take the
// record's defaults: 1, 1, false, false). Points are [x, y]; angles are
// radians. Trees hold "children": [nodes]; mapped shapes hold "shape" and
// "xform", either {"linear": [a, b, c, d], "translation": [tx, ty]} (a b on
// the first row) or {"perspective": [9 numbers, row-major]}.
// Unknown fields are errors; so are missing required fields.
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

// writeModel of `model` into the file at `path`: the whole text or, on any
// error (FileError naming the path), nothing; an existing file is then left
// as it was.
void writeModelFile(const ModelFile& model, const std::string& path);

}  // namespace shapemod
