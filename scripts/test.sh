#!/usr/bin/env bash
# Installs what is needed, builds everything with warnings as errors and runs
# every test. The extra lanes in scripts/lanes/ (fuzzing, Windows) run
# first; the main test run comes last, so the output ends with ctest's summary.
# Exits non-zero when anything failed.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" || exit 1

# Each fuzz target runs a minute, two side by side on a two-core machine.
export FUZZ_SECONDS=${FUZZ_SECONDS:-60}

status=0
for lane in "$root"/scripts/lanes/*.sh; do
  [ -e "$lane" ] || continue
  echo "=== lane $(basename "$lane" .sh)"
  if ! bash "$lane"; then
    echo "=== lane $(basename "$lane" .sh) FAILED"
    status=1
  fi
done

# The test tree is built with AddressSanitizer and UndefinedBehaviorSanitizer,
# so every test (unit, integration, GUI, reliability) also runs under them;
# the program itself is built apart, in build/, by scripts/run.sh.
echo "=== main build (sanitizers on) and tests"
BUILD_DIR="$root/build-test" "$root/scripts/build.sh" -DLOBBYFIND_WERROR=ON -DLOBBYFIND_SANITIZE=ON \
  -DLOBBYFIND_BENCH=OFF || exit 1
cd "$root/build-test" || exit 1
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --output-on-failure -j2 --timeout 300
ctest_status=$?
[ $ctest_status -eq 0 ] || status=$ctest_status
exit $status
