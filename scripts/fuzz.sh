#!/usr/bin/env bash
# Builds the fuzz targets (preset "fuzz": clang, libFuzzer, AddressSanitizer +
# UndefinedBehaviorSanitizer) and runs each for a bounded time on its corpus.
#   scripts/fuzz.sh [seconds per target] [target ...]
# A finding fails the run; its input is printed (base64 and hexdump) and kept
# in build/fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

seconds=${1:-30}
shift $(($# > 0 ? 1 : 0))
jobs=${KVTX_FUZZ_JOBS:-3}
source_dir=$root/tests/fuzz
work_dir=$root/build/fuzz/fuzz-work
findings=$root/build/fuzz/findings

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for source in "$source_dir"/fuzz_*.cpp; do
    name=$(basename "$source" .cpp)
    targets+=("${name#fuzz_}")
  done
fi

echo "=== fuzz build ==="
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target kvtx_fuzz_targets
mkdir -p "$work_dir" "$findings"

# One target: the scratch corpus first (libFuzzer adds its finds there), the
# repository's seeds second (read only). Exit status 0 when nothing was found.
run_target() {
  local target=$1
  local log="$work_dir/$target.log"
  local options=(-max_total_time="$seconds" -timeout=25 -rss_limit_mb=4096 -close_fd_mask=3
                 -print_final_stats=1 -artifact_prefix="$findings/$target-")
  [ -f "$source_dir/$target.dict" ] && options+=(-dict="$source_dir/$target.dict")
  mkdir -p "$work_dir/corpus/$target"
  "$root"/build/fuzz/tests/fuzz/fuzz_"$target" "${options[@]}" "$work_dir/corpus/$target" \
    "$source_dir/corpus/$target" >"$log" 2>&1
}

report_target() {
  local target=$1 status=$2
  local log="$work_dir/$target.log"
  local stats
  stats=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n 1 || true)
  if [ "$status" -eq 0 ]; then
    echo "fuzz $target: passed ${stats:+($stats)}"
    return 0
  fi
  echo "fuzz $target: FAILED (status $status)"
  tail -n 60 "$log"
  for artifact in "$findings/$target-"*; do
    [ -f "$artifact" ] || continue
    echo "--- finding $artifact ($(stat -c %s "$artifact") bytes), base64:"
    base64 -w 76 "$artifact" | head -c 20000
    echo "--- hexdump:"
    od -A x -t x1z -v "$artifact" | head -n 64
  done
  return 1
}

echo "=== fuzz: ${#targets[@]} targets, ${seconds} s each, $jobs at a time ==="
rm -f "$findings"/*
declare -A pids
failed=0
passed=0
for target in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
  run_target "$target" &
  pids[$target]=$!
done
for target in "${targets[@]}"; do
  status=0
  wait "${pids[$target]}" || status=$?
  if report_target "$target" "$status"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
