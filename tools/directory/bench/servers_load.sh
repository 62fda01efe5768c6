#!/usr/bin/env bash
# Load check of lobbyfind-directory against a static file: fills the
# directory with 1,000 announced games, saves its SERVERS reply, then lets wrk
# ask for the server list over 100 concurrent loopback connections for 10
# seconds, once from the directory and once from Debian's nginx serving the
# very same bytes as a file. Prints requests per second and latencies of both
# and their ratio; the goal is the directory at >= 50 % of nginx's requests
# per second with a 99th percentile at most twice nginx's, and 0 errors.
#
# When redis-server is installed it then compares one directory on a Redis
# store with two of them behind nginx as a load balancer, the deployment for
# a community that outgrows one machine.
#
#   tools/directory/bench/servers_load.sh [path/to/lobbyfind-directory]
#
# ENTRIES, CONNECTIONS and DURATION change the figures above. The
# per-address rate limit is switched off, since every wrk connection comes
# from 127.0.0.1; everything else runs with the service's defaults. nginx runs
# from a configuration written here, with its pid file, logs and temporary
# files in a temporary folder, and is stopped at the end. Exits non-zero on
# any error or a missed goal.
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
binary=${1:-$root/build/tools/directory/lobbyfind-directory}
entries=${ENTRIES:-1000}
connections=${CONNECTIONS:-100}
duration=${DURATION:-10s}
script=/Vexnet/lobbyfind/webinterface.php

command -v wrk >/dev/null || { echo "wrk is missing (apt-get install wrk)"; exit 1; }
command -v nginx >/dev/null || { echo "nginx is missing (apt-get install nginx)"; exit 1; }
[ -x "$binary" ] || { echo "no server program at $binary (build it first)"; exit 1; }

work=$(mktemp -d)
# nginx's workers drop root's rights when started as root; they must still
# read the file they serve.
chmod 755 "$work"
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do
    if kill "$pid" 2>/dev/null; then wait "$pid" 2>/dev/null || true; fi
  done
  rm -rf "$work"
}
trap cleanup EXIT

# A loopback port nobody listens on (yet).
free_port() {
  local port
  while true; do
    port=$((20000 + RANDOM % 20000))
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return; }
  done
}

wait_for_port() {
  local _
  for _ in $(seq 200); do
    (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null && return 0
    sleep 0.05
  done
  echo "nothing listens on port $1:"; cat "$2"; exit 1
}

# Starts the directory with the given options on a free port; sets $port.
start_directory() {
  local log="$work/directory-${#pids[@]}.log"
  "$binary" --listen 127.0.0.1:0 --rate 0 --max-per-ip "$entries" "$@" 2>"$log" &
  pids+=($!)
  port=
  for _ in $(seq 200); do
    port=$(grep -o 'listening on 127.0.0.1:[0-9]*' "$log" | head -1 | cut -d: -f2 || true)
    [ -n "$port" ] && return
    sleep 0.05
  done
  echo "directory did not start:"; cat "$log"; exit 1
}

# Runs nginx in the foreground (as a child of this script), listening on
# port $1 with `$2` as the body of its server block and `$3` as more of its
# http block.
start_nginx() {
  local dir="$work/nginx-$1"
  mkdir -p "$dir"
  cat >"$dir/nginx.conf" <<EOF
daemon off;
worker_processes auto;
pid $dir/nginx.pid;
error_log $dir/error.log;
events { worker_connections 1024; }
http {
  access_log $dir/access.log;
  client_body_temp_path $dir/body;
  proxy_temp_path $dir/proxy;
  fastcgi_temp_path $dir/fastcgi;
  uwsgi_temp_path $dir/uwsgi;
  scgi_temp_path $dir/scgi;
  sendfile on;
  tcp_nopush on;
${3:-}
  server {
    listen 127.0.0.1:$1;
$2
  }
}
EOF
  nginx -c "$dir/nginx.conf" -p "$dir" 2>>"$dir/error.log" &
  pids+=($!)
  wait_for_port "$1" "$dir/error.log"
}

# The body of one request, sent the way the lobby sends it.
body() {
  exec 3<>"/dev/tcp/127.0.0.1/$1"
  printf 'GET %s?%s HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n' "$script" "$2" >&3
  local line
  while IFS= read -r line <&3 && [ "$line" != $'\r' ]; do :; done
  cat <&3
  exec 3<&-
}

fill() {
  local i
  for i in $(seq 1 "$entries"); do
    body "$1" "GIVEME=ADDSERVER&SERVERNAME=Bench+game+$i&PORT=$((2000 + i))&VERSION=4&MAP=Downtown+$i" >/dev/null
  done
}

# Milliseconds from one of wrk's latency figures ("812.00us", "6.73ms", "1.02s").
to_ms() {
  awk -v t="$1" 'BEGIN {
    if (t ~ /us$/) print substr(t, 1, length(t) - 2) / 1000;
    else if (t ~ /ms$/) print substr(t, 1, length(t) - 2) + 0;
    else if (t ~ /s$/) print substr(t, 1, length(t) - 1) * 1000;
    else print t }'
}

# Figures of each measured server, by the name given to measure.
declare -A rps p50 p99 errors

# Runs wrk against port $2 and keeps its figures under the name $1.
measure() {
  local out="$work/wrk-$1.txt"
  echo "== $3"
  wrk -t2 -c"$connections" -d"$duration" --latency "http://127.0.0.1:$2$script?GIVEME=SERVERS" | tee "$out"
  local socket_errors non_2xx
  socket_errors=$(awk '/Socket errors:/ {gsub(",", ""); print $4 + $6 + $8 + $10}' "$out")
  non_2xx=$(awk '/Non-2xx or 3xx responses:/ {print $5}' "$out")
  rps[$1]=$(awk '/^Requests\/sec:/ {print $2}' "$out")
  p50[$1]=$(to_ms "$(awk '$1 == "50%" {print $2}' "$out")")
  p99[$1]=$(to_ms "$(awk '$1 == "99%" {print $2}' "$out")")
  errors[$1]=$(( ${socket_errors:-0} + ${non_2xx:-0} ))
  echo
}

row() {
  printf '%-34s %10.0f %9.2f %9.2f %7d\n' "$2" "${rps[$1]}" "${p50[$1]}" "${p99[$1]}" "${errors[$1]}"
}

header() { printf '%-34s %10s %9s %9s %7s\n' "" "requests/s" "p50 ms" "p99 ms" "errors"; }

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"

# 1. One directory (SQLite) against nginx serving its reply as a file.
start_directory --db "$work/bench.db"
directory_port=$port
fill "$directory_port"
mkdir -p "$work/www$(dirname "$script")"
body "$directory_port" "GIVEME=SERVERS" >"$work/www$script"
chmod -R a+rX "$work/www"
listed=$(grep -o '<server>' "$work/www$script" | wc -l)
echo "stored entries: $listed (reply of $(wc -c <"$work/www$script") bytes)"
[ "$listed" -eq "$entries" ] || { echo "expected $entries entries"; exit 1; }

nginx_port=$(free_port)
start_nginx "$nginx_port" "    root $work/www;
    location / { default_type text/plain; }"
cmp -s <(body "$nginx_port" "GIVEME=SERVERS") "$work/www$script" || { echo "nginx serves other bytes"; exit 1; }

measure directory "$directory_port" "lobbyfind-directory, SQLite store"
measure nginx "$nginx_port" "nginx, the same bytes as a static file"

ratio=$(awk -v d="${rps[directory]}" -v n="${rps[nginx]}" 'BEGIN { printf "%.0f", 100 * d / n }')
p99_ratio=$(awk -v d="${p99[directory]}" -v n="${p99[nginx]}" 'BEGIN { printf "%.2f", d / n }')
echo "SERVERS with $entries entries, $connections connections, $duration:"
header
row directory "lobbyfind-directory"
row nginx "nginx, static file"
echo "directory / nginx: $ratio % of the requests per second, p99 ${p99_ratio}x"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
verdict=PASS
[ "${errors[directory]}" -eq 0 ] && [ "${errors[nginx]}" -eq 0 ] || verdict=FAIL
awk -v r="$ratio" -v p="$p99_ratio" 'BEGIN { exit !(r >= 50 && p <= 2) }' || verdict=FAIL
echo "goal (>= 50 %, p99 <= 2x, 0 errors): $verdict"

# 2. Redis store: one instance against two behind nginx as a load balancer.
if command -v redis-server >/dev/null && "$binary" --help | grep -q -- '--store'; then
  redis_port=$(free_port)
  mkdir -p "$work/redis"
  redis-server --port "$redis_port" --bind 127.0.0.1 --dir "$work/redis" --save "" --appendonly no \
    --daemonize no >"$work/redis/redis.log" 2>&1 &
  pids+=($!)
  wait_for_port "$redis_port" "$work/redis/redis.log"
  start_directory --store "redis://127.0.0.1:$redis_port"
  first_port=$port
  start_directory --store "redis://127.0.0.1:$redis_port"
  second_port=$port
  fill "$first_port"
  listed=$(body "$second_port" "GIVEME=SERVERS" | grep -o '<server>' | wc -l)
  [ "$listed" -eq "$entries" ] || { echo "second instance lists $listed of $entries entries"; exit 1; }
  balancer_port=$(free_port)
  start_nginx "$balancer_port" "    location / {
      proxy_pass http://directory;
      proxy_http_version 1.1;
      proxy_set_header Connection \"\";
      proxy_set_header X-Forwarded-For \$remote_addr;
      proxy_buffer_size 16k;
      proxy_buffers 32 16k;
    }" "  upstream directory {
    server 127.0.0.1:$first_port;
    server 127.0.0.1:$second_port;
    keepalive 64;
  }"
  measure one "$first_port" "one lobbyfind-directory, Redis store"
  measure two "$balancer_port" "two lobbyfind-directory behind nginx, one Redis"
  echo "SERVERS on Redis with $entries entries, $connections connections, $duration:"
  header
  row one "one instance"
  row two "two instances behind nginx"
  echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
  [ "${errors[one]}" -eq 0 ] && [ "${errors[two]}" -eq 0 ] || verdict=FAIL
fi

[ "$verdict" = PASS ]
