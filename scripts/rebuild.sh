#!/usr/bin/env bash
# Rebuilds the release from this source, to check it: the 32-bit and the 64-bit program, their
# zips and the version file, with the SHA-256 sums of the files, in build/rebuild/:
#   build/rebuild/win32, build/rebuild/win64   the two Release trees (the program only, no tests)
#   build/rebuild/dist/                        the zips, the version file and SHA256SUMS, named
#                                              as in the published release
# Nothing here is tested, so nothing here is for publishing (that is scripts/release.sh); it is
# for comparing with what was published or released elsewhere. Check a download with
#   cd build/rebuild/dist && sha256sum -c --ignore-missing /path/to/the/published/SHA256SUMS
#
# The same commit gives the same bytes in any folder, at any time, in any time zone, with any
# umask and any file times, on Debian 12 with the packages of scripts/install-deps.sh (another
# compiler, linker or zlib may give other bytes). The zips' entries take their time from
# SOURCE_DATE_EPOCH, else from the commit's time in a git checkout, else 1980-01-01 00:00 UTC:
# in an unpacked source archive set SOURCE_DATE_EPOCH to the commit's time (the files of an
# archive made by `git archive` carry it: `stat -c %Y CMakeLists.txt`).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
scripts/install-deps.sh
OUT=build/rebuild
echo "zip entry time: $(python3 scripts/release_zip.py --epoch)"
declare -A toolchain=([win64]=cmake/mingw-w64-x86_64.cmake [win32]=cmake/mingw-w64-i686.cmake)
for tree in win32 win64; do
    # The toolchain file counts only when a tree is first configured.
    chain=${toolchain[$tree]}
    [ -f "$OUT/$tree/CMakeCache.txt" ] && chain=
    cmake -S . -B "$OUT/$tree" -DCMAKE_BUILD_TYPE=Release \
          ${chain:+-DCMAKE_TOOLCHAIN_FILE=$chain} >/dev/null
    cmake --build "$OUT/$tree" --target release_zip -j"${JOBS:-2}" >/dev/null
done
rm -rf "$OUT/dist"
mkdir -p "$OUT/dist"
cp "$OUT/win32/package/QuendixInternetLookup.zip" "$OUT/win32/package/QuendixInternetLookup.txt" \
   "$OUT/win64/package/QuendixInternetLookup-x64.zip" "$OUT/dist/"
# As scripts/release.sh writes it.
sums=$(cd "$OUT/dist" && export LC_ALL=C && shopt -s nullglob && for file in *; do sha256sum -- "$file"; done)
printf '%s' "${sums:+$sums$'\n'}" >"$OUT/dist/SHA256SUMS"
for tree in win32 win64; do
    echo "$(sha256sum "$OUT/$tree/bin/QuendixInternetLookup.exe")"
done
echo "$OUT/dist/SHA256SUMS:"
cat "$OUT/dist/SHA256SUMS"
