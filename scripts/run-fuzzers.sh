#!/usr/bin/env bash
# Builds the libFuzzer targets with clang-14 and runs each for a bounded time from its seed corpus.
# Any crash, leak or sanitizer report fails the run; the input that caused it is left in build-fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
targets=(sql qdb dbdef calls)
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "${targets[@]/#/fuzz_}"
mkdir -p build-fuzz/artifacts
status=0
for target in "${targets[@]}"; do
  work=build-fuzz/corpus-$target
  rm -rf "$work" && mkdir -p "$work"
  echo "== fuzz_$target for ${seconds}s"
  if ! build-fuzz/fuzz/fuzz_$target -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
         -print_final_stats=1 -artifact_prefix=build-fuzz/artifacts/$target- \
         "$work" fuzz/corpus/$target > "$work.log" 2>&1; then
    tail -n 60 "$work.log"
    status=1
  else
    tail -n 12 "$work.log"
  fi
done
exit $status
