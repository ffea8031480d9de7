#!/usr/bin/env bash
# The four update steps on a part with features and drawings: a failing feature
# update, a failing replay, a scripted structure-refresh code, a view that
# fails and a sheet that stays out of date; the report header carries each
# step's code and the drawing section the state after the update.
source "$(dirname "$0")/lib.sh"

mkdir out
run_kavotalvex -part=samples/parts/drafting.prt -outdir=out -log=run.log -result=result.txt \
    -UpdateAllFeatures -UpdateViaFeatureReplay -StruktureSync -UpdateAllViews
expect_exit 0
compare_golden run.log run.log
compare_golden result.txt result.txt
compare_golden out/drafting.xml drafting.xml

# Only the named sheet is updated; no update fails the views of SHT1.
rm -rf out && mkdir out
run_kavotalvex -part=samples/parts/drafting.prt -outdir=out -result=result_sheet.txt \
    -UpdateAllViews -Sheet=SHT1
expect_exit 0
compare_golden result_sheet.txt result_sheet.txt
expect_contains out/drafting.xml "<UpdateAllViewsReturnValue>0</UpdateAllViewsReturnValue>"
expect_contains out/drafting.xml "<UpdateAllFeaturesReturnValue>-1</UpdateAllFeaturesReturnValue>"
expect_contains stdout.txt "   Update: Sheet SHT2 & <A> -> not processed"

# The second step of the sheet cycle fails: one sheet is written, and the
# failed step is the part's first error, so the cut list is not reported as OK.
check_cycle_cut_short samples/parts/drafting.prt 1 DrawingGetData drafting_cut.xml
finish
