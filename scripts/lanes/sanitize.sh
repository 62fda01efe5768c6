#!/usr/bin/env bash
# Builds the core and its unit tests with AddressSanitizer and
# UndefinedBehaviorSanitizer into build-asan/ and runs them there.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build="$root/build-asan"
cmake -S "$root" -B "$build" -G Ninja -DLOBBYFIND_SANITIZE=ON -DLOBBYFIND_WERROR=ON \
  -DLOBBYFIND_BENCH=OFF >/dev/null
# Only the unit test programs: the sanitizers watch the core.
targets=$(cmake --build "$build" --target help | sed -n 's/^\(unit_[A-Za-z0-9_]*\):.*/\1/p')
[ -n "$targets" ] || { echo "sanitize: no unit test programs found"; exit 1; }
cmake --build "$build" -j2 --target $targets
cd "$build"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest -R '^unit\.' --output-on-failure -j2 --timeout 300
