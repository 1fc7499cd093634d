#!/bin/sh
# Makes a fresh Wine prefix for the tests that work beside Wine, and waits until its
# wineserver has saved the registry and ended.
set -e
prefix=$1
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ -d "$prefix" ]; then
    wineserver -k 2>/dev/null || true
    rm -rf "$prefix"
fi
wineboot -i >/dev/null 2>&1 </dev/null
wineserver -w
