#!/usr/bin/env bash
# Makes the release in dist/, from the same Release trees the tests ran:
#   QuendixInternetLookup.zip      the 32-bit exe, ReadMe.txt, License.txt (what the update server serves)
#   QuendixInternetLookup.txt      the version the update server publishes, no line break
#   QuendixInternetLookup-x64.zip  the same three files with the 64-bit exe
#   SHA256SUMS                     the SHA-256 sum of each file beside it (sha256sum's format),
#                                  published beside the zips
# and lists them with their sizes and SHA-256 sums.
#
# The same commit gives the same bytes wherever it is built (see scripts/rebuild.sh): the zips'
# entries take their time from SOURCE_DATE_EPOCH or else the commit's time
# (scripts/release_zip.py).
#
# An exe goes into a zip only if its tests passed: scripts/test.sh records the sum of each exe
# whose whole suite passed (build/<tree>/tested-exe.sha256), and the exe must still be that one.
# Run `bash scripts/test.sh` first. Without a tested 32-bit exe there is neither the 32-bit zip
# nor the version file (the update check would announce a download that is not there); the
# script then says so and exits non-zero.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
scripts/install-deps.sh
scripts/build.sh win32 win64

# Why the exe of a tree may not be released; nothing when it may.
untested() {
    local tree=$1 exe="build/$1/bin/QuendixInternetLookup.exe" record="build/$1/tested-exe.sha256"
    if [ ! -f "$record" ]; then
        echo "no passed test run recorded for $exe"
    elif [ "$(sha256sum "$exe" | cut -d' ' -f1)" != "$(cut -d' ' -f1 "$record")" ]; then
        echo "$exe is not the exe whose tests passed"
    fi
}

rm -rf dist
mkdir dist
made=() refused=0
for tree in win32 win64; do
    why=$(untested "$tree")
    if [ -n "$why" ]; then
        echo "NOT RELEASED ($tree): $why; run bash scripts/test.sh on a machine that runs it" >&2
        refused=1
        continue
    fi
    cmake --build "build/$tree" --target release_zip -j"${JOBS:-2}" | grep '\.zip:'
    # Packaging builds nothing new, but check that the exe is still the tested one.
    why=$(untested "$tree")
    [ -z "$why" ] || { echo "NOT RELEASED ($tree): $why" >&2; refused=1; continue; }
    if [ "$tree" = win32 ]; then
        cp build/win32/package/QuendixInternetLookup.zip build/win32/package/QuendixInternetLookup.txt dist/
        made+=(QuendixInternetLookup.zip QuendixInternetLookup.txt)
    else
        cp build/win64/package/QuendixInternetLookup-x64.zip dist/
        made+=(QuendixInternetLookup-x64.zip)
    fi
done

echo "Release files in dist/:"
for file in "${made[@]}"; do
    printf '%9s bytes  %s  %s\n' "$(stat -c %s "dist/$file")" \
        "$(sha256sum "dist/$file" | cut -d' ' -f1)" "$file"
done
# Every file beside it, in name order, as `sha256sum -c` reads it; even when the release is
# incomplete, so that what is there can be checked.
sums=$(cd dist && export LC_ALL=C && shopt -s nullglob && for file in *; do sha256sum -- "$file"; done)
printf '%s' "${sums:+$sums$'\n'}" >dist/SHA256SUMS
echo "dist/SHA256SUMS:"
cat dist/SHA256SUMS
if [ "$refused" = 1 ]; then
    echo "The release is incomplete: an untested exe is never released." >&2
    exit 1
fi
