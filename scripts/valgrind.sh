#!/usr/bin/env bash
# Runs every native test program under valgrind's memcheck: invalid reads and writes,
# uses of uninitialised values and definite leaks fail the run.
#   scripts/valgrind.sh [BUILD]   (default build/linux)
set -uo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/linux}"
passed=0
failed=0
mkdir -p "$build/valgrind"
for program in $(find "$build/tests" -type f -name '*_tests' -perm -u+x | sort); do
  name=$(basename "$program")
  log="$build/valgrind/$name.log"
  if valgrind --quiet --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite \
       --log-file="$log" "$program" --gtest_brief=1 >"$build/valgrind/$name.out" 2>&1; then
    passed=$((passed + 1))
    echo "valgrind: $name: clean"
  else
    failed=$((failed + 1))
    echo "valgrind: $name: FAILED (see $log and $build/valgrind/$name.out)"
    head -30 "$log"
  fi
done
echo "valgrind: $passed passed, $failed failed"
[ $failed -eq 0 ]
