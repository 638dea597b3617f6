#include "ui/UkxEdit.h"

void TkxEditControl::OnCreate() { TabWidth = 8; }

void TkxEditControl::OnCommand(std::uint16_t Code) {
  if (Code == EN_UPDATE) DoChange();
}

void TkxEditControl::SetStyleFlag(bool Value) {
  if (Value == StyleFlag) return;
  const bool modified = GetModified();
  // A rebuild runs OnCreate, which puts TabWidth back to 8; the width the user set
  // survives the rebuild.
  const std::int32_t tabWidth = TabWidth;
  StyleFlag = Value;
  RecreateHandle();
  SetReadOnly(ReadOnly);
  SetTabWidth(tabWidth);
  SetModified(modified);
}

int TkxEditControl::CurrentLine() {
  return static_cast<int>(SendMsg(EM_LINEFROMCHAR, static_cast<WPARAM>(-1), 0));
}

std::u16string TkxEditControl::GetSelText() {
  int start = 0;
  int length = 0;
  GetSel(start, length);
  const std::u16string text = GetText();
  if (start < 0 || length <= 0 || static_cast<std::size_t>(start) >= text.size()) return u"";
  return text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(length));
}

LRESULT TkxEditControl::Undo() { return SendMsg(EM_UNDO, 0, 0); }

bool TkxEditControl::CanUndo() { return SendMsg(EM_CANUNDO, 0, 0) != 0; }

void TkxEditControl::GetSel(int& Start, int& Length) {
  DWORD start = 0;
  DWORD end = 0;
  SendMsg(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  Start = static_cast<int>(start);
  Length = static_cast<int>(end) - static_cast<int>(start);
}

void TkxEditControl::SetSel(int Start, int Length) {
  SendMsg(EM_SETSEL, static_cast<WPARAM>(Start), static_cast<LPARAM>(Start + Length));
}

int TkxEditControl::TextLength() { return static_cast<int>(GetText().size()); }

void TkxEditControl::SetReadOnly(bool Value) {
  SendMsg(EM_SETREADONLY, Value ? 1 : 0, 0);
  ReadOnly = Value;
  DoChange();
}

void TkxEditControl::SetModified(bool Value) { SendMsg(EM_SETMODIFY, Value ? 1 : 0, 0); }

bool TkxEditControl::GetModified() { return SendMsg(EM_GETMODIFY, 0, 0) != 0; }

void TkxEditControl::SetTabWidth(int Width) {
  INT stops[1] = {Width * 5};
  SendMsg(EM_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(stops));
  TabWidth = Width;
}

void TkxEditControl::DoChange() {
  if (OnChange) OnChange(this);
}

TkxEdit::TkxEdit(TkxDialogSuper* AOwner, HWND Window) : TkxEditControl(AOwner, Window) { OnCreate(); }

TkxEdit::~TkxEdit() { Dispose(); }

bool TkxEdit::GetCreateInfo(std::u16string& ClassName, DWORD& Style, DWORD& ExStyle) {
  ClassName = u"edit";
  Style = ES_AUTOHSCROLL;
  ExStyle = WS_EX_CLIENTEDGE;
  return true;
}
