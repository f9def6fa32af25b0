#!/usr/bin/env bash
# A program's --version prints exactly "<name> <version>" and exits 0, without
# touching its working directory: check_version.sh PROGRAM NAME VERSION
set -euo pipefail
program=$1 name=$2 version=$3

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"

output=$("$program" --version)
if [ "$output" != "$name $version" ]; then
  echo "FAILED: $program --version printed '$output', expected '$name $version'"
  exit 1
fi
if [ -n "$(ls -A)" ]; then
  echo "FAILED: $program --version left files in its working directory: $(ls -A)"
  exit 1
fi
echo "$output"
