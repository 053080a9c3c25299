#!/usr/bin/env bash
# Runs a program that crashes (tests/null_call_win.cpp) under Wine and passes only when its
# process ends with a non-zero code within 10 s: a crash in the tests must fail fast, never sit
# in Wine's crash debugger. Exits 77 (skipped) for a 32-bit program on a machine that cannot run
# 32-bit programs.
#   crash_ends_fast.sh <exe> <32|64>
set -u
exe=$1 bits=$2
if [ "$bits" = 32 ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo "SKIPPED: this machine cannot run 32-bit programs; the 32-bit crash was not tried"
    exit 77
fi
[ -f "$exe" ] || { echo "FAIL: no $exe"; exit 1; }
start=$(date +%s%N)
timeout -k 2 10 wine "$exe" </dev/null >/dev/null 2>"$exe.stderr"
code=$?
ms=$(( ($(date +%s%N) - start) / 1000000 ))
sed 's/^/  wine: /' "$exe.stderr"
if [ "$code" = 124 ] || [ "$code" = 137 ]; then
    echo "FAIL: the $bits-bit crash still held its process after 10 s (Wine's crash debugger?)"
    wine taskkill /f /im "$(basename "$exe")" </dev/null >/dev/null 2>&1
    exit 1
fi
if [ "$code" = 0 ]; then
    echo "FAIL: the $bits-bit program that crashes ended with code 0 after $ms ms"
    exit 1
fi
echo "ok: the $bits-bit crash ended its process with code $code in $ms ms"
