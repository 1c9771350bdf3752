# Shared by run_startup.sh, run_footprint.sh and run_voice_timing.sh (sourced): a
# private PulseAudio server with a null sink, so that the wizard's voice is really played as on
# a pupil's desktop, and the statistics they report.

start_sound() {
  XDG_RUNTIME_DIR=$(mktemp -d)
  export XDG_RUNTIME_DIR
  pulseaudio --daemonize=no --exit-idle-time=-1 -n --use-pid-file=no \
    --load="module-null-sink sink_name=quorvel_bench" --load="module-native-protocol-unix" \
    >/dev/null 2>&1 &
  pulse=$!
  trap 'kill $pulse 2>/dev/null; wait $pulse 2>/dev/null; rm -rf "$XDG_RUNTIME_DIR"' EXIT
  for _ in $(seq 50); do pactl info >/dev/null 2>&1 && return 0; sleep 0.1; done
  echo "bench: no PulseAudio server" >&2
  exit 1
}

# Lines of numbers on stdin → "min / median / max" with the given printf format.
stats() {
  sort -g | awk -v f="$1" '{ a[NR] = $1 } END {
    if (NR == 0) { print "no data"; exit 1 }
    m = (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2
    printf f " / " f " / " f "\n", a[1], m, a[NR] }'
}

# KEY from frame_watch's key=value output.
field() { awk -F= -v k="$1" '$1 == k { print $2 }'; }
