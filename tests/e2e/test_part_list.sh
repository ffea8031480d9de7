#!/usr/bin/env bash
# A part list with a missing part and a blank line, the current folder as
# output folder, and a single part checked before the list.
source "$(dirname "$0")/lib.sh"

printf '%s\n' samples/parts/bracket.prt samples/parts/missing.prt '' samples/parts/housing.prt \
    >list.txt
run_kavotalvex -partList=list.txt -log=run.log -result=result.txt -UpdateAllFeatures \
    -UpdateViaFeatureReplay -StruktureSync -UpdateAllViews -DetailOption=25,26
expect_exit 0
compare_golden run.log run.log
compare_golden result.txt result.txt
compare_golden bracket.xml bracket.xml
compare_golden housing.xml housing.xml
compare_golden stdout.txt stdout.txt

# Single part and list together: the single part comes first and stays loaded.
mkdir out
printf 'samples/parts/cover.prt\r\n' >crlf_list.txt
run_kavotalvex -part=samples/parts/housing.prt -partList=crlf_list.txt -outdir=out \
    -log=both.log -result=both.txt -Action=ModelGetData
expect_exit 0
compare_golden both.log both.log
compare_golden both.txt both_result.txt
compare_golden out/cover.xml cover_model_only.xml

# A result file named as the part list empties the list; the run still ends.
printf 'samples/parts/cover.prt\n' >self.txt
run_kavotalvex -partList=self.txt -result=self.txt -outdir=out -log=self.log
expect_exit 0
compare_golden self.txt self_result.txt
finish
