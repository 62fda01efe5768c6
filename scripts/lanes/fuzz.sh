#!/usr/bin/env bash
# The fuzz lane: builds the libFuzzer targets of tests/fuzz with clang (address
# and undefined-behaviour sanitizers on) into build-fuzz and runs each one for
# FUZZ_SECONDS (60 by default), starting from its seed corpus. Exits non-zero
# when any target finds a crash, a hang, a leak or a broken property; the
# input that did it is kept in build-fuzz/findings/<target>/.
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

targets=${FUZZ_TARGETS:-$(cd "$root/tests/fuzz" && ls ./*_fuzzer.cpp | sed 's|^\./||; s|_fuzzer\.cpp$||')}
status=0
summary=""
for target in $targets; do
  # The seeds stay untouched; what the run learns goes to a scratch corpus.
  corpus=$build/corpus/$target
  findings=$build/findings/$target
  mkdir -p "$corpus" "$findings"
  log=$build/$target.log
  echo "--- fuzz $target for ${seconds}s"
  set +e
  # The sanitizers' own reports end the run as a finding too.
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$build/${target}_fuzzer" -max_total_time="$seconds" -timeout="$timeout" -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" "$root/tests/fuzz/corpus/$target" \
    >"$log" 2>&1
  result=$?
  set -e
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  if [ $result -eq 0 ]; then
    summary+=$(printf '%-14s %10s runs  ok' "$target" "${runs:-?}")$'\n'
  else
    status=1
    summary+=$(printf '%-14s %10s runs  FINDING (exit %d, see %s)' "$target" "${runs:-?}" $result "$findings")$'\n'
    tail -n 40 "$log"
  fi
done
echo "--- fuzz summary (${seconds}s each)"
printf '%s' "$summary"
exit $status
