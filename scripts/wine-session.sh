#!/usr/bin/env bash
# A throw-away Wine session for the Windows tests: a fresh WINEPREFIX and an
# X display (Xvfb with openbox) in one folder, started before the tests and
# removed after them.
#   wine-session.sh start DIR   create the prefix, start the display
#   wine-session.sh run DIR PROGRAM [ARGS...]   run a Windows program in it
#   wine-session.sh test DIR PROGRAM [ARGS...]  run a QTest program in it and
#                                               print its log
#   wine-session.sh stop DIR    stop everything and delete DIR
# The session also runs the bridge through which its Windows tests start the
# Linux programs they need (tests/support/wine_bridge.py), in DIR/bridge.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# A Western system (ANSI code page 1252) with UTF-8 file names, whatever this
# machine's locale: C.UTF-8 is always there, where en_US.UTF-8 may not be.
wine=(env LC_ALL=C.UTF-8 /usr/lib/wine/wine64)
command=${1:?usage: wine-session.sh start|run|test|stop DIR ...}
dir=${2:?usage: wine-session.sh start|run|test|stop DIR ...}
shift 2

use_session() {
  export WINEPREFIX="$dir/prefix" WINEDEBUG=-all
  if [ -f "$dir/display" ]; then
    export DISPLAY=":$(cat "$dir/display")"
  fi
}

free_display() {
  for number in $(seq 90 199); do
    if [ ! -e "/tmp/.X$number-lock" ] && [ ! -e "/tmp/.X11-unix/X$number" ]; then
      echo "$number"
      return
    fi
  done
  echo "No free X display number between :90 and :199." >&2
  exit 1
}

start_display() {
  local number
  number=$(free_display)
  setsid Xvfb ":$number" -screen 0 1280x1024x24 -nolisten tcp </dev/null >"$dir/xvfb.log" 2>&1 &
  echo $! >"$dir/xvfb.pid"
  for _ in $(seq 100); do
    [ -e "/tmp/.X11-unix/X$number" ] && break
    sleep 0.1
  done
  [ -e "/tmp/.X11-unix/X$number" ] || { echo "Xvfb did not start: $(cat "$dir/xvfb.log")" >&2; exit 1; }
  echo "$number" >"$dir/display"
  DISPLAY=":$number" setsid openbox </dev/null >"$dir/openbox.log" 2>&1 &
  echo $! >"$dir/openbox.pid"
}

stop_pid() {
  if [ -f "$1" ]; then
    kill "$(cat "$1")" 2>/dev/null || true
  fi
}

start_bridge() {
  setsid /usr/bin/python3 "$here/../tests/support/wine_bridge.py" --dir "$dir/bridge" \
    --wineprefix "$WINEPREFIX" </dev/null >"$dir/bridge.log" 2>&1 &
  echo $! >"$dir/bridge.pid"
  for _ in $(seq 100); do
    [ -e "$dir/bridge/ready" ] && return
    sleep 0.1
  done
  echo "The Linux bridge did not start: $(cat "$dir/bridge.log")" >&2
  exit 1
}

# The bridge ends the programs it started before it exits.
stop_bridge() {
  local pid
  [ -f "$dir/bridge.pid" ] || return 0
  pid=$(cat "$dir/bridge.pid")
  kill "$pid" 2>/dev/null || return 0
  for _ in $(seq 150); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
}

case "$command" in
  start)
    # A session left behind by an interrupted run: end its display first.
    stop_bridge
    stop_pid "$dir/openbox.pid"
    stop_pid "$dir/xvfb.pid"
    rm -rf "$dir"
    mkdir -p "$dir"
    start_display
    use_session
    # No .NET or HTML engine: their installers would only ask about downloads.
    WINEDLLOVERRIDES="mscoree,mshtml=" "${wine[@]}" wineboot --init >"$dir/wineboot.log" 2>&1
    /usr/lib/wine/wineserver -w
    # Debian's Wine does not find its own fonts, Tahoma among them, the face
    # behind the dialog font "MS Shell Dlg 2"; the prefix gets them directly.
    ln -s /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
    start_bridge
    ;;
  run)
    use_session
    exec "${wine[@]}" "$@"
    ;;
  test)
    # QTest's log to standard output is lost under Wine; a file keeps it.
    use_session
    log=$(mktemp)
    status=0
    "${wine[@]}" "$@" -o "$log,txt" || status=$?
    cat "$log"
    rm -f "$log"
    exit "$status"
    ;;
  stop)
    use_session
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    stop_bridge
    stop_pid "$dir/openbox.pid"
    stop_pid "$dir/xvfb.pid"
    rm -rf "$dir"
    ;;
  *)
    echo "usage: wine-session.sh start|run|test|stop DIR ..." >&2
    exit 2
    ;;
esac
