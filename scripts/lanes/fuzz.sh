#!/usr/bin/env bash
# The fuzz lane: builds the libFuzzer targets of tests/fuzz with clang (address
# and undefined-behaviour sanitizers on) into build-fuzz and runs each one for
# FUZZ_SECONDS (60 by default), starting from its seed corpus, one target a
# core at a time (FUZZ_JOBS). Exits non-zero when any target finds a crash, a
# hang, a leak or a broken property; the input that did it is kept in
# build-fuzz/findings/<target>/.
# Run it alone with: bash scripts/lanes/fuzz.sh
# A longer run:      FUZZ_SECONDS=600 bash scripts/lanes/fuzz.sh
# Some targets only: FUZZ_TARGETS="irc_client http_reply" bash scripts/lanes/fuzz.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${FUZZ_SECONDS:-60}
# One input running longer than this is a hang.
timeout=${FUZZ_TIMEOUT:-10}

CC=clang CXX=clang++ cmake -S "$root/tests/fuzz" -B "$build" -G Ninja -DLOBBYFIND_WERROR=ON >/dev/null
cmake --build "$build" -j2

# The targets write their files here; removed at the end whatever happens.
scratch=$(mktemp -d -p /dev/shm lobbyfind-fuzz-XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export LOBBYFIND_FUZZ_SCRATCH=$scratch

targets=${FUZZ_TARGETS:-$(cd "$root/tests/fuzz" && for f in *_fuzzer.cpp; do echo "${f%_fuzzer.cpp}"; done)}
# Targets run side by side, FUZZ_JOBS at a time (one a core by default).
jobs=${FUZZ_JOBS:-$(nproc)}

# Runs one target; its result line goes to $build/<target>.result.
fuzz_one() {
  local target=$1
  # The seeds stay untouched; what the run learns goes to a scratch corpus.
  local corpus=$build/corpus/$target findings=$build/findings/$target log=$build/$target.log
  mkdir -p "$corpus" "$findings"
  local result=0
  # The sanitizers' own reports end the run as a finding too.
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$build/${target}_fuzzer" -max_total_time="$seconds" -timeout="$timeout" -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" "$root/tests/fuzz/corpus/$target" \
    >"$log" 2>&1 || result=$?
  local runs
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  if [ $result -eq 0 ]; then
    printf '%-14s %10s runs  ok\n' "$target" "${runs:-?}" >"$build/$target.result"
  else
    printf '%-14s %10s runs  FINDING (exit %d, see %s)\n' "$target" "${runs:-?}" $result "$findings" \
      >"$build/$target.result"
  fi
}

echo "--- fuzz $(wc -w <<<"$targets") targets for ${seconds}s each, $jobs at a time"
running=0
for target in $targets; do
  rm -f "$build/$target.result"
  fuzz_one "$target" &
  running=$((running + 1))
  if [ $running -ge "$jobs" ]; then
    wait -n || true
    running=$((running - 1))
  fi
done
wait

status=0
echo "--- fuzz summary (${seconds}s each)"
for target in $targets; do
  if ! grep -q ' ok$' "$build/$target.result" 2>/dev/null; then
    status=1
    tail -n 40 "$build/$target.log"
  fi
  cat "$build/$target.result" 2>/dev/null || printf '%-14s did not run\n' "$target"
done
exit $status
