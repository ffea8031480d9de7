#!/usr/bin/env bash
# The entity section of a part with notes, labels and dimensions: report, run
# log (the failing associativity query) and syslog (the skipped associativity
# and the failing appended text).
source "$(dirname "$0")/lib.sh"

mkdir out
run_kavotalvex -part=samples/parts/annotations.prt -outdir=out -log=run.log -result=result.txt \
    -Action=DrawingGetData -DetailOption=25,26
expect_exit 0
compare_golden run.log run.log
compare_golden result.txt result.txt
compare_golden out/annotations.xml annotations.xml
compare_golden syslog.txt syslog.txt
finish
