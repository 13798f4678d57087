#!/usr/bin/env bash
# Runs a window test on a virtual screen of the given size (WIDTHxHEIGHT)
# under a window manager, so that windows get a real title bar and frame:
#   under-window-manager.sh 1366x768 TEST [ARGS...]
set -euo pipefail
size=$1
shift
work=$(mktemp -d)
cleanup() {
  [ -n "${wm:-}" ] && kill "$wm" 2>/dev/null
  [ -n "${server:-}" ] && kill "$server" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
# Xvfb picks a free display itself and writes its number.
Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
server=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || { cat "$work/xvfb.log" >&2; echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(cat "$work/display")"
openbox >"$work/openbox.log" 2>&1 &
wm=$!
# The window manager is ready once it has said so on the root window; a
# loaded machine may take seconds.
ready=no
for _ in $(seq 300); do
  if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window; then
    ready=yes
    break
  fi
  sleep 0.05
done
[ "$ready" = yes ] || { cat "$work/openbox.log" >&2; echo "openbox did not start" >&2; exit 1; }
# It names itself a moment before it manages new windows.
sleep 1
QT_QPA_PLATFORM=xcb "$@"
