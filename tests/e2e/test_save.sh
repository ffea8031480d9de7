#!/usr/bin/env bash
# The save step: an unmodified part is saved without a new history entry, a
# part forced to count as modified gets one, a read-only part fails to save.
source "$(dirname "$0")/lib.sh"

mkdir out
run_kavotalvex -part=samples/parts/bracket.prt -outdir=out -log=plain.log -result=plain.txt \
    -SaveWorkPart
expect_exit 0
compare_golden plain.log plain.log
compare_golden plain.txt plain_result.txt

TALVEX_MODIFY_PART= run_kavotalvex -partList=samples/partlist.txt -outdir=out -log=modify.log \
    -result=modify.txt -SaveWorkPart
expect_exit 0
compare_golden modify.log modify.log
compare_golden modify.txt modify_result.txt
expect_contains samples/parts/cover.prt 'kavohost'
expect_contains samples/parts/cover.prt '1700000000'

sed 's/"format_version": 1,/"format_version": 1, "read_only": true,/' samples/parts/cover.prt \
    >readonly.prt
run_kavotalvex -part=readonly.prt -outdir=out -log=readonly.log -SaveWorkPart
expect_exit 0
compare_golden readonly.log readonly.log
finish
