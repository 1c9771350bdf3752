#!/usr/bin/env bash
# The game when its sound goes wrong, played by the robot pupil (robot_pupil.sh) against a private
# PulseAudio server (sound_server.sh):
#   stopped   the server is stopped (SIGSTOP) before the game starts: its socket still takes
#             connections, and nothing answers. The wizard says his greeting silently, with his
#             balloon; the game plays three exercises and ends with status 0 within 2 s of the
#             goodbye.
#   killed    the server is killed while the wizard greets: the game plays on, and a server
#             started afterwards hears his next correction.
#   no-voice  the game copied to a folder of its own without its voice module: the wizard greets
#             with his balloon, the game plays, and it never connects to the sound server.
#   sound_faults.sh PATH-TO-QUORVEL stopped|killed|no-voice   (on the X server it is given)
set -uo pipefail
here=$(dirname "${BASH_SOURCE[0]}")
source "$here/robot_pupil.sh"
source "$here/sound_server.sh"
program=$1 fault=$2 copy=""
cleanup() {
  local status=$?
  stop
  end_sound_server
  rm -rf "$XDG_RUNTIME_DIR" $copy
  [ $status -eq 0 ] && [ -z "${QUORVEL_SHOTS:-}" ] && rm -rf "$shots"
}
trap cleanup EXIT

sink_running() { [ "$(sink_state)" = RUNNING ]; }
# The balloon has no title: Qt names it after the program.
balloon_shown() {
  local w
  for w in $(xdotool search --onlyvisible --classname '^quorvel$'); do
    [ "$(xdotool getwindowname "$w")" = quorvel ] && return 0
  done
  return 1
}
balloon_hidden() { ! balloon_shown; }
# Every connection to the server is a new client, numbered on from the last: pactl's own number.
client_number() { pactl info | sed -n 's/^Client Index: //p'; }

case $fault in
  stopped)
    start_sound_server
    kill -STOP "$pulse"
    start_game
    within 30 balloon_shown || fail "no balloon for the greeting"
    # Said as if there were no sound device: his balloon goes once it has been read.
    within 30 balloon_hidden || fail "the greeting never ended"
    echo "ok   the wizard greets with his balloon, silently"
    answer right 0
    answer wrong 1
    answer right 2
    leave 2
    ;;
  killed)
    start_sound_server
    start_game
    within 30 sink_running || fail "the greeting never reached the sound server"
    kill -KILL "$pulse"
    wait "$pulse" 2>/dev/null
    pulse=""
    echo "ok   the server is killed while the wizard greets"
    answer right 0
    start_sound_server
    answer wrong 1
    within 30 sink_running || fail "the new server did not hear the correction"
    echo "ok   a new server hears the correction"
    leave
    ;;
  no-voice)
    start_sound_server
    copy=$(mktemp -d)
    mkdir "$copy/app"
    cp "$program" "$copy/app/" && cp -r "$(dirname "$program")/../share" "$copy/" \
      || fail "cannot copy the game"
    program=$copy/app/$(basename "$program")
    before=$(client_number)
    start_game
    within 30 balloon_shown || fail "no balloon for the greeting"
    within 30 balloon_hidden || fail "the greeting never ended"
    echo "ok   the wizard greets with his balloon"
    answer wrong 0
    answer right 1
    leave
    after=$(client_number)
    [ "$after" -eq $((before + 1)) ] \
      || fail "the game without its voice connected to the sound server ($before, then $after)"
    echo "ok   the game never connected to the sound server"
    ;;
  *)
    echo "usage: sound_faults.sh PATH-TO-QUORVEL stopped|killed|no-voice"
    exit 2
    ;;
esac
