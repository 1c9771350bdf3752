#!/usr/bin/env bash
# A robot pupil plays the real game on the X server it is given: it reads each number off the
# beads in a screenshot, types it (or a wrong one) with the keyboard, presses Enter twice, and at
# the end checks the score through the window's colour and leaves with "E&xit".
#   robot_pupil.sh PATH-TO-QUORVEL
set -uo pipefail
program=$1
shots=${QUORVEL_SHOTS:-$(mktemp -d)}
convert=$(command -v convert-im6.q16 || echo /usr/bin/convert)
import=$(command -v import-im6.q16 || echo /usr/bin/import)

fail() { echo "FAIL $*"; exit 1; }

"$program" &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT

wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^Quorvel - ' | head -n1)
[ -n "$wid" ] || fail "the window did not appear"
eval "$(xdotool getwindowgeometry --shell "$wid")" # X, Y, WIDTH, HEIGHT
cx=$X                       # the client area: the bottom 754 × 556 of the window
cy=$((Y + HEIGHT - 556))

# Bead k of a rod has its centre at y = 316 - 32 (k - 1); the rods' centres, thousands first.
rod_x=(212 340 492 636)
rod_colour=(FFFF00 0000FF 00C0C0 FF00FF)

pixels() { # SHOT X,Y...  → hex colours, one per line (client coordinates)
  local shot=$1 fmt="" p
  shift
  for p in "$@"; do fmt+="%[hex:u.p{$((cx + ${p%,*})),$((cy + ${p#*,}))}]\n"; done
  "$convert" "$shot" -format "$fmt" info:
}

read_number() { # SHOT → the number the beads show
  local shot=$1 points=() r k
  for r in 0 1 2 3; do
    for k in $(seq 1 9); do points+=("${rod_x[$r]},$((316 - 32 * (k - 1)))"); done
  done
  local colours number=0 i=0
  mapfile -t colours < <(pixels "$shot" "${points[@]}")
  for r in 0 1 2 3; do
    local digit=0
    for k in $(seq 1 9); do
      [ "${colours[$i]}" = "${rod_colour[$r]}" ] && [ "$digit" -eq $((k - 1)) ] && digit=$k
      i=$((i + 1))
    done
    number=$((number * 10 + digit))
  done
  echo "$number"
}

xdotool windowfocus --sync "$wid"
read -r -a plan <<<"${QUORVEL_PLAN:-right right wrong right wrong right}"
right=0
wrong=0
for n in "${!plan[@]}"; do
  sleep 0.4 # the exercise is drawn at once; give the screen a moment
  shot="$shots/exercise-$n.png"
  "$import" -window root PNG24:"$shot"
  number=$(read_number "$shot")
  # The gradient is there until the first key.
  [ "$(pixels "$shot" 2,1)" = "B40000" ] || fail "exercise $n: no gradient at the top"
  if [ "${plan[$n]}" = right ]; then
    typed=$number
    right=$((right + 1))
  else
    typed=$(((number + 1) % 10000))
    wrong=$((wrong + 1))
  fi
  echo "exercise $n: the beads show $number, the pupil types $typed"
  xdotool type --delay 30 "$typed"
  xdotool key Return
  sleep 0.2
  "$import" -window root PNG24:"$shots/verdict-$n.png"
  xdotool key Return # "Nuovo calcolo" has the focus now
done

# One key clears the gradient: the background then shows the score, greener for each right
# answer, redder and bluer for each wrong one.
sleep 0.4
xdotool type "1"
sleep 0.3
"$import" -window root PNG24:"$shots/score.png"
blue=$((25 + 50 * wrong))
[ $blue -gt 255 ] && blue=255
expected=$(printf '%02X%02X%02X' $((20 + wrong)) $((125 + right)) $blue)
got=$(pixels "$shots/score.png" 2,2)
[ "$got" = "$expected" ] || fail "background after $right right and $wrong wrong: $got, expected $expected"
echo "ok   the score shows in the background: $got"

# Goodbye: Alt+X, the box with the time, Enter, and the program ends with status 0.
xdotool key alt+x
box=$(timeout 10 xdotool search --sync --onlyvisible --name '^Data ' | head -n1)
[ -n "$box" ] || fail "no goodbye box"
"$import" -window root PNG24:"$shots/goodbye.png"
xdotool windowfocus --sync "$box"
xdotool key Return
for _ in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
kill -0 $pid 2>/dev/null && fail "the program did not end after the goodbye"
wait $pid
status=$?
[ $status -eq 0 ] || fail "exit status $status"
echo "ok   goodbye, exit status 0"
