# Shared helpers of the end-to-end tests: each test runs the real program in a
# fresh temporary folder with a fixed host clock and fixed save stamps, masks
# what changes from run to run and compares whole files with golden files in
# tests/e2e/golden/<test>/. KVTX_UPDATE_GOLDEN=1 rewrites the golden files.
set -euo pipefail

: "${KVTX_BIN_DIR:?KVTX_BIN_DIR must name the build folder}"
: "${KVTX_SOURCE_DIR:?KVTX_SOURCE_DIR must name the source folder}"

KVTX_PROGRAM="$KVTX_BIN_DIR/src/kavotalvex"
HOST_PROGRAM="$KVTX_BIN_DIR/host/kavohost-run"
TEST_NAME="$(basename "$0" .sh)"
TEST_NAME="${TEST_NAME#test_}"
GOLDEN_DIR="$KVTX_SOURCE_DIR/tests/e2e/golden/$TEST_NAME"
WORK="$(mktemp -d "${TMPDIR:-/tmp}/kvtx_e2e_${TEST_NAME}.XXXXXX")"
trap 'rm -rf "$WORK"' EXIT
FAILURES=0
EXIT_CODE=0

# The samples are copied, so that a saving run never touches the repository.
cp -r "$KVTX_SOURCE_DIR/samples" "$WORK/samples"
cp -r "$KVTX_SOURCE_DIR/tests/e2e/data/lorn" "$WORK/lorn"
cd "$WORK"

export TZ=UTC LC_ALL=C
export KAVOHOST_SYSLOG="$WORK/syslog.txt"
export KAVOHOST_LISTING="$WORK/listing.txt"
export KAVOHOST_RELEASE="Kavo Stand-in Host V12.0.2.9"
export KAVOHOST_CLOCK=0.25
export KAVOHOST_FIXED_TIME=1700000000
export KAVOHOST_USER=tester
export KAVOHOST_MACHINE=testhost
unset KAVOHOST_FAULTS KAVOHOST_LORN_DB TALVEX_MODIFY_PART TALVEX_SAVE_CALLBACK_ACTION \
      TALVEX_CHANGE_WORKPART_ACTION KVTX_outdir 2>/dev/null || true

# Runs the program with the arguments; its output goes to stdout.txt and
# stderr.txt, the code the shell sees to EXIT_CODE.
run_kavotalvex() {
    rm -f "$WORK/syslog.txt" "$WORK/listing.txt"
    set +e
    "$KVTX_PROGRAM" "$@" >"$WORK/stdout.txt" 2>"$WORK/stderr.txt"
    EXIT_CODE=$?
    set -e
}

# Runs the program as run_kavotalvex does, with the process clock frozen at
# 2026-01-01 00:00:00 (libfaketime), so that the time stamps themselves can be
# compared; compare such files with compare_golden_keeping_times.
FAKETIME_LIB=/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1
run_kavotalvex_at_fixed_clock() {
    [ -f "$FAKETIME_LIB" ] || { fail "libfaketime is not installed (scripts/setup.sh)"; return; }
    LD_PRELOAD="$FAKETIME_LIB" FAKETIME="2026-01-01 00:00:00" \
        ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0" run_kavotalvex "$@"
}

# Runs the program as run_kavotalvex does, with the fault table (JSON text, the
# first argument) in KAVOHOST_FAULTS.
run_kavotalvex_with_faults() {
    printf '%s\n' "$1" >"$WORK/faults.json"
    shift
    KAVOHOST_FAULTS="$WORK/faults.json" run_kavotalvex "$@"
}

# Runs the program on a sample part (named as its part id) whose object cycle
# fails once, after <skip> steps, with only the <action>; compares the result
# file (cut_result.txt) and the report (golden <report golden>).
check_cycle_cut_short() {
    local part="$1" skip="$2" action="$3" golden="$4"
    local id
    id="$(basename "$part" .prt)"
    rm -rf out && mkdir out
    run_kavotalvex_with_faults "[{\"call\": \"RQ_OBJ_cycle_objs_in_part\", \"code\": 3, \"handle\": \"$id\", \"skip\": $skip, \"times\": 1}]" \
        -part="$part" -outdir=out -result=cut_result.txt -Action="$action"
    expect_exit 0
    compare_golden cut_result.txt cut_result.txt
    compare_golden "out/$id.xml" "$golden"
}

# Runs the stand-in host program on a script file, with the outputs and exit
# code kept as run_kavotalvex keeps them.
run_host_script() {
    rm -f "$WORK/syslog.txt" "$WORK/listing.txt"
    set +e
    "$HOST_PROGRAM" "$1" >"$WORK/stdout.txt" 2>"$WORK/stderr.txt"
    EXIT_CODE=$?
    set -e
}

fail() {
    echo "FAIL: $*" >&2
    FAILURES=$((FAILURES + 1))
}

# The program returns int values from main; the shell sees them modulo 256.
expect_exit() {
    local expected=$(( ($1 % 256 + 256) % 256 ))
    [ "$EXIT_CODE" -eq "$expected" ] || fail "exit code $EXIT_CODE, expected $expected (from $1)"
}

# The run's own time stamps, ctime texts, build stamp and memory figures, each
# only in the report element, log line or banner that carries it (a date,
# time or number of the part's own data is compared as it stands), and the
# temporary folder; with KEEP_TIMES=1 time stamps and ctime texts stay.
STAMP_PATTERN='[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}\.[0-9]{2}'
CTIME_PATTERN='[A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9][0-9] [0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}'
BUILD_PATTERN='[A-Z][a-z]{2} [ 0-9][0-9] [0-9]{4}  [0-9]{2}:[0-9]{2}:[0-9]{2}'
mask() {
    local times=(
        -e "s/(\+\+\+KavoTalvex \[)${STAMP_PATTERN}\]/\1<TIME-STAMP>]/g"
        -e "s#<((Start|End)(LoadPart|Update)?DateTime)>${STAMP_PATTERN}</#<\1><TIME-STAMP></#g"
        -e "s/(Init Logfile at |Start Check at  |Finished checking at  |<Build: [^>]*> at )${CTIME_PATTERN}/\1<CTIME>/g"
    )
    [ "${KEEP_TIMES:-}" = "1" ] && times=()
    sed -E \
        -e "s#${WORK}#<WORK>#g" \
        "${times[@]}" \
        -e "s/(<BuildDate>|<Build: |^KavoTalvex Release: .*)${BUILD_PATTERN}/\1<BUILD-STAMP>/g" \
        -e 's/(Info: (Memory Load   |dwAvailPhys|dwAvailPageFile|dwAvailVirtual) = )-?[0-9]+$/\1<MEMORY>/' \
        -e 's#<(StartLoadPartMemoryAllocation|EndLoadPartMemoryAllocation)>[0-9]+</#<\1><MEMORY></#g' \
        "$1"
}

# Compares the masked file with golden/<test>/<golden name>.
compare_golden() {
    local file="$1" name="$2"
    local golden="$GOLDEN_DIR/$name"
    if [ ! -f "$file" ]; then
        fail "$name: $file was not written"
        return
    fi
    if [ "${KVTX_UPDATE_GOLDEN:-}" = "1" ]; then
        mkdir -p "$GOLDEN_DIR"
        mask "$file" >"$golden"
        return
    fi
    if [ ! -f "$golden" ]; then
        fail "$name: missing golden file $golden (run with KVTX_UPDATE_GOLDEN=1)"
        return
    fi
    if ! mask "$file" | diff -u "$golden" - >"$WORK/diff.txt"; then
        cat "$WORK/diff.txt" >&2
        fail "$name differs from $golden"
    fi
}

# As compare_golden, with time stamps and ctime texts kept as they stand.
compare_golden_keeping_times() {
    KEEP_TIMES=1 compare_golden "$@"
}

# The host's syslog and listing window and the run's standard output and
# error, each with the golden file of the same name.
compare_run_outputs() {
    compare_golden syslog.txt syslog.txt
    compare_golden listing.txt listing.txt
    compare_golden stdout.txt stdout.txt
    compare_golden stderr.txt stderr.txt
}

expect_missing() {
    [ ! -e "$1" ] || fail "$1 should not exist"
}

expect_contains() {
    grep -qF -- "$2" "$1" || fail "$1 does not contain: $2"
}

finish() {
    if [ "$FAILURES" -ne 0 ]; then
        echo "$FAILURES check(s) failed in $TEST_NAME" >&2
        exit 1
    fi
    echo "$TEST_NAME passed"
}
