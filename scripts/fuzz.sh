#!/usr/bin/env bash
# Builds the fuzz targets of the portable core (build/fuzz, clang with libFuzzer, AddressSanitizer
# and UndefinedBehaviorSanitizer) and runs them.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]  fuzz each target (all by default) for SECONDS (default
#                                          60), one after another; the growing corpus is kept in
#                                          build/fuzz/corpus/<target>
#   scripts/fuzz.sh --ci                   replay the committed corpus and crash files once each,
#                                          then fuzz every target for at most 20 s, two at a time,
#                                          from a temporary copy of the committed corpus
#
# Targets: answer record_lines scramble lookup_url split_url version number_text messages_fill
# answer_cache.
# A crash, a sanitizer report or a broken rule fails the script; libFuzzer leaves the input in
# fuzz/findings/<target>/. Such an input belongs in fuzz/crashes/<target>/ and in a unit test.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"

ALL_TARGETS=(answer record_lines scramble lookup_url split_url version number_text messages_fill
             answer_cache)
CI_SECONDS=20
BIN=build/fuzz/bin

build() {
    cmake -S . -B build/fuzz -DQUENDIX_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
          -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
    cmake --build build/fuzz --target fuzz_targets -j"${JOBS:-2}" >/dev/null
}

# Runs a target once on every committed seed and crash file; no mutation.
replay() {
    local target=$1 files=()
    for dir in "fuzz/corpus/$target" "fuzz/crashes/$target"; do
        [ -d "$dir" ] && while IFS= read -r -d '' f; do files+=("$f"); done \
            < <(find "$dir" -type f -print0 | sort -z)
    done
    if [ ${#files[@]} -eq 0 ]; then
        echo "replay $target: no files" >&2
        return 1
    fi
    local log
    log=$(mktemp)
    if "$BIN/fuzz_$target" "${files[@]}" >"$log" 2>&1; then
        echo "replay $target: ${#files[@]} files, clean"
        rm -f "$log"
    else
        echo "replay $target: FAILED" >&2
        tail -n 40 "$log" >&2
        rm -f "$log"
        return 1
    fi
}

# Fuzzes one target for $2 seconds on the corpus folder $3 (seeded from the committed corpus);
# prints the number of executions, or the report of what was found.
fuzz_target() {
    local target=$1 seconds=$2 corpus=$3 log="$3.log"
    mkdir -p "$corpus" "fuzz/findings/$target"
    cp -n "fuzz/corpus/$target"/* "$corpus"/ 2>/dev/null || true
    local extra=()
    [ -f "fuzz/$target.dict" ] && extra+=("-dict=fuzz/$target.dict")
    if "$BIN/fuzz_$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
           -artifact_prefix="fuzz/findings/$target/" "${extra[@]}" "$corpus" >"$log" 2>&1; then
        local runs
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        echo "fuzz $target: ${seconds} s, ${runs:-?} executions, nothing found"
    else
        echo "fuzz $target: FOUND a fault (input in fuzz/findings/$target/)" >&2
        grep -E 'rule broken|ERROR|SUMMARY|runtime error|Test unit written' "$log" >&2 || true
        tail -n 30 "$log" >&2
        return 1
    fi
}

if [ "${1:-}" = "--ci" ]; then
    echo "== fuzz targets: the committed inputs once, then ${CI_SECONDS} s of fuzzing each"
    build
    for target in "${ALL_TARGETS[@]}"; do
        replay "$target"
    done
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    failed=0
    # Two at a time: each pair shares the machine's two cores.
    for ((i = 0; i < ${#ALL_TARGETS[@]}; i += 2)); do
        pids=()
        for target in "${ALL_TARGETS[@]:i:2}"; do
            fuzz_target "$target" "$CI_SECONDS" "$work/$target" &
            pids+=($!)
        done
        for pid in "${pids[@]}"; do
            wait "$pid" || failed=1
        done
    done
    exit "$failed"
fi

seconds=${1:-60}
if ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: scripts/fuzz.sh [SECONDS] [TARGET...] | --ci" >&2
    exit 2
fi
shift $(($# > 0 ? 1 : 0))
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${ALL_TARGETS[@]}")
build
for target in "${targets[@]}"; do
    [ -x "$BIN/fuzz_$target" ] || { echo "no fuzz target '$target'" >&2; exit 2; }
    fuzz_target "$target" "$seconds" "build/fuzz/corpus/$target"
done
