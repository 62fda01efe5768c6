#!/usr/bin/env bash
# Installs what is needed, builds, starts the local network
# (scripts/localnet.sh) and the lobby in a fresh demo folder, build/demo,
# whose lobbyfind.ini points at it. Closing the window or Ctrl-C ends
# everything.
#
# The demo folder holds the stand-ins of scripts/demo/: "gta2.exe" reads its
# connection address from the demo Wine prefix's system.reg as the game does
# and, for an empty one ("Host a game"), runs lobbyfind-gamehost on 127.0.0.1
# for five minutes, so the hosted game is answered, announced and withdrawn
# for real; the "launcher" is a stand-in Wine that notes each start in
# launches.log and runs the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
demo=$build/demo

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target lobbyfind lobbyfind-directory lobbyfind-gamehost

net_pid=
stop_all() {
  trap - EXIT INT TERM HUP
  if [ -f "$demo/game/stand-in.pid" ]; then kill -TERM "$(cat "$demo/game/stand-in.pid")" 2>/dev/null || true; fi
  if [ -n "$net_pid" ]; then
    kill -TERM "$net_pid" 2>/dev/null || true
    wait "$net_pid" 2>/dev/null || true
  fi
}
trap stop_all EXIT
trap 'exit 130' INT TERM HUP

# A fresh demo folder: game directory, Wine prefix, settings.
rm -rf "$demo"
mkdir -p "$demo/game/data" "$demo/wine"
install -m 0755 "$root/scripts/demo/stand-in-game.sh" "$demo/game/gta2.exe"
install -m 0755 "$root/scripts/demo/stand-in-wine.sh" "$demo/stand-in-wine.sh"
cat >"$demo/game/stand-in.conf" <<CONF
GAMEHOST='$build/tools/gamehost/lobbyfind-gamehost'
SYSTEM_REG='$demo/wine/system.reg'
ANSWER_PORT=2300
CONF
for map in "Downtown:ste" "Residential:wil" "Industrial:bil"; do
  name=${map%%:*} file=${map##*:}
  printf 'GMPFile = %s.gmp\r\nSTYFile = %s.sty\r\nSCRFile =%s.scr\r\nDescription = %s\r\nPlayerCount = 6\r\n' \
    "$file" "$file" "$file" "$name" >"$demo/game/data/$file.mmp"
done
printf 'WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n' >"$demo/wine/system.reg"

"$root/scripts/localnet.sh" --env-file "$demo/localnet.env" &
net_pid=$!
for _ in $(seq 100); do
  [ -f "$demo/localnet.env" ] && break
  kill -0 "$net_pid" 2>/dev/null || { echo "run: the local network did not start" >&2; exit 1; }
  sleep 0.1
done
# shellcheck source=/dev/null
. "$demo/localnet.env"

# "lobbyfind.ini": two lines per entry, key then value, each ended by CR LF.
{
  for entry in "directory-host=$DIRECTORY_HOST" "irc-host=$IRC_HOST" "irc-port=$IRC_PORT" \
    "gtadir=$demo/game" "launcher=$demo/stand-in-wine.sh" "wineprefix=$demo/wine"; do
    printf '%s\r\n%s\r\n' "${entry%%=*}" "${entry#*=}"
  done
} >"$demo/lobbyfind.ini"

echo "lobby: started in $demo (settings in $demo/lobbyfind.ini)"
cd "$demo"
"$build/src/qt/lobbyfind" "$@" || true
