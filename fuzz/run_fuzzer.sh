#!/usr/bin/env bash
# Runs one fuzz target for a bounded time on a fresh copy of its seed corpus, so that what the
# fuzzer finds never lands in the repository. A crash, a leak, a sanitizer report, a broken
# property or a hang fails the test; libFuzzer keeps the input under <work>/crashes, and its
# whole output is in <work>/fuzz.log.
#   run_fuzzer.sh <fuzzer> <seed corpus> <work dir> <seconds> <largest input in bytes>
set -euo pipefail
fuzzer=$1 seeds=$2 work=$3 seconds=$4 max_len=$5

rm -rf "$work"
mkdir -p "$work/corpus" "$work/crashes"
cp "$seeds"/* "$work/corpus/"
status=0
"$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len="$max_len" \
  -print_final_stats=1 -artifact_prefix="$work/crashes/" "$work/corpus" \
  >"$work/fuzz.log" 2>&1 || status=$?
if ((status != 0)); then
  cat "$work/fuzz.log"
  exit "$status"
fi
grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$work/fuzz.log"
