#!/usr/bin/env bash
# The three-level sample assembly: the assembly section with the component
# attributes (one component without them fails its reads), the entity
# section over the assembly (occurrences skipped), the session's assembly
# load options and pattern flags from the environment; then a fault in the
# middle of the component cycle.
source "$(dirname "$0")/lib.sh"

mkdir out
# Labelled values other than the defaults, a value with an empty label row
# (load_wave_parents 4) and values outside 0 to 4 (load_fully 9,
# load_substitution -1).
export KAVOHOST_ASSEM_OPTIONS="1,0,1,0,186,1,1,1,3,9,0,-1,1,1,4"
export KAVOHOST_PATTERN_ARCHIVING=1 KAVOHOST_PATTERN_SHADING=1
run_kavotalvex -part=samples/parts/lift_unit.prt -outdir=out -log=run.log -result=result.txt \
    -DetailOption=63,70
expect_exit 0
compare_golden run.log run.log
compare_golden result.txt result.txt
compare_golden out/lift_unit.xml lift_unit.xml
unset KAVOHOST_ASSEM_OPTIONS KAVOHOST_PATTERN_ARCHIVING KAVOHOST_PATTERN_SHADING

# The fifth step of the component cycle (after the test for components) fails:
# four components are written, the section closes as usual, and the failed
# step is the part's first error, so the cut list is not reported as OK.
check_cycle_cut_short samples/parts/lift_unit.prt 5 AssemblyGetData lift_unit_cut.xml
finish
