#!/usr/bin/env bash
# The Windows lane: builds the pure core, the Windows backends, the Windows
# edition (build-windows/core/src/win32/lobbyfind.exe, with the helpers of its
# end-to-end test, which the main test run drives under Wine) and the unit
# tests with mingw-w64, and runs the tests under Wine, in a throwaway prefix,
# headless, quiet (build output only when it failed). Every Wine process it
# started is ended on exit. Run it alone with: bash scripts/lanes/windows.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${WINDOWS_BUILD_DIR:-$root/build-windows}
toolchain=$root/cmake/mingw-w64.cmake

prefix=$(mktemp -d /tmp/lobbyfind-wine-XXXXXX)
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY
wine_pids=()
log=$prefix.log
# Wine (Debian's has no preloader) now and then fails to map a new process's
# shared user data at its fixed address ("failed to map the shared user data:
# c0000018", shown only with its debug channels on) and ends the process at
# once: a test failed in 10 ms without output, in 3 runs of this lane of 18.
# With the kernel's address randomisation off for the Wine processes
# started here (the test programs, and the programs they start, inherit it),
# 30,000 starts of a Windows program had no such failure, against 2 in 15,000
# with it on.
fixed_layout() { setarch "$(uname -m)" -R "$@"; }
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  for pid in "${wine_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  wineserver -w >/dev/null 2>&1 || true
  rm -rf "$prefix" "$log"
}
trap cleanup EXIT
# Runs a step with its output kept aside, shown only when it fails.
quietly() {
  if ! "$@" >"$log" 2>&1 </dev/null; then
    cat "$log"
    return 1
  fi
}

# GoogleTest has no mingw package: it is built from Debian's sources once per
# version of those sources and of the cross compiler, and kept outside the
# build folder, so a fresh clone on the same machine does not build it again.
gtest_version=$(dpkg-query -W -f='${Version}' googletest 2>/dev/null || echo unknown)
mingw_version=$(x86_64-w64-mingw32-g++-posix -dumpfullversion 2>/dev/null || echo unknown)
deps=${LOBBYFIND_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/lobbyfind}/googletest-mingw-$gtest_version-$mingw_version
if [ ! -f "$deps/lib/cmake/GTest/GTestConfig.cmake" ]; then
  quietly cmake -S /usr/src/googletest -B "$build/googletest" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_GMOCK=OFF -DCMAKE_INSTALL_PREFIX="$deps.partial"
  quietly cmake --build "$build/googletest" -j2
  rm -rf "$deps.partial"
  quietly cmake --install "$build/googletest"
  rm -rf "$deps"
  mv "$deps.partial" "$deps"
fi

fixed_layout wineboot -i </dev/null >/dev/null 2>&1
# Windows without X: the null graphics driver. The desktop process that
# wineboot started chose its driver already, so the server is let go and the
# next Wine process starts a new desktop with this one.
fixed_layout wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1
wineserver -w
# Wine's long-lived helpers are started here, outside ctest: one started by
# a test would hold ctest's output pipe open until it ends. A process kept
# running, so that the wineserver is not started by the first test, and the
# desktop, which the first window of a test would start.
fixed_layout wine cmd /c "ping -n 3600 127.0.0.1 >nul" </dev/null >/dev/null 2>&1 &
wine_pids+=($!)
fixed_layout wine explorer.exe /desktop </dev/null >/dev/null 2>&1 &
wine_pids+=($!)

# Tests are listed when ctest runs, inside this prefix, not while building.
quietly cmake -S "$root" -B "$build/core" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DLOBBYFIND_CORE_ONLY=ON \
  -DLOBBYFIND_WERROR=ON -DGTest_DIR="$deps/lib/cmake/GTest" -DLOBBYFIND_WIN_DEPS="$deps" \
  -DCMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE=PRE_TEST
quietly cmake --build "$build/core" -j2
# Only the summary when all passed; the output of what failed otherwise.
cd "$build/core"
# Two at a time: most of a test's time under Wine is spent waiting on the
# wineserver, not computing.
if fixed_layout ctest --output-on-failure -j2 --timeout 120 </dev/null >"$log" 2>&1; then
  sed -n '/tests passed/,$p' "$log"
else
  grep -v -e '^ *Start ' -e ' Passed ' "$log"
  exit 1
fi
