#!/usr/bin/env bash
# Builds and runs the whole test suite twice: plainly and under
# AddressSanitizer + UndefinedBehaviorSanitizer; then the builds for every
# host release (scripts/test-releases.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

# ccache (scripts/setup.sh) lets the release builds reuse these compiles.
if command -v ccache >/dev/null; then
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
  export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
fi

status=0
for preset in default sanitize; do
  echo "=== $preset build ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset" || status=1
done
scripts/test-releases.sh || status=1
# Then every fuzz target for a bounded time (scripts/fuzz.sh).
scripts/fuzz.sh || status=1
exit $status
