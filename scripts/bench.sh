#!/usr/bin/env bash
# Builds the program and its benchmarks in release mode into build-bench/ and
# prints every figure with its target and PASS or FAIL, then every figure
# again in one table with the machine's load before and after. Exit status 0
# when every target is met. Extra arguments go to cmake at configure time.
#
#   --with-peers   first install the programs the start-up is compared with
#                  (Debian's xqf and quassel-client; needs root and apt).
#                  Nothing else installs them.
#
# The figures are timings: run it on a quiet machine, and read the load and
# host steal lines each suite prints before trusting a FAIL.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BENCH_BUILD_DIR:-$root/build-bench}
jobs=${BENCH_JOBS:-2}

if [ "${1:-}" = "--with-peers" ]; then
  shift
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends xqf quassel-client >/dev/null ||
    { echo "bench: installing xqf and quassel-client failed" >&2; exit 1; }
fi
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
out=$(mktemp)
trap 'rm -f "$out"' EXIT

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLOBBYFIND_BENCH=ON "$@" >/dev/null || exit 1
cmake --build "$build" -j "$jobs" --target \
  qt_startup_bench qt_game_list_bench qt_chat_log_bench qt_join_stall_bench directory_parser_bench irc_decoder_bench >/dev/null ||
  { echo "bench build failed; run: cmake --build $build" >&2; exit 1; }

# Processor time worked and stolen by the host (a virtual machine's
# processors waiting while the host runs other guests), in ticks, over the
# suites alone.
processor_times() { awk '/^cpu / { print $2 + $3 + $4 + $7 + $8, $9 }' /proc/stat; }
read -r busy_before steal_before < <(processor_times)

failed=0
run() {
  "$@" || failed=$((failed + 1))
}

{
echo "lobbyfind benchmarks ($(nproc) cores; release build in $build)"
run "$build/bench/qt_startup_bench"
run "$build/bench/qt_game_list_bench"
run "$build/bench/qt_chat_log_bench"
run "$build/bench/qt_join_stall_bench"

# The parser and IRC decoder suites print Google Benchmark tables; their own
# summaries carry their targets.
echo
echo "== Directory reply parser"
run "$build/bench/directory_parser_bench"
echo
echo "== IRC decoding"
irc=$("$build/bench/irc_decoder_bench") || failed=$((failed + 1))
echo "$irc"
# Target: at least 1,000,000 lines per second, decoder alone and whole client.
echo "$irc" | awk '/^BM_/ {
    for (i = 1; i <= NF; i++) if ($i ~ /^lines_per_second=/) {
      v = substr($i, 18); unit = substr(v, length(v) - 2, 1); n = v + 0
      if (unit == "k") n *= 1e3; else if (unit == "M") n *= 1e6; else if (unit == "G") n *= 1e9
      printf "  %-58s %10.0f %-6s target %-22s %s\n", $1 " lines per second", n, "", ">= 1000000", (n >= 1e6 ? "PASS" : "FAIL")
      if (n < 1e6) bad = 1
    }
  } END { exit bad }' || failed=$((failed + 1))

echo "$failed" >"$out.failed"
} | tee "$out"
failed=$(cat "$out.failed")
rm -f "$out.failed"

# The table: every figure with a target, the start-up figures of every
# program measured (the peers have no target of their own), and the figures
# that tell a busy machine from a slow program (the window thread's CPU time
# in its longest turn; the kernel's own time for the requests).
read -r busy_after steal_after < <(processor_times)
steal=$(awk -v busy=$((busy_after - busy_before)) -v stolen=$((steal_after - steal_before)) \
  'BEGIN { if (busy + stolen > 0) printf "%.0f %%", 100 * stolen / (busy + stolen); else print "none" }')
echo
echo "== Every figure (load before: $load_before; after: $(cut -d' ' -f1-3 /proc/loadavg); host steal during the suites: $steal)"
grep -E 'target |time to first window|peak memory|lobbyfind / |longest turn|floor: ' "$out" | grep -v '^== '
echo
if [ "$failed" -eq 0 ]; then
  echo "bench: every suite met its targets"
else
  echo "bench: $failed suite(s) missed a target (see FAIL above)"
fi
exit $((failed > 0))
