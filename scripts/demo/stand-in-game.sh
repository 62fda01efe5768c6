#!/bin/sh
# Stands in for the game's program, gta2.exe, in the demo and in the
# end-to-end test (copied into the game directory under that name).
#
# Like the game, it takes its connection address from the registry of its
# Wine prefix: an empty address means "host a game". Hosting is played by
# lobbyfind-gamehost on 127.0.0.1, which answers the lobby's pings as a hosted
# game's network lobby does, until the stand-in is ended (SIGTERM to the
# process in stand-in.pid) or its time is up; the lobby then announces the
# game and withdraws it afterwards. Any other address is a join, which is only
# noted: there is no game to join.
#
# Its settings are in stand-in.conf beside it (shell syntax):
#   GAMEHOST      the lobbyfind-gamehost program
#   SYSTEM_REG    the Wine prefix's system.reg
#   ANSWER_PORT   the lobby's answer port (2300 unless the lobby was told otherwise)
#   HOST_SECONDS  how long a hosted game runs (default 300)
# It writes what it does to stand-in.log beside it.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=/dev/null # written by scripts/run.sh beside the stand-in
. "$here/stand-in.conf"
log=$here/stand-in.log
pidfile=$here/stand-in.pid

# One game at a time, as on a real machine.
if [ -f "$pidfile" ]; then
  kill -TERM "$(cat "$pidfile")" 2>/dev/null && sleep 0.3
  rm -f "$pidfile"
fi

# The empty address as the lobby writes it: a lone UTF-16 terminator.
if grep -q '^"TCPIPAddrStringd"=hex:00,00$' "$SYSTEM_REG"; then
  echo "stand-in game: hosting on 127.0.0.1" >>"$log"
  echo $$ >"$pidfile"
  exec "$GAMEHOST" --address 127.0.0.1 --answer-port "$ANSWER_PORT" --game-port 2300 \
    --session "demo game" --exit-after "${HOST_SECONDS:-300}" >>"$log" 2>&1
fi
echo "stand-in game: joining the address in the registry" >>"$log"
