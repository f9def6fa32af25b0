#!/usr/bin/env bash
# Runs the Windows build's tests under Wine, in the private prefix $WINEPREFIX.
#   run.sh boot                  create the prefix anew (the slow first start) and
#                                start its private X server (Xvfb)
#   run.sh stop                  end the prefix's wineserver and everything in it,
#                                its X server, and remove the prefix (some 700 MB)
#   run.sh server                start the prefix's wineserver unless it runs
#   run.sh run [--sim KIND --com N [--high-com H]] [--file-com M] [--dpi D] [--limit S] -- PROGRAM ARGS...
#       runs PROGRAM, at most S seconds (default 240). --dpi: the prefix's
#       screen density is D dots per inch while it runs (INTERCOM_TEST_DPI),
#       and what it was afterwards; nothing else that makes windows may run
#       meanwhile. --sim: COMN is an
#       intercom-sim of that kind on a pty for the run, and COMH (past COM9)
#       the same port; --file-com: COMM is a plain file. Their names are
#       passed on as INTERCOM_TEST_PORT, INTERCOM_TEST_HIGH_PORT and
#       INTERCOM_TEST_FILE_PORT.
# Every program of the prefix runs on the prefix's X server: Wine's desktop
# (explorer.exe) takes the display of the first program that needs it and
# keeps it, so a program that makes windows needs every one before it to
# have had the same display. One wineserver serves every program from boot to
# stop: one that ends a few seconds after its last program races the next
# program's start, which then fails with "recvmsg: Connection reset by peer".
# It stays until stop, or until no program has run for 15 minutes
# (longer than any test), should stop never come.
# Needs INTERCOM_WINE, INTERCOM_WINESERVER, WINEPREFIX and, for --sim,
# INTERCOM_HOST_BUILD (the Linux build with intercom-sim).
set -euo pipefail

: "${INTERCOM_WINE:?}" "${INTERCOM_WINESERVER:?}" "${WINEPREFIX:?}"
export WINEPREFIX WINEDEBUG=-all
# Never the display of whoever runs the tests; nor an offer to install Mono or Gecko.
unset DISPLAY WAYLAND_DISPLAY
display_file="$WINEPREFIX.display"
xvfb_pid_file="$WINEPREFIX.xvfb-pid"

stop_xvfb() {
  if [ -s "$xvfb_pid_file" ]; then
    kill "$(cat "$xvfb_pid_file")" 2>/dev/null || true
  fi
  rm -f "$xvfb_pid_file" "$display_file"
}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
server_idle=900

# Returns once the server answers; a running one is left as it is. It keeps
# its own messages in a log: it takes a mapped pty as its terminal and reports
# the pty's hang-up at length.
start_server() {
  timeout -k 5 30 "$INTERCOM_WINESERVER" -p"$server_idle" >>"$WINEPREFIX/../wineserver.log" 2>&1 ||
    true
}

command=${1:?usage: run.sh boot|stop|server|run ...}
shift

case $command in
  boot)
    timeout -k 5 30 "$INTERCOM_WINESERVER" -k 2>/dev/null || true
    stop_xvfb
    rm -rf "$WINEPREFIX"
    # Xvfb picks a free display itself and writes its number once it is ready;
    # it outlives this script (until stop), with none of its descriptors.
    fifo=$(mktemp -u "$WINEPREFIX.display-fifo.XXXXXX")
    mkfifo "$fifo"
    setsid Xvfb -displayfd 3 -screen 0 1366x768x24 -nolisten tcp -noreset \
      3>"$fifo" </dev/null >/dev/null 2>&1 &
    echo $! >"$xvfb_pid_file"
    number=""
    read -r -t 20 number <"$fifo" || true
    rm -f "$fifo"
    [ -n "$number" ] || { echo "run.sh: Xvfb did not start" >&2; exit 1; }
    echo ":$number" >"$display_file"
    export DISPLAY=":$number"
    timeout -k 5 200 "$INTERCOM_WINE" wineboot --init >/dev/null 2>&1
    # wineboot returns before the prefix's own services have settled; the
    # server it started ends with them, before the lasting one starts.
    timeout -k 5 30 "$INTERCOM_WINESERVER" -w
    test -d "$WINEPREFIX/dosdevices"
    start_server
    # The first program of a server starts the prefix's services, which stay
    # with it and keep that program's standard error: here, not a test's,
    # whose output would then never end.
    timeout -k 5 60 "$INTERCOM_WINE" cmd /c exit </dev/null >/dev/null 2>&1
    echo "Wine prefix ready: $WINEPREFIX"
    ;;
  server)
    start_server
    ;;
  stop)
    timeout -k 5 30 "$INTERCOM_WINESERVER" -k 2>/dev/null || true
    stop_xvfb
    rm -rf "$WINEPREFIX"
    ;;
  run)
    sim_kind=""
    com=""
    high_com=""
    file_com=""
    dpi=""
    limit=240
    while [ $# -gt 0 ] && [ "$1" != "--" ]; do
      case $1 in
        --sim) sim_kind=$2; shift 2 ;;
        --com) com=$2; shift 2 ;;
        --high-com) high_com=$2; shift 2 ;;
        --file-com) file_com=$2; shift 2 ;;
        --dpi) dpi=$2; shift 2 ;;
        --limit) limit=$2; shift 2 ;;
        *) echo "run.sh: unknown option $1" >&2; exit 2 ;;
      esac
    done
    shift
    scratch=$(mktemp -d "$WINEPREFIX/../wine-run.XXXXXX")
    sim_pid=""
    desktop_key='HKCU\Control Panel\Desktop'
    old_dpi=""
    cleanup() {
      if [ -n "$dpi" ]; then
        if [ -n "$old_dpi" ]; then
          timeout -k 5 60 "$INTERCOM_WINE" reg add "$desktop_key" /v LogPixels /t REG_DWORD \
            /d "$old_dpi" /f >/dev/null 2>&1
        else
          timeout -k 5 60 "$INTERCOM_WINE" reg delete "$desktop_key" /v LogPixels /f >/dev/null 2>&1
        fi
      fi
      [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
      [ -n "$com" ] && rm -f "$WINEPREFIX/dosdevices/com$com"
      [ -n "$high_com" ] && rm -f "$WINEPREFIX/dosdevices/com$high_com"
      [ -n "$file_com" ] && rm -f "$WINEPREFIX/dosdevices/com$file_com"
      rm -rf "$scratch"
    }
    trap cleanup EXIT
    if [ -n "$sim_kind" ]; then
      sim="${INTERCOM_HOST_BUILD:?}/intercom-sim"
      "$sim" --kind "$sim_kind" --quiet --link "$WINEPREFIX/dosdevices/com$com" >"$scratch/sim.out" &
      sim_pid=$!
      # The simulator prints its port once the link is in place.
      for _ in $(seq 50); do [ -s "$scratch/sim.out" ] && break; sleep 0.1; done
      [ -s "$scratch/sim.out" ] || { echo "run.sh: intercom-sim did not start" >&2; exit 1; }
      export INTERCOM_TEST_PORT="COM$com"
      if [ -n "$high_com" ]; then
        ln -sfn "$(readlink "$WINEPREFIX/dosdevices/com$com")" "$WINEPREFIX/dosdevices/com$high_com"
        export INTERCOM_TEST_HIGH_PORT="COM$high_com"
      fi
    fi
    [ -s "$display_file" ] || { echo "run.sh: no X server: run.sh boot first" >&2; exit 1; }
    DISPLAY=$(cat "$display_file")
    export DISPLAY
    if [ -n "$file_com" ]; then
      : >"$scratch/file-port"
      ln -sfn "$scratch/file-port" "$WINEPREFIX/dosdevices/com$file_com"
      export INTERCOM_TEST_FILE_PORT="COM$file_com"
    fi
    start_server
    if [ -n "$dpi" ]; then
      # Read by each Wine program as it starts.
      old_dpi=$("$INTERCOM_WINE" reg query "$desktop_key" /v LogPixels 2>/dev/null |
        awk '$1 == "LogPixels" { print $3 }' | tr -d '\r') || true
      [ -z "$old_dpi" ] || old_dpi=$((old_dpi))
      "$INTERCOM_WINE" reg add "$desktop_key" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
      export INTERCOM_TEST_DPI="$dpi"
    fi
    # The program's output reaches the caller through files, relayed while it
    # runs: what it starts for the prefix (the desktop's explorer.exe) stays
    # with the lasting wineserver, and would hold a pipe, and the caller's
    # wait for its end, open with it.
    : >"$scratch/out"
    : >"$scratch/err"
    timeout -k 5 "$limit" "$INTERCOM_WINE" "$@" >"$scratch/out" 2>"$scratch/err" &
    program=$!
    tail -s 0.1 --pid=$program -n +1 -f "$scratch/out" &
    out_relay=$!
    tail -s 0.1 --pid=$program -n +1 -f "$scratch/err" >&2 &
    err_relay=$!
    status=0
    wait $program || status=$?
    wait $out_relay $err_relay || true
    [ $status -eq 124 ] && echo "run.sh: $1 still running after ${limit}s, stopped" >&2
    exit $status
    ;;
  *)
    echo "run.sh: unknown command $command" >&2
    exit 2
    ;;
esac
