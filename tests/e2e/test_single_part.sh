#!/usr/bin/env bash
# One native part from the command line: run log with the argument echo and
# every trace, result file, report, console output, syslog and listing window.
source "$(dirname "$0")/lib.sh"

mkdir out
run_kavotalvex -part=samples/parts/bracket.prt -outdir=out -log=run.log -result=result.txt \
    -Accuracy=0.5 -p=secret -bogus
expect_exit 0
compare_golden run.log run.log
compare_golden result.txt result.txt
compare_golden out/bracket.xml bracket.xml
compare_golden stdout.txt stdout.txt
compare_golden syslog.txt syslog.txt
compare_golden listing.txt listing.txt

# Only the sections the action list names; a journal that does not exist.
rm -rf out && mkdir out
run_kavotalvex -part=samples/parts/bracket.prt -outdir=out/ -log=run_drawing.log \
    -Action=DrawingGetData -journal=no_such_journal.txt
expect_exit 0
compare_golden run_drawing.log run_drawing.log
compare_golden out/bracket.xml bracket_drawing_only.xml

# A part name holding '%' reaches every channel as it stands (the report's
# file name has it repaired); a readable
# journal is noted in the syslog.
rm -rf out && mkdir out data
cp samples/parts/bracket.prt 'data/p%s%n%d.prt'
echo "a journal" >journal.txt
run_kavotalvex '-part=data/p%s%n%d.prt' -outdir=out -log=percent.log -result=percent.txt \
    -journal=journal.txt -Action=DrawingGetData
expect_exit 0
compare_golden percent.log percent.log
compare_golden percent.txt percent_result.txt
compare_golden out/p_s_n_d.xml percent.xml
compare_golden stdout.txt percent_stdout.txt
compare_golden syslog.txt percent_syslog.txt

# Under a clock frozen at 2026-01-01 00:00:00 every field of a time stamp below
# ten keeps its leading zero.
rm -rf out && mkdir out
run_kavotalvex_at_fixed_clock -part=samples/parts/bracket.prt -outdir=out -log=clock.log \
    -result=clock.txt -Action=DrawingGetData
expect_exit 0
compare_golden_keeping_times clock.log clock.log
compare_golden_keeping_times out/bracket.xml clock.xml

# A description and a host release text longer than a report line are cut
# inside their tags: the report stays XML that other programs read.
rm -rf out && mkdir out
long_text() { head -c 10000 /dev/zero | tr '\0' "$1"; }
sed "s/\"description\": \"\"/\"description\": \"$(long_text d)\"/" samples/parts/cover.prt \
    >samples/parts/long.prt
KAVOHOST_RELEASE="Kavo Stand-in Host V12.0.2.9 $(long_text r)" \
    run_kavotalvex -part=samples/parts/long.prt -outdir=out -Action=DrawingGetData
expect_exit 0
xmllint --noout out/long.xml || fail "out/long.xml is not well-formed XML"
expect_contains out/long.xml "dd</PartDescription>"
expect_contains out/long.xml "rr</KavoRelease>"
finish
