#!/usr/bin/env bash
# The README's and the docs' examples as a newcomer runs them, on a scratch
# copy of the repository whose build/default is the build under test: the main
# job (its build step stubbed), then every shell block marked "tested" in
# README.md and docs/*.md, in order; a text block right after one holds its
# expected output. Every repository path the README and docs/ name exists.
source "$(dirname "$0")/lib.sh"

MARKER='<!-- tested: tests/e2e/test_readme_commands.sh -->'
DOCS=(README.md)
for doc in "$KVTX_SOURCE_DIR"/docs/*.md; do DOCS+=("docs/$(basename "$doc")"); done
REPO="$WORK/repo"
mkdir -p "$REPO/build" "$WORK/stub" "$WORK/blocks"
cp -r "$KVTX_SOURCE_DIR"/{README.md,docs,samples,scripts} "$REPO"/
ln -s "$KVTX_BIN_DIR" "$REPO/build/default"
printf '#!/bin/sh\nexit 0\n' >"$WORK/stub/cmake"
chmod +x "$WORK/stub/cmake"

# Splits the marked blocks of a markdown file into <prefix>NN.sh and, when a
# text block follows, <prefix>NN.out.
extract_blocks() {
    awk -v marker="$MARKER" -v prefix="$2" '
        $0 == marker { armed = 1; next }
        armed && /^```sh$/ { n++; file = sprintf("%s%02d.sh", prefix, n); armed = 0; mode = "sh"; next }
        mode != "" && /^```$/ { last = mode; mode = ""; next }
        mode != "" { print > (mode == "sh" ? file : out); next }
        last == "sh" && /^```text$/ { out = sprintf("%s%02d.out", prefix, n); printf "" > out; mode = "out"; next }
        /^$/ { next }
        { armed = 0; last = "" }
    ' "$1"
}

run_block() {
    local block="$1" name
    name="$(basename "$block" .sh)"
    set +e
    (cd "$REPO" && bash -eo pipefail "$block") >"$WORK/blocks/$name.stdout" 2>"$WORK/blocks/$name.stderr"
    local code=$?
    set -e
    [ "$code" -eq 0 ] || fail "$name ended with $code: $(head -c 400 "$WORK/blocks/$name.stderr")"
    if [ -f "${block%.sh}.out" ] && ! diff -u "${block%.sh}.out" "$WORK/blocks/$name.stdout" >&2; then
        fail "$name: output differs from the text block after it"
    fi
}

# The main job as the README's first command runs it.
set +e
(cd "$REPO" && PATH="$WORK/stub:$PATH" scripts/main-job.sh) >"$WORK/main_job.txt" 2>&1
EXIT_CODE=$?
set -e
expect_exit 0

count=0
for doc in "${DOCS[@]}"; do
    extract_blocks "$KVTX_SOURCE_DIR/$doc" "$WORK/blocks/$(basename "$doc" .md)_"
done
for block in "$WORK"/blocks/README_*.sh "$WORK"/blocks/[!R]*.sh; do
    [ -f "$block" ] || continue
    run_block "$block"
    count=$((count + 1))
done
[ "$count" -ge 6 ] || fail "only $count tested blocks found"

# The examples wrote below out/ only, and changed no sample.
(cd "$REPO" && find . -path ./out -prune -o -path ./build -prune -o -newer "$WORK/stub/cmake" -type f -print) \
    >"$WORK/written.txt"
[ ! -s "$WORK/written.txt" ] || fail "written outside out/: $(cat "$WORK/written.txt")"
diff -r "$KVTX_SOURCE_DIR/samples" "$REPO/samples" >&2 || fail "an example changed samples/"
[ -f "$REPO/out/pump_base_overlay.prt" ] || fail "the CGM import example wrote no part"

# Paths the docs name: repository paths, build outputs under build/default;
# a name cut by "*" or "<" stands for a prefix.
cd "$KVTX_SOURCE_DIR"
grep -oP '(?<![A-Za-z0-9_./<>-])(host|src|tests|docs|samples|scripts|bench|build/default)/[A-Za-z0-9_./-]*[*<]?' \
    "${DOCS[@]}" | sort -u | while IFS=: read -r doc path; do
    root="$KVTX_SOURCE_DIR"
    name="${path%.}"
    case "$name" in
        build/default/*) root="$KVTX_BIN_DIR" name="${name#build/default/}" ;;
    esac
    case "$name" in
        *'*' | *'<') compgen -G "$root/${name%?}*" >/dev/null || echo "$doc: $path" ;;
        *) [ -e "$root/$name" ] || echo "$doc: $path" ;;
    esac
done >"$WORK/missing.txt"
[ ! -s "$WORK/missing.txt" ] || fail "paths that do not exist: $(cat "$WORK/missing.txt")"
finish
