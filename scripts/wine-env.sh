# Sourced by the build and test scripts: a private, headless Wine prefix for this checkout.
# After sourcing, call wine_start before running Win32 programs; wine_stop runs on exit.
ROOT=${ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX="${WINEPREFIX:-$ROOT/build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
export LANG=C.UTF-8
unset DISPLAY
# Wine takes a proxy from these when the registry names none: the tests set their own.
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY
source "$ROOT/scripts/wine-crash.sh"

# Debian's wine script takes the 32-bit loader whenever 32-bit Wine is installed, and that
# loader starts 64-bit programs too. A kernel with 32-bit emulation switched off cannot run it
# ("Exec format error"), so there 64-bit programs go to the 64-bit loader directly, and
# WINE32_USABLE tells the scripts whether 32-bit programs can run at all.
WINE32_USABLE=0
if [ -x /usr/lib/wine/wine ]; then
    if /usr/lib/wine/wine --version >/dev/null 2>&1; then
        WINE32_USABLE=1
    else
        shim="$ROOT/build/wine64-only"
        mkdir -p "$shim"
        for name in wine wine-stable; do
            printf '#!/bin/sh\nexport WINELOADER=/usr/lib/wine/wine64\nexec /usr/lib/wine/wine64 "$@"\n' \
                >"$shim/$name"
            chmod +x "$shim/$name"
        done
        export PATH="$shim:$PATH"
    fi
fi
export WINE32_USABLE

wine_start() {
    if [ ! -f "$WINEPREFIX/.initialised" ]; then
        echo "Creating the Wine prefix in $WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        wineboot -i </dev/null >/dev/null 2>&1 || true
        # Headless: Wine's null display driver, no X server needed.
        wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1
        wineserver -w 2>/dev/null || true
        touch "$WINEPREFIX/.initialised"
    fi
    # One persistent wineserver for the whole run; the first program started after it (here
    # the crash setting) also keeps Wine's background services from inheriting the
    # first test's output handles.
    wineserver -p
    wine_crash_ends_process
    trap wine_stop EXIT
}

wine_stop() {
    wineserver -k 2>/dev/null || true
}
