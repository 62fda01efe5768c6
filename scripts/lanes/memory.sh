#!/usr/bin/env bash
# The memory lane: the reliability suite's floods, whose memory bounds mean
# nothing under the address sanitizer (freed memory stays in its quarantine),
# built plainly into build-plain and run with those bounds checked. The main
# test run covers the same floods under the sanitizers.
# Run it alone with: bash scripts/lanes/memory.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${MEMORY_BUILD_DIR:-$root/build-plain}

# -O2 as the program is built, without debug information, which only slows
# the build here.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DLOBBYFIND_WERROR=ON -DLOBBYFIND_BENCH=OFF >/dev/null
cmake --build "$build" --target reliability_tests
cd "$build/tests"
QT_QPA_PLATFORM=offscreen ./reliability_tests --gtest_filter='Floods.*'
