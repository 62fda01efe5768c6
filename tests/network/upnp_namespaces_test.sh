#!/usr/bin/env bash
# Port mapping and the directory's reachability check across a real home
# router, all inside network namespaces this test makes and removes:
#
#   home      192.0.2.10     lobbyfind-gamehost (the hosted game) and
#                            lobbyfind-portmap (the lobby's port mapping)
#   router    192.0.2.1 | WAN    nftables NAT (masquerade) and miniupnpd
#   internet  WAN subnet     lobbyfind-directory with its reachability check
#   player    behind internet    a second player's lobby
#
# Runs: UPnP off (the directory finds the game unreachable; the second
# player's lobby marks it so and never gets an answer to its pings), UPnP on
# (it is reachable and the second player pings it; after the mapper closes,
# the router holds none of its mappings), and a router without miniupnpd
# (the one line saying which ports to forward by hand). Needs root; under CI=true anything missing
# fails the test instead of skipping it.
#
# "Check my ports" is asked from home with UPnP off (unreachable) and while
# the lobby itself runs (offscreen): its worker thread has the router forward
# the game's ports, the enumeration port first, the directory then reaches
# the lobby's answer port, and after a SIGTERM the lobby's mappings are gone.
#
# usage: upnp_namespaces_test.sh DIRECTORY_PROGRAM GAMEHOST_PROGRAM PORTMAP_PROGRAM LOBBY_PROGRAM
#        SECOND_PLAYER_PROGRAM
set -uo pipefail
directory_program=$1 gamehost_program=$2 portmap_program=$3 lobby_program=$(realpath "$4")
second_player_program=$5

unavailable() {
  if [ "${CI:-}" = true ] || [ "${LOBBYFIND_NO_SKIP:-}" = 1 ]; then
    echo "FAIL: cannot build the test network: $*" >&2
    exit 1
  fi
  echo "SKIP: cannot build the test network: $*" >&2
  exit 77
}
fail() {
  echo "FAIL: $*" >&2
  for ns in "$home" "$router" "$internet" "$player"; do
    echo "--- sockets in $ns" >&2
    in_ns "$ns" ss -tuanp >&2
  done
  echo "--- the router's forwarded ports" >&2
  in_ns "$router" nft list chain inet filter prerouting_miniupnpd >&2
  for log in "$work"/*.log; do
    echo "--- $(basename "$log")" >&2
    tail -n 20 "$log" >&2
  done
  exit 1
}

[ "$(id -u)" -eq 0 ] || unavailable "not root"
for tool in ip nft miniupnpd; do
  command -v "$tool" >/dev/null || unavailable "$tool is not installed (scripts/install-deps.sh)"
done

# Names unique to this run, so that parallel runs and leftovers never meet.
tag=lf$$
home=$tag-home router=$tag-router internet=$tag-inet player=$tag-player
work=$(mktemp -d)

cleanup() {
  for ns in "$home" "$router" "$internet" "$player"; do
    # Every process in a namespace of ours is one this test started.
    for pid in $(ip netns pids "$ns" 2>/dev/null); do kill "$pid" 2>/dev/null; done
  done
  for ns in "$home" "$router" "$internet" "$player"; do
    for _ in $(seq 50); do [ -z "$(ip netns pids "$ns" 2>/dev/null)" ] && break; sleep 0.1; done
    ip netns del "$ns" 2>/dev/null
  done
  rm -rf "$work"
}
trap cleanup EXIT

# For commands waited for; programs started in the background are started
# with "ip netns exec" itself, so that $! is the program and kill reaches it.
in_ns() { local ns=$1; shift; ip netns exec "$ns" "$@"; }

# Addresses: the home LAN is TEST-NET-1. miniupnpd refuses to forward when
# its outside address is private or reserved (the documentation ranges
# included), so the router's outside link gets an address miniupnpd takes
# for public; it exists only inside these namespaces, which have no route
# out of this machine.
home_ip=192.0.2.10 lan_ip=192.0.2.1
wan_ip=100.128.0.1 directory_ip=100.128.0.100
# The second player sits one hop further (its lobby, like the directory's
# check, takes answers on TCP 2300).
player_gateway=100.128.1.1 player_ip=100.128.1.10

build_network() {
  ip netns add "$home" && ip netns add "$router" && ip netns add "$internet" && ip netns add "$player" || return 1
  ip link add "${tag}p" netns "$internet" type veth peer name "${tag}q" netns "$player" || return 1
  in_ns "$internet" ip link set "${tag}p" name player0 && in_ns "$player" ip link set "${tag}q" name wan0 || return 1
  in_ns "$player" ip link set lo up && in_ns "$player" ip addr add $player_ip/24 dev wan0 &&
    in_ns "$player" ip link set wan0 up && in_ns "$player" ip route add default via $player_gateway || return 1
  in_ns "$internet" ip addr add $player_gateway/24 dev player0 && in_ns "$internet" ip link set player0 up &&
    in_ns "$internet" sysctl -qw net.ipv4.ip_forward=1 || return 1
  ip link add "${tag}h" netns "$home" type veth peer name lan0 netns "$router" || return 1
  ip link add "${tag}w" netns "$router" type veth peer name wan0 netns "$internet" || return 1
  in_ns "$home" ip link set "${tag}h" name lan0 || return 1
  in_ns "$router" ip link set "${tag}w" name wan0 || return 1
  for ns in "$home" "$router" "$internet" "$player"; do in_ns "$ns" ip link set lo up || return 1; done
  in_ns "$home" ip addr add $home_ip/24 dev lan0 && in_ns "$home" ip link set lan0 up &&
    in_ns "$home" ip route add default via $lan_ip || return 1
  in_ns "$router" ip addr add $lan_ip/24 dev lan0 && in_ns "$router" ip link set lan0 up &&
    in_ns "$router" ip addr add $wan_ip/24 dev wan0 && in_ns "$router" ip link set wan0 up || return 1
  in_ns "$internet" ip addr add $directory_ip/24 dev wan0 && in_ns "$internet" ip link set wan0 up || return 1
  in_ns "$router" sysctl -qw net.ipv4.ip_forward=1 || return 1
  in_ns "$router" ip route add 100.128.1.0/24 via $directory_ip || return 1
  # The tables and chains miniupnpd fills (its defaults), around a home
  # router's rules: outgoing traffic masqueraded, nothing unasked let in.
  in_ns "$router" nft -f - <<'NFT' || return 1
table inet filter {
  chain forward {
    type filter hook forward priority 0; policy drop;
    ct state established,related accept
    iifname "lan0" oifname "wan0" accept
    jump miniupnpd
  }
  chain miniupnpd {
  }
  chain prerouting {
    type nat hook prerouting priority -100; policy accept;
    jump prerouting_miniupnpd
  }
  chain postrouting {
    type nat hook postrouting priority 100; policy accept;
    jump postrouting_miniupnpd
    oifname "wan0" masquerade
  }
  chain prerouting_miniupnpd {
  }
  chain postrouting_miniupnpd {
  }
}
NFT
}
build_network || unavailable "ip netns, veth or nftables failed (see above)"

cat >"$work/miniupnpd.conf" <<CONF
ext_ifname=wan0
listening_ip=lan0
port=0
enable_natpmp=no
enable_upnp=yes
secure_mode=yes
system_uptime=no
uuid=3d7e8f7a-1c2b-4d5e-8f90-0a1b2c3d4e5f
allow 1024-65535 192.0.2.0/24 1024-65535
deny 0-65535 0.0.0.0/0 0-65535
CONF

start_router_upnp() {
  ip netns exec "$router" miniupnpd -d -f "$work/miniupnpd.conf" -P "$work/miniupnpd.pid" >"$work/miniupnpd.log" 2>&1 &
  router_upnp_pid=$!
}

# One GET to the directory from the internet side; prints the body.
# shellcheck disable=SC2016 # expanded by the inner shell
servers() {
  in_ns "$internet" timeout 5 bash -c '
    exec 3<>/dev/tcp/$1/8080 || exit 1
    printf "GET /Vexnet/lobbyfind/webinterface.php?GIVEME=SERVERS HTTP/1.0\r\n\r\n" >&3
    sed "1,/^\r*$/d" <&3' _ "$directory_ip"
}

# "Check my ports" as the lobby asks it, from the home network; prints the body.
# shellcheck disable=SC2016 # expanded by the inner shell
check_ports() {
  in_ns "$home" timeout 10 bash -c '
    exec 3<>/dev/tcp/$1/8080 || exit 1
    printf "GET /Vexnet/lobbyfind/webinterface.php?GIVEME=CHECKPORTS HTTP/1.0\r\n\r\n" >&3
    sed "1,/^\r*$/d" <&3' _ "$directory_ip"
}

# Waits (at most 30 s) until the listing shows `text`. Outputs are read whole
# before they are searched: under pipefail, a "grep -q" that stops at the
# first match can end the writer with SIGPIPE and turn a match into a miss.
wait_for_listing() {
  local listing
  for _ in $(seq 300); do
    listing=$(servers) && grep -qF "$1" <<<"$listing" && return 0
    sleep 0.1
  done
  return 1
}

wait_for_match() {  # FILE REGEX: waits (at most 30 s) for a line matching REGEX
  for _ in $(seq 300); do
    grep -qE "$2" "$1" 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}

wait_for_line() {  # FILE TEXT [TENTHS]: waits (at most 30 s, or TENTHS) for TEXT in FILE
  for _ in $(seq "${3:-300}"); do
    grep -qF "$2" "$1" 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}

# One run: the directory (fresh, so the game is checked at once), the game
# host announcing itself, and the result the listing shows.
run_directory_and_game() {
  local run=$1 expected=$2
  ip netns exec "$internet" "$directory_program" --listen $directory_ip:8080 --db :memory: --check-port 2300 \
    >"$work/directory-$run.log" 2>&1 &
  local directory_pid=$!
  wait_for_line "$work/directory-$run.log" "listening on" || fail "$run: the directory did not start"
  # The game answers after 5 ms: a hop between namespaces takes well under
  # half a millisecond, which rounds to 0 and shows "[???ms]", not a time.
  ip netns exec "$home" "$gamehost_program" --address $home_ip --announce $directory_ip:8080 --name "home game" \
    --delay-ms 5 >"$work/gamehost-$run.log" 2>&1 &
  local gamehost_pid=$!
  wait_for_listing "<ip>$wan_ip</ip>" || fail "$run: the game was never listed"
  wait_for_listing "<reachable>$expected</reachable>" || fail "$run: the listing never said reachable=$expected"
  echo "$run: the directory lists the home game (at the router's address $wan_ip) as reachable=$expected"
  servers
  # A second player on the internet side: its lobby pings the home game
  # only when the router forwards UDP 47624, and marks what the directory
  # could not reach.
  ip netns exec "$player" "$second_player_program" $directory_ip:8080 "$work/player-$run" \
    >"$work/player-$run.log" 2>&1 &
  local player_pid=$!
  if [ "$expected" = yes ]; then
    wait_for_match "$work/player-$run.log" '^line 0: \[[0-9]+ms\] home game:$' ||
      fail "$run: the second player's lobby never pinged the home game"
  else
    wait_for_line "$work/player-$run.log" "line 0: [*]home game: (unreachable)" ||
      fail "$run: the second player's lobby did not mark the home game unreachable"
    # Six refreshes, each with a ping of its own: none was answered.
    wait_for_line "$work/player-$run.log" "refresh 6" || fail "$run: the second player's lobby stopped refreshing"
    ! grep -q "ms\] home game" "$work/player-$run.log" || fail "$run: the home game answered a ping"
  fi
  echo "$run: the second player sees $(grep "^line 0:" "$work/player-$run.log" | tail -n 1)"
  kill "$player_pid"
  wait "$player_pid" || fail "$run: the second player's lobby did not end cleanly"
  if [ "$run" = upnp-off ]; then
    # Nothing at home is reachable: "Check my ports" says so.
    local checked
    checked=$(check_ports)
    if ! grep -qF "<reachable>no</reachable>" <<<"$checked" || ! grep -qF "<ip>$wan_ip</ip>" <<<"$checked"; then
      fail "$run: Check my ports did not say that $wan_ip is unreachable: $checked"
    fi
    echo "$run: Check my ports: $(tr -d '\n' <<<"$checked")"
  fi
  kill "$gamehost_pid" "$directory_pid"
  wait "$gamehost_pid" || fail "$run: the game host did not end cleanly"
  wait "$directory_pid" || fail "$run: the directory did not end cleanly"
}

dnat_rules() { in_ns "$router" nft list chain inet filter prerouting_miniupnpd | grep -c dnat; }

start_router_upnp
wait_for_line "$work/miniupnpd.log" "HTTP listening on port" || fail "miniupnpd did not start"

echo "== run 1: UPnP off"
run_directory_and_game "upnp-off" no

echo "== run 2: UPnP on"
# The range is cut to 2300-2309: miniupnpd lists all its rules for every
# request, so the whole range would take minutes here (the plan's unit tests
# cover the whole range).
ip netns exec "$home" "$portmap_program" --wait-ms 3000 --last-port 2309 >"$work/portmap.log" 2>&1 &
portmap_pid=$!
started=$SECONDS
wait_for_line "$work/portmap.log" "mapped " 600 || fail "the port mapper mapped nothing"
cat "$work/portmap.log"
echo "(mapping took $((SECONDS - started)) s)"
grep -qF "mapped 22 ports" "$work/portmap.log" || fail "not every game port was mapped"
echo "the router forwards $(dnat_rules) ports"
run_directory_and_game "upnp-on" yes
kill -TERM "$portmap_pid"
wait "$portmap_pid" || fail "the mapper did not end cleanly"
grep -F "removed" "$work/portmap.log"
grep -qF "removed 22 mappings" "$work/portmap.log" || fail "the mapper did not remove its mappings"
[ "$(dnat_rules)" = 0 ] || fail "mappings left on the router after the mapper closed"
echo "after the mapper closed the router forwards no ports"

echo "== run 2b: the lobby maps the ports itself"
mkdir -p "$work/lobby"
ip netns exec "$internet" "$directory_program" --listen $directory_ip:8080 --db :memory: --check-port 2300 \
  >"$work/directory-lobby.log" 2>&1 &
directory_pid=$!
wait_for_line "$work/directory-lobby.log" "listening on" || fail "2b: the directory did not start"
# The lobby's requests are followed in the router's log, not in its rules:
# while the lobby maps, a listing of the rules can take seconds (nft reads
# again whenever the rules changed while it read them), the lobby maps on
# meanwhile, and every mapping it owns at its close costs miniupnpd a pass
# over all rules to remove (a run once took 155 s instead of 30 that way).
# The lobby sends a request once the one before it was answered: a request
# logged means the one before it has been carried out.
log_mark=$(wc -l <"$work/miniupnpd.log")
lobby_requests() {
  local log
  log=$(tail -n +"$((log_mark + 1))" "$work/miniupnpd.log")
  grep -o "AddPortMapping: ext port [0-9]* to [0-9.:]* protocol [A-Z]*" <<<"$log"
}
(cd "$work/lobby" && exec ip netns exec "$home" env HOME="$work/lobby" QT_QPA_PLATFORM=offscreen \
  "$lobby_program" >"$work/lobby.log" 2>&1) &
lobby_pid=$!
# The lobby's start (a sanitized build on a loaded machine) and the router's
# search take seconds; the bound is generous, the wait ends when it is met.
started=$SECONDS
for _ in $(seq 1200); do [ "$(lobby_requests | wc -l)" -ge 3 ] && break; sleep 0.1; done
[ "$(lobby_requests | wc -l)" -ge 3 ] || fail "the lobby did not have the game's ports forwarded to it"
first=$(lobby_requests | sed -n 1,2p)
expected="AddPortMapping: ext port 47624 to $home_ip:47624 protocol TCP
AddPortMapping: ext port 47624 to $home_ip:47624 protocol UDP"
[ "$first" = "$expected" ] || fail "the first ports the lobby had forwarded are not TCP and UDP 47624: $first"
echo "the lobby, started with no lobbyfind.ini, has the router forward TCP and UDP 47624 to $home_ip first" \
  "($((SECONDS - started)) s after its start)"
# Once TCP 2300 is forwarded too (its request carried out: another follows
# it) and the lobby's answer server listens on it (from the lobby's first
# timer tick), the directory reaches it. Asked earlier, it would answer "no"
# and keep that answer for its time-to-live.
answer_server_ready() {
  local requests listening
  requests=$(lobby_requests) &&
    grep -A1 -F "ext port 2300 to $home_ip:2300 protocol TCP" <<<"$requests" | sed -n 2p | grep -q . &&
    listening=$(in_ns "$home" ss -Htln "sport = :2300") && [ -n "$listening" ]
}
for _ in $(seq 1200); do answer_server_ready && break; sleep 0.1; done
answer_server_ready || fail "the lobby's answer port was never forwarded and open"
checked=$(check_ports)
if ! grep -qF "<reachable>yes</reachable>" <<<"$checked"; then
  fail "Check my ports did not reach the lobby through the router: $checked"
fi
echo "Check my ports: $(tr -d '\n' <<<"$checked")"
kill "$directory_pid"
wait "$directory_pid" || fail "2b: the directory did not end cleanly"
# SIGTERM (a logout) closes the lobby like its window: it removes its mappings.
kill "$lobby_pid"
wait "$lobby_pid" || fail "the lobby did not end cleanly on SIGTERM"
[ "$(dnat_rules)" = 0 ] || fail "mappings left on the router after the lobby closed"
echo "after the lobby closed the router forwards no ports"

echo "== run 3: a router without UPnP"
kill "$router_upnp_pid"
wait "$router_upnp_pid" 2>/dev/null
ip netns exec "$home" "$portmap_program" --wait-ms 1500 --last-port 2309 >"$work/portmap-none.log" 2>&1 &
portmap_pid=$!
wait_for_line "$work/portmap-none.log" "Port mapping:" || fail "no line about forwarding by hand"
kill -TERM "$portmap_pid"
wait "$portmap_pid" || fail "the mapper did not end cleanly without a router"
cat "$work/portmap-none.log"
grep -qF "forward these ports to this computer by hand: TCP 2300-2309, TCP 47624, UDP 2300-2309, UDP 47624" \
  "$work/portmap-none.log" || fail "the line does not name the ports"
echo "PASS"
