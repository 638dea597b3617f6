#include "tests/ui/TestDialog.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace kxtest {

namespace {

constexpr UINT WM_NEXTSTEP = WM_APP + 1;
constexpr UINT_PTR watchdogTimer = 77;

std::string Hex(const char* Prefix, std::uintptr_t Value, int Digits) {
  char text[32];
  std::snprintf(text, sizeof text, "%s %0*llX", Prefix, Digits, static_cast<unsigned long long>(Value));
  return text;
}

}  // namespace

TTestDialog::TTestDialog(TkxWinControl* Owner, UINT ATemplate) : TkxDialog(Owner), Template(ATemplate) {}

void TTestDialog::OnCreate() { SetTemplate(Template, MAKEINTRESOURCEW(1)); }

void TTestDialog::OnInitialize() {
  if (InitStep) {
    InitStep(*this);
  } else {
    TkxDialog::OnInitialize();
  }
  // A test that never ends its dialog fails instead of hanging the run.
  SetTimer(Handle, watchdogTimer, 60000, nullptr);
  if (!Steps.empty()) PostMessageW(Handle, WM_NEXTSTEP, 0, 0);
}

LRESULT TTestDialog::MessageProc(UINT AMessage, WPARAM WParam, LPARAM LParam) {
  // What arrives while the window is torn down (focus notices) is not the test's.
  if (Closed) return TkxDialog::MessageProc(AMessage, WParam, LParam);
  switch (AMessage) {
    case WM_NEXTSTEP: {
      // Nor is what the platform sent while the dialog opened.
      if (NextStep == 0) Log.clear();
      Steps[NextStep++](*this);
      if (NextStep < Steps.size()) PostMessageW(Handle, WM_NEXTSTEP, 0, 0);
      return 1;
    }
    case WM_TIMER:
      if (WParam != watchdogTimer) break;
      ADD_FAILURE() << "the test never ended its dialog";
      Close(false);
      return 1;
    case WM_SYSCOMMAND:
      Log.push_back(Hex("sys", WParam, 4));
      break;
    case WM_COMMAND:
      // Edits report focus changes whenever a window opens or closes.
      if (HIWORD(WParam) == EN_SETFOCUS || HIWORD(WParam) == EN_KILLFOCUS) return 1;
      Log.push_back(Hex("cmd", WParam, 8));
      break;
    case WM_KX_DIALOGOPENED:
      Log.push_back("opened");
      break;
    case WM_KX_DIALOGCLOSED:
      Log.push_back("closed");
      break;
    default:
      break;
  }
  return TkxDialog::MessageProc(AMessage, WParam, LParam);
}

void TTestDialog::OnClose() {
  Log.push_back("close");
  Closed = true;
}

void TTestDialog::OnCommand(std::uint16_t Identifier) {
  if (!Closed) Log.push_back("oncommand " + std::to_string(Identifier));
  if (CommandHook) CommandHook(Identifier);
}

LRESULT TTestDialog::OnNotify(WPARAM WParam, int Code, NMHDR* Header) {
  Log.push_back("notify " + std::to_string(Code) + " from " + std::to_string(LOWORD(WParam)) +
                (Header != nullptr ? "" : " without header"));
  return NotifyResult;
}

bool RunSteps(std::vector<TStep> Steps) {
  TTestDialog dialog;
  dialog.Steps = std::move(Steps);
  return dialog.Execute();
}

bool TProbe::GetCreateInfo(std::u16string& ClassName, DWORD& Style, DWORD& ExStyle) {
  ClassName = CreateClass;
  Style = 0;
  ExStyle = 0;
  return !CreateClass.empty();
}

LRESULT TProbe::OnNotify(int Code, NMHDR* Header) {
  NotifyCodes.push_back(Code);
  LastHeader = Header;
  return NotifyResult;
}

}  // namespace kxtest
