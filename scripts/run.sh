#!/usr/bin/env bash
# `make run`: starts Rowdeal.exe under Wine on the user's display. Without a display it
# says so and splits the example table with the command-line front end instead.
set -euo pipefail
cd "$(dirname "$0")/.."

exe=build/windows/app/Rowdeal.exe
if [ -n "${DISPLAY:-}" ]; then
  echo "run: starting $exe under Wine (settings in ${exe%.exe}.ini)"
  exec cmake/wine-run.sh "$exe"
fi

echo "run: no display (DISPLAY is not set), so the Rowdeal dialog cannot be shown here."
echo "run: splitting the example table with the command-line front end instead:"
work=build/linux/run-example
rm -rf "$work"
mkdir -p "$work"
cp examples/cycles.txt "$work/"
echo "+ rowdeal-split --header 1 --cycle 5 $work/cycles.txt"
build/linux/app/rowdeal-split --header 1 --cycle 5 "$work/cycles.txt"
for f in "$work"/cycles/*.txt; do
  echo "--- $f (UTF-16, shown here as UTF-8)"
  iconv -f UTF-16 -t UTF-8 "$f"
done
