#!/usr/bin/env bash
# objprobe in the host program: objects reported in the listing window, a
# rename saved with the part, the unload lines in the syslog; beside it a
# plug-in that exports the same entry names and traces the part events.
source "$(dirname "$0")/lib.sh"

HOST_PROGRAM="$KVTX_BIN_DIR/host/kavohost-run"
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
save
unload
use 1
unload
SCRIPT

rm -f syslog.txt listing.txt
set +e
"$HOST_PROGRAM" probe.script >stdout.txt 2>stderr.txt
EXIT_CODE=$?
set -e
expect_exit 0
compare_golden listing.txt listing.txt
compare_golden syslog.txt syslog.txt
compare_golden stdout.txt stdout.txt
compare_golden stderr.txt stderr.txt
expect_contains data/probe.prt '"name":"NEW_BODY"'
finish
