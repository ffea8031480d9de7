#!/usr/bin/env bash
# objprobe in the host program: objects reported in the listing window, a
# rename saved with the part, the unload lines in the syslog; beside it a
# plug-in that exports the same entry names and traces the part events; the
# dialogs and highlights the runs made, as the host recorded them.
source "$(dirname "$0")/lib.sh"

OBJPROBE="$KVTX_BIN_DIR/src/libobjprobe.so"
TRACER="$KVTX_BIN_DIR/host/libkavohost_test_plugin_a.so"
mkdir data
cp "$KVTX_SOURCE_DIR/tests/e2e/data/objprobe/probe.prt" data/probe.prt

cat >probe.script <<SCRIPT
load $TRACER
sta
open data/probe.prt
load $OBJPROBE
# first run: an alive object, its pause, a deleted one, an unknown handle,
# an empty input, a temporary feature, an unnamed machining object, leave
dialog 3 probe:1
dialog 3
dialog 3 probe:4
dialog 3 no:such
dialog 3 
dialog 3 probe:5
dialog 3
dialog 3 probe:2
dialog 3
dialog 3 probe:3
dialog 3
dialog 2
usr
dialogs
highlights
close_listing
# second run: show the body, rename it after "=", which ends the run
dialog 3 probe:1
dialog 3
dialog 3 probe:1 name=NEW_BODY
dialog 3 probe:2
usr
echo left answers are used by the next run
usr
# third run: nothing left to answer, the dialog is cancelled at once
usr
dialogs
highlights
save
unload
use 1
unload
SCRIPT

run_host_script probe.script
expect_exit 0
compare_run_outputs
expect_contains data/probe.prt '"name":"NEW_BODY"'
finish
