#!/usr/bin/env bash
# Runs one command on an X server of its own: starts Xvfb on a free display, a private D-Bus
# session around the command, and stops both whatever the command's outcome.
#   [QUORVEL_XVFB_SCREEN=WxHxDEPTH] run-under-xvfb.sh COMMAND [ARG...]
set -u
fdfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 "${QUORVEL_XVFB_SCREEN:-1280x1024x24}" -nolisten tcp -noreset \
  3>"$fdfile" 2>/dev/null &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null; rm -f "$fdfile"' EXIT
for _ in $(seq 100); do
  [ -s "$fdfile" ] && break
  sleep 0.05
done
if [ ! -s "$fdfile" ]; then
  echo "run-under-xvfb: Xvfb did not start" >&2
  exit 1
fi
export DISPLAY=":$(head -n1 "$fdfile")"
export QT_QPA_PLATFORM=xcb
dbus-run-session -- "$@"
