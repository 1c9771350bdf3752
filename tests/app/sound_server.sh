# A private PulseAudio server for a test, sourced by it: a runtime folder of its own (exported, so
# that the game and pactl find the server there), and a null sink, quorvel_test, as the only
# output. The test ends it in its cleanup, stopped or not, and removes the folder.
XDG_RUNTIME_DIR=$(mktemp -d)
export XDG_RUNTIME_DIR
pulse=""

start_sound_server() {
  pulseaudio --daemonize=no --exit-idle-time=-1 -n --use-pid-file=no \
    --load="module-null-sink sink_name=quorvel_test" --load="module-native-protocol-unix" \
    >/dev/null 2>&1 &
  pulse=$!
  # Generous: under the sanitizers on a busy machine the server may be slow to start.
  for _ in $(seq 600); do pactl info >/dev/null 2>&1 && return 0; sleep 0.1; done
  echo "FAIL no PulseAudio server"
  exit 1
}

# RUNNING while a stream plays into the sink; IDLE or SUSPENDED otherwise.
sink_state() { pactl list sinks short 2>/dev/null | awk '$2 == "quorvel_test" { print $NF }'; }

end_sound_server() {
  [ -n "$pulse" ] || return 0
  kill -CONT "$pulse" 2>/dev/null # a stopped process does not die of SIGTERM
  kill "$pulse" 2>/dev/null
  wait "$pulse" 2>/dev/null
  pulse=""
}
