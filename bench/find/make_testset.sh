#!/bin/bash
# The finder's test set: 20 images of 1024 x 768, each the plate of plate.json
# (300 x 200 px, rounded corners, two round holes and a slot) at a seeded
# random position and angle, scale 1, levels 60 and 180, blur sigma 1, noise
# sigma 5; and truth.csv (image,x,y,angle,scale; angle in degrees).
#
#   bench/find/make_testset.sh OUTDIR [SHAPEMOD]
#
# SHAPEMOD defaults to build/release/tools/shapemod. The poses come from a
# linear congruential generator in whole hundredths, so that find_bench.cpp,
# which renders the same images in-process, draws exactly the same ones.
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    echo "usage: $0 OUTDIR [SHAPEMOD]" >&2
    exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
out=$1
shapemod=${2:-$here/../../build/release/tools/shapemod}
mkdir -p "$out"

state=19
next() {
    state=$(((1103515245 * state + 12345) % 2147483648))
}
# Hundredths as a decimal number: 12345 -> 123.45.
decimal() {
    printf '%d.%02d' $(($1 / 100)) $(($1 % 100))
}

# The plate's corners lie 181 px from its centre: the centre keeps 185 px
# from every border so that the whole plate is in the picture.
truth="image,x,y,angle,scale"
for i in $(seq 1 20); do
    next; x=$(decimal $((18500 + state % 65400)))
    next; y=$(decimal $((18500 + state % 39800)))
    next; angle=$(decimal $((state % 36000)))
    name=$(printf 'plate-%02d.png' "$i")
    "$shapemod" render "$here/plate.json" -o "$out/$name" --size 1024 768 \
        --pose "$x" "$y" "$angle" 1 --levels 60 180 --blur 1 --noise 5 --seed "$i"
    truth+=$'\n'"$name,$x,$y,$angle,1"
done
printf '%s\n' "$truth" > "$out/truth.csv"
echo "$out: 20 images and truth.csv"
