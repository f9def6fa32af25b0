#!/usr/bin/env bash
# The installed launcher (from an unpacked package): it runs the window program
# in ${XDG_CONFIG_HOME:-$HOME/.config}/intercom-config/, making that folder
# with mode 0700 when missing, so COM.ini lands there and never in the
# caller's folder. check_launcher.sh UNPACKED_ROOT
set -euo pipefail
launcher=$(realpath "$1")/usr/bin/intercom-config

scratch=$(mktemp -d)
pid=""
# shellcheck disable=SC2317 # called by the trap
cleanup() {
  if [ -n "$pid" ]; then
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  rm -rf "$scratch"
}
trap cleanup EXIT
mkdir "$scratch/caller" "$scratch/home"

status=0
fail() {
  echo "FAILED: $*"
  status=1
}

# Starts the window program (offscreen) through the launcher with the given
# environment, waits until it has written COM.ini in `folder` and stops it.
start_and_stop() {
  local folder=$1
  shift
  (cd "$scratch/caller" && exec env -u XDG_CONFIG_HOME QT_QPA_PLATFORM=offscreen "$@" "$launcher") \
    >"$scratch/out.log" 2>&1 &
  pid=$!
  # COM.ini is created and given its line before the port is opened.
  for _ in $(seq 600); do
    [ -s "$folder/COM.ini" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  # The start-up's box waits for an OK that nobody gives here, and a
  # termination signal waits for the box: the program is stopped outright.
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  pid=""
  if [ ! -s "$folder/COM.ini" ]; then
    cat "$scratch/out.log"
    fail "no COM.ini in $folder"
  fi
  if [ -e "$scratch/caller/COM.ini" ]; then
    fail "COM.ini was written into the caller's folder"
  fi
  rm -f "$folder/COM.ini"
}

mode() { stat -c %a "$1"; }

# XDG_CONFIG_HOME names a folder that does not exist yet.
start_and_stop "$scratch/config/intercom-config" XDG_CONFIG_HOME="$scratch/config" HOME="$scratch/home"
if [ "$(mode "$scratch/config/intercom-config")" != 700 ]; then
  fail "the created settings folder is not mode 700"
fi

# Without XDG_CONFIG_HOME, or with a relative one, HOME/.config is used; a
# folder that already exists keeps its mode.
mkdir -p "$scratch/home/.config/intercom-config"
chmod 755 "$scratch/home/.config/intercom-config"
start_and_stop "$scratch/home/.config/intercom-config" HOME="$scratch/home"
start_and_stop "$scratch/home/.config/intercom-config" HOME="$scratch/home" XDG_CONFIG_HOME=relative
[ "$(mode "$scratch/home/.config/intercom-config")" = 755 ] || fail "an existing folder's mode was changed"
[ ! -e "$scratch/caller/relative" ] || fail "a relative XDG_CONFIG_HOME was used"

# --version needs and makes no folder.
output=$(cd "$scratch/caller" && env XDG_CONFIG_HOME="$scratch/other" "$launcher" --version)
[[ $output == "intercom-config "* ]] || fail "--version through the launcher printed '$output'"
[ ! -e "$scratch/other" ] || fail "--version made a settings folder"

[ $status -eq 0 ] && echo "the launcher runs the program in its settings folder"
exit $status
