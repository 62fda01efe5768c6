#!/usr/bin/env bash
# The Windows lane: builds the pure core, the Windows backends and their unit
# tests with mingw-w64 and runs the tests under Wine, in a throwaway prefix,
# headless. Run it alone with: bash scripts/lanes/windows.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${WINDOWS_BUILD_DIR:-$root/build-windows}
deps=$build/deps
toolchain=$root/cmake/mingw-w64.cmake

prefix=$(mktemp -d /tmp/lobbyfind-wine-XXXXXX)
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY
wine_pid=""
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "$wine_pid" ] && wait "$wine_pid" 2>/dev/null || true
  rm -rf "$prefix"
}
trap cleanup EXIT

# GoogleTest has no mingw package: build it from Debian's sources once.
if [ ! -f "$deps/lib/cmake/GTest/GTestConfig.cmake" ]; then
  cmake -S /usr/src/googletest -B "$build/googletest" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$deps" >/dev/null
  cmake --build "$build/googletest" -j2 >/dev/null
  cmake --install "$build/googletest" >/dev/null
fi

# The prefix must exist before the build: test discovery runs the programs.
wineboot -i >/dev/null 2>&1
# Windows without X: the null graphics driver.
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
# One wine process kept running outside ctest, so the wineserver is not
# started by (and holding the output of) the first test.
wine cmd /c "ping -n 3600 127.0.0.1 >nul" </dev/null >/dev/null 2>&1 &
wine_pid=$!

cmake -S "$root" -B "$build/core" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DLOBBYFIND_CORE_ONLY=ON \
  -DLOBBYFIND_WERROR=ON -DGTest_DIR="$deps/lib/cmake/GTest" -DLOBBYFIND_WIN_DEPS="$deps" >/dev/null
cmake --build "$build/core" -j2
cd "$build/core" && ctest --output-on-failure --timeout 120
