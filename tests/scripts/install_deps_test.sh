#!/usr/bin/env bash
# Runs scripts/install-deps.sh against stand-in dpkg-query and apt-get
# programs on PATH and checks what it asked apt for and how it ended: on a
# machine with none, some or all of the packages, and with apt failing.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The stand-ins: dpkg-query knows the packages listed in $work/installed and,
# like the real one, exits 1 when asked about any other; apt-get notes its
# arguments and fails when $work/apt-fails exists.
mkdir -p "$work/bin"
cat >"$work/bin/dpkg-query" <<'STANDIN'
#!/usr/bin/env bash
status=0
for arg in "$@"; do
  case $arg in -*) continue ;; esac
  if grep -qx "$arg" "$WORK/installed"; then
    echo "$arg install ok installed"
  else
    echo "dpkg-query: no packages found matching $arg" >&2
    status=1
  fi
done
exit $status
STANDIN
cat >"$work/bin/apt-get" <<'STANDIN'
#!/usr/bin/env bash
echo "$*" >>"$WORK/apt.log"
if [ -e "$WORK/apt-fails" ] && [ "$1" = install ]; then
  echo "E: Unable to locate package $*" >&2
  exit 100
fi
exit 0
STANDIN
# A developer who is not root runs it through sudo: the stand-in passes through.
printf '#!/bin/sh\nexec "$@"\n' >"$work/bin/sudo"
chmod +x "$work/bin/dpkg-query" "$work/bin/apt-get" "$work/bin/sudo"
export WORK=$work PATH="$work/bin:$PATH"

all=$(sed 's/#.*//' "$root"/scripts/packages/*.txt | tr -s ' \t' '\n' | grep -v '^$' | sort -u)
first=$(head -1 <<<"$all")
rest=$(tail -n +2 <<<"$all" | tr '\n' ' ' | sed 's/ *$//')

passed=0 failed=0
# check NAME INSTALLED APT_FAILS WANT_STATUS WANT_INSTALL_ARGS
check() {
  local name=$1 installed=$2 apt_fails=$3 want_status=$4 want_install=$5
  printf '%s\n' "$installed" >"$work/installed"
  rm -f "$work/apt.log" "$work/apt-fails"
  [ "$apt_fails" = yes ] && touch "$work/apt-fails"
  local out status
  out=$(bash "$root/scripts/install-deps.sh" 2>&1)
  status=$?
  local asked=""
  [ -f "$work/apt.log" ] && asked=$(grep '^install ' "$work/apt.log" | sed 's/^install -y -qq --no-install-recommends //')
  local why=""
  if [ "$want_status" = 0 ] && [ $status -ne 0 ]; then why="exit status $status, want 0"; fi
  if [ "$want_status" != 0 ] && [ $status -eq 0 ]; then why="exit status 0, want non-zero"; fi
  if [ "$asked" != "$want_install" ]; then why="$why; asked apt to install '$asked', want '$want_install'"; fi
  if [ -n "$want_install" ] && ! grep -qx "install-deps: installing $want_install" <<<"$out"; then
    why="$why; no one-line notice of what it installs"
  fi
  if [ "$apt_fails" = yes ] && ! grep -q 'E: Unable to locate package' <<<"$out"; then
    why="$why; apt's error not shown"
  fi
  if [ -z "$why" ]; then
    echo "ok: $name"
    passed=$((passed + 1))
  else
    echo "FAILED: $name: ${why#; }"
    while IFS= read -r line; do echo "    $line"; done <<<"$out"
    failed=$((failed + 1))
  fi
}

check "nothing installed" "" no 0 "$(tr '\n' ' ' <<<"$all" | sed 's/ *$//')"
check "all but the first installed" "$(tail -n +2 <<<"$all")" no 0 "$first"
check "only the first installed" "$first" no 0 "$rest"
check "all installed" "$all" no 0 ""
check "apt failing" "" yes 1 "$(tr '\n' ' ' <<<"$all" | sed 's/ *$//')"

echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
