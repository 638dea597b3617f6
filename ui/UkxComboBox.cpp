#include "ui/UkxComboBox.h"

TkxComboBox::TkxComboBox(TkxDialogSuper* AOwner, HWND Window) : TkxControl(AOwner, Window) {
  OnCreate();
  FSeen = GetItemIndex();
}

TkxComboBox::~TkxComboBox() { Dispose(); }

bool TkxComboBox::GetCreateInfo(std::u16string& ClassName, DWORD& Style, DWORD& ExStyle) {
  ClassName = u"combobox";
  Style = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
  ExStyle = 0;
  return true;
}

void TkxComboBox::OnCommand(std::uint16_t Code) {
  (void)Code;
  const int index = GetItemIndex();
  if (index == FSeen) return;
  FSeen = index;
  if (OnChange) OnChange(index);
}

void TkxComboBox::AddItem(const std::u16string& Text) {
  SendMsg(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Text.c_str()));
}

void TkxComboBox::Clear() {
  SendMsg(CB_RESETCONTENT, 0, 0);
  FSeen = -1;
}

int TkxComboBox::GetItemIndex() { return static_cast<int>(SendMsg(CB_GETCURSEL, 0, 0)); }

void TkxComboBox::SetItemIndex(int Index) {
  SendMsg(CB_SETCURSEL, static_cast<WPARAM>(Index), 0);
  FSeen = GetItemIndex();
}
