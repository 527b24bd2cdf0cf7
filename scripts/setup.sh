#!/usr/bin/env bash
# Installs what DBS needs to build, test and benchmark on Debian (12 or later). Safe to run again.
set -euo pipefail
packages=(g++ cmake make pkg-config libpugixml-dev libgtest-dev libgmock-dev libbenchmark-dev libsqlite3-dev
          libcli11-dev libedit-dev libfmt-dev gnuplot-nox)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
