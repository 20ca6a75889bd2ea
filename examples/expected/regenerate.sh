#!/usr/bin/env bash
# Rewrites the expected output of every example model, examples/models/<name>.json:
# examples/expected/<name>.csv holds its featurelets under the model file's own
# parameters; a model the module refuses to sample (an infinite line) gets
# <name>.err instead, the message `shapemod features` prints. The tool is the
# first argument (default: build/release's).
# Run it after a deliberate change to sampling and read the diff before
# committing: every changed number is a changed featurelet.
set -euo pipefail
cd "$(dirname "$0")/../.."
tool=${1:-build/release/tools/shapemod}
rm -f examples/expected/*.csv examples/expected/*.err
for model in examples/models/*.json; do
    name=examples/expected/$(basename "$model" .json)
    status=0
    "$tool" features "$model" -o "$name.csv" 2>"$name.err" || status=$?
    if ((status == 0)); then
        rm "$name.err"
    elif ((status != 1)); then
        cat "$name.err" >&2
        rm "$name.err"
        exit "$status"
    fi
done
