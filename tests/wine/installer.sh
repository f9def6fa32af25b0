#!/usr/bin/env bash
# The installer under Wine, in the shared prefix: a silent install (/S) puts
# both programs, the uninstaller, the Start-menu entry, the working folder and
# the uninstall entry in place, and the programs run; a silent uninstall takes
# all of it away again.
#   installer.sh INSTALLER
# Needs the environment of tests/wine/run.sh.
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

"$INTERCOM_WINESERVER" >/dev/null 2>&1 || true
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
