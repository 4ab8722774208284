#!/usr/bin/env bash
# Fails unless a fuzz target's seeds reach clearly more of its code than a one-byte input does. A target
# whose every input fails before the code it is meant to test (a file it cannot open, an envelope it
# never gets past) covers from its seeds what it covers from nothing, and its test run passes having
# tested nothing. Prints both edge counts, as libFuzzer reports them after running the inputs once.
# Usage: seeds_reach.sh TARGET SEED[,SEED...]
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 TARGET SEED[,SEED...]" >&2
  exit 2
fi
target=$1
seeds=$2
# The seeds must cover at least this many tenths of what one byte covers.
min_tenths=13

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
printf 'x' >"$scratch/one_byte"

# The "INITED cov: N" figure of one pass over the inputs, or nothing when the run does not report it.
coverage() {
  local log="$scratch/$1.log"
  "$target" -runs=0 -artifact_prefix="$scratch/" -seed_inputs="$2" >"$log" 2>&1 || true
  sed -n 's/.*INITED cov: \([0-9][0-9]*\).*/\1/p' "$log" | head -n 1
}

seeds_cov=$(coverage seeds "$seeds")
one_byte_cov=$(coverage one_byte "$scratch/one_byte")
echo "edges covered: seeds ${seeds_cov:-unknown}, one byte ${one_byte_cov:-unknown}"

for run in seeds one_byte; do
  figure="${run}_cov"
  if [ -z "${!figure}" ]; then
    echo "no coverage figure from the ${run} run; its output ends:" >&2
    tail -n 20 "$scratch/$run.log" >&2
    exit 1
  fi
done

if [ $((seeds_cov * 10)) -lt $((one_byte_cov * min_tenths)) ]; then
  echo "the seeds reach less than ${min_tenths}/10 of what one byte reaches: they stop before the code under test" >&2
  exit 1
fi
