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

# Lines of 1000 and 1100 characters: the first is within the list's limit and
# gets a whole error line; the second is beyond it and gets a line that says
# so. Each log line keeps its line end; the part after them is checked.
long_name="samples/parts/$(printf 'x%.0s' $(seq 1 982)).prt"
overlong_name="samples/parts/$(printf 'y%.0s' $(seq 1 1082)).prt"
[ "${#long_name}" -eq 1000 ] && [ "${#overlong_name}" -eq 1100 ] || fail "name lengths"
printf '%s\n' "$long_name" "$overlong_name" samples/parts/cover.prt >long_list.txt
rm -rf out && mkdir out
run_kavotalvex -partList=long_list.txt -outdir=out -log=long.log -result=long.txt \
    -Action=ModelGetData
expect_exit 0
compare_golden long.txt long_result.txt
compare_golden long.log long.log
finish
