#!/usr/bin/env bash
# Fails when a file includes a folder above its own, when the toolkit-free
# folders include a Qt header, or when code above serial/ asks which platform
# it is on or calls POSIX itself; the native Windows views (win32/), like the Qt
# ones, need only panel/, and of the platform its one conversion to the wide
# calls' text. Also fails when the window's controller writes a control other
# than through its panel binding. Usage: check-layering.sh [SOURCE_ROOT]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

# The folders each folder may include, itself among them.
declare -A allowed=(
  [panel]="panel"
  [serial]="serial"
  [protocol]="protocol serial"
  [device]="device protocol serial"
  [controller]="controller device protocol panel serial"
  [qt]="qt panel"
  [win32]="win32 panel serial/wide_text.h"
  [cli]="cli device protocol serial"
  [sim]="sim protocol"
  [fuzz]="fuzz panel serial protocol device controller cli sim tests/support"
  [app]="app qt win32 controller device protocol panel serial"
  [bench]="bench qt win32 controller device protocol panel serial"
)

status=0
for folder in "${!allowed[@]}"; do
  [ -d "$folder" ] || continue
  while IFS= read -r hit; do
    file=${hit%%:*}
    rest=${hit#*:}
    line=${rest%%:*}
    text=${rest#*:}
    target=$(sed -E 's/^[^"<]*[<"]([^">]+)[">].*/\1/' <<<"$text")
    ok=0
    if [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\< ]]; then
      # System and library headers; the toolkit only where windows live and
      # start (and in the benchmark, which drives them).
      if [[ $folder != qt && $folder != app && $folder != bench && $target =~ ^Q[A-Za-z]*(/|$) ]]; then
        ok=0
      else
        ok=1
      fi
    else
      for prefix in ${allowed[$folder]}; do
        if [[ $target == "$prefix" || $target == "$prefix"/* ]]; then ok=1; fi
      done
    fi
    if [ $ok -eq 0 ]; then
      echo "$file:$line: $folder/ must not include $target"
      status=1
    fi
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include' "$folder" --include='*.h' --include='*.cpp')
done

# The platform is chosen in serial/ (and by CMake), nowhere above it.
for folder in panel protocol device controller qt win32 app cli; do
  [ -d "$folder" ] || continue
  while IFS= read -r hit; do
    echo "$hit: platform test above serial/"
    status=1
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*(if|ifdef|ifndef|elif).*(_WIN32|_WIN64|__MINGW|__linux__|__unix__|__APPLE__)' \
    "$folder" --include='*.h' --include='*.cpp' || true)
done
# The core, the windows and their entry stay portable: no POSIX headers.
for folder in panel protocol device controller qt win32 app; do
  [ -d "$folder" ] || continue
  while IFS= read -r hit; do
    echo "$hit: POSIX header above serial/"
    status=1
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<(unistd|fcntl|termios|poll|pthread|dirent|spawn|signal)\.h>|<sys/' \
    "$folder" --include='*.h' --include='*.cpp' || true)
done
# The window's controller writes its controls through the one panel binding.
while IFS= read -r hit; do
  echo "$hit: a control written outside the panel binding"
  status=1
done < <(grep -nE '\.(SetText|SetPosition|SetChecked|SetHint|SetEnabled|Append|AddItem|ClearItems|SetItemIndex|ShowPage|ShowNextPage|Show|Close)\(' \
  controller/*.cpp controller/*.h | grep -v '^controller/panel_binding\.cpp:' || true)
[ $status -eq 0 ] && echo "layering: every include points down"
exit $status
