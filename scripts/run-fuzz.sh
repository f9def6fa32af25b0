#!/usr/bin/env bash
# Builds the libFuzzer targets in the clang sanitizer tree (ASan + UBSan,
# build-asan/, the one `make test-asan` uses) and runs each for the given
# number of seconds: scripts/run-fuzz.sh [SECONDS]
# Each run starts from the committed seeds in fuzz/corpus/<target>/ and keeps
# what it finds in <tree>/fuzz/corpus/<target>/; a crashing input is left in
# <tree>/fuzz/artifacts/. Skips (successfully) when clang is not installed.
set -euo pipefail

seconds="${1:-60}"
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${FUZZ_DIR:-$root/build-asan}"
cxx="${FUZZ_CXX:-clang++-14}"
cc="${FUZZ_CC:-clang-14}"
targets=(fuzz_reply fuzz_field_integer fuzz_com_ini fuzz_settings_text fuzz_write fuzz_report fuzz_telnet)

if ! command -v "$cxx" >/dev/null 2>&1; then
  echo "fuzzing skipped: $cxx is not installed"
  exit 0
fi

if [ ! -f "$build/build.ninja" ]; then
  CC="$cc" CXX="$cxx" cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DINTERCOM_SANITIZE=ON -DINTERCOM_FUZZ=ON >/dev/null
fi
if ! grep -q '^INTERCOM_FUZZ:BOOL=ON$' "$build/CMakeCache.txt"; then
  echo "$build was configured without INTERCOM_FUZZ (not with $cxx?): remove it and run again" >&2
  exit 1
fi
cmake --build "$build" -j "${JOBS:-2}" --target "${targets[@]}"

mkdir -p "$build/fuzz/artifacts"
status=0
for target in "${targets[@]}"; do
  options=(-max_total_time="$seconds" -timeout=10 -print_final_stats=1
           -artifact_prefix="$build/fuzz/artifacts/$target-")
  # COM.ini inputs must reach past the 64 KiB the tool reads.
  [ "$target" = fuzz_com_ini ] && options+=(-max_len=70000)
  work="$build/fuzz/corpus/$target"
  mkdir -p "$work"
  echo "== $target: ${seconds} s"
  if ! "$build/fuzz/$target" "${options[@]}" "$work" "$root/fuzz/corpus/$target" \
      >"$build/fuzz/$target.log" 2>&1; then
    echo "$target FAILED; see $build/fuzz/$target.log"
    tail -n 40 "$build/fuzz/$target.log"
    status=1
    continue
  fi
  grep -E '^stat::number_of_executed_units|^Done' "$build/fuzz/$target.log" || true
done
exit $status
