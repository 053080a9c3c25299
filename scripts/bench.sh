#!/usr/bin/env bash
# Builds the 64-bit Release tree (the stripped exe that ships) and runs the look-up bench under
# Wine. Arguments go to the bench: --quick for a few iterations, --steps for the breakdown.
# It prints figures and judges none of them.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
scripts/install-deps.sh >/dev/null
scripts/build.sh win64 >/dev/null
source scripts/wine-env.sh
wine_start
echo "== load before the bench: $(uptime)"
wine build/win64/bin/lookup_bench.exe "$@" </dev/null
echo "== load after the bench: $(uptime)"
