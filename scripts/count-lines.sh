#!/usr/bin/env bash
# Lines of code in tests/ against the product (engine/ app/ platform/ support/ ui/ res/), and
# their ratio: non-blank lines of .cpp, .h and .rc files that are not only a comment.
# fuzz/ is counted apart.
set -euo pipefail
cd "$(dirname "$0")/.."

count() {
  find "$@" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.rc' \) -print0 2>/dev/null |
    xargs -0 -r cat |
    awk '
      { line = $0 }
      inBlock { if (sub(/.*\*\//, "", line)) inBlock = 0; else next }
      {
        while (match(line, /\/\*/)) {
          rest = substr(line, RSTART + 2)
          if (match(rest, /\*\//)) { line = substr(line, 1, RSTART - 1) substr(rest, RSTART + 2) }
          else { line = substr(line, 1, RSTART - 1); inBlock = 1 }
        }
        sub(/^[ \t]*\/\/.*/, "", line)
        if (line ~ /[^ \t\r]/) n++
      }
      END { print n + 0 }'
}

tests=$(count tests)
product=$(count engine app platform support ui res)
fuzz=$(count fuzz)
echo "tests:   $tests"
echo "product: $product (engine app platform support ui res)"
echo "fuzz:    $fuzz (apart)"
awk -v t="$tests" -v p="$product" 'BEGIN { printf "ratio:   %.0f%% (tests / product)\n", 100 * t / p }'
