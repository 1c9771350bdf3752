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
# shellcheck source=lib.sh
. "$here/lib.sh"
start_sound

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
for what in gap-ms first-sample-ms; do
  printf '%s (min / median / max): ' "$what"
  grep "^$what " "$results" | awk '{ print $2 }' | stats %.1f
done
