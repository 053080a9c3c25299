#!/usr/bin/env bash
# Fails when the program imports a DLL that does not ship with Windows (a runtime DLL of the
# compiler, say): the program must run as one file.
set -euo pipefail
exe=$1
allowed='^(ADVAPI32|COMCTL32|GDI32|KERNEL32|msvcrt|ole32|OLEAUT32|SHELL32|USER32|WININET|WS2_32)\.dll$'
dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p')
[ -n "$dlls" ] || { echo "no imports read from $exe"; exit 1; }
bad=$(echo "$dlls" | grep -viE "$allowed" || true)
echo "imports:" $dlls
if [ -n "$bad" ]; then
    echo "not shipped with Windows:" $bad
    exit 1
fi
