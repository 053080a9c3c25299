#!/usr/bin/env bash
# Builds both trees: native (portable core and its unit tests) and win64 (the program and the
# Win32 tests, cross-built with MinGW-w64).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
JOBS=${JOBS:-2}
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/native -j"$JOBS"
cmake -S . -B build/win64 -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
cmake --build build/win64 -j"$JOBS"
