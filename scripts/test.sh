#!/usr/bin/env bash
# Runs every test: the unit tests natively, then the unit tests and the end-to-end tests of the
# program under Wine, one at a time.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
scripts/install-deps.sh
scripts/build.sh

echo "== native unit tests"
ctest --test-dir build/native --output-on-failure
scripts/sanitize.sh
scripts/fuzz.sh --ci

echo "== Win32 tests under Wine"
source scripts/wine-env.sh
wine_start
ctest --test-dir build/win64 --output-on-failure -j1 ${CTEST_ARGS:-}
