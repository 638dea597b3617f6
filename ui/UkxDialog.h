// Modal dialogs built by the platform from a template in the program's resources.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "ui/UkxWinControl.h"

// Messages a dialog sends to its owner window when it opens and when it closes.
inline constexpr UINT WM_KX_DIALOGOPENED = WM_USER + 300;  // 1324
inline constexpr UINT WM_KX_DIALOGCLOSED = WM_USER + 301;  // 1325

// C++ runs a base constructor before the derived part exists, so the virtual
// OnCreate cannot be reached from here: Execute runs it when no template has been
// chosen yet (a derived constructor may also call it itself).
class TkxDialogSuper : public TkxWinControl {
 public:
  explicit TkxDialogSuper(TkxWinControl* Owner);
  ~TkxDialogSuper() override;

  // Virtual operations, continuing the slots of TkxWinControl.
  TBounds GetBounds() override;
  virtual LRESULT MessageProc(UINT AMessage, WPARAM WParam, LPARAM LParam);
  // Must choose the template with SetTemplate.
  virtual void OnCreate() = 0;
  // Centres the dialog on its owner window, when it has one.
  virtual void OnInitialize();
  virtual void OnClose() {}
  // A command from a control without a wrapper, or from a menu or accelerator.
  virtual void OnCommand(std::uint16_t Identifier) { (void)Identifier; }
  // Positions as signed 16-bit values: left of or above the primary screen is negative.
  virtual void OnMove(int X, int Y) {
    (void)X;
    (void)Y;
  }
  // A notification from a control without a wrapper; the result is the message result.
  virtual LRESULT OnNotify(WPARAM WParam, int Code, NMHDR* Header) {
    (void)WParam;
    (void)Code;
    (void)Header;
    return 0;
  }

  void SetTemplate(UINT TemplateIdentifier, LPCWSTR Icon);
  // True when the dialog ended with a result other than 0; false also when the
  // platform could not create it.
  bool Execute();
  void Close(bool Result);
  HWND GetItem(int Identifier);
  void SetItemText(int Identifier, const std::u16string& Text);
  // At most the first 4999 characters of the item's text.
  std::u16string GetItemText(int Identifier);
  // Binds the object to its new window, on WM_INITDIALOG.
  void Attach(HWND Window);

  HMODULE CommCtlModule = nullptr;  // the process's common-controls library
  HWND OwnerHandle = nullptr;
  UINT TemplateId = 0;
  LPCWSTR IconName = nullptr;

 protected:
  void HandleCommand(WPARAM WParam, LPARAM LParam);
  void HandleNotify(WPARAM WParam, NMHDR* Header);
  LRESULT HandleCtlColor(HDC DC, HWND Control);
};

// Closes on the window's close command and on the cancel command.
class TkxDialog : public TkxDialogSuper {
 public:
  using TkxDialogSuper::TkxDialogSuper;
  LRESULT MessageProc(UINT AMessage, WPARAM WParam, LPARAM LParam) override;
};

// The one dialog procedure of every framework dialog.
INT_PTR CALLBACK KxDialogProc(HWND Window, UINT AMessage, WPARAM WParam, LPARAM LParam);
