#!/usr/bin/env bash
# Every shell script of the project passes shellcheck (with .shellcheckrc).
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root" || exit 1
mapfile -t scripts < <(find scripts tests tools -name '*.sh' -not -path '*/build*' | sort)
if shellcheck -x "${scripts[@]}"; then
  echo "${#scripts[@]} passed, 0 failed"
else
  echo "shellcheck found faults in the scripts above"
  exit 1
fi
