#!/usr/bin/env bash
# Installs the Debian packages the build needs (only those missing).
set -euo pipefail

# clang, libclang-rt-dev (libFuzzer and the sanitizer runtimes of clang) and llvm
# (llvm-symbolizer for the reports) build and run the fuzz targets; g++-multilib
# the 32-bit builds (preset legacy32), with GoogleTest built from libgtest-dev's
# sources; qemu-user runs their tests where the kernel cannot.
packages=(cmake g++ g++-multilib make libgtest-dev libgmock-dev nlohmann-json3-dev libbenchmark-dev faketime
          plotutils libxml2-utils librsvg2-bin python3 clang libclang-rt-dev llvm ccache qemu-user)
missing=()
for pkg in "${packages[@]}"; do
  dpkg -s "$pkg" >/dev/null 2>&1 || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq "${missing[@]}"
