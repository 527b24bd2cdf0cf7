#!/usr/bin/env bash
# Builds the libFuzzer targets with clang-14 and runs each for a bounded time from its seed corpus.
# Any crash, leak or sanitizer report fails the run; the input that caused it is left in build-fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
for target in sql qdb dbdef calls; do
  work=build-fuzz/corpus-$target
  rm -rf "$work" && mkdir -p "$work"
  echo "== fuzz_$target for ${seconds}s"
  (cd build-fuzz && ./fuzz_$target -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
      -print_final_stats=1 "$(basename "$work")" ../fuzz/corpus/$target 2>&1 | tail -n 12)
done
