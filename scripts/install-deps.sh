#!/usr/bin/env bash
# Installs what the build and the tests need on a fresh Debian 12 machine, and any further
# Debian packages named as arguments.
set -euo pipefail
# The 32-bit program's compiler, and 32-bit Wine with its TLS library (only recommended by Wine,
# and the https tests need it), from Debian's i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    apt-get update -qq
fi
set -- g++-mingw-w64-i686 wine32:i386 libgnutls30:i386 "$@"
need=()
# openssl and python3 run the TLS service of the https tests; Wine does TLS through libgnutls30
# (named with its architecture: with the i386 one installed too, the bare name is ambiguous).
# clang-14 and libclang-rt-14-dev (libFuzzer, the sanitizer runtimes) build the fuzz and
# sanitizer trees. strace counts the system calls of the bench (scripts/count_syscalls.py).
for pkg in cmake g++ make googletest g++-mingw-w64-x86-64 wine wine64 openssl python3 libgnutls30:amd64 \
           clang-14 libclang-rt-14-dev strace "$@"; do
    dpkg -s "$pkg" >/dev/null 2>&1 || need+=("$pkg")
done
if [ ${#need[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi
