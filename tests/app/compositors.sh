# The desktops the robot pupil plays on (robot_pupil.sh sources this), each started on the X server
# $xserver with a private runtime folder: start_window_manager, start_sway, start_nested and
# start_weston set session (how the game is started there), display (its X server, if any) and
# weston_pid (what stop ends).

# A private runtime folder for the desktop, its log and its socket's name.
new_runtime() {
  runtime=$(mktemp -d)
  chmod 700 "$runtime"
  log="$runtime/$mode.log" socket="quorvel-$$-$mode"
}

wm_running() {
  xprop -display "$xserver" -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}

start_window_manager() {
  new_runtime
  local command=(openbox --sm-disable)
  case $mode in
    xfwm4) command=(xfwm4 --compositor=off --sm-client-disable) ;;
    mutter) command=(mutter --x11 --replace --sm-disable) ;;
    kwin) command=(kwin_x11 --replace) ;;
  esac
  DISPLAY=$xserver "${command[@]}" >"$log" 2>&1 &
  weston_pid=$!
  within 10 wm_running
}

# sway refuses root: it, its XWayland and the game run as nobody, with a runtime folder of their
# own; pixman draws, inside a window on the X server, so that it can be photographed.
start_sway() {
  new_runtime
  printf 'output * resolution 1200x960\nxwayland %s\n' \
    "$([ "$mode" = sway-xwayland ] && echo enable || echo disable)" >"$runtime/config"
  local nobody=()
  if [ "$(id -u)" -eq 0 ]; then
    chown -R nobody "$runtime"
    nobody=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  fi
  as_user=("${nobody[@]}" env HOME="$runtime")
  "${as_user[@]}" XDG_RUNTIME_DIR="$runtime" DISPLAY="$xserver" WLR_BACKENDS=x11 \
    WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 sway -c "$runtime/config" >"$log" 2>&1 &
  weston_pid=$!
  within 10 compgen -G "$runtime/sway-ipc.*" >/dev/null || fail "sway did not start"
  socket=$(cd "$runtime" && ls wayland-* | grep -v lock | head -n1)
  local vars=(HOME="$runtime" XDG_SESSION_TYPE=wayland WAYLAND_DISPLAY="$socket"
    XDG_RUNTIME_DIR="$runtime")
  display=""
  if [ "$mode" = sway-xwayland ]; then
    "${as_user[@]}" SWAYSOCK="$(compgen -G "$runtime/sway-ipc.*")" \
      swaymsg exec 'echo $DISPLAY >"$XDG_RUNTIME_DIR/display"' >/dev/null
    within 5 test -s "$runtime/display" || fail "no XWayland"
    display=$(cat "$runtime/display")
    vars+=(DISPLAY="$display")
  fi
  session=("${nobody[@]}" env -u QT_QPA_PLATFORM -u DISPLAY -u DBUS_SESSION_BUS_ADDRESS "${vars[@]}"
    dbus-run-session --)
}

# mutter and kwin_wayland, drawn in a window on the X server, each with its XWayland, which takes
# its clients' keys only with the authority file the compositor made for it. In a container
# kwin_wayland's file capability makes it fail ("Operation not permitted"): a copy runs without.
start_nested() {
  new_runtime
  if [ "$mode" = mutter-xwayland ]; then
    DISPLAY=$xserver XDG_RUNTIME_DIR=$runtime MUTTER_DEBUG_DUMMY_MODE_SPECS=1200x960 \
      mutter --wayland --nested --wayland-display="$socket" --sm-disable >"$log" 2>&1 &
  else
    cp "$(command -v kwin_wayland)" "$runtime/kwin_wayland"
    # Its XWayland's display and authority reach only the programs it starts: one tells them.
    printf '#!/bin/sh\necho "$DISPLAY $XAUTHORITY" >"$XDG_RUNTIME_DIR/display"\nexec sleep 100000\n' \
      >"$runtime/tell"
    chmod +x "$runtime/tell"
    XDG_RUNTIME_DIR=$runtime QT_QPA_PLATFORM= "$runtime/kwin_wayland" --x11-display "$xserver" \
      --xwayland --socket "$socket" --width 1200 --height 960 --no-lockscreen "$runtime/tell" \
      >"$log" 2>&1 &
  fi
  weston_pid=$!
  auth="" display=""
  within 60 nested_up || fail "$mode did not start, or no XWayland"
  as_user=(env XAUTHORITY="$auth")
  session=(env -u QT_QPA_PLATFORM XDG_SESSION_TYPE=wayland WAYLAND_DISPLAY="$socket"
    XDG_RUNTIME_DIR="$runtime" DISPLAY="$display" XAUTHORITY="$auth")
}

nested_up() {
  if [ "$mode" = mutter-xwayland ]; then
    display=$(sed -n 's/.*Using public X11 display \(:[0-9]*\).*/\1/p' "$log")
    auth=$(compgen -G "$runtime/.mutter-Xwaylandauth.*")
  else
    [ -s "$runtime/display" ] && read -r display auth _ <"$runtime/display"
  fi
  [ -n "$display" ] && [ -S "$runtime/$socket" ]
}

start_weston() {
  new_runtime
  # Weston's on-screen keyboard would open over the answer box; a pupil has a real one.
  printf '[input-method]\npath=\n' >"$runtime/weston.ini"
  local backend=(--backend=x11-backend.so)
  [ "$mode" = xwayland ] && backend+=(--xwayland)
  [ "$mode" = headless ] && backend=(--backend=headless-backend.so --debug)
  DISPLAY=$xserver XDG_RUNTIME_DIR=$runtime weston "${backend[@]}" \
    --config="$runtime/weston.ini" --use-pixman --width=1200 --height=960 --idle-time=0 \
    --socket="$socket" >"$log" 2>&1 &
  weston_pid=$!
  within 60 test -S "$runtime/$socket" || fail "weston did not start"

  # As a desktop starts a program: a Wayland session, no platform chosen, DISPLAY only where
  # the session has an X server.
  session=(env -u QT_QPA_PLATFORM -u DISPLAY XDG_SESSION_TYPE=wayland
    WAYLAND_DISPLAY="$socket" XDG_RUNTIME_DIR="$runtime")
  display=""
  if [ "$mode" = xwayland ]; then
    within 60 weston_xwayland || fail "no XWayland"
    session+=(DISPLAY="$display")
  fi
}

weston_xwayland() {
  display=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$log")
  [ -n "$display" ]
}

compositor_window() {
  keys=$(xwininfo -display "$xserver" -root -children | awk '/^ +0x/ { print $1; exit }')
  [ -n "$keys" ]
}
