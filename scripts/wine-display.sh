# Sourced by run.sh and screenshot.sh: the Wine set-up in which Rowdeal looks as it does
# on a Chinese Windows. The prefix must be made under zh_CN.UTF-8 and the WenQuanYi font
# be installed, or Wine draws every Chinese label as empty boxes. The prefix is made once
# per build folder and kept; the tests use prefixes of their own.
#   rowdeal_wine_display BUILD_DIR
rowdeal_wine_display() {
  local build="$1"
  locale -a 2>/dev/null | grep -i '^zh_CN\.utf8$' >/dev/null ||
    { echo "wine: the zh_CN.UTF-8 locale is missing (scripts/setup.sh makes it)" >&2; return 1; }
  fc-list | grep -i wqy >/dev/null ||
    { echo "wine: no CJK font (fonts-wqy-microhei; scripts/setup.sh installs it)" >&2; return 1; }
  export LC_ALL=zh_CN.UTF-8
  export WINEPREFIX="$PWD/$build/wineprefix-display"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine: making the Wine prefix $WINEPREFIX (once)"
    wineboot -i >/dev/null 2>&1
    wineserver -w
  fi
}

# Asks Wine to draw the caption bar itself (Decorated=N), for a display without a window
# manager, or leaves it to the window manager (the default). Read from the prefix's file
# first: each start of the registry tool costs a second.
rowdeal_wine_decorated() {
  local want="$1" has=Y
  grep -q '^"Decorated"="N"' "$WINEPREFIX/user.reg" 2>/dev/null && has=N
  [ "$want" = "$has" ] && return 0
  if [ "$want" = N ]; then
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
  else
    wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Decorated /f >/dev/null 2>&1
  fi
  wineserver -w
}

# Sets the prefix's screen resolution (LogPixels: 96, 120 or 144 for 100%, 125% and
# 150% scaling), which Wine reads when a program starts; read from the prefix's file
# first, where a missing value is 96.
rowdeal_wine_dpi() {
  local has
  has=$(awk '/^\[/ { desktop = index($0, "[Control Panel\\\\Desktop]") == 1 }
             desktop && /^"LogPixels"=dword:/ { sub(/.*:/, ""); print }' "$WINEPREFIX/user.reg" 2>/dev/null)
  [ "$((16#${has:-60}))" = "$1" ] && return 0
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  wineserver -w
}
