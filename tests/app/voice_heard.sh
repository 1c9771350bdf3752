#!/usr/bin/env bash
# The wizard is heard, not only seen: the real program greets through a private PulseAudio server
# whose only output is a null sink, and the sink's monitor must carry a few seconds of speech.
#   voice_heard.sh PATH-TO-QUORVEL   (on the X server it is given)
# Each step waits for what it needs, within generous bounds: under the sanitizers on a busy
# machine the server, the recorder and the game may all be slow to start.
set -uo pipefail
program=$1
source "$(dirname "${BASH_SOURCE[0]}")/sound_server.sh"
recording=$XDG_RUNTIME_DIR/heard.raw
second_bytes=44100 # 22 050 Hz, 16 bits, one channel
game="" record=""
cleanup() { kill $game $record 2>/dev/null; end_sound_server; wait 2>/dev/null; rm -rf "$XDG_RUNTIME_DIR"; }
trap cleanup EXIT
start_sound_server

within() { # SECONDS COMMAND...: true once the command succeeds, false if it never does in time
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.1
  done
}
recorder_listens() { pactl list short source-outputs 2>/dev/null | grep -q .; }

parec -d quorvel_test.monitor --format=s16le --rate=22050 --channels=1 >"$recording" &
record=$!
within 60 recorder_listens || { echo "FAIL the recorder did not connect"; exit 1; }
"$program" >/dev/null 2>&1 &
game=$!

# Loudness second by second, as the seconds come: the greeting must be heard for at least 4 of
# them. It comes after the appearing and the announce, and lasts about 7 s.
loud=0 measured=0 deadline=$((SECONDS + 120))
while [ $loud -lt 4 ]; do
  recorded=$(($(stat -c %s "$recording") / second_bytes))
  while [ $measured -lt $recorded ] && [ $loud -lt 4 ]; do
    rms=$(sox -t raw -r 22050 -e signed -b 16 -c 1 "$recording" -n trim "$measured" 1 stat 2>&1 |
          awk '/RMS +amplitude/ { print $3 }')
    echo "second $measured: RMS ${rms:-none}"
    awk -v r="${rms:-0}" 'BEGIN { exit !(r > 0.02) }' && loud=$((loud + 1))
    measured=$((measured + 1))
  done
  [ $loud -ge 4 ] && break
  kill -0 $game 2>/dev/null || { echo "FAIL the game ended after $loud loud seconds"; exit 1; }
  kill -0 $record 2>/dev/null || { echo "FAIL the recorder stopped"; exit 1; }
  [ $SECONDS -lt $deadline ] || { echo "FAIL the greeting was heard for $loud seconds"; exit 1; }
  sleep 0.5
done
echo "ok   the greeting was heard for $loud seconds"
