#!/usr/bin/env bash
# Runs one command under a window manager (openbox) on the X server in DISPLAY, which frames each
# window with a title bar and borders as a desktop does, and stops it afterwards.
#   under_openbox.sh COMMAND [ARG...]
set -u
openbox --sm-disable 2>/dev/null &
wm=$!
trap 'kill $wm 2>/dev/null; wait $wm 2>/dev/null' EXIT
# It manages the screen once it announces its desktops on the root window.
for _ in $(seq 200); do
  xdotool get_num_desktops >/dev/null 2>&1 && break
  sleep 0.05
done
if ! xdotool get_num_desktops >/dev/null 2>&1; then
  echo "under_openbox: openbox did not start" >&2
  exit 1
fi
"$@"
