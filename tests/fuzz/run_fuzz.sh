#!/usr/bin/env bash
# One libFuzzer run of BINARY for SECONDS over the seed corpus SEEDS, keeping what it finds in
# WORK_DIR/corpus (emptied first with --fresh) and crash inputs in WORK_DIR/crashes; a dictionary
# BINARY_NAME.dict beside this script is used when there is one. Prints one line of figures
# (executions, coverage, corpus), and the report of any crash, leak or timeout.
# usage: run_fuzz.sh [--fresh] BINARY SEEDS WORK_DIR SECONDS [libFuzzer flags...]
set -euo pipefail
fresh=0
[ "${1:-}" = --fresh ] && { fresh=1; shift; }
bin=$1 seeds=$2 work=$3 seconds=$4
shift 4
name="$(basename "$bin")"
[ "$fresh" = 1 ] && rm -rf "$work"
mkdir -p "$work/corpus" "$work/crashes"
log="$work/fuzz.log"
dict="$(dirname "${BASH_SOURCE[0]}")/$name.dict"
[ -f "$dict" ] && set -- -dict="$dict" "$@"

status=0
"$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$work/crashes/" "$@" "$work/corpus" "$seeds" >"$log" 2>&1 || status=$?

executions="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")"
last="$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -n 1 || true)"
cov="$(grep -oE 'cov: [0-9]+' <<<"$last" | cut -d' ' -f2)"
features="$(grep -oE 'ft: [0-9]+' <<<"$last" | cut -d' ' -f2)"
corpus="$(grep -oE 'corp: [0-9]+/[0-9]+[A-Za-z]*' <<<"$last" | cut -d' ' -f2)"
echo "$name: ${executions:-?} executions in $seconds s, coverage ${cov:-?} edges (${features:-?} features)," \
  "corpus ${corpus:-?} (inputs/bytes)"

crashes="$(ls -A "$work/crashes")"
if [ "$status" -ne 0 ] || [ -n "$crashes" ]; then
  echo "$name: FAILED (status $status); the report:"
  # The sanitizer's or libFuzzer's report without the progress lines; stacks cut to ten frames.
  grep -vE '^#[0-9]+' "$log" | grep -vE '^ +#([1-9][0-9]+) ' | cut -c1-240 | tail -n 60
  [ -n "$crashes" ] && echo "$name: reproducers in $work/crashes: $crashes"
  exit 1
fi
