#!/usr/bin/env bash
# Sourced by scripts that start a Wine prefix (wine-env.sh, screenshots.sh).

# A program that crashes must end at once with its failure code. Wine otherwise starts its
# crash debugger, which for a 32-bit program that jumped to address 0 never returned, holding
# the test for good. The debugger named under AeDebug is started at the crash and waited for;
# this one exits at once. Set in the 64-bit and the 32-bit registry view, at every start, since
# a prefix may be older than this setting.
wine_crash_ends_process() {
    local key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' view
    for view in 64 32; do
        wine reg add "$key" /v Debugger /d 'cmd.exe /c exit 1' /f /reg:$view </dev/null >/dev/null 2>&1
        wine reg add "$key" /v Auto /d 1 /f /reg:$view </dev/null >/dev/null 2>&1
    done
}
