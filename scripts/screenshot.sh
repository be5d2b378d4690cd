#!/bin/bash
# Takes a picture of Quorlan's window: scripts/screenshot.sh OUT.png
#
# Builds nothing: it runs the Windows test build's Quorlan.exe (the build
# directory is QUORLAN_BUILD_DIR, default build/windows-test) inside Wine's
# virtual desktop, which draws the frame and title bar that a bare Xvfb
# without a window manager would not. The end-to-end driver's helper mode
# starts the program on that desktop and shows its window; the picture is
# taken of the whole X screen, then the program is ended with its own
# "关闭" command.
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: $0 OUT.png" >&2
  exit 2
fi
out=$(realpath -m "$1")
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
build=${QUORLAN_BUILD_DIR:-$QUORLAN_ROOT/build/windows-test}
exe=$build/app/Quorlan.exe
helper=$build/tests/e2e/quorlan_e2e.exe
for f in "$exe" "$helper"; do
  if [ ! -f "$f" ]; then
    echo "$f is missing: build the windows-test preset first" >&2
    exit 1
  fi
done

quorlan_start_display
quorlan_init_prefix

state=$(mktemp -d)
desktop_pid=
cleanup() {
  touch "$state/done"
  if [ -n "$desktop_pid" ]; then
    # The helper ends the program and then itself; the desktop goes with them.
    for _ in $(seq 1 100); do kill -0 "$desktop_pid" 2>/dev/null || break; sleep 0.1; done
    kill "$desktop_pid" 2>/dev/null || true
  fi
  rm -rf "$state"
}
trap cleanup EXIT

QUORLAN_EXE=$exe wine explorer /desktop=quorlan,640x480 "$(winepath -w "$helper")" \
  --show-window-for-screenshot "$state" &
desktop_pid=$!

for _ in $(seq 1 300); do
  [ -f "$state/shown" ] && break
  if ! kill -0 "$desktop_pid" 2>/dev/null; then
    echo "the program or its helper ended before the window was shown" >&2
    exit 1
  fi
  sleep 0.1
done
if [ ! -f "$state/shown" ]; then
  echo "the window was not shown within 30 s" >&2
  exit 1
fi
sleep 1.5  # let it paint
import -window root -crop 640x480+0+0 +repage "$out"
echo "wrote $out"
