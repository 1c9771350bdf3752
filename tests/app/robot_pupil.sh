#!/usr/bin/env bash
# A robot pupil plays the real game from outside its process on the X server it is given: it reads
# each number off the beads in a screenshot, types it or a wrong one as QUORVEL_PLAN says, presses
# Enter twice, at the end checks the score through the window's colour, and leaves with "E&xit":
# the game must end with status 0. It plays on each desktop named (x11 when none is): x11, the
# game straight on that X server; xwayland and wayland, weston inside that X server (so that its
# screen can be photographed and typed on, drawn with pixman, no OpenGL driver needed) with
# XWayland and without, the game started as a Wayland desktop starts programs; and headless, a
# weston that never activates a window (no seat), where only the first exercise must appear.
#   robot_pupil.sh PATH-TO-QUORVEL [x11|xwayland|wayland|headless]...
# Sourced, it only defines its steps (start_game, answer, leave, stop) for another test to play
# with: that test sets program and mode (x11 unless it starts weston).
set -uo pipefail
shots=${QUORVEL_SHOTS:-$(mktemp -d)}
mkdir -p "$shots"
convert=$(command -v convert-im6.q16 || echo /usr/bin/convert)
import=$(command -v import-im6.q16 || echo /usr/bin/import)
xserver=$DISPLAY
read -r -a plan <<<"${QUORVEL_PLAN:-right right wrong right wrong right}"

fail() { echo "FAIL $mode: $*"; [ -f "$log" ] && tail -n 20 "$log"; exit 1; }

mode=x11 log="" weston_pid="" game_pid="" runtime="" socket=""
stop() {
  [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null
  [ -n "$weston_pid" ] && kill "$weston_pid" 2>/dev/null && wait "$weston_pid" 2>/dev/null
  [ -n "$runtime" ] && rm -rf "$runtime"
  game_pid="" weston_pid="" runtime=""
}

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

pixels() { # SHOT X,Y...  → hex colours, one per line (client coordinates)
  local shot=$1 fmt="" p
  shift
  for p in "$@"; do fmt+="%[hex:u.p{$((cx + ${p%,*})),$((cy + ${p#*,}))}]\n"; done
  "$convert" "$shot" -format "$fmt" info:
}

# Bead k (from 0 at the bottom) of a rod has its centre at y = 316 - 32 k; the rods' centres,
# thousands first.
rod_x=(212 340 492 636)
rod_colour=(FFFF00 0000FF 00C0C0 FF00FF)

read_number() { # SHOT → the number the beads show: on each rod, its colour stacked from the bottom
  local points=() r k colours number=0
  for r in 0 1 2 3; do
    for k in {0..8}; do points+=("${rod_x[$r]},$((316 - 32 * k))"); done
  done
  mapfile -t colours < <(pixels "$1" "${points[@]}")
  for r in 0 1 2 3; do
    k=0
    while [ $k -lt 9 ] && [ "${colours[9 * r + k]}" = "${rod_colour[$r]}" ]; do k=$((k + 1)); done
    number=$((number * 10 + k))
  done
  echo "$number"
}

start_weston() {
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
  session=(env -u QT_QPA_PLATFORM -u DISPLAY XDG_SESSION_TYPE=wayland
    WAYLAND_DISPLAY="$socket" XDG_RUNTIME_DIR="$runtime")
  display=""
  if [ "$mode" = xwayland ]; then
    for _ in $(seq 50); do
      display=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$log")
      [ -n "$display" ] && break
      sleep 0.1
    done
    [ -n "$display" ] || fail "no XWayland"
    session+=(DISPLAY="$display")
  fi
}

# Starts the game on the desktop $mode and waits for its first exercise: the client area's corner
# in cx, cy.
start_game() {
  log="" session=() display=$xserver
  [ "$mode" = x11 ] || start_weston
  "${session[@]}" "$program" &
  game_pid=$!

  # Keys typed on the X server go to the game's window there, or to weston's, which passes them
  # on to the window that has its keyboard.
  local which=(--onlyvisible --name '^Quorvel - ') keys
  [ "$mode" = x11 ] || which=(--class '^Weston Compositor$')
  if [ "$mode" != headless ]; then
    keys=$(timeout 20 xdotool search --sync "${which[@]}" | head -n1)
    [ -n "$keys" ] || fail "no window to type on"
    xdotool windowfocus --sync "$keys"
  fi

  local corner=""
  for _ in $(seq 40); do
    sleep 0.25
    shot start
    corner=$(gradient_corner "$shots/$mode-start.png")
    [ -n "$corner" ] && break
  done
  [ -n "$corner" ] || fail "the first exercise did not appear (no gradient)"
  read -r cx cy <<<"$corner"
  cx=$((cx - 753)) # the client area is 754 × 556
  echo "ok   $mode: the first exercise is on the screen, the client area at $cx,$cy"
  if [ "$mode" = xwayland ]; then
    DISPLAY=$display xdotool search --name '^Quorvel - ' >/dev/null \
      || fail "the game's window is not on XWayland"
    echo "ok   $mode: the game chose XWayland"
  fi
}

# Answers exercise N (the one on the screen) right or wrong, and asks for the next.
answer() { # right|wrong N
  local picture number typed
  sleep 0.4 # the exercise is drawn at once; give the screen a moment
  shot "exercise-$2"
  picture="$shots/$mode-exercise-$2.png"
  number=$(read_number "$picture")
  # The gradient is there until the first key.
  [ "$(pixels "$picture" 751,1)" = "B40000" ] || fail "exercise $2: no gradient at the top"
  typed=$number
  [ "$1" = right ] || typed=$(((number + 1) % 10000))
  echo "$mode exercise $2: the beads show $number, the pupil types $typed"
  xdotool type --delay 30 "$typed"
  xdotool key Return
  sleep 0.3
  shot "verdict-$2"
  xdotool key Return # "Nuovo calcolo" has the focus now
}

# Goodbye: Alt+X, the box with the time, Enter, and the program must end with status 0 within
# SECONDS (10 unless given).
leave() { # [SECONDS]
  xdotool key alt+x
  if [ -n "$display" ]; then
    local box
    box=$(DISPLAY=$display timeout 10 xdotool search --sync --onlyvisible --name '^Data ' | head -n1)
    [ -n "$box" ] || fail "no goodbye box"
    [ "$mode" = x11 ] && xdotool windowfocus --sync "$box"
  else
    sleep 1
  fi
  shot goodbye
  xdotool key Return
  for _ in $(seq $((${1:-10} * 10))); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$game_pid" 2>/dev/null && fail "the game did not end within ${1:-10} s of the goodbye"
  wait "$game_pid"
  local status=$?
  game_pid=""
  [ $status -eq 0 ] || fail "exit status $status"
  echo "ok   $mode: goodbye, exit status 0"
}

play() {
  mode=$1
  start_game
  [ "$mode" = headless ] && { stop; return; }

  if [ "$mode" = wayland ]; then
    # He stands on the window left of the abacus, his middle 104 pixels right of the client
    # area's left edge and 254 below its top. His menu opens from a popup: the compositor must
    # accept it, and the keyboard must stay with the answer box (typed on below).
    # Weston follows the pointer only once it has entered its window: from outside it, then.
    xdotool mousemove 1250 1000
    sleep 0.2
    xdotool mousemove $((cx + 104)) $((cy + 254))
    sleep 0.3
    xdotool click 3
    sleep 0.8
    shot menu
    xdotool key Escape
    sleep 0.3
    kill -0 "$game_pid" 2>/dev/null || fail "the wizard's menu ended the game"
    echo "ok   $mode: the wizard's menu opens"
  fi

  local right wrong n
  right=$(printf '%s\n' "${plan[@]}" | grep -cx right)
  wrong=$((${#plan[@]} - right))
  for n in "${!plan[@]}"; do answer "${plan[$n]}" "$n"; done

  # One key clears the gradient: the background then shows the score, greener for each right
  # answer, redder and bluer for each wrong one.
  sleep 0.4
  xdotool type "1"
  sleep 0.4
  shot score
  local expected got
  expected=$(printf '%02X%02X%02X' $((20 + wrong)) $((125 + right)) $((wrong > 4 ? 255 : 25 + 50 * wrong)))
  got=$(pixels "$shots/$mode-score.png" 751,2)
  [ "$got" = "$expected" ] || fail "background after $right right and $wrong wrong: $got, expected $expected"
  echo "ok   $mode: the score shows in the background: $got"

  leave
  stop
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  program=$1
  shift
  trap stop EXIT
  for mode in "${@:-x11}"; do play "$mode"; done
fi
