#include "ui/UkxControl.h"

#include <commctrl.h>

#include "ui/UkxDialog.h"
#include "ui/UkxUiTexts.h"

namespace {

bool FreeBelow(const TBounds& b, TkxControl* next) {
  return next == nullptr || b.Top + b.Height != next->GetBounds().Top;
}

bool FreeToTheRight(const TBounds& b, TkxControl* next) {
  return next == nullptr || b.Left + b.Width != next->GetBounds().Left;
}

}  // namespace

HMODULE CommonControlsModule() {
  static const HMODULE module = LoadLibraryW(L"comctl32.dll");
  return module;
}

void LoadCommonControls(DWORD Flags) {
  static DWORD registered = 0;
  const DWORD missing = Flags & ~registered;
  if (missing == 0 || CommonControlsModule() == nullptr) return;
  FARPROC entry = GetProcAddress(CommonControlsModule(), "InitCommonControlsEx");
  if (entry == nullptr) return;
  using TInit = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  auto init = reinterpret_cast<TInit>(reinterpret_cast<void (*)()>(entry));
  INITCOMMONCONTROLSEX info{sizeof(INITCOMMONCONTROLSEX), missing};
  if (!init(&info)) throw TkxException(CommonControlsFailedText);
  registered |= missing;
}

void FreeCommonControls() {}

// The control list operations of TkxWinControl live in this unit, where the control
// class is complete: the base's own unit must not depend on a class derived from it.
int TkxWinControl::AddControl(TkxControl* Control, int Identifier) {
  if (Identifier == 0) Identifier = Controls->NextId();
  Controls->SetObject(Identifier, Control);
  const int k = Controls->IndexOfId(Identifier);
  if (k > 0) static_cast<TkxControl*>(Controls->ObjectAt(k - 1))->NextControl = Control;
  return Identifier;
}

bool TkxWinControl::RemoveControl(int Identifier) { return Controls->DeleteById(Identifier); }

TkxControl::TkxControl(TkxDialogSuper* AOwner, HWND Window) {
  Owner = AOwner;
  OwnsWindow = false;
  Handle = Window;
  Id = Owner->AddControl(this, static_cast<int>(GetWindowLongPtrW(Window, GWLP_ID)));
  Anchor = 0;
  CustomCreated = false;
  ResetColors();
}

TkxControl::~TkxControl() { Dispose(); }

void TkxControl::Dispose() {
  if (Disposed) return;
  Disposed = true;
  Owner->RemoveControl(Id);
  DestroyHandle();
  FreeGdiObjects();
  OnDestroy();
}

TBounds TkxControl::GetBounds() {
  RECT r{};
  GetWindowRect(Handle, &r);
  POINT topLeft{r.left, r.top};
  ScreenToClient(Owner->Handle, &topLeft);
  return TBounds{topLeft.x, topLeft.y, r.right - r.left, r.bottom - r.top};
}

void TkxControl::CustomCreate(TkxDialogSuper* AOwner, int X, int Y, int Width, int Height,
                              const std::u16string& Text) {
  (void)AOwner, (void)X, (void)Y, (void)Width, (void)Height, (void)Text;
  throw TkxException(NoCustomCreateText);
}

void TkxControl::Align(int W, int H) {
  TBounds b = GetBounds();
  switch (Anchor) {
    case 1:
      if (FreeBelow(b, NextControl)) {
        SetBounds(-1, -1, -1, H - b.Top);
        b = GetBounds();
        if (NextControl != nullptr) NextControl->SetBounds(b.Left + b.Width, -1, -1, -1);
      } else {
        MoveTo(b);
      }
      break;
    case 3:
      b.Width = W - b.Left;
      if (FreeBelow(b, NextControl)) b.Height = H - b.Top;
      MoveTo(b);
      break;
    case 4:
      if (FreeToTheRight(b, NextControl)) {
        SetBounds(-1, -1, W - b.Left, -1);
        b = GetBounds();
        if (NextControl != nullptr) NextControl->SetBounds(-1, b.Top + b.Height, -1, -1);
      } else {
        MoveTo(b);
      }
      break;
    case 5:
      b.Height = H - b.Top;
      if (FreeToTheRight(b, NextControl)) b.Width = W - b.Left;
      MoveTo(b);
      break;
    case 6:
      b.Width = W - b.Left;
      b.Height = H - b.Top;
      MoveTo(b);
      break;
    default:
      break;
  }
}

void TkxControl::CreateHandle(int X, int Y, int Width, int Height, const std::u16string& Text) {
  std::u16string className;
  DWORD style = 0;
  DWORD exStyle = 0;
  if (GetCreateInfo(className, style, exStyle)) {
    Handle = CreateWindowExW(exStyle, reinterpret_cast<LPCWSTR>(className.c_str()),
                             reinterpret_cast<LPCWSTR>(Text.c_str()),
                             style | WS_CHILD | WS_VISIBLE | WS_TABSTOP, X, Y, Width, Height,
                             Owner->Handle, nullptr, GetModuleHandleW(nullptr), nullptr);
    CustomCreated = false;
  } else {
    CustomCreate(Owner, X, Y, Width, Height, Text);
    CustomCreated = true;
  }
  SetWindowLongPtrW(Handle, GWLP_ID, Id);
  SendMsg(WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
}

void TkxControl::DestroyHandle() {
  if (OwnsWindow) DestroyWindow(Handle);
}

void TkxControl::RecreateHandle() {
  if (!OwnsWindow) return;
  const TBounds b = GetBounds();
  const std::u16string t = GetText();
  DestroyHandle();
  CreateHandle(b.Left, b.Top, b.Width, b.Height, t);
  ResetColors();
  OnCreate();
}
