#!/usr/bin/env bash
# Fails when the command-line program carries code of the window: the panel's
# controls and model, or the window's controller. Usage: no_window_symbols.sh NM PROGRAM
set -euo pipefail
nm=$1
program=$2
pattern='intercom::(PanelModel|Control|ComboBox|TextField|TrackBar|Button|CheckBox|PageControl|PanelBinding|ProgramContext|FormShow)\b'
symbols=$("$nm" -C "$program")
if [ -z "$symbols" ]; then
  echo "no symbols in $program" >&2
  exit 1
fi
found=$(grep -E "$pattern" <<<"$symbols" || true)
if [ -n "$found" ]; then
  echo "$program links window code ($(wc -l <<<"$found") symbols):" >&2
  head -20 <<<"$found" >&2
  exit 1
fi
echo "no window code in $program"
