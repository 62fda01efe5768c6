#!/bin/sh
# Stands in for Wine as the lobby's "launcher": notes each start (working
# folder, then the program and its parameters, separated by "|") in
# launches.log beside itself, then runs the program.
here=$(cd "$(dirname "$0")" && pwd)
printf '%s|%s\n' "$(pwd)" "$*" >>"$here/launches.log"
exec "$@"
