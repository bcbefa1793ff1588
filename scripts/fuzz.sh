#!/usr/bin/env bash
# Runs every fuzz target (or the ones named) for FUZZ_SECONDS each, at low priority, one
# after the other. New inputs go to BUILD/corpus/<target>, which persists between runs; the
# seeds in fuzz/corpus/<target> are read, never written. Findings land in
# BUILD/findings/<target>/; copy a minimised one to fuzz/regressions/<target>/ once fixed.
# Prints one line per target: executions, coverage, features, corpus size, findings.
set -uo pipefail
build=$1
shift
seconds=${FUZZ_SECONDS:-60}
here=$(cd "$(dirname "$0")/.." && pwd)
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for bin in "$build"/bin/fuzz_*; do targets+=("$(basename "$bin" | sed 's/^fuzz_//')"); done
fi
status=0
for t in "${targets[@]}"; do
  bin=$build/bin/fuzz_$t
  [ -x "$bin" ] || { echo "fuzz: no target $t in $build/bin" >&2; status=2; continue; }
  corpus=$build/corpus/$t
  findings=$build/findings/$t
  mkdir -p "$corpus" "$findings"
  seeds=$here/fuzz/corpus/$t
  # A run from no seeds starts blind and may never reach the reader's deeper states.
  if [ -z "$(ls -A "$seeds" 2>/dev/null)" ]; then
    echo "fuzz: $t has no seeds in $seeds" >&2
    status=2
    continue
  fi
  opts=()
  [ -f "$here/fuzz/dict/$t.dict" ] && opts+=(-dict="$here/fuzz/dict/$t.dict")
  # The targets that run the host touch tens of thousands of features per input; the
  # entropic schedule's bookkeeping of them costs more than the input itself.
  case $t in
    tagged_text | template | document_file | idml | pdf) opts+=(-entropic=0) ;;
  esac
  log=$build/fuzz_$t.log
  # The process-lifetime caches of fontconfig and GLib are not leaks: the tests' list.
  QT_QPA_PLATFORM=offscreen LSAN_OPTIONS=suppressions=$here/tests/lsan.supp \
    nice -n 19 "$bin" "$corpus" "$seeds" "${opts[@]}" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
    -print_final_stats=1 -artifact_prefix="$findings/" >"$log" 2>&1
  rc=$?
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1)
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1)
  found=$(find "$findings" -type f | wc -l)
  if [ "${execs:-0}" -eq 0 ]; then
    echo "fuzz: $t ran no input; the end of $log:" >&2
    tail -5 "$log" >&2
    rc=1
  fi
  echo "fuzz: $t: ${execs:-?} executions, ${cov:-cov: ?}, ${ft:-ft: ?}, corpus $(ls "$corpus" | wc -l), findings $found (exit $rc, log $log)"
  [ $rc -eq 0 ] || status=1
done
exit $status
