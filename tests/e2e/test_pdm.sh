#!/usr/bin/env bash
# The product-data-management branch: a database part name and bare part
# numbers, revision rules accepted and refused, and report names of three and
# four fields.
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

# A fault table refusing the login is in force from the process's first call;
# a failing revision lookup of a bare number leaves the part unopened.
printf '%s\n' '[{"call": "RQ_VRELMGR_initialize", "code": 3001}]' >refuse_login.json
KAVOHOST_FAULTS=refuse_login.json run_kavotalvex -part=@DB/4711/A/master/ -outdir=out \
    -log=refused.log -result=refused.txt
expect_exit 3001
compare_golden stdout.txt refused_stdout.txt
expect_missing refused.txt
printf '%s\n' '[{"call": "RQ_VRELMGR_ask_configured_rev", "code": 3003}]' >no_revision.json
KAVOHOST_FAULTS=no_revision.json run_kavotalvex -pim=yes -part=4711 -outdir=out \
    -log=no_revision.log -result=no_revision.txt
expect_exit -1001
compare_golden no_revision.log no_revision.log
compare_golden no_revision.txt no_revision_result.txt
finish
