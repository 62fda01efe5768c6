#!/usr/bin/env bash
# Starts a whole lobby network on loopback, for trying the lobby out and for
# the demo: a chat server (ngircd) with its nickname service (anope, when
# installed), the directory service with news and a
# version entry, and four stand-in game hosts on 127.0.0.2 to 127.0.0.5 that
# keep announcing themselves. Prints what runs where; Ctrl-C or SIGTERM stops
# everything and removes the temporary folder.
#
#   scripts/localnet.sh [--env-file FILE]
#
# --env-file: once everything listens, write IRC_HOST, IRC_PORT and
# DIRECTORY_HOST there (shell syntax), for scripts that start a lobby on it.
# The programs come from $BUILD_DIR (default build/); build them first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
env_file=
while [ $# -gt 0 ]; do
  case $1 in
    --env-file) env_file=$2; shift 2 ;;
    *) echo "usage: $0 [--env-file FILE]" >&2; exit 2 ;;
  esac
done

directory_bin=$build/tools/directory/lobbyfind-directory
gamehost_bin=$build/tools/gamehost/lobbyfind-gamehost
ngircd_bin=$(command -v ngircd || echo /usr/sbin/ngircd)
for program in "$directory_bin" "$gamehost_bin" "$ngircd_bin"; do
  [ -x "$program" ] || { echo "localnet: $program is missing (build first; ngircd is a Debian package)" >&2; exit 1; }
done

# True when something listens on 127.0.0.1:$1.
port_busy() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
# The first port from $1 on that nobody listens on.
free_port() {
  local port=$1
  while port_busy "$port"; do port=$((port + 1)); done
  echo "$port"
}
# Waits up to five seconds for a listener on 127.0.0.1:$1.
wait_listening() {
  for _ in $(seq 50); do
    port_busy "$1" && return 0
    sleep 0.1
  done
  echo "localnet: nothing listens on port $1 (see $tmp/*.log)" >&2
  return 1
}

# Each part runs in a session of its own, so that Ctrl-C in the terminal
# reaches only this script, which then stops the parts in order (the game
# hosts withdraw from the directory while it still runs).
start_part() { setsid "$@" & }

tmp=$(mktemp -d -t lobbyfind-localnet.XXXXXX)
pids=()
stopping=0
stop_all() {
  [ "$stopping" = 1 ] && return
  stopping=1
  # The game hosts withdraw from the directory on SIGTERM: stop them first.
  local pid
  for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$tmp"
}
trap stop_all EXIT
trap 'exit 0' INT TERM HUP

# shellcheck source=demo/nickname-service.sh
. "$root/scripts/demo/nickname-service.sh"
with_nickserv=0
if nickserv_available && nickserv_prepare "$build/localnet-cache"; then
  with_nickserv=1
  link_password=link$RANDOM$RANDOM
fi

irc_port=$(free_port 16667)
directory_port=$(free_port 18080)

# ngircd refuses to run as root and switches to nobody, who must be able to
# write its pid file into the folder.
chmod 0777 "$tmp"
user_settings=
[ "$(id -u)" = 0 ] && user_settings=$'ServerUID = nobody\nServerGID = nogroup'
cat >"$tmp/ngircd.conf" <<CONF
[Global]
Name = irc.lobbyfind.local
Info = lobbyfind local network
Listen = 127.0.0.1
Ports = $irc_port
MotdPhrase = Welcome to the lobbyfind local network
PidFile = $tmp/ngircd.pid
$user_settings

[Limits]
MaxNickLength = 30
MaxConnectionsIP = 0

[Options]
Ident = no
PAM = no
# The lobby registers on the "Looking up your hostname" notice.
DNS = yes
NoticeBeforeRegistration = yes

[Channel]
Name = #lobbyfind
Topic = Welcome to the lobbyfind local network
CONF
[ "$with_nickserv" = 1 ] && nickserv_ngircd_block "$link_password" >>"$tmp/ngircd.conf"
start_part "$ngircd_bin" -n -f "$tmp/ngircd.conf" >"$tmp/ngircd.log" 2>&1
pids+=($!)

today=$(date +%Y-%m-%d)
cat >"$tmp/directory.ini" <<CONF
# The local network's version and news.
current-version = 4
update-url = https://example.org/lobbyfind/

[change]
version = 4
time = $today
text = The game list shows each server's round-trip time

[news]
time = $today 12:00
author = localnet
title = Welcome to the local network
content = Everything you see runs on this machine:
content = a chat server, this directory and four game hosts.

[news]
time = $today 11:00
author = localnet
title = How to try it
content = Press Login to enter the chat room and see the game list.
content = Double-click a game to join it, or host one yourself.
CONF
start_part "$directory_bin" --listen "127.0.0.1:$directory_port" --db "$tmp/directory.db" \
  --config "$tmp/directory.ini" --ttl 15 >"$tmp/directory.log" 2>&1
pids+=($!)

wait_listening "$irc_port"
wait_listening "$directory_port"

if [ "$with_nickserv" = 1 ]; then
  nickserv_write_conf "$tmp/anope" "$irc_port" "$link_password"
  nickserv_command "$tmp/anope" "$build/localnet-cache"
  start_part "${nickserv_argv[@]}" >"$tmp/anope.log" 2>&1
  pids+=($!)
  nickserv_register_demo_nick "$irc_port" || { echo "localnet: the nickname service did not answer (see $tmp/anope.log)" >&2; exit 1; }
  nickserv_text="anope (NickServ); \"$nickserv_demo_nick\" is registered, password \"$nickserv_demo_password\""
else
  nickserv_text="none (needs the Debian packages anope, gettext and locales)"
fi

# Four hosts: address, game port, delay, name, map.
hosts=(
  "127.0.0.2 2301 10 Downtown-Deathmatch Downtown"
  "127.0.0.3 2302 40 Residential-Rumble Residential"
  "127.0.0.4 2303 90 Industrial-Frag Industrial"
  "127.0.0.5 2304 160 Slow-Boat-Club Downtown"
)
for host in "${hosts[@]}"; do
  read -r address game_port delay name map <<<"$host"
  start_part "$gamehost_bin" --address "$address" --game-port "$game_port" --delay-ms "$delay" \
    --session "$name" --announce "127.0.0.1:$directory_port" --name "${name//-/ }" --map "$map" \
    >"$tmp/gamehost-$address.log" 2>&1
  pids+=($!)
  sleep 0.2  # one after the other, so the directory lists them in this order
done

cat <<TEXT
lobbyfind local network (temporary folder $tmp)
  chat server       ngircd on 127.0.0.1:$irc_port, channel #lobbyfind
  nickname service  $nickserv_text
  directory service http://127.0.0.1:$directory_port (2 news entries, current version 4)
TEXT
for host in "${hosts[@]}"; do
  read -r address game_port delay name map <<<"$host"
  printf '  game host         %-10s game port %s, answers after %3s ms: "%s" on %s\n' \
    "$address" "$game_port" "$delay" "${name//-/ }" "$map"
done
echo "Press Ctrl-C to stop everything."

if [ -n "$env_file" ]; then
  printf 'IRC_HOST=127.0.0.1\nIRC_PORT=%s\nDIRECTORY_HOST=127.0.0.1:%s\n' "$irc_port" "$directory_port" >"$env_file.part"
  mv "$env_file.part" "$env_file"
fi

# Stay until a signal comes or a part dies.
while true; do
  for pid in "${pids[@]}"; do
    if ! kill -0 "$pid" 2>/dev/null; then
      echo "localnet: a part stopped (process $pid); logs in $tmp:" >&2
      tail -n 5 "$tmp"/*.log >&2 || true
      exit 1
    fi
  done
  sleep 1
done
