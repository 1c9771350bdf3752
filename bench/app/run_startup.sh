#!/usr/bin/env bash
# Process start → the first exercise on the X server, against a bare Qt window of the game's
# client size, watched from outside by frame_watch on a private Xvfb with a private sound server.
# Runs alternate (bare, game[, base game]) so that the machine's load hits all alike; each
# round's ratio is game / bare of that round. Prints min / median / max over the rounds.
#   bench/app/run_startup.sh BUILD-DIR [ROUNDS (≥ 11, default 15)] [BASE-BUILD-DIR]
# BASE-BUILD-DIR: another build (e.g. of an older commit) measured in the same rounds; only its
# app/quorvel and share/ are used. Exits 1 if any run cannot be measured.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${QUORVEL_BENCH_INNER:-}" ]; then
  build=$(cd "$1" && pwd)
  rounds=${2:-15}
  base=${3:+$(cd "$3" && pwd)}
  [ "$rounds" -ge 11 ] || { echo "run_startup: at least 11 rounds" >&2; exit 2; }
  [ -x "$build/bin/frame_watch" ] || { echo "run_startup: $build/bin/frame_watch not built" >&2; exit 1; }
  QUORVEL_BENCH_INNER=1 exec "$here/../../tests/run-under-xvfb.sh" "$0" "$build" "$rounds" "$base"
fi
build=$1 rounds=$2 base=${3:-}
source "$here/lib.sh"
start_sound

watch=$build/bin/frame_watch
# Each run prints "wall-ms cpu-ms": the time on the clock, and the CPU time the program used, which
# barely depends on the machine's load and so tells changes apart when the clock cannot.
pair() { awk -F= '$1 == "frame_ms" { w = $2 } $1 == "cpu_ms" { c = $2 } END { if (w != "") print w, c }'; }
# The first exercise paints the gradient behind the abacus: its last stripe, (180, 0, 255), fills
# the client area's bottom rows, where no control lies.
# The report is read once the run is over: a reader started alongside would take a core from the
# program as it starts. A run that cannot be measured reports nothing, which the rounds check.
run() { # PIXEL COLOUR PROGRAM
  local r
  r=$("$watch" --width 754 --pixel "$1" --colour "$2" -- "$3") || true
  pair <<<"$r"
}
bare() { run 10,10 123456 "$build/bin/bare_probe"; }
game() { run 4,-2 b400ff "$1/app/quorvel"; }

bare >/dev/null; game "$build" >/dev/null # warm the caches
[ -n "$base" ] && game "$base" >/dev/null
out=$(mktemp -d)
record() { # NAME "wall cpu" "bare-wall bare-cpu"
  set -- "$1" $2 $3
  echo "$2" >>"$out/$1.wall"; echo "$3" >>"$out/$1.cpu"
  awk -v g="$2" -v b="$4" 'BEGIN { print g / b }' >>"$out/$1.wallratio"
  awk -v g="$3" -v b="$5" 'BEGIN { print g / b }' >>"$out/$1.cpuratio"
}
names=(game)
[ -n "$base" ] && names+=(base)
for round in $(seq "$rounds"); do
  b=$(bare)
  [ -n "$b" ] || { echo "run_startup: round $round failed (bare)" >&2; exit 1; }
  record bare "$b" "$b"
  g=$(game "$build")
  [ -n "$g" ] || { echo "run_startup: round $round failed" >&2; exit 1; }
  record game "$g" "$b"
  if [ -n "$base" ]; then
    o=$(game "$base")
    [ -n "$o" ] || { echo "run_startup: round $round failed (base)" >&2; exit 1; }
    record base "$o" "$b"
    # The two games of one round side by side: tells a change apart from the bare window's own
    # spread, which the ratios to it carry.
    set -- $g $o
    awk -v g="$1" -v b="$3" 'BEGIN { print g / b }' >>"$out/paired.wall"
  fi
done
echo "start-up over $rounds rounds, min / median / max"
echo "  bare window          $(stats '%.1f' <"$out/bare.wall") ms, CPU $(stats '%.1f' <"$out/bare.cpu") ms"
for n in "${names[@]}"; do
  echo "  $n                 $(stats '%.1f' <"$out/$n.wall") ms, CPU $(stats '%.1f' <"$out/$n.cpu") ms"
  echo "  $n / bare          $(stats '%.2f' <"$out/$n.wallratio"), CPU $(stats '%.2f' <"$out/$n.cpuratio")"
done
[ -n "$base" ] && echo "  game / base, same round $(stats '%.3f' <"$out/paired.wall")"
rm -rf "$out"
