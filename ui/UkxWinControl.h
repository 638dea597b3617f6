// The base of every window wrapper, and the registry that routes a window's
// messages to the object that owns the window.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstddef>
#include <string>
#include <unordered_map>

#include "support/UkxList.h"
#include "support/UkxObject.h"
#include "ui/UkxTypes.h"

class TkxControl;

// A bound method: one object and the operation that handles every message of one
// window. The operation is virtual where the class declares it so, which makes the
// most derived override the one that runs. Empty (no object, no operation) means none.
struct TMessagehandler {
  using TProc = LRESULT (TkxObject::*)(UINT AMessage, WPARAM WParam, LPARAM LParam);
  TkxObject* Object = nullptr;
  TProc Proc = nullptr;

  bool IsSet() const { return Object != nullptr && Proc != nullptr; }
  LRESULT Call(UINT AMessage, WPARAM WParam, LPARAM LParam) const {
    return (Object->*Proc)(AMessage, WParam, LParam);
  }
};

// The single registry of window handles and their handlers.
class TMHCenter : public TkxObject {
 public:
  TMHCenter() = default;
  TMHCenter(const TMHCenter&) = delete;
  TMHCenter& operator=(const TMHCenter&) = delete;

  static TMHCenter& Instance();

  // Enters Handler for Window; a handle registered again keeps answering with its first handler.
  void Register(HWND Window, TMessagehandler Handler);
  // The handler of Window, or the empty handler.
  TMessagehandler Find(HWND Window) const;
  // Drops the entry of Window. Called when the window is destroyed, so that a handle
  // value the platform hands out again never leads to a released object.
  void Unregister(HWND Window);
  // The number of windows with a handler.
  std::size_t Count() const { return Handlers.size(); }

 private:
  std::unordered_map<HWND, TMessagehandler> Handlers;
};

// Wraps one platform window. Starts with every field zero; derived classes set the rest.
class TkxWinControl : public TkxObject {
 public:
  TkxWinControl() = default;
  ~TkxWinControl() override = default;
  TkxWinControl(const TkxWinControl&) = delete;
  TkxWinControl& operator=(const TkxWinControl&) = delete;

  // Virtual operations, in slot order.
  virtual std::u16string GetText();
  virtual void SetText(const std::u16string& Text);
  virtual TBounds GetBounds() = 0;
  virtual void SetFont(const TFont& AFont);
  // -1 means no colour of its own; any other value gets a solid brush.
  virtual void SetBackColor(std::int32_t Color);

  int GetTextLength();
  // A negative argument keeps the current value of that edge or size.
  void SetBounds(std::int32_t X, std::int32_t Y, std::int32_t Width, std::int32_t Height);
  bool MoveTo(const TBounds& Bounds);
  // The same icon, from the program's own module, serves as big and small icon.
  void SetIcon(LPCWSTR IconName);
  LRESULT SendMsg(UINT AMessage, WPARAM WParam, LPARAM LParam);
  // ORs in or masks out Bits of the window style, nothing else; the previous style.
  LONG_PTR ModifyStyle(DWORD Bits, bool On);
  LONG_PTR SetLong(int Index, LONG_PTR Value);
  LONG_PTR GetLong(int Index);
  bool Redraw();
  // Forgets, without deleting, the brush held before.
  void ResetColors();
  void FreeGdiObjects();
  // BackColor when it is 0 or more, else the background colour of the window's DC.
  COLORREF GetEffectiveBackColor();
  // Enters Control in Controls (identifier 0 takes the next free one) and links the
  // wrapper entered before it; the identifier used.
  int AddControl(TkxControl* Control, int Identifier);
  bool RemoveControl(int Identifier);

  std::int32_t BackColor = 0;
  HBRUSH BackBrush = nullptr;   // owned
  HFONT FontHandle = nullptr;   // owned
  HWND Handle = nullptr;
  TkxObjList* Controls = nullptr;  // a dialog's child-control wrappers by identifier
  TFont Font;
  bool CustomCreated = false;
};
