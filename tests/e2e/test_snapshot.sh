#!/usr/bin/env bash
# Drawing snapshots: a part with a sheet gets one, a part without sheets a
# warning; both are saved afterwards.
source "$(dirname "$0")/lib.sh"

mkdir out
printf '%s\n' samples/parts/housing.prt samples/parts/cover.prt >list.txt
run_kavotalvex -partList=list.txt -outdir=out -log=run.log -result=result.txt \
    -DrawingSnapShotCreate -SaveWorkPart -Action=none
expect_exit 0
compare_golden run.log run.log
compare_golden result.txt result.txt
expect_contains samples/parts/housing.prt '"snapshots": 1'
finish
