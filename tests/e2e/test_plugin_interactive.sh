#!/usr/bin/env bash
# The talvex_intern plug-in's user function: nothing without a work part; the
# check of the work part with the settings from host variables, the timer
# statistic in the listing window and the post command, which gets the report
# name as one argument even when the output folder holds blanks and shell
# characters; the unload entries print nothing. A check after the user closed
# the listing window opens it again; the entity section of the plug-in.
source "$(dirname "$0")/lib.sh"

PLUGIN="$KVTX_BIN_DIR/src/libtalvex_intern.so"
ODD_DIR='odd dir;touch INJECTED;$(touch INJECTED2)'
mkdir data "$ODD_DIR"
cp "$KVTX_SOURCE_DIR/samples/parts/bracket.prt" data/bracket.prt
cp "$KVTX_SOURCE_DIR/samples/parts/annotations.prt" data/annotations.prt
cp "$KVTX_SOURCE_DIR/tests/e2e/data/plugin/record_args.sh" record_args.sh
unset KVTX_POSTCOMMAND KVTX_journal KVTX_detail_option 2>/dev/null || true

cat >interactive.script <<SCRIPT
load $PLUGIN
usr
open data/bracket.prt
set KVTX_outdir $ODD_DIR/
set KVTX_POSTCOMMAND sh record_args.sh --report
set KVTX_detail_option
usr
echo second run
set KVTX_outdir ./
close_listing
usr
open data/annotations.prt
set KVTX_detail_option 25,26
set KVTX_POSTCOMMAND true
usr
unload
SCRIPT

run_host_script interactive.script
expect_exit 0
compare_run_outputs
compare_golden args.txt args.txt
compare_golden "$ODD_DIR/bracket.xml" bracket.xml
compare_golden annotations.xml annotations.xml
expect_missing INJECTED
expect_missing INJECTED2
expect_missing "$ODD_DIR/INJECTED"
finish
