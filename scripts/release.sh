#!/usr/bin/env bash
# Makes the release in dist/, from the same Release trees the tests run:
#   QuendixInternetLookup.zip      the 32-bit exe, ReadMe.txt, License.txt (what the update server serves)
#   QuendixInternetLookup.txt      the version the update server publishes, no line break
#   QuendixInternetLookup-x64.zip  the same three files with the 64-bit exe
# and lists the three with their sizes and SHA-256 sums.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
scripts/install-deps.sh
scripts/build.sh win32 win64
for tree in win32 win64; do
    cmake --build "build/$tree" --target package -j"${JOBS:-2}" >/dev/null
done

rm -rf dist
mkdir dist
cp build/win32/package/QuendixInternetLookup.zip build/win32/package/QuendixInternetLookup.txt \
   build/win64/package/QuendixInternetLookup-x64.zip dist/

echo "Release files in dist/:"
for file in QuendixInternetLookup.zip QuendixInternetLookup.txt QuendixInternetLookup-x64.zip; do
    printf '%9s bytes  %s  %s\n' "$(stat -c %s "dist/$file")" \
        "$(sha256sum "dist/$file" | cut -d' ' -f1)" "$file"
done
