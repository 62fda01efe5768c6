#!/bin/sh
# Runs a test program on an X display of its own: starts Xvfb on a display
# number it picks itself (so tests running side by side never share one),
# runs the program with Qt's xcb platform there, and stops Xvfb afterwards.
# Test discovery (--gtest_list_tests) runs at build time and needs no display.
case " $* " in
  *" --gtest_list_tests "*) exec "$@" ;;
esac
command -v Xvfb >/dev/null || { echo "under_xvfb: Xvfb is missing (Debian package xvfb)" >&2; exit 1; }
dir=$(mktemp -d -t lobbyfind-xvfb.XXXXXX)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$dir/display" 2>"$dir/xvfb.log" &
xvfb=$!
trap 'kill -TERM $xvfb 2>/dev/null; wait $xvfb 2>/dev/null; rm -rf "$dir"' EXIT
# Xvfb writes the display number once it accepts clients.
i=0
while [ ! -s "$dir/display" ] && [ $i -lt 100 ] && kill -0 $xvfb 2>/dev/null; do
  sleep 0.05
  i=$((i + 1))
done
display=$(cat "$dir/display")
if [ -z "$display" ]; then
  echo "under_xvfb: Xvfb did not start:" >&2
  cat "$dir/xvfb.log" >&2
  exit 1
fi
# LeakSanitizer (sanitizer builds): system libraries that the X11 platform
# loads leak on their own; the project's list suppresses their reports.
here=$(cd "$(dirname "$0")" && pwd)
LSAN_OPTIONS="suppressions=$here/../../lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}" \
  DISPLAY=:$display QT_QPA_PLATFORM=xcb "$@"
