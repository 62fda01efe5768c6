#!/usr/bin/env bash
# Installs every Debian package the project needs that is not installed yet:
# the lists in scripts/packages/*.txt, one package a line, "#" starts a
# comment. Says in one line what it installs; when apt fails, apt's own error
# stays on the terminal and the script exits non-zero.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
packages=$(sed 's/#.*//' "$here"/packages/*.txt | tr -s ' \t' '\n' | grep -v '^$' | sort -u)

# dpkg-query exits 1 when it has never heard of one of the packages (a fresh
# machine), while still printing the ones it knows: its status is no verdict.
# shellcheck disable=SC2086 # one word a package
known=$(dpkg-query -W -f='${Package} ${Status}\n' $packages 2>/dev/null || true)
installed=$(awk '$NF=="installed"{print $1}' <<<"$known" | sort -u)
missing=$(comm -23 <(echo "$packages") <(echo "$installed") | tr '\n' ' ' | sed 's/ *$//')
if [ -z "$missing" ]; then
  echo "install-deps: all packages present"
  exit 0
fi
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
echo "install-deps: installing $missing"
if ! "${sudo[@]}" apt-get update -qq; then
  echo "install-deps: apt-get update failed (its error is above)" >&2
  exit 1
fi
# shellcheck disable=SC2086 # one word a package
if ! "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing; then
  echo "install-deps: apt-get install failed (its error is above)" >&2
  exit 1
fi
