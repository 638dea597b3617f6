#!/usr/bin/env bash
# Runs each fuzz target in turn for SECONDS seconds on its corpus, which starts from the
# seeds of make-corpus.sh and grows inside the build folder. A finding (crash, sanitizer
# report, failed check, leak, time-out) is kept under BUILD/artifacts and fails the run.
# With FUZZ_RUNS set, each target runs that many inputs from a fixed seed instead (the
# seconds then only bound it): the same inputs on every machine, however fast.
#   fuzz/run.sh SECONDS [BUILD] [TARGET...]
set -uo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-900}"
build="${2:-build/fuzz}"
shift $(( $# < 2 ? $# : 2 ))
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_recognition fuzz_lines fuzz_texttoint fuzz_paths fuzz_split fuzz_merge)

fuzz/make-corpus.sh "$build/corpus"
mkdir -p "$build/artifacts" "$build/logs"
passed=0
failed=0
fixed=()
[ -n "${FUZZ_RUNS:-}" ] && fixed=(-runs="$FUZZ_RUNS" -seed=1)
for t in "${targets[@]}"; do
  log="$build/logs/$t.log"
  "$build/fuzz/$t" "$build/corpus/$t" -max_total_time="$seconds" "${fixed[@]}" -timeout=30 -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$t-" >"$log" 2>&1
  status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  if [ $status -eq 0 ]; then
    passed=$((passed + 1))
    echo "fuzz: $t: ${runs:-0} runs (${seconds} s at most), $(ls "$build/corpus/$t" | wc -l) inputs in its corpus, no finding"
  else
    failed=$((failed + 1))
    echo "fuzz: $t: FINDING (exit $status), see $log"
    grep -E 'ERROR|check failed|SUMMARY|Test unit written' "$log" | head -5
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ $failed -eq 0 ]
