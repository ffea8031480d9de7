#!/usr/bin/env bash
# The structure refresh of the check plug-in on save: a child part changed on
# disk since the assembly was opened adds occurrences, so the component counts
# before and after differ; the save check (callback mode 2) reports the new
# structure at the level of KVTX_MAXASSEMBLYLEVEL, and a later interactive
# check keeps that level.
source "$(dirname "$0")/lib.sh"

PLUGIN="$KVTX_BIN_DIR/src/libtalvex_intern.so"
mkdir data out
cp samples/parts/cover_rack.prt samples/parts/cover_stack.prt samples/parts/cover.prt data/
cp "$KVTX_SOURCE_DIR/tests/e2e/data/plugin/cover_stack_three.prt" data/
unset TALVEX_CALLBACK_DeleteAttributes TALVEX_CALLBACK_SetLineWidthPreferences \
      KVTX_detail_option KVTX_journal 2>/dev/null || true

cat >sync.script <<SCRIPT
load $PLUGIN
sta
set TALVEX_CALLBACK_Structure_sync SAVEP
set TALVEX_SAVE_CALLBACK_ACTION
set KVTX_outdir out/
set KVTX_MAXASSEMBLYLEVEL 1
set KVTX_POSTCOMMAND true
open data/cover_rack.prt
copy data/cover_stack_three.prt data/cover_stack.prt
save
unset TALVEX_SAVE_CALLBACK_ACTION
unset KVTX_MAXASSEMBLYLEVEL
usr
unload
SCRIPT

run_host_script sync.script
expect_exit 0
compare_run_outputs
compare_golden out/cover_rack_CB2-Post.xml cover_rack_CB2-Post.xml
compare_golden out/cover_rack.xml cover_rack.xml
finish
