#!/usr/bin/env bash
# clang-tidy (checks in .clang-tidy) and cppcheck over our own sources. Needs a configured build folder with
# compile_commands.json (default: build). Exits non-zero on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
mapfile -t sources < <(git ls-files 'src/*.cpp' 'tools/*.cpp')
echo "clang-tidy: ${#sources[@]} files"
printf '%s\n' "${sources[@]}" | xargs -P 2 -n 4 clang-tidy -p "$build" --quiet 2>/dev/null
echo "cppcheck"
cppcheck --quiet --error-exitcode=1 --std=c++20 --language=c++ --inline-suppr \
  --enable=warning,performance,portability --suppress=missingIncludeSystem --suppress=unknownMacro \
  --suppress=preprocessorErrorDirective -I include -I src "${sources[@]}"
echo "static analysis clean"
