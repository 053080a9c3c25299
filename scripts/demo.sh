#!/usr/bin/env bash
# The main job: builds everything, starts the stand-in look-up service with its sample database
# and has a simulated logger look up a callsign through the real program under Wine.
# Usage: scripts/demo.sh [CALLSIGN]   (default N0CALL)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
scripts/install-deps.sh
scripts/build.sh win64 >/dev/null
source scripts/wine-env.sh
wine_start
wine build/win64/bin/lookup_demo.exe "${1:-N0CALL}" </dev/null 2>/dev/null | tr -d '\r'
