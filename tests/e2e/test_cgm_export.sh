#!/usr/bin/env bash
# CGM export of the drawing sheets after the check: by default the legacy
# export of the sheets with views; with colour option 3 and the sheet list
# "_All_" the plot export in black on white of every sheet. The files are
# deterministic and compared octet for octet with golden files (whose
# structure the host tests check).
source "$(dirname "$0")/lib.sh"

# Compares every file of the folder with golden/<test>/<subfolder>/, and the
# list of file names too.
compare_cgm_folder() {
    local folder="$1" sub="$2"
    local golden="$GOLDEN_DIR/$sub"
    if [ "${KVTX_UPDATE_GOLDEN:-}" = "1" ]; then
        rm -rf "$golden" && mkdir -p "$golden"
        cp "$folder"/* "$golden"/
        return
    fi
    local have want
    have="$(cd "$folder" && ls)"
    want="$(cd "$golden" && ls)"
    [ "$have" = "$want" ] || fail "$sub: files [$have], expected [$want]"
    local file
    for file in "$golden"/*; do
        cmp -s "$file" "$folder/$(basename "$file")" || fail "$sub: $(basename "$file") differs"
    done
}

mkdir out cgm_legacy
run_kavotalvex -part=samples/parts/drafting.prt -outdir=out -log=run.log \
    -ExtractCGM_toDir=cgm_legacy
expect_exit 0
compare_cgm_folder cgm_legacy legacy
expect_contains run.log "CGM: Output (SHT2 & <A>) to [cgm_legacy/drafting_SHT2 & <A>.cgm]"
expect_contains run.log "CGM: old mode --> passed"

rm -rf out && mkdir out cgm_plot
run_kavotalvex -part=samples/parts/drafting.prt -outdir=out -log=run_plot.log \
    -ExtractCGM_toDir=cgm_plot -Cgm_Def_Color_Option=3 -Sheet=_All_
expect_exit 0
compare_cgm_folder cgm_plot black_on_white
expect_contains run_plot.log "CGM: Cgm_Def_Color_Option = RQ_PLOT_BLACK_ON_WHITE --> passed"

# The two revisions of the sample drawing: their views' geometry, notes,
# dimensions and pattern (the host tests check the pictures' content).
rm -rf out && mkdir out cgm_revisions
for revision in a b; do
    run_kavotalvex -part=samples/parts/pump_base_$revision.prt -outdir=out \
        -log=run_$revision.log -ExtractCGM_toDir=cgm_revisions
    expect_exit 0
done
compare_cgm_folder cgm_revisions revisions

# A missing export folder: each export fails and is logged, the run goes on.
rm -rf out && mkdir out
run_kavotalvex -part=samples/parts/drafting.prt -outdir=out -log=run_missing.log \
    -ExtractCGM_toDir=no_such_folder
expect_exit 0
expect_contains run_missing.log "-> in line 3598 (CGM file cannot be written)"
expect_missing no_such_folder

# A sheet whose name holds "/" gets no file: the part's result is not OK.
cat >slash.prt <<'PART'
{"format": "kavo-part", "objects": [
  {"id": 1, "type": 62, "name": "A/B"},
  {"id": 2, "type": 62, "name": "PLAIN"}
]}
PART
rm -rf out cgm_slash && mkdir out cgm_slash
run_kavotalvex -part=slash.prt -outdir=out -log=slash.log -result=slash.txt \
    -ExtractCGM_toDir=cgm_slash -Sheet=_All_ -Action=DrawingGetData
expect_exit 0
compare_golden slash.txt slash_result.txt
compare_golden slash.log slash.log
[ "$(cd cgm_slash && ls)" = "slash_PLAIN.cgm" ] || fail "cgm_slash: $(cd cgm_slash && ls)"
# The sheet cycle fails after the first sheet: the second gets no file, and
# the part's result says why instead of OK.
cat >two.prt <<'PART'
{"format": "kavo-part", "objects": [
  {"id": 1, "type": 62, "name": "FIRST"},
  {"id": 2, "type": 62, "name": "SECOND"}
]}
PART
rm -rf out && mkdir out cgm_cut
run_kavotalvex_with_faults \
    '[{"call": "RQ_OBJ_cycle_objs_in_part", "code": 3, "handle": "two", "skip": 1, "times": 1}]' \
    -part=two.prt -outdir=out -result=cut.txt -ExtractCGM_toDir=cgm_cut -Sheet=_All_ -Action=None
expect_exit 0
compare_golden cut.txt cut_result.txt
[ "$(cd cgm_cut && ls)" = "two_FIRST.cgm" ] || fail "cgm_cut: $(cd cgm_cut && ls)"
finish
