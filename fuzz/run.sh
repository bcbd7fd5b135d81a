#!/usr/bin/env bash
# Bounded fuzzing of the file readers (GIF, animated cursor, icon and bitmap, ini, RTF, .docx/.odt) in the
# sanitizer build that scripts/sanitize.sh makes: each target runs FUZZ_SECONDS (default 45), FUZZ_JOBS
# (default 2) at a time, from the seeds in fuzz/corpus. A crash, a leak or a time-out fails; the
# input that caused it is left in <build>/fuzz/runs/<kind>/ and belongs in fuzz/regressions/<kind>/,
# which the sanitizer test suite runs from then on.
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${SAN_BUILD_DIR:-build-san}"
seconds="${FUZZ_SECONDS:-45}"
jobs="${FUZZ_JOBS:-2}"
kinds=(gif ani ico ini rtf document)
cmake --build "$dir" -j"$(nproc)" --target "${kinds[@]/%/_fuzz}" >/dev/null
source scripts/sanitize.env
export QT_QPA_PLATFORM=offscreen
runs="$dir/fuzz/runs"

fuzz_one() {
  local kind=$1 work="$runs/$1"
  rm -rf "$work"
  mkdir -p "$work/corpus"
  # New inputs go to the work folder; the seeds in the repository are only read.
  "$dir/fuzz/${kind}_fuzz" "$work/corpus" "fuzz/corpus/$kind" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -artifact_prefix="$work/" -print_final_stats=1 >"$work/log" 2>&1
}

failed=()
pids=()
names=()
for kind in "${kinds[@]}"; do
  fuzz_one "$kind" &
  pids+=($!)
  names+=("$kind")
  if [ ${#pids[@]} -ge "$jobs" ]; then
    wait "${pids[0]}" || failed+=("${names[0]}")
    pids=("${pids[@]:1}")
    names=("${names[@]:1}")
  fi
done
for i in "${!pids[@]}"; do
  wait "${pids[$i]}" || failed+=("${names[$i]}")
done
for kind in "${kinds[@]}"; do
  echo "fuzz $kind: $(grep -E '^stat::number_of_executed_units' "$runs/$kind/log" | awk '{print $2}') runs"
done
if [ ${#failed[@]} -gt 0 ]; then
  for kind in "${failed[@]}"; do
    echo "fuzz $kind FAILED:"
    tail -n 60 "$runs/$kind/log"
    ls "$runs/$kind"/crash-* "$runs/$kind"/leak-* "$runs/$kind"/timeout-* "$runs/$kind"/oom-* 2>/dev/null || true
  done
  exit 1
fi
