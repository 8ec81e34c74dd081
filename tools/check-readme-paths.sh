#!/usr/bin/env bash
# Checks that every ./build/... path the README shows exists after the
# command it follows: the programs after ./run.sh (rebuilt here through
# run.sh itself, so its list of what it builds is what is checked), the
# tests and benchmarks after ./test.sh's build, which has run before this.
#   tools/check-readme-paths.sh
set -euo pipefail
cd "$(dirname "$0")/.."

mapfile -t paths < <(grep -oE '\./build/[A-Za-z0-9_./-]+' README.md | sort -u)
[ ${#paths[@]} -gt 0 ] || { echo "README.md shows no ./build/ path"; exit 1; }

programs=()
for p in "${paths[@]}"; do
  case $p in ./build/tests/* | ./build/bench/*) ;; *) programs+=("$p") ;; esac
done
rm -f "${programs[@]}"
GALT_BUILD_DIR=build ./run.sh --build-only >/dev/null

status=0
for p in "${paths[@]}"; do
  if [ -e "$p" ]; then
    echo "ok   $p"
  else
    echo "MISSING $p"
    status=1
  fi
done
exit $status
