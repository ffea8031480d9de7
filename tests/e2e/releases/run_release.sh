#!/usr/bin/env bash
# End-to-end goldens of the build for one host release (the argument; the
# build in KVTX_BIN_DIR): where the release has a console program, it checks
# an assembly with a drawing, an assembly held by mating conditions and a part
# with annotations; the plug-in, in the host program, checks the mated
# assembly and the annotations from the user function and, where the release
# has them, registers its callbacks and runs the actions and the save and
# change-of-work-part checks. The goldens are in
# tests/e2e/golden/releases/<release>/.
source "$(dirname "$0")/../lib.sh"

RELEASE="${1:?the host release}"
GOLDEN_DIR="$KVTX_SOURCE_DIR/tests/e2e/golden/releases/$RELEASE"
ASSEMBLY=mated_stack
unset KVTX_POSTCOMMAND KVTX_journal KVTX_detail_option KVTX_MAXASSEMBLYLEVEL \
      TALVEX_CALLBACK_DeleteAttributes TALVEX_CALLBACK_SetLineWidthPreferences \
      TALVEX_CALLBACK_Structure_sync 2>/dev/null || true

# The console program, where the release has one.
mkdir out
if [ -e "$KVTX_PROGRAM" ]; then
    printf 'samples/parts/%s.prt\n' lift_unit "$ASSEMBLY" annotations >parts.txt
    echo "a journal" >journal.txt
    run_kavotalvex -partList=parts.txt -outdir=out -log=run.log -result=result.txt \
        -DetailOption=25,26,63,70
    expect_exit 0
    compare_golden run.log console_run.log
    compare_golden result.txt console_result.txt
    compare_golden stdout.txt console_stdout.txt
    compare_golden syslog.txt console_syslog.txt
    for part in lift_unit "$ASSEMBLY" annotations; do
        compare_golden "out/$part.xml" "console_$part.xml"
    done
    rm -rf out && mkdir out
fi

# The plug-in, copied so that its name in the host's messages is the same in
# every build folder: the user function first, then the start-up entry and
# the part events (a plug-in without a start-up entry fails that command).
mkdir plugin
cp "$KVTX_BIN_DIR/src/libtalvex_intern.so" plugin/libtalvex_intern.so
cat >plugin.script <<SCRIPT
load plugin/libtalvex_intern.so
set KVTX_outdir out/
set KVTX_POSTCOMMAND true
set KVTX_detail_option 25,26
set KVTX_journal journal.txt
open samples/parts/$ASSEMBLY.prt
usr
open samples/parts/annotations.prt
usr
sta
set TALVEX_CALLBACK_DeleteAttributes SAVEP,CHWOP,POSAP
set TALVEX_CALLBACK_SetLineWidthPreferences CHWOP
set VRELII_CONVERT_LEGACY_THIN_LINEWIDTH_TO_NEW_LINEWIDTH 1
set VRELII_CONVERT_LEGACY_NORMAL_LINEWIDTH_TO_NEW_LINEWIDTH 5
set VRELII_CONVERT_LEGACY_THICK_LINEWIDTH_TO_NEW_LINEWIDTH 9
work samples/parts/$ASSEMBLY.prt
set TALVEX_SAVE_CALLBACK_ACTION
save
unset TALVEX_SAVE_CALLBACK_ACTION
set TALVEX_CHANGE_WORKPART_ACTION
set KVTX_MAXASSEMBLYLEVEL 1
event cwp
unset TALVEX_CHANGE_WORKPART_ACTION
save_as out/copy.prt
callbacks
close_all
unload
SCRIPT
echo "a journal" >journal.txt
run_host_script plugin.script
compare_golden syslog.txt plugin_syslog.txt
compare_golden listing.txt plugin_listing.txt
compare_golden stdout.txt plugin_stdout.txt
compare_golden stderr.txt plugin_stderr.txt
echo "$EXIT_CODE" >plugin_exit.txt
compare_golden plugin_exit.txt plugin_exit.txt
for report in out/*.xml out/*.log; do
    [ -e "$report" ] && compare_golden "$report" "plugin_$(basename "$report")"
done
ls out >plugin_reports.txt
compare_golden plugin_reports.txt plugin_reports.txt
finish
