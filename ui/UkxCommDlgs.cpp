#include "ui/UkxCommDlgs.h"

#include "ui/UkxDefaultOwner.h"

#include <windows.h>

TMsgBoxStyle MsgBoxStyleFor(std::uint8_t Kind, const std::u16string& Caption) {
  TMsgBoxStyle style;
  if (Kind < 2) {
    style = {MB_ICONEXCLAMATION | MB_OK, u"警告!"};
  } else if (Kind == 3) {
    style = {MB_ICONQUESTION | MB_OKCANCEL, u"注意!"};
  } else if (Kind == 4) {
    style = {MB_ICONHAND | MB_OK, u"错误!"};
  } else {
    style = {MB_ICONASTERISK | MB_OK, u"提示!"};
  }
  if (!Caption.empty()) style.Caption = Caption;
  return style;
}

bool MsgBox(const std::u16string& Text, std::uint8_t Kind, const std::u16string& Caption) {
  const TMsgBoxStyle style = MsgBoxStyleFor(Kind, Caption);
  const int result = ::MessageBoxW(GetDefaultOwner(), reinterpret_cast<const wchar_t*>(Text.c_str()),
                                   reinterpret_cast<const wchar_t*>(style.Caption.c_str()), style.Flags);
  return result != IDOK;
}
