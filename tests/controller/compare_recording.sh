#!/usr/bin/env bash
# Plays the session corpus and compares it with the committed recording.
# Usage: compare_recording.sh RECORDER RECORDING.gz [--write]
# --write records anew; only for a behaviour change an issue names, committed
# on its own with the reason.
set -euo pipefail
recorder=$1
recording=$2
if [ "${3:-}" = --write ]; then
  "$recorder" | gzip -n -9 >"$recording"
  echo "recorded $(zcat "$recording" | wc -l) lines into $recording"
  exit 0
fi
played=$(mktemp)
trap 'rm -f "$played"' EXIT
"$recorder" >"$played"
if ! diff <(zcat "$recording") "$played" >"$played.diff"; then
  echo "the sessions differ from the recording (first differences, < recorded, > now):"
  head -n 40 "$played.diff"
  rm -f "$played.diff"
  exit 1
fi
rm -f "$played.diff"
echo "$(wc -l <"$played") recorded lines played back unchanged"
