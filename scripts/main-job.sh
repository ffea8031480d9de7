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
build/default/src/kavotalvex -partList=samples/drawinglist.txt -outdir=out \
  -log=out/drawings.log -result=out/drawings.csv -ExtractCGM_toDir=out/cgm "$@"

# Pictures a browser opens (kavohost-svg, docs/standin-host.md): the overlay of
# the two revisions of the sample drawing, as the README's CGM import example
# makes it, and every exported sheet of the sample parts in out/svg/.
cmake --build --preset default --target kavohost-svg
scripts/cgm-overlay.sh out/cgm/pump_base_a_SHT1.cgm out/cgm/pump_base_b_SHT1.cgm \
  out/pump_base_overlay.svg out/pump_base_overlay.prt
mkdir -p out/svg
cat samples/partlist.txt samples/drawinglist.txt | while read -r part; do
  KAVOHOST_SYSLOG=/dev/null KAVOHOST_LISTING=/dev/null build/default/host/kavohost-svg "$part" --sheets out/svg
done
