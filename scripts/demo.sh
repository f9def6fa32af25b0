#!/usr/bin/env bash
# Runs the tool against the device simulator: scripts/demo.sh subscriber|splitter|beltpack|switch
# The simulator's port goes into COM.ini of a scratch working directory; the
# simulator stops when the tool exits.
set -euo pipefail

kind="${1:-}"
case "$kind" in
  subscriber | splitter | beltpack | switch) ;;
  *)
    echo "usage: $0 subscriber|splitter|beltpack|switch" >&2
    exit 2
    ;;
esac

root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${BUILD_DIR:-$root/build}" && pwd)"
sim="$build/intercom-sim"
tool="$build/intercom-config"
for program in "$sim" "$tool"; do
  if [ ! -x "$program" ]; then
    echo "$0: $program is missing; run make build first" >&2
    exit 1
  fi
done

workdir="$(mktemp -d "${TMPDIR:-/tmp}/intercom-demo.XXXXXX")"
sim_pid=""
cleanup() {
  if [ -n "$sim_pid" ]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  rm -rf "$workdir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fifo="$workdir/sim.out"
mkfifo "$fifo"
"$sim" --kind "$kind" --quiet >"$fifo" &
sim_pid=$!
exec 3<"$fifo"
if ! IFS= read -r -t 10 port <&3 || [ -z "$port" ]; then
  echo "$0: the simulator printed no port" >&2
  exit 1
fi

printf '%s\r\n' "$port" >"$workdir/COM.ini"
echo "Simulated $kind on $port; working directory $workdir"
cd "$workdir"
"$tool" 3<&-
