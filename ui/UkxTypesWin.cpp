#include "ui/UkxTypesWin.h"

#include <algorithm>

#include "support/UkxStrUtils.h"

HFONT CreateFontHandle(const TFont& Font) {
  if (TextEquals(Font.Name, u"default", false)) {
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  }
  LOGFONTW logFont;
  FontToLogFont(Font, logFont);
  return CreateFontIndirectW(&logFont);
}

void FontToLogFont(const TFont& Font, LOGFONTW& LogFont) {
  // Zero first: the fields not set below (orientation, precisions, quality, pitch and
  // family) then all mean "the platform's default".
  LogFont = LOGFONTW{};
  LogFont.lfHeight = (-Font.Size * 4) / 3;
  LogFont.lfWeight = Font.Bold != 0 ? FW_BOLD : FW_NORMAL;
  LogFont.lfItalic = Font.Italic != 0 ? 1 : 0;
  LogFont.lfUnderline = Font.Underline != 0 ? 1 : 0;
  LogFont.lfStrikeOut = Font.StrikeOut != 0 ? 1 : 0;
  LogFont.lfCharSet = DEFAULT_CHARSET;
  // The field holds LF_FACESIZE characters with the terminator: a longer name is cut.
  const std::size_t n = std::min<std::size_t>(Font.Name.size(), LF_FACESIZE - 1);
  std::copy_n(Font.Name.data(), n, LogFont.lfFaceName);
  LogFont.lfFaceName[n] = 0;
}

TBounds RectToBounds(const RECT& Rect) {
  return TBounds{Rect.left, Rect.top, Rect.right - Rect.left, Rect.bottom - Rect.top};
}

bool IsOnAnyMonitor(const TBounds& Bounds) {
  const RECT r{Bounds.Left, Bounds.Top, Bounds.Left + Bounds.Width, Bounds.Top + Bounds.Height};
  return MonitorFromRect(&r, MONITOR_DEFAULTTONULL) != nullptr;
}
