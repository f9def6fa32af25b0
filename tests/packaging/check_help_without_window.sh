#!/usr/bin/env bash
# intercom-config --help and --version print and exit 0 before any window: with
# no display reachable, making the application would abort the program. Neither
# creates COM.ini. check_help_without_window.sh PROGRAM
set -euo pipefail
program=$1

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"

for option in --help -h --version "--other --version"; do
  # shellcheck disable=SC2086 # the last case is two arguments
  output=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$program" $option)
  if [ -z "$output" ]; then
    echo "FAILED: $option printed nothing"
    exit 1
  fi
  if [ -e COM.ini ]; then
    echo "FAILED: $option created COM.ini"
    exit 1
  fi
done
case $(env -u DISPLAY QT_QPA_PLATFORM=xcb "$program" --help) in
  Usage:\ intercom-config*) ;;
  *)
    echo "FAILED: --help does not begin with the usage line"
    exit 1
    ;;
esac
echo "--help and --version answer without a window or COM.ini"
