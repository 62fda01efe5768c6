#!/usr/bin/env bash
# Installs what is needed, builds everything with warnings as errors and runs
# every test. The extra lanes in scripts/lanes/ (fuzzing, memory bounds,
# Windows) run first; the main test run comes last. The output ends with the
# time each lane took and the list of skipped tests. Exits non-zero when
# anything failed.
#
# CI=true (or LOBBYFIND_NO_SKIP=1) turns a test that cannot get its peer (a
# server, a free port, Wine, a display) into a failure instead of a skip.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT

# Each fuzz target runs 15 seconds, two side by side on a two-core machine:
# the whole run stays under twenty minutes there even when the machine is
# slow (a minute each made it 19 min 56 s once, 45 seconds 20 min 17 s, and
# 30 seconds 20 min 3 s on a fresh clone, its packages already installed).
# Longer runs: see README.
export FUZZ_SECONDS=${FUZZ_SECONDS:-15}

status=0
summary=()
# lane NAME COMMAND...: runs one lane with its output teed aside, notes its
# time and result.
lane() {
  local name=$1 started result
  shift
  echo "=== lane $name"
  started=$(date +%s)
  if "$@" 2>&1 | tee "$logs/$name.log"; then
    result=passed
  else
    result=FAILED
    status=1
    echo "=== lane $name FAILED"
  fi
  summary+=("$(printf '%-10s %4ds  %s' "$name" $(($(date +%s) - started)) "$result")")
  [ "$result" = passed ]
}

# shellcheck disable=SC2317 # run through lane
main_tests() {
  # The test tree is built with AddressSanitizer and UndefinedBehaviorSanitizer,
  # so every test (unit, integration, GUI, reliability) also runs under them;
  # the program itself is built apart, in build/, by scripts/run.sh.
  BUILD_DIR="$root/build-test" "$root/scripts/build.sh" -DLOBBYFIND_WERROR=ON -DLOBBYFIND_SANITIZE=ON \
    -DLOBBYFIND_BENCH=OFF || return 1
  cd "$root/build-test" || return 1
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 LSAN_OPTIONS=suppressions=$root/tests/lsan.supp \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j2 --timeout 300
}

all_started=$(date +%s)
lane install "$root/scripts/install-deps.sh" || { printf '%s\n' "${summary[@]}"; exit 1; }
for script in "$root"/scripts/lanes/*.sh; do
  [ -e "$script" ] || continue
  lane "$(basename "$script" .sh)" bash "$script"
done
lane main main_tests

echo "=== lane times"
printf '%s\n' "${summary[@]}"
printf '%-10s %4ds\n' total $(($(date +%s) - all_started))
# ctest's closing summary names each test that failed; repeated here, after
# the lane times, as a reader of the end of a long output sees only that.
failed=$(grep -H -E '^[[:space:]]+[0-9]+ - .* \([^)]+\)$' "$logs"/*.log | grep -v -E '\((Skipped|Disabled)\)$' |
  sed -E 's|^.*/([^/]+)\.log:[[:space:]]*|\1: |')
if [ -n "$failed" ]; then
  echo "=== failed tests"
  echo "$failed"
fi
# ctest's closing summary names each test that skipped (GoogleTest's SKIPPED).
skipped=$(grep -h '(Skipped)' "$logs"/*.log | sed 's/^[[:space:]]*//' | sort -u)
if [ -n "$skipped" ]; then
  echo "=== skipped tests"
  echo "$skipped"
else
  echo "=== skipped tests: none"
fi
exit $status
