#!/usr/bin/env bash
# Load check of lobbyfind-directory: fills the directory with 1,000 announced
# games, then lets wrk ask for the server list over 100 concurrent loopback
# connections for 10 seconds, and prints requests per second and the error
# count (which must be 0; the script exits non-zero otherwise).
#
#   tools/directory/bench/servers_load.sh [path/to/lobbyfind-directory]
#
# The per-address rate limit is switched off, since every wrk connection comes
# from 127.0.0.1; everything else runs with the service's defaults.
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
binary=${1:-$root/build/tools/directory/lobbyfind-directory}
entries=${ENTRIES:-1000}
connections=${CONNECTIONS:-100}
duration=${DURATION:-10s}
script=/Vexnet/lobbyfind/webinterface.php

command -v wrk >/dev/null || { echo "wrk is missing (apt-get install wrk)"; exit 1; }
[ -x "$binary" ] || { echo "no server program at $binary (build it first)"; exit 1; }

work=$(mktemp -d)
server_pid=
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

"$binary" --listen 127.0.0.1:0 --db "$work/bench.db" --rate 0 --max-per-ip "$entries" 2>"$work/server.log" &
server_pid=$!
port=
for _ in $(seq 100); do
  port=$(grep -o 'listening on 127.0.0.1:[0-9]*' "$work/server.log" | head -1 | cut -d: -f2 || true)
  [ -n "$port" ] && break
  sleep 0.05
done
[ -n "$port" ] || { echo "server did not start:"; cat "$work/server.log"; exit 1; }

# One raw HTTP/1.0 request, the way the lobby sends it; prints the reply.
request() {
  exec 3<>"/dev/tcp/127.0.0.1/$port"
  printf 'GET %s?%s HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n' "$script" "$1" >&3
  cat <&3
  exec 3<&-
}

for i in $(seq 1 "$entries"); do
  request "GIVEME=ADDSERVER&SERVERNAME=Bench+game+$i&PORT=$((2000 + i))&VERSION=4&MAP=Downtown+$i" >/dev/null
done
listed=$(request "GIVEME=SERVERS" | grep -o '<server>' | wc -l)
size=$(request "GIVEME=SERVERS" | wc -c)
echo "stored entries: $listed (reply of $size bytes)"
[ "$listed" -eq "$entries" ] || { echo "expected $entries entries"; exit 1; }

wrk -t2 -c"$connections" -d"$duration" --latency "http://127.0.0.1:$port$script?GIVEME=SERVERS" | tee "$work/wrk.txt"

rps=$(awk '/^Requests\/sec:/ {print $2}' "$work/wrk.txt")
socket_errors=$(awk '/Socket errors:/ {gsub(",", ""); print $4 + $6 + $8 + $10}' "$work/wrk.txt")
non_2xx=$(awk '/Non-2xx or 3xx responses:/ {print $5}' "$work/wrk.txt")
errors=$(( ${socket_errors:-0} + ${non_2xx:-0} ))
echo
echo "SERVERS with $entries entries, $connections connections, $duration: $rps requests/s, $errors errors"
[ "$errors" -eq 0 ]
