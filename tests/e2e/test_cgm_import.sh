#!/usr/bin/env bash
# The CGM import mode: two CGM files (one hand-made, one written by GNU
# plotutils) laid over each other in a new part made from a template; a CGM
# file that cannot be imported and a template that cannot be opened end the
# mode with -1002 and save nothing.
source "$(dirname "$0")/lib.sh"

cp -r "$KVTX_SOURCE_DIR/tests/e2e/data/cgm" cgm

run_kavotalvex -log=import.log -Action=CgmImportToKavoPartFile -CgmtoPartFile=overlay.prt \
    -PartTemplate=samples/parts/drafting.prt -Cgm1_File=cgm/sheet_a.cgm \
    -Cgm2_File=cgm/plotutils_shapes.cgm
expect_exit 0
compare_golden import.log import.log
compare_golden overlay.prt overlay.prt
cmp -s samples/parts/drafting.prt "$KVTX_SOURCE_DIR/samples/parts/drafting.prt" ||
    fail "the template part was changed"

# The second file is cut short: the first is imported, nothing is saved.
run_kavotalvex -log=garbled.log -Action=CgmImportToKavoPartFile -CgmtoPartFile=garbled.prt \
    -PartTemplate=samples/parts/cover.prt -Cgm1_File=cgm/sheet_a.cgm -Cgm2_File=cgm/garbled.cgm
expect_exit -1002
compare_golden garbled.log garbled.log
expect_missing garbled.prt

# A first "file" that passes the start-up test but is a folder.
mkdir folder.cgm
run_kavotalvex -log=folder.log -Action=CgmImportToKavoPartFile -CgmtoPartFile=folder.prt \
    -PartTemplate=samples/parts/cover.prt -Cgm1_File=folder.cgm -Cgm2_File=cgm/sheet_a.cgm
expect_exit -1002
expect_contains folder.log "CGM_Error: importing Cgm1_File folder.cgm (cannot read the file: it is no regular file)"
expect_missing folder.prt

# A template that is no part file.
echo "not a part" >broken.prt
run_kavotalvex -log=template.log -Action=CgmImportToKavoPartFile -CgmtoPartFile=template_out.prt \
    -PartTemplate=broken.prt -Cgm1_File=cgm/sheet_a.cgm -Cgm2_File=cgm/sheet_a.cgm
expect_exit -1002
compare_golden template.log template.log
expect_missing template_out.prt

# A failed move matrix or work layer would spoil the overlay: nothing is saved.
for call in rq5943 RQ_LAYER_set_status; do
    printf '[{"call": "%s", "code": 7}]\n' "$call" >faults_$call.json
    KAVOHOST_FAULTS="$WORK/faults_$call.json" run_kavotalvex -log=$call.log \
        -Action=CgmImportToKavoPartFile -CgmtoPartFile=$call.prt \
        -PartTemplate=samples/parts/cover.prt -Cgm1_File=cgm/sheet_a.cgm -Cgm2_File=cgm/sheet_a.cgm
    expect_exit -1002
    compare_golden $call.log $call.log
    expect_missing $call.prt
done

# Files that GNU plotutils writes here, when it is installed.
if command -v graph >/dev/null 2>&1; then
    printf '0 0\n1 1\n2 0.5\n3 2\n' | graph -T cgm -L "Title" >graph.cgm
    run_kavotalvex -log=graph.log -Action=CgmImportToKavoPartFile -CgmtoPartFile=graph.prt \
        -PartTemplate=samples/parts/cover.prt -Cgm1_File=graph.cgm -Cgm2_File=graph.cgm
    expect_exit 0
    if grep -qF "(0 objects)" graph.log; then fail "graph's file gave no objects"; fi
    expect_contains graph.prt '"Title"'
fi
finish
