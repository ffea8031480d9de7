#!/usr/bin/env bash
# Pictures of the stand-in (kavohost-svg) as a browser shows them: the sample
# drawing's sheets and the overlay of its two revisions, parsed as XML,
# rendered by rsvg-convert and compared pixel by pixel with the CGM exports
# (svg_check.py); the README's picture is what scripts/make-pictures.sh makes
# now; bad arguments and missing sheets fail with a reason.
source "$(dirname "$0")/lib.sh"

SVG_PROGRAM="$KVTX_BIN_DIR/host/kavohost-svg"
CHECK="$KVTX_SOURCE_DIR/tests/e2e/svg_check.py"
command -v rsvg-convert >/dev/null || fail "rsvg-convert is missing (scripts/setup.sh)"

mkdir out cgm svg
for revision in a b; do
    run_kavotalvex -part=samples/parts/pump_base_$revision.prt -outdir=out -log=run.log \
        -ExtractCGM_toDir=cgm
    expect_exit 0
done
"$SVG_PROGRAM" samples/parts/pump_base_a.prt --sheets svg >written.txt || fail "--sheets failed"
[ "$(cat written.txt)" = $'svg/pump_base_a_SHT1.svg\nsvg/pump_base_a_SHT2.svg' ] ||
    fail "--sheets wrote: $(cat written.txt)"
for sheet in SHT1 SHT2; do
    python3 "$CHECK" sheet svg/pump_base_a_$sheet.svg cgm/pump_base_a_$sheet.cgm || fail "$sheet"
done

# The overlay, made by the README's command, is the picture under docs/.
"$KVTX_SOURCE_DIR/scripts/make-pictures.sh" "$WORK/overlay.svg" >/dev/null || fail "make-pictures"
cmp -s overlay.svg "$KVTX_SOURCE_DIR/docs/pump_base_overlay.svg" ||
    fail "docs/pump_base_overlay.svg is stale: run scripts/make-pictures.sh"
python3 "$CHECK" overlay overlay.svg cgm/pump_base_a_SHT1.cgm cgm/pump_base_b_SHT1.cgm ||
    fail "overlay"
expect_contains overlay.svg ">layer 1, black (1): pump_base_a_SHT1.cgm, 729 objects</text>"
expect_contains overlay.svg ">layer 2, magenta (5): pump_base_b_SHT1.cgm, 299 objects without a twin"

# Failures, each with its reason on standard error (golden errors.txt).
"$KVTX_SOURCE_DIR/scripts/cgm-overlay.sh" cgm/pump_base_a_SHT1.cgm cgm/pump_base_b_SHT1.cgm \
    overlay2.svg overlay2.prt >/dev/null || fail "cgm-overlay.sh"
: >errors.txt
while IFS='|' read -r expected arguments; do
    set +e
    # shellcheck disable=SC2086
    "$SVG_PROGRAM" $arguments >/dev/null 2>error.txt
    code=$?
    set -e
    [ "$code" -eq "$expected" ] || fail "kavohost-svg $arguments: exit $code, expected $expected"
    { echo "$arguments: $code"; head -1 error.txt; } >>errors.txt
done <<'CASES'
2|
2|overlay2.prt
2|overlay2.prt a.svg --layers 1,x
2|overlay2.prt a.svg --offset 1
2|overlay2.prt a.svg --legend one=a
1|missing.prt a.svg
1|overlay2.prt a.svg --sheet SHT1
1|overlay2.prt no_folder/a.svg
1|overlay2.prt svg
CASES
compare_golden errors.txt errors.txt
"$SVG_PROGRAM" overlay2.prt layer2.svg --layers 2 || fail "--layers 2"
grep -q 'class="layer1' layer2.svg && fail "--layers 2 drew layer 1"
expect_contains layer2.svg '<g class="layer2">'

# The host program's command draws the work part, or one of its sheets.
printf 'open samples/parts/pump_base_b.prt\nsvg run_sheet.svg sheet SHT2\nsvg run_view.svg\nsvg x.svg sheet NONE\n' >pictures.script
run_host_script pictures.script
expect_exit 1
expect_contains stderr.txt "line 4: svg x.svg failed: the part has no sheet NONE"
"$SVG_PROGRAM" samples/parts/pump_base_b.prt sheet.svg --sheet SHT2 && cmp -s sheet.svg run_sheet.svg ||
    fail "svg sheet SHT2 differs from kavohost-svg's"
expect_contains run_view.svg '<title>pump_base_b.prt</title>'
finish
