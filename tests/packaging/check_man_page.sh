#!/usr/bin/env bash
# A generated manual page renders with man without a warning, carries the
# version, has the usual sections, and names every option the program's own
# --help names, and every command with the options of its own --help:
# check_man_page.sh PAGE.1 PROGRAM VERSION [COMMAND...]
set -euo pipefail
page=$1 program=$2 version=$3
shift 3
commands=("$@")

errors=$(mktemp)
trap 'rm -f "$errors"' EXIT
text=$(MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>"$errors")
if [ -s "$errors" ]; then
  cat "$errors"
  echo "FAILED: man warned while rendering $page"
  exit 1
fi

status=0
for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" "SEE ALSO"; do
  if ! grep -q "^$section\$" <<<"$text"; then
    echo "FAILED: $page has no section $section"
    status=1
  fi
done
if ! grep -q "intercom-config $version" <<<"$text"; then
  echo "FAILED: $page does not carry the version $version"
  status=1
fi

# Options as --help lists them, looked up in a rendering without hyphenation
# or line breaks inside paragraphs, with typographic hyphens made plain.
plain=$(MANWIDTH=1000 man --nh --nj -E UTF-8 -l "$page" 2>/dev/null |
  sed 's/\xe2\x80\x90/-/g; s/\xe2\x88\x92/-/g')
program_help() { env -u DISPLAY QT_QPA_PLATFORM=xcb "$program" "$@" --help; }
options=$({
  program_help
  for command in "${commands[@]}"; do
    program_help "$command"
  done
} | grep -oE -- '(^|[[ ,|])--?[a-zA-Z][a-zA-Z0-9-]*' | sed -E 's/^[[ ,|]//' | sort -u)
if [ -z "$options" ]; then
  echo "FAILED: $program --help names no option"
  status=1
fi
for option in $options; do
  if ! grep -qF -- "$option" <<<"$plain"; then
    echo "FAILED: $page does not describe $option, which $program --help names"
    status=1
  fi
done
for command in "${commands[@]}"; do
  if ! grep -qE "^ +$command\$" <<<"$plain"; then
    echo "FAILED: $page has no paragraph for the command $command"
    status=1
  fi
done
[ $status -eq 0 ] && echo "$page renders cleanly and names: $(tr '\n' ' ' <<<"$options")"
exit $status
