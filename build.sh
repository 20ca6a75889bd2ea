#!/usr/bin/env bash
# One entry point for building and checking the module on Debian 12.
#
#   ./build.sh demo    builds everything and runs `shapemod demo`: a model's
#                      featurelets, drawing, report and archive land in build/demo/
#   ./build.sh test    builds everything and runs the whole test suite
#   ./build.sh bench   builds and runs the benchmarks
#   ./build.sh fuzz    builds the archive fuzzer with clang and runs it on a
#                      fresh seed corpus for FUZZ_SECONDS (default 600)
#
# Missing Debian packages are installed first (needs root, as on a fresh
# machine). Builds go to build/release (or build/bench).
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev libpng-dev
          nlohmann-json3-dev libdxflib-dev)
[[ "${1:-}" == bench ]] && PACKAGES+=(libboost-dev)  # the benchmarks' yardstick only
[[ "${1:-}" == fuzz ]] && PACKAGES+=(clang-14 libclang-rt-14-dev)  # libFuzzer and sanitizers

install_missing_packages() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
    done
    if ((${#missing[@]})); then
        echo "Installing ${missing[*]}"
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}

configure_and_build() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j "$(nproc)"
}

install_missing_packages
case "${1:-}" in
demo)
    configure_and_build build/release
    ./build/release/tools/shapemod demo --out build/demo
    ;;
test)
    configure_and_build build/release
    ctest --test-dir build/release --output-on-failure -j "$(nproc)"
    ;;
bench)
    configure_and_build build/bench -DSHMD_BUILD_BENCH=ON -DSHMD_BUILD_TESTS=OFF
    cmake --build build/bench --target bench
    ;;
fuzz)
    CXX=clang++-14 configure_and_build build/fuzz -DSHMD_BUILD_FUZZ=ON -DSHMD_BUILD_TESTS=OFF \
        -DSHMD_BUILD_TOOLS=OFF
    rm -rf build/fuzz/corpus && mkdir -p build/fuzz/corpus build/fuzz/findings
    ./build/fuzz/fuzz/make_archive_corpus build/fuzz/corpus
    ./build/fuzz/fuzz/fuzz_archive -max_total_time="${FUZZ_SECONDS:-600}" \
        -artifact_prefix=build/fuzz/findings/ build/fuzz/corpus
    ;;
*)
    echo "usage: $0 demo|test|bench|fuzz" >&2
    exit 2
    ;;
esac
