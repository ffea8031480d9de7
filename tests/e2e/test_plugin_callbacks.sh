#!/usr/bin/env bash
# The talvex_intern plug-in in the host program: start-up registration, the
# callback actions chosen by reason code (attributes deleted on save, a locked
# one kept, line widths set on change of work part), the save check with its
# "_CB2-Post" report and run log, and the change-of-work-part check with its
# "_CB1-Pre" report at the assembly level read from KVTX_MAXASSEMBLYLEVEL.
# Then the same checks after a LORN login: report names of three and four
# fields, the level and a readable journal carried to a later interactive
# check, and part events without a work part.
source "$(dirname "$0")/lib.sh"

PLUGIN="$KVTX_BIN_DIR/src/libtalvex_intern.so"
mkdir data out
cp "$KVTX_SOURCE_DIR/tests/e2e/data/plugin/cb_part.prt" data/cb_part.prt
unset TALVEX_CALLBACK_DeleteAttributes TALVEX_CALLBACK_SetLineWidthPreferences \
      TALVEX_CALLBACK_Structure_sync KVTX_MAXASSEMBLYLEVEL KVTX_detail_option 2>/dev/null || true

cat >callbacks.script <<SCRIPT
load $PLUGIN
sta
set TALVEX_CALLBACK_DeleteAttributes SAVEP,CHWOP
set TALVEX_CALLBACK_SetLineWidthPreferences xxCHWOPxx chwop
set TALVEX_CALLBACK_Structure_sync
set VRELII_CONVERT_LEGACY_THIN_LINEWIDTH_TO_NEW_LINEWIDTH 1
set VRELII_CONVERT_LEGACY_NORMAL_LINEWIDTH_TO_NEW_LINEWIDTH 5
set VRELII_CONVERT_LEGACY_THICK_LINEWIDTH_TO_NEW_LINEWIDTH 9
set KVTX_outdir out/
open data/cb_part.prt
set TALVEX_SAVE_CALLBACK_ACTION
save
callbacks
unset TALVEX_SAVE_CALLBACK_ACTION
set TALVEX_CHANGE_WORKPART_ACTION
set KVTX_MAXASSEMBLYLEVEL 2
event cwp
callbacks
unset TALVEX_CHANGE_WORKPART_ACTION
save
close_all

unload
SCRIPT

run_host_script callbacks.script
expect_exit 0
compare_run_outputs
compare_golden out/cb_part_CB2-Post.xml cb_part_CB2-Post.xml
compare_golden out/cb_part_CB2-Post.xml.log cb_part_CB2-Post.xml.log
compare_golden out/cb_part_CB1-Pre.xml cb_part_CB1-Pre.xml
compare_golden out/cb_part_CB1-Pre.xml.log cb_part_CB1-Pre.xml.log
# The last save stored what the actions changed: the unlocked attribute is
# gone, the locked one stays, and the line widths are 1+4, 5+4 and 9+4.
expect_contains data/cb_part.prt '"line_width_map": [5,9,13]'
expect_contains data/cb_part.prt '"CHECKED_OUT_BY"'
if grep -qF 'VRELII_JT_DETAILS' data/cb_part.prt; then fail "VRELII_JT_DETAILS was not deleted"; fi

# LORN: the save check of a three-field name, the change-of-work-part check of
# a four-field name, then an interactive check that keeps the level.
export KAVOHOST_LORN_DB="$WORK/lorn"
rm -rf out && mkdir out
echo "a journal" >journal.txt
cat >lorn.script <<SCRIPT
load $PLUGIN
sta
login -u=checker -p=secret -g=quality
set KVTX_outdir out/
set TALVEX_SAVE_CALLBACK_ACTION
open @DB/4711/A/master/
save
unset TALVEX_SAVE_CALLBACK_ACTION
set TALVEX_CHANGE_WORKPART_ACTION
set KVTX_MAXASSEMBLYLEVEL 1
open @DB/4711/B/drawing/p4711 sheet#1
unset TALVEX_CHANGE_WORKPART_ACTION
unset KVTX_MAXASSEMBLYLEVEL
set KVTX_journal journal.txt
set KVTX_POSTCOMMAND true
usr
callbacks
work none
event modified @DB/4711/A/master/
event rename
callbacks
close_all
unload
SCRIPT
run_host_script lorn.script
expect_exit 0
compare_golden syslog.txt lorn_syslog.txt
compare_golden listing.txt lorn_listing.txt
compare_golden stdout.txt lorn_stdout.txt
compare_golden stderr.txt lorn_stderr.txt
compare_golden out/4711_A_master_CB2-Post.xml 4711_A_master_CB2-Post.xml
compare_golden out/4711_B_drawing_p4711_sheet_1_CB1-Pre.xml 4711_B_drawing_p4711_sheet_1_CB1-Pre.xml
compare_golden out/4711_B_drawing_p4711_sheet_1.xml 4711_B_drawing_p4711_sheet_1.xml
finish
