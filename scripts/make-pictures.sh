#!/usr/bin/env bash
# Makes the README's picture docs/pump_base_overlay.svg (or the file named):
# exports sheet SHT1 of both revisions of the sample drawing as CGM, lays
# them over each other and draws the overlay (scripts/cgm-overlay.sh).
# Builds build/default first, unless $KVTX_BIN_DIR names a build folder.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$(realpath -m "${1:-$root/docs/pump_base_overlay.svg}")"
if [ -z "${KVTX_BIN_DIR:-}" ]; then
  (cd "$root" && cmake --preset default >/dev/null &&
     cmake --build --preset default --target kavotalvex kavohost-svg >/dev/null)
  export KVTX_BIN_DIR="$root/build/default"
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
export KAVOHOST_SYSLOG="$work/syslog.txt" KAVOHOST_LISTING="$work/listing.txt"
mkdir out cgm
for revision in a b; do
  "$KVTX_BIN_DIR/src/kavotalvex" -part="$root/samples/parts/pump_base_$revision.prt" -outdir=out \
    -log=run.log -ExtractCGM_toDir=cgm -Sheet=SHT1 >/dev/null
done
"$root/scripts/cgm-overlay.sh" cgm/pump_base_a_SHT1.cgm cgm/pump_base_b_SHT1.cgm "$out" \
  "$work/pump_base_overlay.prt"
echo "wrote $out"
