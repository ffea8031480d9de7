#!/usr/bin/env bash
# Builds the console program and checks the sample part list; the reports,
# the result file and the run log land in out/.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset default >/dev/null
cmake --build --preset default --target kavotalvex
mkdir -p out
export KAVOHOST_SYSLOG="$PWD/out/kavo_syslog.txt"
export KAVOHOST_LISTING="$PWD/out/listing.txt"
exec build/default/src/kavotalvex -partList=samples/partlist.txt -outdir=out \
  -log=out/kavotalvex.log -result=out/result.csv "$@"
