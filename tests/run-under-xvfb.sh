#!/usr/bin/env bash
# Runs one command on an X server of its own: starts Xvfb on a free display, with openbox if asked
# (a window manager that frames each window with a title bar and borders as a desktop does), a
# private D-Bus session around the command, and stops them all whatever the command's outcome.
#   [QUORVEL_XVFB_SCREEN=WxHxDEPTH] [QUORVEL_XVFB_OPENBOX=1] run-under-xvfb.sh COMMAND [ARG...]
set -u
fdfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 "${QUORVEL_XVFB_SCREEN:-1280x1024x24}" -nolisten tcp -noreset \
  3>"$fdfile" 2>/dev/null &
xvfb=$! wm=""
trap 'kill $wm $xvfb 2>/dev/null; wait 2>/dev/null; rm -f "$fdfile"' EXIT
polled() { # TIMES COMMAND...: true once the command succeeds, polled every 0.05 s
  for _ in $(seq "$1"); do "${@:2}" && return 0; sleep 0.05; done
  return 1
}
polled 100 test -s "$fdfile" || { echo "run-under-xvfb: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$fdfile")"
export QT_QPA_PLATFORM=xcb
if [ -n "${QUORVEL_XVFB_OPENBOX:-}" ]; then
  openbox --sm-disable 2>/dev/null &
  wm=$!
  # It manages the screen once it announces its desktops on the root window.
  polled 200 xdotool get_num_desktops >/dev/null 2>&1 \
    || { echo "run-under-xvfb: openbox did not start" >&2; exit 1; }
fi
dbus-run-session -- "$@"
