#!/usr/bin/env bash
# The three-level sample assembly: the assembly section with the component
# attributes (one component without them fails its reads), the entity
# section over the assembly (occurrences skipped), the session's assembly
# load options and pattern flags from the environment; then a fault in the
# middle of the component cycle.
source "$(dirname "$0")/lib.sh"

mkdir out
# Labelled values other than the defaults, a value with an empty label row
# and one outside 0 to 4.
export KAVOHOST_ASSEM_OPTIONS="1,0,1,0,186,1,1,1,3,9,0,0,1,0,0"
export KAVOHOST_PATTERN_ARCHIVING=1 KAVOHOST_PATTERN_SHADING=1
run_kavotalvex -part=samples/parts/lift_unit.prt -outdir=out -log=run.log -result=result.txt \
    -DetailOption=63,70
expect_exit 0
compare_golden run.log run.log
compare_golden result.txt result.txt
compare_golden out/lift_unit.xml lift_unit.xml
unset KAVOHOST_ASSEM_OPTIONS KAVOHOST_PATTERN_ARCHIVING KAVOHOST_PATTERN_SHADING

# The fifth step of the component cycle (after the test for components) fails:
# four components are written, the section closes as usual.
rm -rf out && mkdir out
cat >faults.json <<'JSON'
[{"call": "RQ_OBJ_cycle_objs_in_part", "code": 3, "handle": "lift_unit", "skip": 5, "times": 1}]
JSON
KAVOHOST_FAULTS=faults.json run_kavotalvex -part=samples/parts/lift_unit.prt -outdir=out \
    -result=cut_result.txt -Action=AssemblyGetData
expect_exit 0
compare_golden cut_result.txt cut_result.txt
compare_golden out/lift_unit.xml lift_unit_cut.xml
finish
