#!/usr/bin/env bash
# Runs every test: the unit tests natively; the unit tests and the end-to-end tests under Wine
# against the 64-bit and the 32-bit program, one at a time; then makes the release from the
# same trees and checks it, and builds it a second time in another folder to show that it comes
# out byte for byte the same.
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

# Runs a Windows tree's tests and, when the whole suite passed, records the sum of the exe they
# ran: scripts/release.sh zips only an exe so recorded. A filtered run (CTEST_ARGS) records
# nothing.
run_windows_tests() {
    local tree=$1 exe="build/$1/bin/QuendixInternetLookup.exe" before
    rm -f "build/$tree/tested-exe.sha256"
    before=$(sha256sum "$exe")
    ctest --test-dir "build/$tree" --output-on-failure -j1 ${CTEST_ARGS:-} ||
        { echo "== $tree tests failed: its exe is not recorded as tested"; exit 1; }
    [ "$(sha256sum "$exe")" = "$before" ] || { echo "$exe changed during its tests"; exit 1; }
    if [ -n "${CTEST_ARGS:-}" ]; then
        echo "NOTE  filtered run (CTEST_ARGS=$CTEST_ARGS): $exe is not recorded as tested"
        return
    fi
    echo "$before" >"build/$tree/tested-exe.sha256"
}

echo "== Win32 tests under Wine: 64-bit program"
run_windows_tests win64
echo "== look-up bench, a few iterations (proves it runs; no figure is judged)" && wine build/win64/bin/lookup_bench.exe --quick --steps </dev/null
echo "== system calls per look-up, a few look-ups (proves the count runs; no figure is judged)"
python3 scripts/count_syscalls_test.py
python3 scripts/count_syscalls.py --quick
thirty_two="== 32-bit tests under Wine: NOT RUN: this machine cannot run 32-bit programs"
if [ "$WINE32_USABLE" = 1 ]; then
    echo "== Win32 tests under Wine: 32-bit program"
    run_windows_tests win32
    thirty_two="== 32-bit tests under Wine: passed"
else
    echo "$thirty_two"
fi

echo "== release"
if [ -n "${CTEST_ARGS:-}" ]; then
    echo "NOTE  filtered run (CTEST_ARGS): no release made"
    exit 0
elif [ "$WINE32_USABLE" = 1 ]; then
    scripts/release.sh
elif scripts/release.sh; then
    echo "scripts/release.sh released a 32-bit exe that no test ran"
    exit 1
else
    echo "NOTE  no 32-bit zip and no version file were made: the 32-bit exe went untested here"
fi
python3 scripts/check_release.py
echo "== the release rebuilt in another folder (the programs and zips only)"
scripts/check-rebuild.sh
echo "$thirty_two"
