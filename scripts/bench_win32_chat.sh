#!/usr/bin/env bash
# The Windows edition's chat flood benchmark under Wine, in a throwaway
# prefix with the null graphics driver, as the Windows lane runs its tests.
# Needs the Windows lane's build (bash scripts/lanes/windows.sh, or its
# build-windows/core alone); prints the figures with their target and PASS
# or FAIL, and the machine's load before and after. Exit status 0 when the
# targets are met.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program=${WINDOWS_BUILD_DIR:-$root/build-windows}/core/tests/windows/win32_chat_flood_bench.exe
[ -f "$program" ] || { echo "no $program: build the Windows lane first" >&2; exit 1; }

prefix=$(mktemp -d /tmp/lobbyfind-bench-wine-XXXXXX)
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY
trap 'wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1; rm -rf "$prefix"' EXIT
wineboot -i </dev/null >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1
wineserver -w

echo "  machine load before (1/5/15 min): $(cut -d' ' -f1-3 /proc/loadavg)"
# Wine's own complaints go to stderr; the program's message-box notes too.
wine "$program" </dev/null 2>/dev/null
status=$?
echo "  machine load after (1/5/15 min): $(cut -d' ' -f1-3 /proc/loadavg)"
exit $status
