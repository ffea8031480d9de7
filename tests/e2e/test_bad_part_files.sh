#!/usr/bin/env bash
# Part files that a host refuses: a device, a pipe, JSON nested 5,000 and
# 100,000 levels deep, ids beyond the documented range, a misspelt key inside
# a body, and an assembly whose child is a device. Each is an unreadable or
# corrupt part with its code, the host's syslog names the place and the
# reason, and the check goes on with the next part of the list.
source "$(dirname "$0")/lib.sh"

mkfifo pipe.prt
python3 - <<'PY'
for depth in (5000, 100000):
    with open(f"deep{depth}.prt", "w") as f:
        f.write('{"format": "kavo-part", "x": ' + "[" * depth + "]" * depth + "}\n")
with open("big_next_id.prt", "w") as f:
    f.write('{"format": "kavo-part", "next_object_id": 9223372036854775807}\n')
with open("big_id.prt", "w") as f:
    f.write('{"format": "kavo-part", "objects": [{"id": 9007199254740992, "type": 2}]}\n')
with open("typo.prt", "w") as f:
    f.write('{"format": "kavo-part", "objects": [{"id": 1, "type": 70,'
            ' "body": {"shpae": "block", "size": [1, 2, 3]}}]}\n')
with open("device_child.prt", "w") as f:
    f.write('{"format": "kavo-part", "objects": [{"id": 1, "type": 63, "name": "C",'
            ' "component": {"child_file": "/dev/zero"}}]}\n')
PY
printf '%s\n' /dev/zero pipe.prt deep5000.prt deep100000.prt big_next_id.prt big_id.prt \
    typo.prt device_child.prt samples/parts/cover.prt >list.txt
mkdir out
run_kavotalvex -partList=list.txt -outdir=out -log=run.log -result=result.txt \
    -Action=ModelGetData
expect_exit 0
compare_golden result.txt result.txt
compare_golden run.log run.log
compare_golden stderr.txt stderr.txt
compare_golden syslog.txt syslog.txt

# The same device as the single part ends the run as any part that cannot be opened.
run_kavotalvex -part=/dev/zero -outdir=out -log=single.log -result=single.txt
expect_exit -1002
compare_golden single.txt single_result.txt
finish
