#!/usr/bin/env bash
# Proves the release reproducible: builds it a second time elsewhere and compares, byte for byte.
#
# Copies this source as it is (without build/, dist/ and .git) to a new folder under /tmp, with
# other file times, and runs scripts/rebuild.sh there (the two programs and their zips only, no
# tests) in another time zone, with another umask and, being later, another clock. Then the
# rebuilt exes must equal the tested ones (build/win32, build/win64) and every file that
# dist/SHA256SUMS lists must come out the same, checked as a user checks a download. Where the
# 32-bit exe could not be tested there is no 32-bit zip in dist/: the 32-bit exe is compared,
# and the 64-bit zip.
#
# Run after scripts/release.sh (scripts/test.sh runs it so). Exits non-zero on any difference.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
[ -f dist/SHA256SUMS ] || { echo "no dist/SHA256SUMS: run scripts/release.sh first" >&2; exit 1; }

# The copy has no .git: it gets the release time this checkout gives.
epoch=$(python3 scripts/release_zip.py --epoch | cut -d' ' -f1)
other=$(mktemp -d /tmp/quendix-rebuild.XXXXXX)
trap 'rm -rf "$other"' EXIT
src="$other/another/folder"
mkdir -p "$src"
tar -C "$ROOT" --exclude=./build --exclude=./dist --exclude=./.git --exclude=./fuzz/findings \
    -cf - . | tar -C "$src" -xf -
find "$src" -exec touch -h -d "@$((epoch - 400 * 86400 + 12345))" {} +
echo "source copied to $src, file times $(date -u -d "@$((epoch - 400 * 86400 + 12345))" '+%F %T UTC')"
echo "rebuilding there at $(date -u '+%F %T UTC'), TZ=XXX-14 (UTC+14), umask 077"
(cd "$src" && umask 077 && TZ=XXX-14 SOURCE_DATE_EPOCH=$epoch bash scripts/rebuild.sh)

fail=0
for tree in win32 win64; do
    here="build/$tree/bin/QuendixInternetLookup.exe" there="$src/build/rebuild/$tree/bin/QuendixInternetLookup.exe"
    if cmp -s "$here" "$there"; then
        echo "same: $here and the rebuilt one, $(sha256sum "$here" | cut -d' ' -f1)"
    else
        echo "DIFFERENT: $here and $there ($(cmp -l "$here" "$there" 2>&1 | wc -l) bytes differ;" \
             "$(stat -c %s "$here") and $(stat -c %s "$there") bytes long)"
        fail=1
    fi
done
# Every published file, as the README tells a user to check a download.
need=(QuendixInternetLookup-x64.zip)
[ -f build/win32/tested-exe.sha256 ] && need+=(QuendixInternetLookup.zip QuendixInternetLookup.txt)
for file in "${need[@]}"; do
    grep -q "^[0-9a-f]\{64\}  $file\$" dist/SHA256SUMS ||
        { echo "dist/SHA256SUMS does not list $file"; fail=1; }
done
echo "the rebuilt files against dist/SHA256SUMS:"
(cd "$src/build/rebuild/dist" && sha256sum -c --strict "$ROOT/dist/SHA256SUMS") || fail=1
if [ "$fail" = 1 ]; then
    echo "== NOT REPRODUCIBLE: the same source built in another folder gave other bytes"
    exit 1
fi
echo "== rebuilt in another folder: the same exes and zips"
