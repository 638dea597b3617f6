#include "ui/UkxDialog.h"

#include "support/UkxList.h"
#include "ui/UkxCommDlgs.h"
#include "ui/UkxControl.h"
#include "ui/UkxTypesWin.h"
#include "ui/UkxUiTexts.h"

namespace {

// No C++ exception may unwind through the platform's code that called us.
void ShowEscapedFailure(const TkxException& Failure) { MsgBox(Failure.Message, 4, u""); }

}  // namespace

INT_PTR CALLBACK KxDialogProc(HWND Window, UINT AMessage, WPARAM WParam, LPARAM LParam) {
  LRESULT result = AMessage == WM_INITDIALOG ? -1 : 0;
  try {
    if (AMessage == WM_INITDIALOG) {
      // Execute hands its dialog over as the init parameter.
      if (auto* dialog = reinterpret_cast<TkxDialogSuper*>(LParam)) dialog->Attach(Window);
    } else {
      const TMessagehandler handler = TMHCenter::Instance().Find(Window);
      if (handler.IsSet()) result = handler.Call(AMessage, WParam, LParam);
    }
  } catch (const TkxException& failure) {
    ShowEscapedFailure(failure);
  } catch (...) {
    ShowEscapedFailure(TkxException(UnexpectedFailureText));
  }
  if (AMessage == WM_NCDESTROY) TMHCenter::Instance().Unregister(Window);
  return result;
}

TkxDialogSuper::TkxDialogSuper(TkxWinControl* Owner) {
  // The template's up-down controls are of a class that this library provides.
  CommCtlModule = CommonControlsModule();
  OwnerHandle = Owner != nullptr ? Owner->Handle : nullptr;
  Controls = new TkxObjList(u"\r\n");
  Handle = nullptr;
}

TkxDialogSuper::~TkxDialogSuper() {
  delete Controls;
  Controls = nullptr;
  FreeGdiObjects();
}

TBounds TkxDialogSuper::GetBounds() {
  RECT r{};
  GetWindowRect(Handle, &r);
  return RectToBounds(r);
}

LRESULT TkxDialogSuper::MessageProc(UINT AMessage, WPARAM WParam, LPARAM LParam) {
  switch (AMessage) {
    case WM_MOVE:
      OnMove(static_cast<std::int16_t>(LOWORD(LParam)), static_cast<std::int16_t>(HIWORD(LParam)));
      return 1;
    case WM_NOTIFY:
      HandleNotify(WParam, reinterpret_cast<NMHDR*>(LParam));
      return 1;
    case WM_COMMAND:
      HandleCommand(WParam, LParam);
      return 1;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      return HandleCtlColor(reinterpret_cast<HDC>(WParam), reinterpret_cast<HWND>(LParam));
    default:
      return 0;
  }
}

void TkxDialogSuper::OnInitialize() {
  if (OwnerHandle == nullptr) return;
  RECT r{};
  GetWindowRect(OwnerHandle, &r);
  const TBounds p = RectToBounds(r);
  const TBounds b = GetBounds();
  SetBounds(p.Left + (p.Width - b.Width) / 2, p.Top + (p.Height - b.Height) / 2, -1, -1);
}

void TkxDialogSuper::SetTemplate(UINT TemplateIdentifier, LPCWSTR Icon) {
  TemplateId = TemplateIdentifier;
  IconName = Icon;
}

bool TkxDialogSuper::Execute() {
  if (TemplateId == 0) OnCreate();
  const INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(TemplateId), OwnerHandle,
                                         KxDialogProc, reinterpret_cast<LPARAM>(this));
  // -1: the platform could not create the dialog.
  return result != 0 && result != -1;
}

void TkxDialogSuper::Close(bool Result) {
  OnClose();
  EndDialog(Handle, Result ? 1 : 0);
  SendMessageW(OwnerHandle, WM_KX_DIALOGCLOSED, 0, 0);
}

HWND TkxDialogSuper::GetItem(int Identifier) { return GetDlgItem(Handle, Identifier); }

void TkxDialogSuper::SetItemText(int Identifier, const std::u16string& Text) {
  SetDlgItemTextW(Handle, Identifier, reinterpret_cast<LPCWSTR>(Text.c_str()));
}

std::u16string TkxDialogSuper::GetItemText(int Identifier) {
  constexpr int capacity = 5000;
  std::u16string buffer(capacity, u'\0');
  const UINT n = GetDlgItemTextW(Handle, Identifier, reinterpret_cast<LPWSTR>(buffer.data()), capacity);
  buffer[n < capacity ? n : capacity - 1] = u'\0';
  return std::u16string(buffer.c_str());
}

void TkxDialogSuper::Attach(HWND Window) {
  Handle = Window;
  if (IconName != nullptr) SetIcon(IconName);
  TMHCenter::Instance().Register(
      Window, TMessagehandler{this, static_cast<TMessagehandler::TProc>(&TkxDialogSuper::MessageProc)});
  SendMessageW(OwnerHandle, WM_KX_DIALOGOPENED, 0, 0);
  OnInitialize();
}

void TkxDialogSuper::HandleCommand(WPARAM WParam, LPARAM LParam) {
  for (int i = 0; i < Controls->Count; ++i) {
    auto* control = static_cast<TkxControl*>(Controls->ObjectAt(i));
    if (reinterpret_cast<LPARAM>(control->Handle) == LParam) {
      control->OnCommand(HIWORD(WParam));
      return;
    }
  }
  OnCommand(LOWORD(WParam));
}

void TkxDialogSuper::HandleNotify(WPARAM WParam, NMHDR* Header) {
  const int k = Controls->IndexOfId(LOWORD(WParam));
  const int code = static_cast<int>(Header->code);
  const LRESULT result = Controls->InRange(k)
                             ? static_cast<TkxControl*>(Controls->ObjectAt(k))->OnNotify(code, Header)
                             : OnNotify(WParam, code, Header);
  SetWindowLongPtrW(Handle, DWLP_MSGRESULT, result);
}

LRESULT TkxDialogSuper::HandleCtlColor(HDC DC, HWND Control) {
  const auto identifier = static_cast<int>(GetWindowLongPtrW(Control, GWLP_ID));
  const int k = Controls->IndexOfId(identifier);
  if (k < 0) return 0;
  auto* control = static_cast<TkxControl*>(Controls->ObjectAt(k));
  SetTextColor(DC, control->Font.Color);
  SetBkColor(DC, control->GetEffectiveBackColor());
  return reinterpret_cast<LRESULT>(control->BackBrush);
}

LRESULT TkxDialog::MessageProc(UINT AMessage, WPARAM WParam, LPARAM LParam) {
  if ((AMessage == WM_SYSCOMMAND && WParam == SC_CLOSE) || (AMessage == WM_COMMAND && WParam == IDCANCEL)) {
    Close(false);
    return 1;
  }
  return TkxDialogSuper::MessageProc(AMessage, WParam, LParam);
}
