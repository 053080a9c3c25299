#!/usr/bin/env bash
# Installs what the build and the tests need on a fresh Debian 12 machine, and any further
# Debian packages named as arguments.
set -euo pipefail
need=()
# openssl and python3 run the TLS service of the https tests; Wine does TLS through libgnutls30.
# clang-14 and libclang-rt-14-dev (libFuzzer, the sanitizer runtimes) build the fuzz and
# sanitizer trees.
for pkg in cmake g++ make googletest g++-mingw-w64-x86-64 wine wine64 openssl python3 libgnutls30 \
           clang-14 libclang-rt-14-dev "$@"; do
    dpkg -s "$pkg" >/dev/null 2>&1 || need+=("$pkg")
done
if [ ${#need[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi
