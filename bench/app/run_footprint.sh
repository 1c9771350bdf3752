#!/usr/bin/env bash
# Memory and idle cost, watched from outside as run_startup.sh does: the peak resident memory
# 15 s after start (the greeting played), then CPU and wake-ups (voluntary context switches of all
# threads) over IDLE seconds of an untouched exercise; the bare window alike, in alternation.
#   bench/app/run_footprint.sh BUILD-DIR [ROUNDS (default 3)] [BASE-BUILD-DIR] [IDLE (default 60)]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${QUORVEL_BENCH_INNER:-}" ]; then
  build=$(cd "$1" && pwd)
  base=${3:+$(cd "$3" && pwd)}
  [ -x "$build/bin/frame_watch" ] || { echo "run_footprint: $build/bin/frame_watch not built" >&2; exit 1; }
  QUORVEL_BENCH_INNER=1 exec "$here/../../tests/run-under-xvfb.sh" "$0" "$build" "${2:-3}" "$base" "${4:-60}"
fi
build=$1 rounds=$2 base=${3:-} idle=$4
source "$here/lib.sh"
start_sound

watch=$build/bin/frame_watch
measure() { # NAME PIXEL COLOUR PROGRAM
  local r
  r=$("$watch" --width 754 --pixel "$2" --colour "$3" --hold 15 --idle "$idle" -- "$4")
  echo "$r" | field peak_rss_kib >>"$out/$1.rss"
  echo "$r" | field cpu_percent >>"$out/$1.cpu"
  echo "$r" | field wakeups_per_s >>"$out/$1.wake"
}
out=$(mktemp -d)
names=(bare game)
[ -n "$base" ] && names+=(base)
for round in $(seq "$rounds"); do
  measure bare 10,10 123456 "$build/bin/bare_probe"
  measure game 4,-2 b400ff "$build/app/quorvel"
  [ -n "$base" ] && measure base 4,-2 b400ff "$base/app/quorvel"
  for n in "${names[@]}"; do
    paste "$out/$n.rss" "$out/bare.rss" | tail -n1 | awk '{ print $1 / $2 }' >>"$out/$n.ratio"
  done
done
echo "footprint over $rounds rounds (idle ${idle} s), min / median / max"
for n in "${names[@]}"; do
  echo "  $n: peak RSS $(awk '{ print $1 / 1024 }' "$out/$n.rss" | stats '%.1f') MiB," \
    "$(stats '%.2f' <"$out/$n.ratio") × bare"
  echo "  $n: idle CPU $(stats '%.3f' <"$out/$n.cpu") %, wake-ups $(stats '%.1f' <"$out/$n.wake") /s"
done
rm -rf "$out"
