#!/usr/bin/env bash
# Builds the fuzz targets (tests/fuzz, clang, in build-fuzz/) and runs each
# for MINUTES (default 10), two at a time and niced, from the seeds in
# tests/fuzz/corpus/<target>/ plus what earlier runs kept in
# build-fuzz/corpus/<target>/; then prints each target's executions and
# findings. A finding (crash, leak, timeout, out of memory) is kept as
# build-fuzz/findings/<target>/<kind>-<hash>, and the target goes on for the
# rest of its time. Exit status 1 when anything was found.
#   tools/fuzz-long.sh [MINUTES [TARGET...]]     (all targets unless named)
#   tools/fuzz-long.sh --seconds N [TARGET...]  (./test.sh's short run)
# GALT_WERROR=ON makes compile warnings errors, as in ./test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = --seconds ]; then
  seconds=${2:?usage: tools/fuzz-long.sh [MINUTES] | --seconds N}
  shift 2
else
  seconds=$(( ${1:-10} * 60 ))
  shift $(( $# > 0 ? 1 : 0 ))
fi
wanted=("$@")
[ "$seconds" -gt 0 ] || { echo "the time must be above 0" >&2; exit 2; }

build=build-fuzz
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGALT_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ \
  -DGALT_WERROR="${GALT_WERROR:-OFF}" >/dev/null
cmake --build "$build" -j"$(nproc)"

# One target for its time: runs again after a finding until the time is
# used; writes "<executions> <findings>" to its result file, or "failed"
# when a run ended early with nothing found (the target does not run).
fuzz_one() {
  local target=$1 name
  name=$(basename "$target")
  local corpus="$build/corpus/$name" seeds="tests/fuzz/corpus/$name" found="$build/findings/$name"
  local log="$build/$name.log" result="$build/$name.result"
  rm -rf "$found"
  mkdir -p "$corpus" "$found"
  [ -d "$seeds" ] || seeds=
  local end=$(( $(date +%s) + seconds )) executions=0 left runs before
  : >"$log"
  while left=$(( end - $(date +%s) )); [ "$left" -gt 0 ]; do
    before=$(Findings "$found")
    nice -n 10 "$target" -max_total_time="$left" -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$found/" "$corpus" $seeds >>"$log" 2>&1 || true
    # The final count, or after a finding the last progress line's.
    runs=$(tail -n 200 "$log" | sed -n 's/^stat::number_of_executed_units: *//p' | tail -n 1)
    [ -n "$runs" ] || runs=$(tail -n 200 "$log" | sed -n 's/^#\([0-9][0-9]*\).*/\1/p' | tail -n 1)
    executions=$(( executions + ${runs:-0} ))
    echo "==== run ended" >>"$log"
    if [ "$(Findings "$found")" -eq "$before" ] && [ $(( end - $(date +%s) )) -gt 2 ]; then
      echo failed >"$result"
      return
    fi
  done
  echo "$executions $(Findings "$found")" >"$result"
}

Findings() { find "$1" -type f ! -name 'slow-unit-*' | wc -l; }

targets=()
for f in "$build"/tests/fuzz/fuzz_*; do
  [ -f "$f" ] && [ -x "$f" ] || continue
  [ ${#wanted[@]} -eq 0 ] || [[ " ${wanted[*]} " == *" $(basename "$f") "* ]] && targets+=("$f")
done
echo "fuzzing ${#targets[@]} targets for $seconds s each, two at a time"
for (( i = 0; i < ${#targets[@]}; i += 2 )); do
  fuzz_one "${targets[i]}" &
  [ $(( i + 1 )) -lt ${#targets[@]} ] && fuzz_one "${targets[i + 1]}" &
  wait
done

status=0
printf '%-26s %14s %9s\n' target executions findings
for target in "${targets[@]}"; do
  name=$(basename "$target")
  read -r executions findings <"$build/$name.result"
  if [ "$executions" = failed ]; then
    echo "$name stopped before its time with nothing found:"
    tail -n 20 "$build/$name.log"
    status=1
    continue
  fi
  printf '%-26s %14s %9s\n' "$name" "$executions" "$findings"
  if [ "$findings" -gt 0 ]; then
    status=1
    ls "$build/findings/$name"
    grep -m 3 '^SUMMARY:' "$build/$name.log" || true
  fi
done
exit "$status"
