#!/usr/bin/env bash
# Installs what is needed, builds everything with warnings as errors and runs
# every test. The extra lanes in scripts/lanes/ (sanitizers, Windows, ...) run
# first; the main test run comes last, so the output ends with ctest's summary.
# Exits non-zero when anything failed.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" || exit 1

# Each fuzz target runs this long in the test command, so that the whole
# run stays short on a two-core machine; the fuzz lane alone runs longer
# (see the README).
export FUZZ_SECONDS=${FUZZ_SECONDS:-20}

status=0
for lane in "$root"/scripts/lanes/*.sh; do
  [ -e "$lane" ] || continue
  echo "=== lane $(basename "$lane" .sh)"
  if ! bash "$lane"; then
    echo "=== lane $(basename "$lane" .sh) FAILED"
    status=1
  fi
done

echo "=== main build and tests"
BUILD_DIR="$root/build" "$root/scripts/build.sh" -DLOBBYFIND_WERROR=ON || exit 1
cd "$root/build" && ctest --output-on-failure -j2 --timeout 300
ctest_status=$?
[ $ctest_status -eq 0 ] || status=$ctest_status
exit $status
