#!/usr/bin/env bash
# Builds the native unit tests with AddressSanitizer and UndefinedBehaviorSanitizer (build/asan,
# clang) and runs them. Any sanitizer report fails the run: nothing is left to recover.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
echo "== unit tests built with AddressSanitizer and UndefinedBehaviorSanitizer"
flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g"
cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
      -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
      -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build build/asan --target unit_tests -j"${JOBS:-2}" >/dev/null
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build/asan -R '^unit_tests$' --output-on-failure
