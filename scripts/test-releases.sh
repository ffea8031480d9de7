#!/usr/bin/env bash
# Builds the deliverables for every host release (CMake presets r4 ... cr2312,
# in build/<preset>), checks that each build holds exactly its deliverables
# under their names and exports exactly its entries, and runs the end-to-end
# goldens of one release of each distinct behaviour. Then one legacy build
# under the sanitizers, and the 32-bit legacy build with its tests.
# ccache, when installed, shares the compiled sources between the builds:
# only the release table differs between them (and the host's record layouts
# between the legacy and the current builds).
#
# With release names as arguments only those releases are built and checked
# (no sanitizer or 32-bit build); KVTX_UPDATE_GOLDEN=1 rewrites their goldens.
set -euo pipefail
cd "$(dirname "$0")/.."

RELEASES=(4 5 6 7 7.5 8.5 9 10 11 12 CR1880 CR1926 CR1980 CR2007 CR2212 CR2306 CR2312)
ALL_RELEASES=1
[ $# -gt 0 ] && { RELEASES=("$@"); ALL_RELEASES=0; }
# One release of each behaviour: 4 to 7, 7.5, 8.5, 9, 10 and 11, 12 to CR1980,
# CR2007 to CR2306 (CR2212 is the default build), CR2312.
GOLDEN_RELEASES=(7 7.5 8.5 9 10 12 CR2306 CR2312)
SANITIZED_RELEASE=7.5

if command -v ccache >/dev/null; then
    export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
    export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
fi

preset_of() {
    case "$1" in
        CR*) echo "${1,,}" ;;
        *) echo "r${1//./}" ;;
    esac
}

is_legacy() {
    case "$1" in 4 | 5 | 6 | 7 | 7.5) return 0 ;; *) return 1 ;; esac
}

is_golden() {
    local release
    for release in "${GOLDEN_RELEASES[@]}"; do [ "$release" = "$1" ] && return 0; done
    return 1
}

status=0
problem() {
    echo "FAIL: $*" >&2
    status=1
}

# The files a release's build must hold in its src folder, and nothing else
# of the kind: the console program (not for 4 to 7.5), the plug-in, objprobe,
# and the links under the plain names.
check_deliverables() {
    local release="$1" dir="$2/src" expected actual
    expected="libobjprobe.so libtalvex_intern.so libtalvex_intern_$release.so"
    is_legacy "$release" || expected="KavoTalvex_64_$release kavotalvex $expected"
    expected="$(tr ' ' '\n' <<<"$expected" | sort | tr '\n' ' ')"
    actual="$(cd "$dir" && { ls -d KavoTalvex_64_* kavotalvex lib*.so 2>/dev/null || true; } |
        sort | tr '\n' ' ')"
    [ "$actual" = "$expected" ] || problem "$release: deliverables [$actual], expected [$expected]"

    local exports want entry
    exports="$(nm -D --defined-only "$dir/libtalvex_intern_$release.so" | awk '$2 == "T" {print $3}' | sort | tr '\n' ' ')"
    want="StartOfProgram Talvex_Interactive_Entry rqusr rqusr_ask_unload rqusr_cleanup"
    is_legacy "$release" || want="StartOfProgram Talvex_Interactive_Entry rqsta rqusr rqusr_ask_unload rqusr_cleanup"
    [ "$exports" = "$want " ] || problem "$release: the plug-in exports [$exports], expected [$want]"
}

# Builds one release's deliverables (and the host program where goldens run)
# in its configured build folder.
build_release() {
    local release="$1" dir="$2"
    local targets=(talvex_intern objprobe)
    is_legacy "$release" || targets+=(kavotalvex)
    is_golden "$release" && targets+=(kavohost-run)
    cmake --build "$dir" --target "${targets[@]}" -j "${KVTX_JOBS:-$(nproc)}" >"$dir.build.log" 2>&1 ||
        { cat "$dir.build.log" >&2; return 1; }
}

run_goldens() {
    local release="$1" dir="$2"
    KVTX_BIN_DIR="$PWD/$dir" KVTX_SOURCE_DIR="$PWD" bash tests/e2e/releases/run_release.sh "$release" ||
        problem "$release: end-to-end goldens ($dir)"
}

started=$SECONDS
for release in "${RELEASES[@]}"; do
    preset="$(preset_of "$release")"
    dir="build/$preset"
    echo "=== host release $release ($dir) ==="
    if ! cmake --preset "$preset" >/dev/null || ! build_release "$release" "$dir"; then
        problem "$release: build"
        continue
    fi
    check_deliverables "$release" "$dir"
    is_golden "$release" && run_goldens "$release" "$dir"
done

if [ "$ALL_RELEASES" = 0 ]; then
    echo "=== host releases: $((SECONDS - started)) s ==="
    exit $status
fi

echo "=== host release $SANITIZED_RELEASE under the sanitizers ==="
dir="build/$(preset_of "$SANITIZED_RELEASE")-sanitize"
if cmake -S . -B "$dir" -DKVTX_HOST_RELEASE="$SANITIZED_RELEASE" -DCMAKE_BUILD_TYPE=Debug \
    -DKVTX_SANITIZE=ON -DKVTX_BENCHMARKS=OFF >/dev/null && build_release "$SANITIZED_RELEASE" "$dir"; then
    run_goldens "$SANITIZED_RELEASE" "$dir"
else
    problem "$SANITIZED_RELEASE: sanitized build"
fi

if cmake --list-presets 2>/dev/null | grep -q '"legacy32"'; then
    echo "=== 32-bit legacy build ==="
    cmake --preset legacy32 >/dev/null
    # The stand-in's tests and the 7.5 plug-in; the check tool's unit tests
    # expect a host with callbacks and run in the 64-bit builds.
    cmake --build --preset legacy32 --target kavohost_tests talvex_intern objprobe || problem "legacy32: build"
    ctest --preset legacy32 -L host || problem "legacy32: tests"
fi

echo "=== host releases: $((SECONDS - started)) s ==="
exit $status
