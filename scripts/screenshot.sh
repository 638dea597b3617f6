#!/usr/bin/env bash
# Takes a screenshot of the Rowdeal dialog as a Chinese Windows shows it: Rowdeal.exe
# under Wine with the Chinese locale and font (scripts/wine-display.sh), on a private
# Xvfb display. Writes the dialog, cropped, to the PNG given.
#   scripts/screenshot.sh [out.png]            the dialog at rest (docs/rowdeal-dialog.png)
#   scripts/screenshot.sh --running [out.png]  during a split of a 3 GiB table
#                                              (docs/rowdeal-running.png)
#   scripts/screenshot.sh --merge [out.png]    the way that merges, given a folder of
#                                              pieces (docs/rowdeal-merge.png)
#   scripts/screenshot.sh --by-value [out.png] the way by a column's values, given a
#                                              table (docs/rowdeal-by-value.png)
#   --dpi N (before the file name)             at N dots per inch (96 by default; 120
#                                              and 144 are 125% and 150% scaling)
# ROWDEAL_BUILD=build/windows by default.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/wine-display.sh

running=""
merge=""
byvalue=""
dpi=96
while [ $# -gt 0 ]; do
  case "$1" in
    --running) running=1; shift ;;
    --merge) merge=1; shift ;;
    --by-value) byvalue=1; shift ;;
    --dpi) dpi="$2"; shift 2 ;;
    *) break ;;
  esac
done
kind=dialog
[ -n "$running" ] && kind=running
[ -n "$merge" ] && kind=merge
[ -n "$byvalue" ] && kind=by-value
out="${1:-docs/rowdeal-$kind.png}"
build="${ROWDEAL_BUILD:-build/windows}"
exe="$build/app/Rowdeal.exe"
[ -f "$exe" ] || { echo "screenshot: $exe is missing; build the windows preset first" >&2; exit 1; }
rowdeal_wine_display "$build"

display=90
while [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
work=$(mktemp -d)
app=""
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null || true
  rm -f "$WINEPREFIX/dosdevices/r:"
  wineserver -k 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export DISPLAY=":$display"

# No window manager here: Wine draws the caption bar itself only when told to.
rowdeal_wine_decorated N
rowdeal_wine_dpi "$dpi"

cp "$exe" "$work/Rowdeal.exe"
args=()
if [ -n "$running" ]; then
  # A table that takes the split some seconds, passed on the command line from a drive
  # of its own (R:); N = 200.
  printf '[Memory]\r\nHeaderLine=1\r\nCycleLine=200\r\n' >"$work/Rowdeal.ini"
  mkdir "$work/测量"
  { yes '2026-12-07 00:00:00;sensor-17;21.5;0.003;ok;measurement cycle step' || true; } | head -c 3G |
    sed 's/$/\r/' >"$work/测量/温度记录.txt"
  ln -sfn "$work" "$WINEPREFIX/dosdevices/r:"
  args=('R:\测量\温度记录.txt')
elif [ -n "$merge" ]; then
  # Three pieces of one base in a folder of that name, merged in turn.
  printf '[Memory]\r\nHeaderLine=1\r\nSplitMode=5\r\nMergeOrder=1\r\n' >"$work/Rowdeal.ini"
  mkdir -p "$work/测量/温度记录"
  for i in 1 2 3; do printf 'time;value\r\n2026-12-07 00:0%s:00;21.5\r\n' "$i" >"$work/测量/温度记录/温度记录-$i.txt"; done
  ln -sfn "$work" "$WINEPREFIX/dosdevices/r:"
  args=('R:\测量\温度记录')
elif [ -n "$byvalue" ]; then
  # A table whose header names the column remembered, split by its values; the settings
  # file in the Chinese ANSI code page, as Windows reads one without a mark.
  printf '[Memory]\r\nHeaderLine=1\r\nSplitMode=4\r\nByColumn=省份\r\n' | iconv -f UTF-8 -t GBK >"$work/Rowdeal.ini"
  mkdir "$work/表格"
  printf '日期,省份,金额\r\n2026-12-07,广东,120\r\n2026-12-07,北京,80\r\n' >"$work/表格/sales.csv"
  ln -sfn "$work" "$WINEPREFIX/dosdevices/r:"
  args=('R:\表格\sales.csv')
fi
(cd "$work" && exec wine Rowdeal.exe "${args[@]}") &
app=$!

window=""
for _ in $(seq 1 150); do
  window=$(xdotool search --name "^Rowdeal 1.2$" 2>/dev/null | head -1 || true)
  [ -n "$window" ] && break
  sleep 0.2
done
[ -n "$window" ] || { echo "screenshot: the dialog did not appear" >&2; exit 1; }
sleep 1.5
if [ -n "$running" ]; then
  # Enter in the path field runs the split; the picture is taken once the run has gone on
  # long enough (a second and a half) for its line to tell the rate and the time still
  # needed, and a fifth of the way or more.
  xdotool windowfocus --sync "$window"
  xdotool key Return
  for i in $(seq 1 300); do
    percent=$(xdotool getwindowname "$window" | sed -n 's/.* - \([0-9]*\)%$/\1/p')
    [ "${percent:-0}" -ge 20 ] && [ "$i" -ge 15 ] && break
    sleep 0.1
  done
fi

eval "$(xdotool getwindowgeometry --shell "$window")"
mkdir -p "$(dirname "$out")"
import -display ":$display" -window root "$work/screen.png"
convert "$work/screen.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out"
echo "screenshot: $out (${WIDTH}x${HEIGHT}, caption \"$(xdotool getwindowname "$window")\")"
