// Common dialogs: message boxes and the open and save file dialogs of fixed buffers; the
// item dialogs are in ui/UkxItemDialogs.h.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "support/UkxObject.h"
#include "ui/UkxWinControl.h"

// What a message box kind shows: MessageBoxW type flags (icon and buttons) and caption.
struct TMsgBoxStyle {
  std::uint32_t Flags = 0;
  std::u16string Caption;
};

// Kinds 0 and 1 warn, 3 asks with OK and Cancel, 4 reports an error, every other
// kind informs. An empty Caption takes the kind's own; any other is kept.
TMsgBoxStyle MsgBoxStyleFor(std::uint8_t Kind, const std::u16string& Caption);

// Shows Text in a modal box owned by the default owner. True when the box ended
// with anything but OK (Cancel, or the box could not be shown).
bool MsgBox(const std::u16string& Text, std::uint8_t Kind, const std::u16string& Caption);

// The base of the wrappers of the platform's common dialogs.
class TkxCommDlgSuper : public TkxObject {
 public:
  // Owned by Owner's window, or by the active window when no owner is given.
  explicit TkxCommDlgSuper(TkxWinControl* Owner = nullptr);

  // Puts every field to its starting value.
  virtual void Reset() {}
  // True when the user chose something.
  virtual bool Execute() = 0;

  HWND OwnerHandle = nullptr;
};

// The open and save file dialogs. Filter holds description and pattern pairs, every
// item separated by "|". After a successful Execute, FileName is the chosen name
// without its folder (several names separated by TAB) and Directory the folder with
// its trailing "\".
//
// A constructor cannot reach a derived class's Reset, so each class's constructor
// resets the object itself.
class TOpenSaveDialog : public TkxCommDlgSuper {
 public:
  explicit TOpenSaveDialog(TkxWinControl* Owner = nullptr);

  // Empties the texts and FilterIndex; the three flags stay.
  void Reset() override;
  // FileName and Filter too long for the platform's 1024-unit buffers are cut to fit.
  bool Execute() override;

  bool IsSave = false;
  bool MultiSelect = false;      // open dialog only
  bool OverwritePrompt = false;  // save dialog only
  std::u16string Filter;
  std::u16string Title;
  std::u16string DefaultExt;
  std::int32_t FilterIndex = 0;
  std::u16string FileName;
  std::u16string Directory;
};

// An open dialog with single selection unless told otherwise.
class TOpenDialog : public TOpenSaveDialog {
 public:
  explicit TOpenDialog(TkxWinControl* Owner = nullptr);

  void Reset() override;
};
