#!/usr/bin/env bash
# Builds the trees named as arguments (default: all three), each in Release:
#   native  the portable core and its unit tests
#   win64   the 64-bit program and the Win32 tests, cross-built with MinGW-w64
#   win32   the same for 32-bit Windows (the exe the update server serves)
# The Release build of a Windows tree is the shipped build; scripts/release.sh zips it as it is.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
JOBS=${JOBS:-2}
declare -A toolchain=([native]="" [win64]=cmake/mingw-w64-x86_64.cmake [win32]=cmake/mingw-w64-i686.cmake)
for tree in "${@:-native win64 win32}"; do
    for t in $tree; do
        [ -n "${toolchain[$t]+set}" ] || { echo "unknown tree: $t" >&2; exit 2; }
        # The toolchain file counts only when a tree is first configured.
        chain=${toolchain[$t]}
        [ -f "build/$t/CMakeCache.txt" ] && chain=
        cmake -S . -B "build/$t" -DCMAKE_BUILD_TYPE=Release \
              ${chain:+-DCMAKE_TOOLCHAIN_FILE=$chain} >/dev/null
        cmake --build "build/$t" -j"$JOBS"
    done
done
