// The drop-down list: a combo box whose entries can only be picked, not typed.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "ui/UkxControl.h"

class TkxComboBox final : public TkxControl {
 public:
  TkxComboBox(TkxDialogSuper* AOwner, HWND Window);
  ~TkxComboBox() override;

  bool GetCreateInfo(std::u16string& ClassName, DWORD& Style, DWORD& ExStyle) override;
  // Whatever the list reports (a pick, a key, its closing), a selection other than the
  // one last seen fires OnChange: the list's own notifications differ by platform and
  // by the way the user picked.
  void OnCommand(std::uint16_t Code) override;

  void AddItem(const std::u16string& Text);
  // Removes every entry; none is selected then, without firing OnChange.
  void Clear();
  // The selected entry from 0, or -1 for none.
  int GetItemIndex();
  // Selects without firing OnChange.
  void SetItemIndex(int Index);

  std::function<void(int Index)> OnChange;

 private:
  int FSeen = -1;
};
