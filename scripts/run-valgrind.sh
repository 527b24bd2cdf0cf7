#!/usr/bin/env bash
# Runs every test executable of a build under valgrind's memcheck; any error or definite leak fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
status=0
for t in "$build"/tests/test_*; do
  [ -x "$t" ] || continue
  echo "== valgrind $(basename "$t")"
  if ! valgrind --quiet --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite \
         --track-origins=no "$t" --gtest_brief=1 > "$t.valgrind.log" 2>&1; then
    tail -n 40 "$t.valgrind.log"
    status=1
  fi
done
exit $status
