#!/usr/bin/env bash
# The game on a Wayland desktop, started the way a desktop starts programs: weston runs inside the
# X server this test is given (so that its screen can be photographed and typed on), once with
# XWayland and once without. From outside the process the test checks that the first exercise
# appears, that a typed answer is judged, and that Alt+X and Enter end the game with status 0.
# A third run, on a headless weston that never activates a window (no seat), checks only that the
# first exercise appears all the same; weston's own screenshooter photographs that screen.
# Weston draws with the CPU (pixman), so no OpenGL driver is needed.
#   wayland_desktop.sh PATH-TO-QUORVEL
set -uo pipefail
program=$1
shots=${QUORVEL_SHOTS:-$(mktemp -d)}
mkdir -p "$shots"
convert=$(command -v convert-im6.q16 || echo /usr/bin/convert)
import=$(command -v import-im6.q16 || echo /usr/bin/import)
xserver=$DISPLAY

fail() { echo "FAIL $mode: $*"; [ -f "$log" ] && tail -n 20 "$log"; exit 1; }

weston_pid=""
game_pid=""
runtime=""
socket=""
stop() {
  [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null
  [ -n "$weston_pid" ] && kill "$weston_pid" 2>/dev/null && wait "$weston_pid" 2>/dev/null
  [ -n "$runtime" ] && rm -rf "$runtime"
  game_pid="" weston_pid="" runtime=""
}
trap stop EXIT

shot() {
  if [ "$mode" = headless ]; then
    rm -f "$runtime"/wayland-screenshot-*.png
    (cd "$runtime" && XDG_RUNTIME_DIR=$runtime WAYLAND_DISPLAY=$socket timeout 5 \
      weston-screenshooter >/dev/null 2>&1) \
      && mv "$runtime"/wayland-screenshot-*.png "$shots/$mode-$1.png"
  else
    "$import" -display "$xserver" -window root PNG24:"$shots/$mode-$1.png"
  fi
}

# The top right corner of the window's client area, as "X Y", found by the gradient's top stripe
# (it runs to the right edge; the wizard may hide its left end), or nothing if it is not there.
gradient_corner() {
  "$convert" "$1" -fill black +opaque '#B40000' -fill white -opaque '#B40000' -format '%@' \
    info: 2>/dev/null | awk '{ split($1, a, /[x+]/); if (a[1] >= 400) print a[3] + a[1] - 1, a[4] }'
}

pixel() { "$convert" "$1" -format "%[hex:u.p{$2,$3}]" info:; }

play() {
  mode=$1
  runtime=$(mktemp -d)
  chmod 700 "$runtime"
  log="$runtime/weston.log"
  # Weston's on-screen keyboard would open over the answer box; a pupil has a real one.
  printf '[input-method]\npath=\n' >"$runtime/weston.ini"
  socket="quorvel-$$-$mode"
  local backend=(--backend=x11-backend.so)
  [ "$mode" = xwayland ] && backend+=(--xwayland)
  [ "$mode" = headless ] && backend=(--backend=headless-backend.so --debug)
  DISPLAY=$xserver XDG_RUNTIME_DIR=$runtime weston "${backend[@]}" \
    --config="$runtime/weston.ini" --use-pixman --width=1200 --height=960 --idle-time=0 \
    --socket="$socket" >"$log" 2>&1 &
  weston_pid=$!
  for _ in $(seq 100); do [ -S "$runtime/$socket" ] && break; sleep 0.1; done
  [ -S "$runtime/$socket" ] || fail "weston did not start"

  # As a desktop starts a program: a Wayland session, no platform chosen, DISPLAY only where
  # the session has an X server.
  local session=(env -u QT_QPA_PLATFORM -u DISPLAY XDG_SESSION_TYPE=wayland
    WAYLAND_DISPLAY="$socket" XDG_RUNTIME_DIR="$runtime")
  local display=""
  if [ "$mode" = xwayland ]; then
    for _ in $(seq 50); do
      display=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$log")
      [ -n "$display" ] && break
      sleep 0.1
    done
    [ -n "$display" ] || fail "no XWayland"
    session+=(DISPLAY="$display")
  fi
  "${session[@]}" "$program" &
  game_pid=$!

  # Keys typed on the X server reach weston's window, and weston passes them to the window that
  # has the keyboard.
  if [ "$mode" != headless ]; then
    local output
    output=$(timeout 10 xdotool search --sync --class '^Weston Compositor$' | head -n1)
    [ -n "$output" ] || fail "weston's window is not there"
    xdotool windowfocus --sync "$output"
  fi

  local corner=""
  for n in $(seq 40); do
    sleep 0.25
    shot start
    corner=$(gradient_corner "$shots/$mode-start.png")
    [ -n "$corner" ] && break
  done
  [ -n "$corner" ] || fail "the first exercise did not appear (no gradient)"
  read -r cx cy <<<"$corner"
  echo "ok   $mode: the first exercise is on the screen, the client area's top right at $cx,$cy"
  if [ -n "$display" ]; then
    DISPLAY=$display xdotool search --name '^Quorvel - ' >/dev/null \
      || fail "the game's window is not on XWayland"
    echo "ok   $mode: the game chose XWayland"
  fi
  if [ "$mode" = headless ]; then
    stop
    return
  fi

  if [ "$mode" = wayland ]; then
    # He stands on the window left of the abacus, his middle 649 pixels left of the client
    # area's right edge and 254 below its top. His menu opens from a popup: the compositor must
    # accept it, and the keyboard must stay with the answer box (typed on below).
    local wx=$((cx - 649)) wy=$((cy + 254))
    # Weston follows the pointer only once it has entered its window: from outside it, then.
    xdotool mousemove 1250 1000
    sleep 0.2
    xdotool mousemove "$wx" "$wy"
    sleep 0.3
    xdotool click 3
    sleep 0.8
    shot menu
    xdotool key Escape
    sleep 0.3
    kill -0 "$game_pid" 2>/dev/null || fail "the wizard's menu ended the game"
    echo "ok   $mode: the wizard's menu opens"
  fi

  # A wrong answer, then "Nuovo calcolo"; one key clears the new gradient, and the background
  # then shows the score: one wrong answer, none right.
  xdotool type --delay 30 99999
  xdotool key Return
  sleep 0.5
  shot verdict
  xdotool key Return
  sleep 0.5
  xdotool type 1
  sleep 0.5
  shot score
  local got
  got=$(pixel "$shots/$mode-score.png" $((cx - 2)) $((cy + 2)))
  [ "$got" = 157D4B ] || fail "background after one wrong answer: $got, expected 157D4B"
  echo "ok   $mode: the answer was judged wrong, the score shows in the background"

  xdotool key alt+x
  sleep 1
  shot goodbye
  xdotool key Return
  for _ in $(seq 100); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$game_pid" 2>/dev/null && fail "the game did not end after the goodbye"
  wait "$game_pid"
  local status=$?
  game_pid=""
  [ $status -eq 0 ] || fail "exit status $status"
  echo "ok   $mode: goodbye, exit status 0"
  stop
}

play xwayland
play wayland
play headless
