#!/usr/bin/env bash
# Runs a command on a private X server (Xvfb) with the openbox window manager,
# for tests that need real window-manager behaviour (maximise, frames, placement).
# With --wayland the compositor is weston instead, nested in the X server (its
# output is an X window filling the screen), and the command is a Wayland
# client of it; DISPLAY still names the X server, for screenshots and input.
#
#   scripts/run-under-wm.sh [--wayland] [--screen WxH] [--timeout SECONDS] -- COMMAND [ARGS...]
#
# The display number is picked by Xvfb itself (-displayfd), so parallel runs
# never collide. The command runs with DISPLAY set and QT_QPA_PLATFORM=xcb and
# is stopped after the time-out; the X server and the window manager are
# always stopped on the way out. The command's exit status is returned.
set -euo pipefail

screen=1366x768
limit=300
wayland=""
while [ $# -gt 0 ]; do
  case "$1" in
    --wayland) wayland=1; shift ;;
    --screen) screen="$2"; shift 2 ;;
    --timeout) limit="$2"; shift 2 ;;
    --) shift; break ;;
    *) break ;;
  esac
done
[ $# -gt 0 ] || { echo "usage: $0 [--screen WxH] [--timeout S] -- COMMAND..." >&2; exit 2; }

tools="Xvfb openbox wmctrl"
[ -n "$wayland" ] && tools="Xvfb weston"
for tool in $tools; do
  command -v "$tool" >/dev/null || { echo "$0: $tool is not installed" >&2; exit 2; }
done

scratch=$(mktemp -d "${TMPDIR:-/tmp}/run-under-wm.XXXXXX")
xvfb_pid=""
wm_pid=""
cleanup() {
  for pid in $wm_pid $xvfb_pid; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in $wm_pid $xvfb_pid; do
    # Give each a moment, then insist.
    for _ in 1 2 3 4 5 6 7 8 9 10; do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$scratch"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Xvfb writes the display number it took to the descriptor once it is ready.
mkfifo "$scratch/display"
Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp -noreset \
  3>"$scratch/display" >"$scratch/xvfb.log" 2>&1 &
xvfb_pid=$!
display=""
if ! read -r -t 20 display <"$scratch/display" || [ -z "$display" ]; then
  echo "$0: Xvfb did not start" >&2
  cat "$scratch/xvfb.log" >&2 || true
  exit 2
fi
export DISPLAY=":$display"

if [ -n "$wayland" ]; then
  # A private runtime folder holds the compositor's socket.
  mkdir -m 700 "$scratch/runtime"
  export XDG_RUNTIME_DIR="$scratch/runtime"
  mkdir -p "$scratch/config"
  XDG_CONFIG_HOME="$scratch/config" weston --backend=x11-backend.so --socket=wayland-test \
    --width="${screen%x*}" --height="${screen#*x}" --idle-time=0 \
    >"$scratch/weston.log" 2>&1 &
  wm_pid=$!
  for _ in $(seq 100); do
    [ -S "$XDG_RUNTIME_DIR/wayland-test" ] && break
    kill -0 "$wm_pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ ! -S "$XDG_RUNTIME_DIR/wayland-test" ]; then
    echo "$0: weston did not start" >&2
    cat "$scratch/weston.log" >&2 || true
    exit 2
  fi
  # The desktop shell's panel settles a moment after the socket appears.
  sleep 1
  export WAYLAND_DISPLAY=wayland-test QT_QPA_PLATFORM=wayland
  status=0
  timeout --kill-after=5 "$limit" "$@" || status=$?
  [ "$status" -eq 124 ] && echo "$0: timed out after ${limit}s: $*" >&2
  exit "$status"
fi

# An empty configuration directory keeps the user's own openbox settings out.
mkdir -p "$scratch/config"
XDG_CONFIG_HOME="$scratch/config" openbox --sm-disable >"$scratch/openbox.log" 2>&1 &
wm_pid=$!
ready=""
for _ in $(seq 100); do
  if wmctrl -m >/dev/null 2>&1; then ready=1; break; fi
  kill -0 "$wm_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$ready" ]; then
  echo "$0: openbox did not start" >&2
  cat "$scratch/openbox.log" >&2 || true
  exit 2
fi

export QT_QPA_PLATFORM=xcb
status=0
timeout --kill-after=5 "$limit" "$@" || status=$?
[ "$status" -eq 124 ] && echo "$0: timed out after ${limit}s: $*" >&2
exit "$status"
