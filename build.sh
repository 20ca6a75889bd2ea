#!/usr/bin/env bash
# One entry point for building and checking the module on Debian 12.
#
#   ./build.sh demo      builds everything and runs `shapemod demo`: a model's
#                        featurelets, drawing, report and archive land in build/demo/
#   ./build.sh test      builds everything and runs the whole test suite, the
#                        pages the tool writes opened in headless Chromium among it
#   ./build.sh bench     builds and runs the benchmarks
#   ./build.sh valgrind  runs `shapemod demo` under valgrind's memcheck (errors and leaks fail)
#   ./build.sh sanitize  builds everything with AddressSanitizer and
#                        UndefinedBehaviorSanitizer and runs the whole test suite
#   ./build.sh tsan      builds the module's tests with ThreadSanitizer and runs
#                        them, the concurrency test among them
#   ./build.sh tidy      runs clang-tidy with the checks of .clang-tidy on the
#                        libraries, the tool, the examples, the benchmarks and
#                        the fuzzers; any finding fails
#   ./build.sh fuzz      builds the fuzzers with clang and runs each one on its
#                        corpus for FUZZ_SECONDS (default 60; 600 makes the
#                        ten-minute development run); FUZZ_TARGET=<name> runs
#                        only fuzz/<name>_fuzzer.cpp, FUZZ_SKIP="<name> ..."
#                        leaves those out. Findings land in
#                        <build dir>/findings/, grown corpora in <build dir>/corpus/
#
# Missing Debian packages are installed first (needs root, as on a fresh
# machine). Builds go to build/<mode> (build/release for demo and test);
# SHMD_BUILD_DIR puts a checking mode's build elsewhere.
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev libpng-dev
          nlohmann-json3-dev libdxflib-dev libopencv-dev
          pybind11-dev python3-dev python3-numpy python3-pytest)  # the Python module and its tests
[[ "${1:-}" == bench ]] && PACKAGES+=(libboost-dev)  # the benchmarks' yardstick only
[[ "${1:-}" == fuzz ]] && PACKAGES+=(clang-14 libclang-rt-14-dev)  # libFuzzer and sanitizers
[[ "${1:-}" == valgrind ]] && PACKAGES+=(valgrind)
# The browser tests: Debian's Chromium, and Node.js with npm unless the machine
# already has them (from Debian or elsewhere).
if [[ "${1:-}" == test ]]; then
    PACKAGES+=(chromium)
    command -v node >/dev/null || PACKAGES+=(nodejs)
    command -v npm >/dev/null || PACKAGES+=(npm)
fi
[[ "${1:-}" == tidy ]] && PACKAGES+=(clang-tidy libboost-dev)  # clang-tidy brings clang++-14

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

configure() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
}

configure_and_build() {
    configure "$@"
    cmake --build "$1" -j "$(nproc)"
}

# Every sanitizer report ends the program with an error; leaks count too.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:strict_string_checks=1:check_initialization_order=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1}

sanitize() {
    local dir=${SHMD_BUILD_DIR:-build/sanitize}
    configure_and_build "$dir" -DSHMD_SANITIZE=address,undefined
    # The install check builds an uninstrumented consumer against these
    # libraries, which the sanitizer runtime refuses, and the uninstrumented
    # Python cannot load the instrumented module; the release suite runs both.
    ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" \
        -E '^(InstalledPackageBuildsAConsumer|Python.*)$'
}

tsan() {
    local dir=${SHMD_BUILD_DIR:-build/tsan}
    configure "$dir" -DSHMD_SANITIZE=thread -DSHMD_BUILD_TOOLS=OFF
    cmake --build "$dir" -j "$(nproc)" --target test_shmd
    # ThreadSanitizer needs the address layout it was built for; a kernel that
    # randomizes more bits than it expects gets the run without randomization.
    setarch "$(uname -m)" -R "$dir/tests/test_shmd"
}

# The sources listed in compilation database `db` whose paths match `pattern`.
sources_in() {
    sed -n 's/^  "file": "\(.*\)"$/\1/p' "$1" | grep -E "$2"
}

# Runs clang-tidy on each source matching `pattern` in the database of build
# dir `dir`, one per core at a time, and fails if any has a finding. Prints
# each finding once, though a header's are reported by every source that
# includes it.
tidy_sources() {
    local dir=$1 pattern=$2
    # shellcheck disable=SC2016 # the inner sh expands them
    sources_in "$dir/compile_commands.json" "$pattern" |
        xargs -r -n 1 -P "$(nproc)" sh -c \
            'out=$(clang-tidy-14 --quiet -p "$0" "$1" 2>&1) || { printf "%s\n" "$out"; exit 1; }' "$dir" |
        awk 'BEGIN { fresh = 1 }
             / generated\.$/ { next }
             /^[^ ].*:[0-9]+:[0-9]+: [a-z]+: / { fresh = !seen[$0]++ }
             fresh'
}

# Nothing is compiled: clang-tidy needs only the compilation databases. The
# fuzzers configure with clang alone, so they get a database of their own.
tidy() {
    local dir=${SHMD_BUILD_DIR:-build/tidy} root=$PWD
    configure "$dir" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DSHMD_BUILD_TESTS=OFF -DSHMD_BUILD_BENCH=ON
    CXX=clang++-14 configure "$dir/fuzz-db" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON \
        -DSHMD_BUILD_TESTS=OFF -DSHMD_BUILD_FUZZ=ON
    tidy_sources "$dir" "^$root/(platform|shmd|find|tools|examples|bench)/" &&
        tidy_sources "$dir/fuzz-db" "^$root/fuzz/"
}

# Copies the seed inputs of fuzzer `name` into `seeds`: the committed ones
# under fuzz/corpus/<name>/ and those of the inputs the fuzzer reads.
collect_seeds() {
    local name=$1 seeds=$2 dir=$3
    rm -rf "$seeds" && mkdir -p "$seeds"
    local files=(fuzz/corpus/"$name"/*)
    case $name in
    archive) "$dir/fuzz/make_archive_corpus" "$seeds" ;;
    modelfile) files+=(examples/models/*.json) ;;
    dxf) files+=(tests/tools/data/*.dxf) ;;
    esac
    for f in "${files[@]}"; do
        [[ -f $f ]] && cp "$f" "$seeds/"
    done
    return 0
}

# Runs fuzzer `name` for FUZZ_SECONDS; its output goes to <dir>/logs/<name>.log.
fuzz_one() {
    local name=$1 dir=$2
    local corpus=$dir/corpus/$name seeds=$dir/seeds/$name
    mkdir -p "$corpus" "$dir/findings" "$dir/logs"
    collect_seeds "$name" "$seeds" "$dir"
    # An input running longer than 10 s counts as a hang, and one allocating
    # 2 GB at once as running out of memory. The process as a whole may grow
    # to 4 GB: under AddressSanitizer the stored allocation stacks of the
    # structure fuzzer's deep walks and the quarantine pass 2 GB in a
    # ten-minute run while the live heap stays under 100 MB.
    "$dir/fuzz/fuzz_$name" -max_total_time="${FUZZ_SECONDS:-60}" -timeout=10 -print_final_stats=1 \
        -rss_limit_mb=4096 -malloc_limit_mb=2048 \
        -artifact_prefix="$dir/findings/$name-" "$corpus" "$seeds" >"$dir/logs/$name.log" 2>&1
}

fuzz() {
    local dir=${SHMD_BUILD_DIR:-build/fuzz}
    CXX=clang++-14 configure "$dir" -DSHMD_BUILD_FUZZ=ON -DSHMD_BUILD_TESTS=OFF -DSHMD_BUILD_TOOLS=ON
    cmake --build "$dir" -j "$(nproc)" --target fuzzers
    local names=()
    for f in fuzz/*_fuzzer.cpp; do
        f=${f#fuzz/}
        names+=("${f%_fuzzer.cpp}")
    done
    local skip=" ${FUZZ_SKIP:-} " kept=() n
    for n in "${names[@]}"; do
        [[ $skip == *" $n "* ]] && echo "fuzz_$n: left out (FUZZ_SKIP)" || kept+=("$n")
    done
    names=("${kept[@]}")
    if [[ -n ${FUZZ_TARGET:-} ]]; then
        [[ -f fuzz/${FUZZ_TARGET}_fuzzer.cpp ]] || { echo "no fuzzer named ${FUZZ_TARGET}" >&2; return 2; }
        names=("$FUZZ_TARGET")
    fi
    # One fuzzer per core at a time.
    local failed=() i
    for ((i = 0; i < ${#names[@]}; i += $(nproc))); do
        local batch=("${names[@]:i:$(nproc)}") pids=() n
        for n in "${batch[@]}"; do
            fuzz_one "$n" "$dir" &
            pids+=($!)
        done
        for n in "${!batch[@]}"; do
            local name=${batch[n]} log=$dir/logs/${batch[n]}.log
            if wait "${pids[n]}"; then
                echo "fuzz_$name: $(grep -o 'number_of_executed_units: [0-9]*' "$log" | grep -o '[0-9]*$') inputs" \
                    "in ${FUZZ_SECONDS:-60} s, no finding"
            else
                failed+=("$name")
                tail -n 60 "$log"
                echo "fuzz_$name FOUND A FAULT: see $log and $dir/findings/" >&2
            fi
        done
    done
    ((${#failed[@]} == 0))
}

install_missing_packages
case "${1:-}" in
demo)
    configure_and_build build/release
    ./build/release/tools/shapemod demo --out build/demo
    ;;
test)
    # puppeteer-core at the locked version; it downloads no browser of its own.
    npm ci --prefix tests/browser --no-audit --no-fund --loglevel=error
    configure_and_build build/release -DSHMD_BROWSER_TESTS=ON
    ctest --test-dir build/release --output-on-failure -j "$(nproc)"
    ;;
bench)
    configure_and_build build/bench -DSHMD_BUILD_BENCH=ON -DSHMD_BUILD_TESTS=OFF
    cmake --build build/bench --target bench
    # The Python module's benchmark, where the module is built.
    if ninja -C build/bench -t targets all 2>/dev/null | grep -q '^bench_python:'; then
        cmake --build build/bench --target bench_python
    fi
    ;;
valgrind)
    # The demo under memcheck: any invalid access, uninitialised read or leak fails.
    configure_and_build build/release
    rm -rf build/valgrind-demo
    valgrind --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite,indirect \
        ./build/release/tools/shapemod demo --out build/valgrind-demo
    ;;
sanitize | tsan | tidy | fuzz)
    "$1"
    ;;
*)
    echo "usage: $0 demo|test|bench|valgrind|sanitize|tsan|tidy|fuzz" >&2
    exit 2
    ;;
esac
