#!/usr/bin/env bash
# Starts the real program on the X server it is given, takes a screenshot as a pupil would see the
# window, and checks pixels of the abacus and the controls.
#   window_on_screen.sh PATH-TO-QUORVEL
set -euo pipefail
program=$1
shots=${QUORVEL_SHOTS:-$(mktemp -d)}
# The ImageMagick tools by their Debian names: a plain "convert" may be something else on PATH.
convert=$(command -v convert-im6.q16 || echo /usr/bin/convert)
import=$(command -v import-im6.q16 || echo /usr/bin/import)

"$program" &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT

wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^Quorvel - ' | head -n1)
sleep 0.5 # let the first frame reach the screen
eval "$(xdotool getwindowgeometry --shell "$wid")" # X, Y, WIDTH, HEIGHT
"$import" -window root PNG24:"$shots/window.png"

fail=0
# The client area is the bottom 754 × 556 of the window, under the menu bar.
cx=$X
cy=$((Y + HEIGHT - 556))
expect() { # NAME X Y R G B  (x, y in client pixels)
  local got
  got=$("$convert" "$shots/window.png" -format "%[fx:int(255*p{$(($cx + $2)),$(($cy + $3))}.r)],%[fx:int(255*p{$(($cx + $2)),$(($cy + $3))}.g)],%[fx:int(255*p{$(($cx + $2)),$(($cy + $3))}.b)]" info:)
  if [ "$got" != "$4,$5,$6" ]; then
    echo "FAIL $1: expected $4,$5,$6 at ($2,$3), got $got"
    fail=1
  else
    echo "ok   $1"
  fi
}
[ "$WIDTH" -eq 754 ] || { echo "FAIL window width $WIDTH"; fail=1; }

# The first exercise is on screen at once: the gradient from dark red at the top to violet at the
# bottom, behind the abacus and the controls.
expect "gradient at the top" 2 1 180 0 0
expect "gradient at the bottom" 2 554 180 0 255
expect "base bar" 190 360 0 255 255
expect "thousands rod beside bead 9" 201 41 255 128 255
expect "score label" 82 428 255 255 0
expect "answer box" 200 500 192 255 192
expect "exit button face" 572 492 0 192 192
expect "new exercise button face" 36 492 255 128 255

exit $fail
