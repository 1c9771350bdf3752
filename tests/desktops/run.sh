#!/usr/bin/env bash
# The desktop matrix: the robot pupil plays the game on each desktop installed here, each on an X
# server of its own, and the table shows what it measured on each (✓, ✗ with the reason, or "–"
# where the desktop is not installed). Screenshots go to QUORVEL_SHOTS (a scratch folder if unset).
#   tests/desktops/run.sh PATH-TO-QUORVEL
set -uo pipefail
program=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export QUORVEL_SHOTS=${QUORVEL_SHOTS:-$(mktemp -d)}

# mode, the program it needs, the row's name
desktops=(
  "x11 Xvfb no window manager (X11)"
  "openbox openbox openbox (X11)"
  "xfwm4 xfwm4 xfwm4 (X11)"
  "mutter mutter mutter (GNOME, X11)"
  "kwin kwin_x11 kwin_x11 (Plasma, X11)"
  "xwayland weston weston (XWayland)"
  "wayland weston weston (Wayland)"
  "sway-xwayland sway sway (XWayland)"
  "sway-wayland sway sway (Wayland)"
  "mutter-xwayland mutter mutter (GNOME, XWayland)"
  "kwin-xwayland kwin_wayland kwin_wayland (Plasma, XWayland)"
)

cell() { # LOG PATTERN → ✓, or ✗ and the failure when the run failed before the line came
  if grep -q "$2" "$1"; then echo "✓"; elif grep -q '^FAIL' "$1"; then
    echo "✗ $(grep -m1 '^FAIL' "$1" | cut -d: -f2- | sed 's/^ //')"
  else echo "✗"; fi
}

echo "| Desktop | first exercise | answers typed, verdicts, score | wizard off the beads | not in the window list | drag him | above the window after clicks on it | no old frame beside him | Alt+X, Enter | seconds |"
echo "|---|---|---|---|---|---|---|---|---|---|"
for row in "${desktops[@]}"; do
  read -r mode needs name <<<"$row"
  if ! command -v "$needs" >/dev/null; then
    echo "| $name | – not installed | | | | | | | | |"
    continue
  fi
  log=$(mktemp)
  start=$SECONDS
  # On the desktops that may put the wizard's balloon over the beads the pupil answers once.
  plan=${QUORVEL_PLAN:-right right wrong right}
  [[ $mode = *wayland ]] && plan=wrong
  QUORVEL_PLAN=$plan timeout 300 "$here/tests/run-under-xvfb.sh" \
    "$here/tests/app/robot_pupil.sh" "$program" "$mode" >"$log" 2>&1
  list="n/a"
  [[ $mode = @(openbox|xfwm4|mutter|kwin) ]] && list=$(cell "$log" "only the game's window")
  # Read from outside only on an X server: not on a Wayland desktop without XWayland.
  beads="n/a"
  [[ $mode = wayland || $mode = sway-wayland ]] || beads=$(cell "$log" "leaves the beads")
  # Where the desktop lets no one drag him, the pupil says why.
  drag=$(grep -m1 '^n/a' "$log" | cut -d: -f2- | sed 's/^ /n\/a: /')
  echo "| $name | $(cell "$log" 'first exercise is on') | $(cell "$log" 'score shows') | $beads | $list |" \
    "${drag:-$(cell "$log" 'follows the drag')} | $(cell "$log" 'stays above') |" \
    "$(cell "$log" 'no old frame') |" \
    "$(cell "$log" 'exit status 0') | $((SECONDS - start)) |"
  rm -f "$log"
done
echo "Screenshots: $QUORVEL_SHOTS"
