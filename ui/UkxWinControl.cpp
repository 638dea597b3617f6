#include "ui/UkxWinControl.h"

#include "ui/UkxTypesWin.h"

// The registry exists from the program's start, before any window.
static TMHCenter& registryAtStart = TMHCenter::Instance();

TMHCenter& TMHCenter::Instance() {
  static TMHCenter instance;
  return instance;
}

void TMHCenter::Register(HWND Window, TMessagehandler Handler) { Handlers.try_emplace(Window, Handler); }

TMessagehandler TMHCenter::Find(HWND Window) const {
  const auto found = Handlers.find(Window);
  return found == Handlers.end() ? TMessagehandler{} : found->second;
}

void TMHCenter::Unregister(HWND Window) { Handlers.erase(Window); }

std::u16string TkxWinControl::GetText() {
  const int n = GetTextLength();
  std::u16string text(static_cast<std::size_t>(n), u'\0');
  const int got = GetWindowTextW(Handle, reinterpret_cast<LPWSTR>(text.data()), n + 1);
  // The text may have shrunk since its length was read.
  text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return text;
}

void TkxWinControl::SetText(const std::u16string& Text) {
  SetWindowTextW(Handle, reinterpret_cast<LPCWSTR>(Text.c_str()));
}

void TkxWinControl::SetFont(const TFont& AFont) {
  Font = AFont;
  if (FontHandle != nullptr) DeleteObject(FontHandle);
  FontHandle = CreateFontHandle(Font);
  SendMsg(WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle), 1);
  HDC dc = GetDC(Handle);
  SetTextColor(dc, Font.Color);
  ReleaseDC(Handle, dc);
}

void TkxWinControl::SetBackColor(std::int32_t Color) {
  BackColor = Color;
  if (BackBrush != nullptr) DeleteObject(BackBrush);
  BackBrush = Color == -1 ? nullptr : CreateSolidBrush(static_cast<COLORREF>(Color));
  if (CustomCreated) {
    SetClassLongPtrW(Handle, GCLP_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(BackBrush));
  }
  Redraw();
}

int TkxWinControl::GetTextLength() { return GetWindowTextLengthW(Handle); }

void TkxWinControl::SetBounds(std::int32_t X, std::int32_t Y, std::int32_t Width,
                              std::int32_t Height) {
  TBounds b = GetBounds();
  if (X >= 0) b.Left = X;
  if (Y >= 0) b.Top = Y;
  if (Width >= 0) b.Width = Width;
  if (Height >= 0) b.Height = Height;
  MoveTo(b);
}

bool TkxWinControl::MoveTo(const TBounds& Bounds) {
  return MoveWindow(Handle, Bounds.Left, Bounds.Top, Bounds.Width, Bounds.Height, TRUE) != 0;
}

void TkxWinControl::SetIcon(LPCWSTR IconName) {
  HICON icon = LoadIconW(GetModuleHandleW(nullptr), IconName);
  SendMsg(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMsg(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

LRESULT TkxWinControl::SendMsg(UINT AMessage, WPARAM WParam, LPARAM LParam) {
  return SendMessageW(Handle, AMessage, WParam, LParam);
}

LONG_PTR TkxWinControl::ModifyStyle(DWORD Bits, bool On) {
  LONG_PTR style = GetLong(GWL_STYLE);
  if (On) {
    style |= static_cast<LONG_PTR>(Bits);
  } else {
    style &= ~static_cast<LONG_PTR>(Bits);
  }
  return SetLong(GWL_STYLE, style);
}

LONG_PTR TkxWinControl::SetLong(int Index, LONG_PTR Value) {
  return SetWindowLongPtrW(Handle, Index, Value);
}

LONG_PTR TkxWinControl::GetLong(int Index) { return GetWindowLongPtrW(Handle, Index); }

bool TkxWinControl::Redraw() {
  InvalidateRect(Handle, nullptr, TRUE);
  return UpdateWindow(Handle) != 0;
}

void TkxWinControl::ResetColors() {
  BackColor = -1;
  BackBrush = nullptr;
}

void TkxWinControl::FreeGdiObjects() {
  if (FontHandle != nullptr) DeleteObject(FontHandle);
  if (BackBrush != nullptr) DeleteObject(BackBrush);
  FontHandle = nullptr;
  BackBrush = nullptr;
}

COLORREF TkxWinControl::GetEffectiveBackColor() {
  if (BackColor >= 0) return static_cast<COLORREF>(BackColor);
  HDC dc = GetDC(Handle);
  const COLORREF color = GetBkColor(dc);
  ReleaseDC(Handle, dc);
  return color;
}
