#!/usr/bin/env bash
# The voice's timing over several runs of the game on a private PulseAudio server whose only
# output is a null sink: the silence between one utterance's sound and the next (greeting ->
# correction -> number, and a correction said while idle), and the milliseconds from a wrong
# Enter to the correction's first sample. Prints min/median/max of each.
#   run_voice_timing.sh BUILD-DIR [RUNS]     (needs Xvfb, pulseaudio, parec; takes ~20 s a run)
set -uo pipefail
build=$(cd "$1" && pwd)
runs=${2:-8}
here=$(cd "$(dirname "$0")" && pwd)
probe=$build/bench/app/voice_timing
XDG_RUNTIME_DIR=$(mktemp -d)
export XDG_RUNTIME_DIR
pulseaudio --daemonize=no --exit-idle-time=-1 -n --use-pid-file=no \
  --load="module-null-sink sink_name=quorvel_bench" --load="module-native-protocol-unix" \
  >/dev/null 2>&1 &
pulse=$!
trap 'kill $pulse 2>/dev/null; wait 2>/dev/null; rm -rf "$XDG_RUNTIME_DIR"' EXIT
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done

results=$XDG_RUNTIME_DIR/results
for run in $(seq "$runs"); do
  recording=$XDG_RUNTIME_DIR/run$run.raw
  parec -d quorvel_bench.monitor --format=s16le --rate=22050 --channels=1 >"$recording" &
  record=$!
  "$here/../../tests/run-under-xvfb.sh" "$probe" play 2>/dev/null | tee -a "$results"
  sleep 0.3
  kill $record; wait $record 2>/dev/null
  QT_QPA_PLATFORM=offscreen "$probe" gaps "$recording" | tee -a "$results"
done
summary() {
  grep "^$1 " "$results" | awk '{ print $2 }' | sort -g |
    awk -v what="$1" '{ v[NR] = $1 } END {
      if (NR == 0) { print what ": no figures"; exit }
      printf "%s: n=%d min %.1f median %.1f max %.1f\n", what, NR, v[1], v[int((NR + 1) / 2)], v[NR] }'
}
summary gap-ms
summary first-sample-ms
