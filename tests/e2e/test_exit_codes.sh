#!/usr/bin/env bash
# Every exit code of the console program, each with what it leaves behind.
source "$(dirname "$0")/lib.sh"

mkdir out
printf 'samples/parts/cover.prt\n' >list.txt

# -1: too few arguments (both usage texts), and a help option.
run_kavotalvex
expect_exit -1
compare_golden stdout.txt too_few_stdout.txt
run_kavotalvex -Action=CgmImportToKavoPartFile -help -log=never.log
expect_exit -1
compare_golden stdout.txt help_cgm_stdout.txt
expect_missing never.log

# -2: the part list is not readable, even with a help option after it.
run_kavotalvex -partList=no_such_list.txt -help
expect_exit -2
compare_golden stdout.txt partlist_missing_stdout.txt

# -3: the run log cannot be created.
run_kavotalvex -log=no_such_folder/run.log -part=samples/parts/cover.prt
expect_exit -3
compare_golden stdout.txt runlog_stdout.txt

# -4: a part list that is a folder; an existing CGM import target; a bad layer.
run_kavotalvex -partList=samples -log=folder.log
expect_exit -4
compare_golden folder.log partlist_folder.log
# A device, read for ever, is no part list either.
run_kavotalvex -partList=/dev/zero -log=device.log
expect_exit -4
compare_golden device.log partlist_device.log
run_kavotalvex -Action=CgmImportToKavoPartFile -CgmtoPartFile=samples/parts/cover.prt \
    -log=cgm_exists.log
expect_exit -4
compare_golden cgm_exists.log cgm_target_exists.log
touch a.cgm b.cgm
run_kavotalvex -Action=CgmImportToKavoPartFile -CgmtoPartFile=new.prt \
    -PartTemplate=samples/parts/cover.prt -Cgm1_File=a.cgm -Cgm2_File=b.cgm -Cgm1_Layer=256 \
    -Cgm2_Layer=12abc -Cgm1_Color=257 -log=cgm_layer.log
expect_exit -4
compare_golden cgm_layer.log cgm_bad_colour.log
run_kavotalvex -Action=CgmImportToKavoPartFile -CgmtoPartFile=new.prt \
    -PartTemplate=samples/parts/cover.prt -Cgm1_File=a.cgm -Cgm2_File=b.cgm \
    -Cgm2_xOffset=-1.5 -Cgm2_yOffset=y -log=cgm_offset.log
expect_exit -4
compare_golden cgm_offset.log cgm_bad_offset.log

# -5: neither a part list nor a single part.
run_kavotalvex -outdir=out -log=nothing.log
expect_exit -5
compare_golden nothing.log nothing.log

# -6: the output folder cannot be reached (after the part-list test).
run_kavotalvex -partList=list.txt -outdir=no_such_out -log=outdir.log
expect_exit -6
compare_golden outdir.log outdir.log

# The host's login code: an unknown LORN user.
export KAVOHOST_LORN_DB="$WORK/lorn"
run_kavotalvex -pim=yes -u=nobody -part=4711 -outdir=out -log=login.log
expect_exit 3001
compare_golden login.log login.log

# The code of RQ_initialize when the session does not open.
printf '[{"call": "RQ_initialize", "code": 1}]\n' >init_fault.json
KAVOHOST_FAULTS="$WORK/init_fault.json" run_kavotalvex -part=samples/parts/cover.prt -outdir=out \
    -log=init.log
expect_exit 1
compare_golden init.log init.log

# -1001: the single part of a LORN session cannot be opened.
run_kavotalvex -part=@DB/9999/A/master/x -outdir=out -log=pdm_open.log -result=pdm_open.txt
expect_exit -1001
compare_golden pdm_open.log pdm_open.log
compare_golden pdm_open.txt pdm_open_result.txt

# -1002: the native single part cannot be opened; the list is not read.
run_kavotalvex -part=samples/parts/missing.prt -partList=list.txt -outdir=out -log=open.log \
    -result=open.txt
expect_exit -1002
compare_golden open.log native_open.log
compare_golden open.txt native_open_result.txt
compare_golden stdout.txt native_open_stdout.txt

# -1010: the part list goes missing between the validation and the batch
# driver. The LORN database is read through a pipe at the login, which lies
# between the two: the writer removes the list before it hands over the data.
mkfifo lorn_pipe.json
printf 'samples/parts/cover.prt\n' >vanishing.txt
timeout 60 bash -c 'exec 3>lorn_pipe.json; rm -f vanishing.txt; cat lorn/lorn.json >&3' &
writer=$!
KAVOHOST_LORN_DB="$WORK/lorn_pipe.json" run_kavotalvex -pim=yes -partList=vanishing.txt \
    -outdir=out -log=list_gone.log -result=list_gone.txt
wait "$writer" || true
expect_exit -1010
compare_golden list_gone.log list_gone.log

# -1020: the result file cannot be created; the run ends before any part is
# checked, so no report is written either.
rm -rf out && mkdir out
run_kavotalvex -part=samples/parts/cover.prt -partList=list.txt -outdir=out -log=no_result.log \
    -result=no_such_folder/result.csv
expect_exit -1020
compare_golden no_result.log no_result.log
compare_golden stdout.txt no_result_stdout.txt
expect_missing out/cover.xml

# -4711: an exception from the host (a failing drawing snapshot) ends the run
# after the host session is closed.
printf '[{"call": "DrawingCompareManager::CreateSnapshot", "code": 7}]\n' >snapshot_fault.json
unset KAVOHOST_LORN_DB
KAVOHOST_FAULTS="$WORK/snapshot_fault.json" run_kavotalvex -part=samples/parts/housing.prt \
    -outdir=out -log=exception.log -result=exception.txt -DrawingSnapShotCreate
expect_exit -4711
compare_golden exception.log exception.log
compare_golden stdout.txt exception_stdout.txt
finish
