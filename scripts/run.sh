#!/usr/bin/env bash
# Installs what is needed, builds, and starts the lobby.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
BUILD_DIR="$root/build" "$root/scripts/build.sh"
exec "$root/build/src/qt/lobbyfind"
