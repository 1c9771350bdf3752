#!/usr/bin/env bash
# The game's sound, played by the robot pupil (robot_pupil.sh) against a private PulseAudio server
# whose only output is a null sink, when all is well and when it goes wrong:
#   none      the wizard is heard, not only seen: the sink's monitor carries at least 4 loud
#             seconds of his greeting.
#   stopped   the server is stopped (SIGSTOP) before the game starts: its socket still takes
#             connections, and nothing answers. The wizard says his greeting silently, with his
#             balloon; the game plays three exercises and ends with status 0 within 2 s of the
#             goodbye.
#   killed    the server is killed while the wizard greets: the game plays on, and a server
#             started afterwards hears his next correction.
#   no-voice  the game copied to a folder of its own without its voice module: the wizard greets
#             with his balloon, the game plays, and it never connects to the sound server.
#   sound_faults.sh PATH-TO-QUORVEL none|stopped|killed|no-voice   (on the X server it is given)
set -uo pipefail
here=$(dirname "${BASH_SOURCE[0]}")
source "$here/robot_pupil.sh"

# The private server: a runtime folder of its own (exported, so that the game and pactl find the
# server there), and a null sink, quorvel_test, as the only output.
XDG_RUNTIME_DIR=$(mktemp -d)
export XDG_RUNTIME_DIR
pulse=""
start_sound_server() {
  pulseaudio --daemonize=no --exit-idle-time=-1 -n --use-pid-file=no \
    --load="module-null-sink sink_name=quorvel_test" --load="module-native-protocol-unix" \
    >/dev/null 2>&1 &
  pulse=$!
  # Generous: under the sanitizers on a busy machine the server may be slow to start.
  within 60 pactl info >/dev/null 2>&1 || fail "no PulseAudio server"
}
end_sound_server() {
  [ -n "$pulse" ] || return 0
  kill -CONT "$pulse" 2>/dev/null # a stopped process does not die of SIGTERM
  kill "$pulse" 2>/dev/null
  wait "$pulse" 2>/dev/null
  pulse=""
}
program=$1 fault=$2 copy="" record=""
cleanup() {
  local status=$?
  stop
  [ -n "$record" ] && kill "$record" 2>/dev/null
  end_sound_server
  rm -rf "$XDG_RUNTIME_DIR" $copy
  [ $status -eq 0 ] && [ -z "${QUORVEL_SHOTS:-}" ] && rm -rf "$shots"
}
trap cleanup EXIT

# RUNNING while a stream plays into the sink; IDLE or SUSPENDED otherwise.
sink_running() {
  [ "$(pactl list sinks short 2>/dev/null | awk '$2 == "quorvel_test" { print $NF }')" = RUNNING ]
}
# The balloon has no title: Qt names it after the program.
balloon_shown() {
  local w
  for w in $(xdotool search --onlyvisible --classname '^quorvel$'); do
    [ "$(xdotool getwindowname "$w")" = quorvel ] && return 0
  done
  return 1
}
# Said as if there were no sound device: his balloon goes once it has been read.
greets_silently() {
  within 30 balloon_shown || fail "no balloon for the greeting"
  within 30 not balloon_shown || fail "the greeting never ended"
  echo "ok   the wizard greets with his balloon, silently"
}
# Every connection to the server is a new client, numbered on from the last: pactl's own number.
client_number() { pactl info | sed -n 's/^Client Index: //p'; }
recorder_listens() { pactl list short source-outputs 2>/dev/null | grep -q .; }
# True once 4 seconds of the recording (22 050 Hz, 16 bits, one channel) have been loud; each
# second is measured once, as it comes.
loud=0 measured=0
heard() {
  local rms
  while [ $measured -lt $(($(stat -c %s "$recording") / 44100)) ]; do
    rms=$(sox -t raw -r 22050 -e signed -b 16 -c 1 "$recording" -n trim "$measured" 1 stat 2>&1 |
          awk '/RMS +amplitude/ { print $3 }')
    awk -v r="${rms:-0}" 'BEGIN { exit !(r > 0.02) }' && loud=$((loud + 1))
    measured=$((measured + 1))
  done
  [ $loud -ge 4 ]
}

[[ $fault = @(none|stopped|killed|no-voice) ]] || {
  echo "usage: sound_faults.sh PATH-TO-QUORVEL none|stopped|killed|no-voice"
  exit 2
}
start_sound_server
case $fault in
  none)
    recording=$XDG_RUNTIME_DIR/heard.raw
    parec -d quorvel_test.monitor --format=s16le --rate=22050 --channels=1 >"$recording" &
    record=$!
    within 60 recorder_listens || fail "the recorder did not connect"
    start_game
    # It comes after the appearing and the announce, and lasts about 7 s.
    within 120 heard || fail "the greeting was heard for $loud of $measured seconds"
    echo "ok   the greeting was heard for $loud seconds"
    leave
    ;;
  stopped)
    kill -STOP "$pulse"
    start_game
    greets_silently
    answer right 0
    answer wrong 1
    answer right 2
    leave 2
    ;;
  killed)
    start_game
    within 30 sink_running || fail "the greeting never reached the sound server"
    kill -KILL "$pulse"
    wait "$pulse" 2>/dev/null
    pulse=""
    echo "ok   the server is killed while the wizard greets"
    answer right 0
    start_sound_server
    # Zero has no words, so a wrong answer to it brings no correction: the next exercise, then.
    n=1
    answer wrong $n
    while [ "$shown" = 0 ]; do answer wrong $((++n)); done
    within 30 sink_running || fail "the new server did not hear the correction"
    echo "ok   a new server hears the correction"
    leave
    ;;
  no-voice)
    copy=$(mktemp -d)
    mkdir "$copy/app"
    cp "$program" "$copy/app/" && cp -r "$(dirname "$program")/../share" "$copy/" \
      || fail "cannot copy the game"
    program=$copy/app/$(basename "$program")
    before=$(client_number)
    start_game
    greets_silently
    answer wrong 0
    answer right 1
    leave
    after=$(client_number)
    [ "$after" -eq $((before + 1)) ] \
      || fail "the game without its voice connected to the sound server ($before, then $after)"
    echo "ok   the game never connected to the sound server"
    ;;
esac
