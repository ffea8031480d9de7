#!/usr/bin/env bash
# Builds the console program, the host program kavohost-run and the two
# plug-ins (everything the README's examples use), then checks the sample part
# list and the two revisions of the sample drawing (samples/drawinglist.txt);
# the reports, result files and run logs land in out/, the parts' drawing
# sheets as CGM files in out/cgm/.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset default >/dev/null
cmake --build --preset default --target kavotalvex kavohost-run talvex_intern objprobe
mkdir -p out/cgm
export KAVOHOST_SYSLOG="$PWD/out/kavo_syslog.txt"
export KAVOHOST_LISTING="$PWD/out/listing.txt"
build/default/src/kavotalvex -partList=samples/partlist.txt -outdir=out \
  -log=out/kavotalvex.log -result=out/result.csv -ExtractCGM_toDir=out/cgm "$@"
exec build/default/src/kavotalvex -partList=samples/drawinglist.txt -outdir=out \
  -log=out/drawings.log -result=out/drawings.csv -ExtractCGM_toDir=out/cgm "$@"
