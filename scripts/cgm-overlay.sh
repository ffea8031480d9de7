#!/usr/bin/env bash
# Lays two CGM exports of one sheet over each other with the CGM import mode
# of kavotalvex (the first on layer 1 in colour 1, the second on layer 2 in
# colour 5, moved by 0.05, 0.025) and draws the overlay part as SVG: what
# both files hold faint, what changed strong, a legend naming the files.
#
#   scripts/cgm-overlay.sh <first.cgm> <second.cgm> <out.svg> [overlay part]
#
# The overlay part is kept when named (an existing one is replaced); the
# programs come from build/default, or from the build folder $KVTX_BIN_DIR.
set -euo pipefail
if [ $# -lt 3 ] || [ $# -gt 4 ]; then
  echo "usage: $0 <first.cgm> <second.cgm> <out.svg> [overlay part]" >&2
  exit 2
fi
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="${KVTX_BIN_DIR:-$root/build/default}"
first="$1" second="$2" svg="$3"

temp="$(mktemp -d)"
trap 'rm -rf "$temp"' EXIT
# The host's syslog and listing of these runs stay out of the caller's.
export KAVOHOST_SYSLOG="$temp/syslog.txt" KAVOHOST_LISTING="$temp/listing.txt"
part="${4:-$temp/$(basename "${svg%.svg}").prt}"
rm -f "$part"
if ! "$bin/src/kavotalvex" -Action=CgmImportToKavoPartFile -log="$temp/import.log" \
    -CgmtoPartFile="$part" -PartTemplate="$root/samples/parts/p0815_bare.prt" \
    -Cgm1_File="$first" -Cgm2_File="$second" >"$temp/stdout.txt"; then
  cat "$temp/import.log" >&2
  exit 1
fi
"$bin/host/kavohost-svg" "$part" "$svg" --overlay \
  --legend "1=$(basename "$first")" --legend "2=$(basename "$second")"
