#!/usr/bin/env bash
# Takes a screenshot of the Rowdeal dialog as a Chinese Windows shows it: Rowdeal.exe
# under Wine in a prefix made under zh_CN.UTF-8 (with a CJK font installed), on a
# private Xvfb display. Writes the dialog, cropped, to the PNG given (default
# docs/rowdeal-dialog.png).
#   scripts/screenshot.sh [out.png]      ROWDEAL_BUILD=build/windows by default
set -euo pipefail
cd "$(dirname "$0")/.."

out="${1:-docs/rowdeal-dialog.png}"
build="${ROWDEAL_BUILD:-build/windows}"
exe="$build/app/Rowdeal.exe"
[ -f "$exe" ] || { echo "screenshot: $exe is missing; build the windows preset first" >&2; exit 1; }
fc-list | grep -i "wqy" >/dev/null || { echo "screenshot: no CJK font (fonts-wqy-microhei)" >&2; exit 1; }

export LC_ALL=zh_CN.UTF-8
export WINEPREFIX="$PWD/$build/wineprefix-screenshot"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

display=90
while [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
work=$(mktemp -d)
app=""
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export DISPLAY=":$display"

# Without a window manager Wine draws the caption bar itself only when told to.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
wineserver -w

cp "$exe" "$work/Rowdeal.exe"
(cd "$work" && exec wine Rowdeal.exe) &
app=$!

window=""
for _ in $(seq 1 150); do
  window=$(xdotool search --name "^Rowdeal 1.2$" 2>/dev/null | head -1 || true)
  [ -n "$window" ] && break
  sleep 0.2
done
[ -n "$window" ] || { echo "screenshot: the dialog did not appear" >&2; exit 1; }
sleep 1.5

eval "$(xdotool getwindowgeometry --shell "$window")"
mkdir -p "$(dirname "$out")"
import -display ":$display" -window root "$work/screen.png"
convert "$work/screen.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out"
echo "screenshot: $out (${WIDTH}x${HEIGHT})"
