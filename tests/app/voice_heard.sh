#!/usr/bin/env bash
# The wizard is heard, not only seen: the real program greets through a private PulseAudio server
# whose only output is a null sink, and the sink's monitor must carry a few seconds of speech.
#   voice_heard.sh PATH-TO-QUORVEL   (on the X server it is given)
set -uo pipefail
program=$1
source "$(dirname "${BASH_SOURCE[0]}")/sound_server.sh"
recording=$XDG_RUNTIME_DIR/heard.raw
game="" record=""
cleanup() { kill $game $record 2>/dev/null; end_sound_server; wait 2>/dev/null; rm -rf "$XDG_RUNTIME_DIR"; }
trap cleanup EXIT
start_sound_server

parec -d quorvel_test.monitor --format=s16le --rate=22050 --channels=1 >"$recording" &
record=$!
"$program" >/dev/null 2>&1 &
game=$!
sleep 10 # the greeting comes after the appearing and the announce, and lasts about 7 s

# Loudness second by second: the greeting must be heard for at least 4 of them.
loud=0
for second in $(seq 0 9); do
  rms=$(sox -t raw -r 22050 -e signed -b 16 -c 1 "$recording" -n trim "$second" 1 stat 2>&1 |
        awk '/RMS +amplitude/ { print $3 }')
  echo "second $second: RMS ${rms:-none}"
  awk -v r="${rms:-0}" 'BEGIN { exit !(r > 0.02) }' && loud=$((loud + 1))
done
[ $loud -ge 4 ] || { echo "FAIL the greeting was heard for $loud seconds"; exit 1; }
echo "ok   the greeting was heard for $loud seconds"
