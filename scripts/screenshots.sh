#!/usr/bin/env bash
# Captures the About window and the account prompt to PNG files in docs/, for the README.
# Not part of the tests. The program runs under Xvfb in a throw-away Wine prefix that uses the
# X11 driver and Wine's own fonts (the test prefix in build/wineprefix keeps its headless "null" driver).
# Usage: scripts/screenshots.sh
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"

if [ "${1:-}" != "--inside" ]; then
    scripts/install-deps.sh xvfb xauth imagemagick fonts-wine
    [ -f build/win64/bin/QuendixInternetLookup.exe ] || scripts/build.sh

    WORK=$(mktemp -d /tmp/quendix-shots.XXXXXX)
    export WORK
    export WINEPREFIX="$WORK/prefix" WINEDEBUG=-all WINEARCH=win64 LANG=C.UTF-8
    export WINEDLLOVERRIDES="mscoree,mshtml="
    trap 'WINEPREFIX="$WORK/prefix" wineserver -k 2>/dev/null || true; rm -rf "$WORK"' EXIT

    # The program in a folder of its own, with a settings file whose look-up address is a closed
    # local port, so that nothing leaves the machine.
    mkdir -p "$WORK/app"
    cp build/win64/bin/QuendixInternetLookup.exe "$WORK/app/"
    printf '[Settings]\r\nUserName=Not Set\r\nPassword=Not Set\r\n[Service]\r\nLookupURL=http://127.0.0.1:9\r\nUpdateURL=http://127.0.0.1:9\r\n' \
        >"$WORK/app/QuendixLookup.ini"
    x86_64-w64-mingw32-g++-posix -static -O2 -o "$WORK/driver.exe" scripts/screenshot_driver_win.cpp

    mkdir -p docs
    xvfb-run -a -s "-screen 0 800x600x24" bash ${SHOTS_TRACE:+-x} "$0" --inside
    echo "Wrote docs/about.png docs/account-notice.png docs/account-prompt.png"
    exit 0
fi

# Inside Xvfb from here on.
wineboot -i </dev/null >/dev/null 2>&1 || true
source "$ROOT/scripts/wine-crash.sh"
wine_crash_ends_process
# Wine's own fonts (MS Sans Serif, Tahoma, Marlett) into the prefix, where Wine looks for them.
cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
# No window manager runs: Wine draws the window frames itself.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f </dev/null >/dev/null 2>&1
wineserver -w 2>/dev/null || true

(cd "$WORK/app" && exec wine QuendixInternetLookup.exe </dev/null >/dev/null 2>&1) &

# Runs one step of the driver and captures the window it reports to the given file.
shot() {
    local rect
    rect=$(timeout 60 wine "$WORK/driver.exe" "$1" </dev/null 2>/dev/null | tr -d '\r')
    read -r left top width height <<<"$rect"
    import -window root -crop "${width}x${height}+${left}+${top}" +repage "$2"
}

shot about docs/about.png
timeout 60 wine "$WORK/driver.exe" close </dev/null >/dev/null 2>&1
shot lookup docs/account-notice.png
shot ok docs/account-prompt.png
wineserver -k 2>/dev/null || true
