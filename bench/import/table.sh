#!/bin/sh
# The import table of the README: for every drawing in a folder (default
# ../shared/data/dxf), the entities imported and left out, the closed and
# open contours after one pass of cfConnect (shapemod connect on the pieces
# imported unjoined) and after the importer's chaining, the region trees
# `import --regions` makes ("refused": only open pieces), and the
# featurelets of the imported model at the model file's default parameters.
#
#   bench/import/table.sh [DRAWINGS] > table.md
#   SHAPEMOD=path/to/shapemod bench/import/table.sh
set -eu
here=$(cd "$(dirname "$0")/../.." && pwd)
shapemod=${SHAPEMOD:-$here/build/release/tools/shapemod}
drawings=${1:-$here/../shared/data/dxf}
distance=0.001
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Closed and open children of every layer of a model file, "closed / open".
contours() {
    python3 - "$1" <<'PY'
import json, sys
always_closed = {"Circle", "Ellipse2", "Rect", "GenRect", "AffineRect", "Annulus", "RegionTree"}
closed = opened = 0
for layer in json.load(open(sys.argv[1]))["shape"]["children"]:
    for c in layer["children"]:
        if c.get("closed", c["type"] in always_closed):
            closed += 1
        else:
            opened += 1
print(f"{closed} / {opened}")
PY
}

# "12 LINE, 3 ARC (left out: 1 TEXT)" from an import summary.
entities() {
    python3 - "$1" <<'PY'
import re, sys, collections
imported, left = collections.Counter(), collections.Counter()
for line in open(sys.argv[1]):
    m = re.match(r"child \d+, layer .*?: (.*) -> ", line)
    if m:
        for n, kind in re.findall(r"(\d+) (\w+)", m.group(1)):
            imported[kind] += int(n)
    m = re.match(r"(\w+) on layer .*: not imported \(.*\) x (\d+)$", line)
    if m and m.group(1) != "VERTEX":
        left[m.group(1)] += int(m.group(2))
text = ", ".join(f"{n} {k}" for k, n in imported.items())
if left:
    text += " (left out: " + ", ".join(f"{n} {k}" for k, n in left.items()) + ")"
print(text)
PY
}

echo "| drawing | entities | one pass: closed / open | chained: closed / open | region trees | featurelets |"
echo "|---|---|---|---|---|---|"
for drawing in "$drawings"/*.dxf; do
    "$shapemod" import "$drawing" -o "$work/chained.json" 2>"$work/summary.txt"
    "$shapemod" import "$drawing" --connect 0 -o "$work/pieces.json" 2>/dev/null
    "$shapemod" connect "$work/pieces.json" --distance $distance -o "$work/once.json"
    if "$shapemod" import "$drawing" --regions -o "$work/regions.json" 2>"$work/regions.txt"; then
        regions=$(sed -n 's/.*; \([0-9]*\) region trees\{0,1\}, \([0-9]*\) levels\{0,1\} deep$/\1 (\2 deep)/p' \
            "$work/regions.txt" | paste -sd+ -)
    else
        regions="refused"
    fi
    featurelets=$("$shapemod" features "$work/chained.json" | tail -n +2 | wc -l)
    echo "| $(basename "$drawing") | $(entities "$work/summary.txt") | $(contours "$work/once.json") |" \
        "$(contours "$work/chained.json") | $regions | $featurelets |"
done
