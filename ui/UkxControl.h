// The base of the wrappers of a dialog's child controls, and the common-controls loader.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "ui/UkxWinControl.h"

class TkxDialogSuper;

// A child control of a dialog. It is never subclassed: its dialog hands it the
// commands, notifications and colour requests the control sends.
//
// C++ dispatches a virtual call made in a constructor or destructor to the class
// being built or torn down, not to the derived class. So the most derived class
// ends its constructor with OnCreate() and begins its destructor with Dispose()
// (TkxEdit and TkxUpDown do); Dispose runs once, and this destructor runs it for a
// class that did not.
class TkxControl : public TkxWinControl {
 public:
  // Wraps Window (null for a control that will create its own) and enters the wrapper
  // in Owner's Controls under the window's identifier, or the next free one for 0.
  TkxControl(TkxDialogSuper* AOwner, HWND Window);
  ~TkxControl() override;

  // Virtual operations, continuing the slots of TkxWinControl.
  // Top-left in the owner's client coordinates; outer width and height.
  TBounds GetBounds() override;
  // True with the class name and styles to create the window with; false when the
  // class makes its window itself in CustomCreate.
  virtual bool GetCreateInfo(std::u16string& ClassName, DWORD& Style, DWORD& ExStyle) = 0;
  virtual void OnCreate() {}
  virtual void OnDestroy() {}
  virtual void CustomCreate(TkxDialogSuper* AOwner, int X, int Y, int Width, int Height,
                            const std::u16string& Text);
  virtual void OnCommand(std::uint16_t Code) { (void)Code; }
  // The result becomes the dialog's message result.
  virtual LRESULT OnNotify(int Code, NMHDR* Header) {
    (void)Code;
    (void)Header;
    return 0;
  }
  // Stretches toward the owner's client width W and height H, by Anchor.
  virtual void Align(int W, int H);

  void CreateHandle(int X, int Y, int Width, int Height, const std::u16string& Text);
  void DestroyHandle();
  void RecreateHandle();

  std::uint8_t Anchor = 0;
  TkxControl* NextControl = nullptr;
  bool OwnsWindow = false;
  TkxDialogSuper* Owner = nullptr;
  std::int32_t Id = 0;

 protected:
  // The destruction steps: leave the owner's list, destroy an owned window, delete the
  // font and brush, OnDestroy. Runs once.
  void Dispose();

 private:
  bool Disposed = false;
};

// The common-controls library "comctl32.dll", loaded by name on the first call and kept
// for the life of the process: template dialogs need its window classes whenever they open.
HMODULE CommonControlsModule();
// Registers the window classes of Flags with InitCommonControlsEx, once each for the
// process; raises "Load Common Controls Failed!" when the platform refuses.
void LoadCommonControls(DWORD Flags);
// Pairs with LoadCommonControls for callers that release what they load. The library
// stays loaded for the life of the process, so there is nothing to release.
void FreeCommonControls();
