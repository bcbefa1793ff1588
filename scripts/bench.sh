#!/usr/bin/env bash
# Runs every benchmark program of the Release build.
set -euo pipefail
dir="$1"
for b in "$dir"/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" --benchmark_counters_tabular=true
done
