#!/usr/bin/env bash
# Builds and runs the whole test suite twice: plainly and under
# AddressSanitizer + UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

status=0
for preset in default sanitize; do
  echo "=== $preset build ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset" || status=1
done
# Then every fuzz target for a bounded time (scripts/fuzz.sh).
scripts/fuzz.sh || status=1
exit $status
