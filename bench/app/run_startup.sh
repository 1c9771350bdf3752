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
# The first exercise paints the gradient behind the abacus: its last stripe, (180, 0, 255), fills
# the client area's bottom rows, where no control lies.
bare() { "$watch" --width 754 --pixel 10,10 --colour 123456 -- "$build/bin/bare_probe" | field frame_ms; }
game() { "$watch" --width 754 --pixel 4,-2 --colour b400ff -- "$1/app/quorvel" | field frame_ms; }

bare >/dev/null; game "$build" >/dev/null # warm the caches
[ -n "$base" ] && game "$base" >/dev/null
out=$(mktemp -d)
for round in $(seq "$rounds"); do
  b=$(bare); g=$(game "$build")
  [ -n "$b" ] && [ -n "$g" ] || { echo "run_startup: round $round failed" >&2; exit 1; }
  echo "$b" >>"$out/bare"; echo "$g" >>"$out/game"
  awk -v g="$g" -v b="$b" 'BEGIN { print g / b }' >>"$out/ratio"
  if [ -n "$base" ]; then
    o=$(game "$base")
    [ -n "$o" ] || { echo "run_startup: round $round failed (base)" >&2; exit 1; }
    echo "$o" >>"$out/base"
    awk -v g="$o" -v b="$b" 'BEGIN { print g / b }' >>"$out/baseratio"
  fi
done
echo "start-up over $rounds rounds, min / median / max"
echo "  bare window        $(stats '%.1f' <"$out/bare") ms"
echo "  game               $(stats '%.1f' <"$out/game") ms"
echo "  game / bare        $(stats '%.2f' <"$out/ratio")"
if [ -n "$base" ]; then
  echo "  base game          $(stats '%.1f' <"$out/base") ms"
  echo "  base game / bare   $(stats '%.2f' <"$out/baseratio")"
fi
rm -rf "$out"
