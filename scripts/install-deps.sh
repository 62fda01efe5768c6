#!/usr/bin/env bash
# Installs every Debian package the project needs: the lists in
# scripts/packages/*.txt, one package a line, "#" starts a comment.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
packages=$(cat "$here"/packages/*.txt | sed 's/#.*//' | tr -s ' \t' '\n' | grep -v '^$' | sort -u)
missing=$(dpkg-query -W -f='${Package} ${Status}\n' $packages 2>/dev/null | awk '$NF=="installed"{print $1}' | sort -u | comm -13 - <(echo "$packages"))
if [ -z "$missing" ]; then
  echo "install-deps: all packages present"
  exit 0
fi
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "install-deps: installing" $missing
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
