#!/usr/bin/env bash
# Runs every libFuzzer target for a while (MINUTES each, default 10), starting
# from its saved inputs, and reports executions, speed, coverage and findings.
# New inputs that widen coverage stay in build/fuzz-corpus; copy the useful
# ones to tests/fuzz/corpus/<target>/ so that ./test replays them.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh fuzz
minutes=${MINUTES:-10}
printf '%-20s %12s %10s %8s %8s %s\n' target executions exec/s cov ft findings
for fuzzer in build/fuzz/fuzz_*; do
  name=$(basename "$fuzzer")
  corpus=build/fuzz-corpus/$name
  artifacts=build/fuzz-artifacts/$name/
  mkdir -p "$corpus" "$artifacts"
  log=build/fuzz-artifacts/$name.log
  "$fuzzer" -max_total_time=$((minutes * 60)) -print_final_stats=1 -artifact_prefix="$artifacts" \
    "$corpus" "tests/fuzz/corpus/$name" > "$log" 2>&1 || true
  runs=$(grep -oE 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -oE '[0-9]+$' || echo 0)
  speed=$(grep -oE 'stat::average_exec_per_sec: *[0-9]+' "$log" | grep -oE '[0-9]+$' || echo 0)
  cov=$(grep -oE 'cov: [0-9]+' "$log" | tail -n 1 | grep -oE '[0-9]+' || echo 0)
  ft=$(grep -oE 'ft: [0-9]+' "$log" | tail -n 1 | grep -oE '[0-9]+' || echo 0)
  found=$(find "$artifacts" -type f | wc -l)
  printf '%-20s %12s %10s %8s %8s %s\n' "$name" "$runs" "$speed" "$cov" "$ft" "$found"
done
