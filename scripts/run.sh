#!/usr/bin/env bash
# `make run`: builds Rowdeal.exe alone and starts it under Wine on the user's display,
# with the Chinese locale and font, at ROWDEAL_DPI dots per inch (96; 120 and 144 show
# it as at 125% and 150% scaling). Without a display it says so, builds only the
# command-line front end and splits the example table with it instead.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/wine-display.sh
jobs="${JOBS:-2}"

if [ -n "${DISPLAY:-}" ]; then
  cmake --preset windows >/dev/null
  cmake --build --preset windows -j"$jobs" --target Rowdeal
  exe=build/windows/app/Rowdeal.exe
  rowdeal_wine_display build/windows
  rowdeal_wine_dpi "${ROWDEAL_DPI:-96}"
  # Without a window manager (as under xvfb-run) no one draws the caption bar, and the
  # percentage it shows during a run: Wine is asked to draw it itself.
  if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
    rowdeal_wine_decorated Y
  else
    rowdeal_wine_decorated N
  fi
  echo "run: starting $exe under Wine (settings in ${exe%.exe}.ini)"
  exec wine "$exe" "$@"
fi

echo "run: no display (DISPLAY is not set), so the Rowdeal dialog cannot be shown here."
echo "run: splitting the example table with the command-line front end instead:"
cmake --preset linux >/dev/null
cmake --build --preset linux -j"$jobs" --target rowdeal-split
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
