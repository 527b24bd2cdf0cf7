#!/usr/bin/env bash
# The extra tools of the longer CI checks: the 32-bit toolchain (run through qemu), clang (the clang build and,
# as clang-14, libFuzzer), valgrind, clang-tidy and cppcheck. Safe to run again.
set -euo pipefail
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
packages=(g++-multilib libpugixml-dev:i386 libsqlite3-dev:i386 qemu-user clang clang-14 libclang-rt-14-dev valgrind clang-tidy
          cppcheck)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
