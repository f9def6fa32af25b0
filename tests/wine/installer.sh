#!/usr/bin/env bash
# The installer under Wine, in the shared prefix: a silent install (/S) puts
# both programs, the uninstaller, the Start-menu entry, the working folder and
# the uninstall entry (with its publisher, folder and size) in place, and the
# programs run. The installed window program started directly, from another
# folder, keeps COM.ini in the per-user folder; the portable zip's copy keeps
# it in the folder it is started in. While the installed program runs, a
# silent uninstall refuses with exit code 2 and removes nothing; once it has
# ended, a silent uninstall takes all of it away again.
#   installer.sh INSTALLER
# Needs the environment of tests/wine/run.sh; the portable zip lies beside
# the installer.
set -euo pipefail
installer=${1:?usage: installer.sh INSTALLER}
run=$(dirname "$0")/run.sh
wine=$INTERCOM_WINE
# The prefix's own X server (run.sh boot), as every program of the prefix has.
DISPLAY=$(cat "$WINEPREFIX.display")
export DISPLAY
user_dir() { "$wine" cmd /c echo "%$1%" 2>/dev/null | tr -d '\r'; }

fail() { echo "installer.sh: $*" >&2; exit 1; }
unix_path() { "$wine" winepath -u "$1" 2>/dev/null | tr -d '\r'; }
reg_value() { "$wine" reg query "$key" /v "$1" 2>/dev/null | tr -d '\r' | awk -v name="$1" '$1 == name { $1 = $2 = ""; sub(/^ +/, ""); print }'; }

scratch=$(mktemp -d "$WINEPREFIX/../installer-test.XXXXXX")
started=()
# Starts the window program PROGRAM with the working folder FOLDER, in the
# background (it waits at its port's message box); its process id in $started.
start_in() {
  (cd "$2" && exec "$wine" "$1") </dev/null >/dev/null 2>&1 &
  started+=("$!")
}
stop_started() {
  for pid in "${started[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${started[@]}"; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  done
  started=()
}
cleanup() { stop_started; rm -rf "$scratch"; }
trap cleanup EXIT
# Waits up to 10 s for FILE to appear.
appears() { for _ in $(seq 100); do [ -e "$1" ] && return 0; sleep 0.1; done; return 1; }

"$run" server
programs=$(unix_path "$(user_dir LOCALAPPDATA)\\Programs\\intercom-config")
appdata=$(unix_path "$(user_dir APPDATA)")
shortcut="$appdata/Microsoft/Windows/Start Menu/Programs/intercom-config.lnk"
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\intercom-config'
[ -n "$programs" ] && [ -n "$appdata" ] || fail "the prefix's folders are unknown"

"$run" run -- "$installer" /S
for file in intercom-config.exe intercom-cli.exe uninstall.exe; do
  [ -f "$programs/$file" ] || fail "$file was not installed in $programs"
done
[ -f "$shortcut" ] || fail "no Start-menu entry"
[ -d "$appdata/intercom-config" ] || fail "no working folder in APPDATA"
"$wine" reg query "$key" /v DisplayVersion 2>/dev/null | grep -q "$(basename "$installer" | sed -E 's/intercom-config-(.*)-setup.exe/\1/')" \
  || fail "no uninstall entry with the version"
"$run" run -- "$programs/intercom-cli.exe" --version | grep -q intercom-cli || fail "the installed intercom-cli does not run"
[ "$(reg_value Publisher)" = "The intercom-config developers" ] || fail "no publisher in the uninstall entry"
location=$(reg_value InstallLocation)
[ "$(unix_path "$location")" = "$programs" ] || fail "InstallLocation is '$location', not $programs"
size=$(reg_value EstimatedSize)
[ -n "$size" ] && [ $((size)) -ge 1000 ] || fail "EstimatedSize '$size' is not the programs' size in KiB"

# Started directly, from another folder: COM.ini in the per-user folder only.
rm -f "$appdata/intercom-config/COM.ini"
mkdir "$scratch/elsewhere"
start_in "$programs/intercom-config.exe" "$scratch/elsewhere"
appears "$appdata/intercom-config/COM.ini" || fail "the installed program made no COM.ini in $appdata/intercom-config"
[ ! -e "$scratch/elsewhere/COM.ini" ] || fail "the installed program wrote COM.ini in the folder it was started in"
[ ! -e "$programs/COM.ini" ] || fail "the installed program wrote COM.ini beside itself"

# The portable copy, meanwhile, keeps its working folder.
python3 -m zipfile -e "${installer%-setup.exe}-portable.zip" "$scratch/portable"
portable=$(echo "$scratch"/portable/intercom-config-*/intercom-config.exe)
mkdir "$scratch/portable-work"
start_in "$portable" "$scratch/portable-work"
appears "$scratch/portable-work/COM.ini" || fail "the portable program made no COM.ini in its working folder"

# The uninstaller run in place (_?=) gives its own exit code.
status=0
"$run" run -- "$programs/uninstall.exe" /S "_?=$location" || status=$?
[ $status -eq 2 ] || fail "uninstalling while the program runs ended with $status, not 2"
for file in intercom-config.exe intercom-cli.exe uninstall.exe; do
  [ -f "$programs/$file" ] || fail "$file was removed while the program runs"
done
[ -f "$shortcut" ] || fail "the Start-menu entry was removed while the program runs"
"$wine" reg query "$key" >/dev/null 2>&1 || fail "the uninstall entry was removed while the program runs"
stop_started
# The user's COM.ini stays; without it the folder goes.
rm "$appdata/intercom-config/COM.ini"

"$run" run -- "$programs/uninstall.exe" /S
# The uninstaller runs from a copy of itself in the temporary folder and
# returns at once: wait for it to finish.
for _ in $(seq 100); do
  [ -e "$programs" ] || [ -e "$shortcut" ] || break
  sleep 0.2
done
[ ! -e "$programs" ] || fail "$programs is still there: $(ls -A "$programs")"
[ ! -e "$shortcut" ] || fail "the Start-menu entry is still there"
[ ! -e "$appdata/intercom-config" ] || fail "the empty working folder is still there"
if "$wine" reg query "$key" >/dev/null 2>&1; then fail "the uninstall entry is still there"; fi
echo "installer: installed and uninstalled silently, nothing left"
