// Edit controls: the edit's own state over the platform's EM_ messages.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "ui/UkxControl.h"

class TkxEditControl : public TkxControl {
 public:
  using TkxControl::TkxControl;

  // Virtual operations, continuing the slots of TkxControl.
  // Sets TabWidth to 8 without telling the window.
  void OnCreate() override;
  // Fires OnChange on EN_UPDATE alone.
  void OnCommand(std::uint16_t Code) override;
  // Rebuilds an owned window when the value changes, then re-applies the read-only
  // state, the tab stops and the modified flag.
  virtual void SetStyleFlag(bool Value);
  // The 0-based line of the caret, or of the selection's start.
  virtual int CurrentLine();
  virtual std::u16string GetSelText();
  virtual LRESULT Undo();
  virtual bool CanUndo();
  virtual void GetSel(int& Start, int& Length);
  virtual void SetSel(int Start, int Length);
  virtual int TextLength();

  // Also fires OnChange.
  void SetReadOnly(bool Value);
  void SetModified(bool Value);
  bool GetModified();
  // Tab stops every Width characters (Width x 5 dialog template units).
  void SetTabWidth(int Width);
  void DoChange();

  std::function<void(TkxEditControl* Sender)> OnChange;
  bool StyleFlag = false;
  bool ReadOnly = false;
  std::int32_t TabWidth = 0;
};

// A single-line edit that scrolls horizontally.
class TkxEdit final : public TkxEditControl {
 public:
  TkxEdit(TkxDialogSuper* AOwner, HWND Window);
  ~TkxEdit() override;

  bool GetCreateInfo(std::u16string& ClassName, DWORD& Style, DWORD& ExStyle) override;
};
