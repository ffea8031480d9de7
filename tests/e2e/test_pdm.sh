#!/usr/bin/env bash
# The product-data-management branch: a database part name and bare part
# numbers, revision rules accepted and refused, and report names of three and
# four fields; LORN calls that fail.
source "$(dirname "$0")/lib.sh"

export KAVOHOST_LORN_DB="$WORK/lorn"
mkdir out
run_kavotalvex -part=@DB/4711/A/master/ -outdir=out -log=dbname.log -result=dbname.txt \
    "-LORN_revision_rule_name=Latest Released"
expect_exit 0
compare_golden dbname.log dbname.log
compare_golden dbname.txt dbname_result.txt
compare_golden out/4711_A_master.xml 4711_A_master.xml
compare_golden stdout.txt dbname_stdout.txt

printf '%s\n' 4711 '47 11' 0815 >numbers.txt
run_kavotalvex -pim=yes -u=checker -p=secret -g=quality '-part=@db@4711@B@drawing@p4711 sheet#1' \
    -partList=numbers.txt -outdir=out -log=numbers.log -result=numbers_result.txt \
    -LORN_revision_rule_name=NoSuchRule
expect_exit 0
compare_golden numbers.log numbers.log
compare_golden numbers_result.txt numbers_result.txt
compare_golden out/4711_B_drawing_p4711_sheet_1.xml 4711_B_drawing_p4711_sheet_1.xml
compare_golden out/4711_B_.xml 4711_B_bare_number.xml

# Runs the program with one call failing, its run log <name>.log and result
# file <name>.txt, and compares the run log.
run_with_fault() {
    local name="$1" call="$2" code="$3"
    shift 3
    run_kavotalvex_with_faults "[{\"call\": \"$call\", \"code\": $code}]" "$@" -outdir=out \
        -log="$name.log" -result="$name.txt"
    compare_golden "$name.log" "$name.log"
}

# A fault table refusing the login is in force from the process's first call;
# a failing revision lookup of a bare number leaves the part unopened.
run_with_fault refused RQ_VRELMGR_initialize 3001 -part=@DB/4711/A/master/
expect_exit 3001
compare_golden stdout.txt refused_stdout.txt
expect_missing refused.txt
run_with_fault no_revision RQ_VRELMGR_ask_configured_rev 3003 -pim=yes -part=4711
expect_exit -1001
compare_golden no_revision.txt no_revision_result.txt
# A revision rule the host cannot name is logged empty; the check goes on.
run_with_fault no_rule RQ_VRELMGR_ask_config_rule 3004 -pim=yes -part=4711 \
    "-LORN_revision_rule_name=Latest Released"
expect_exit 0
compare_golden no_rule.txt no_rule_result.txt
# A name the host cannot decode names no report ("__.xml" would be every such
# part's), and the result line says so.
run_with_fault no_decode RQ_VRELMGR_decode_part_filename 3002 -part=@DB/4711/A/master/
expect_exit 0
compare_golden no_decode.txt no_decode_result.txt
expect_missing out/__.xml
finish
