#!/usr/bin/env bash
# Runs every test: the unit tests natively; the unit tests and the end-to-end tests under Wine
# against the 64-bit and the 32-bit program, one at a time; then makes the release from the
# same trees and checks it.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
scripts/install-deps.sh
scripts/build.sh

echo "== native unit tests"
ctest --test-dir build/native --output-on-failure
scripts/sanitize.sh
scripts/fuzz.sh --ci

source scripts/wine-env.sh
wine_start

# Runs a Windows tree's tests and, when they pass, records the sum of the exe they ran, which
# the release check compares with the exe in the zip.
run_windows_tests() {
    local tree=$1 exe="build/$1/bin/QuendixInternetLookup.exe" before
    rm -f "build/$tree/tested-exe.sha256"
    before=$(sha256sum "$exe")
    ctest --test-dir "build/$tree" --output-on-failure -j1 ${CTEST_ARGS:-}
    [ "$(sha256sum "$exe")" = "$before" ] || { echo "$exe changed during its tests"; exit 1; }
    echo "$before" >"build/$tree/tested-exe.sha256"
}

echo "== Win32 tests under Wine: 64-bit program"
run_windows_tests win64
echo "== look-up bench, a few iterations (proves it runs; no figure is judged)" && wine build/win64/bin/lookup_bench.exe --quick --steps </dev/null
thirty_two="== 32-bit tests under Wine: NOT RUN: this machine cannot run 32-bit programs"
if [ "$WINE32_USABLE" = 1 ]; then
    echo "== Win32 tests under Wine: 32-bit program"
    run_windows_tests win32
    thirty_two="== 32-bit tests under Wine: passed"
else
    echo "$thirty_two"
fi

echo "== release"
scripts/release.sh
python3 scripts/check_release.py
echo "$thirty_two"
