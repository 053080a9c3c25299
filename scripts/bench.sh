#!/usr/bin/env bash
# Builds the 64-bit Release tree (the stripped exe that ships) and runs the look-up bench under
# Wine. Arguments go to the bench: --quick for a few iterations, --steps for the breakdown.
# --syscalls also counts the system calls per look-up of the add-on and of the floor program
# under strace (scripts/count_syscalls.py; with --quick, few look-ups and one repeat), and
# --kinds adds those counts by kind of call.
# It prints figures and judges none of them.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
bench_args=()
count_args=()
syscalls=0
for arg in "$@"; do
    case "$arg" in
        --syscalls) syscalls=1 ;;
        --kinds) count_args+=(--kinds) ;;
        --quick) bench_args+=(--quick) count_args+=(--quick) ;;
        *) bench_args+=("$arg") ;;
    esac
done
scripts/install-deps.sh >/dev/null
scripts/build.sh win64 >/dev/null
source scripts/wine-env.sh
wine_start
echo "== load before the bench: $(uptime)"
wine build/win64/bin/lookup_bench.exe "${bench_args[@]}" </dev/null
echo "== load after the bench: $(uptime)"
if [ "$syscalls" = 1 ]; then
    python3 scripts/count_syscalls.py "${count_args[@]}"
    echo "== load after the count: $(uptime)"
fi
