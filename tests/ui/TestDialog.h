// The framework tests' workbench: a dialog that runs a test's steps inside its own modal
// loop and records what reaches it, and a wrapper that records what its dialog hands it.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "ui/UkxControl.h"
#include "ui/UkxDialog.h"

namespace kxtest {

using TLog = std::vector<std::string>;

// Runs Steps one after another, each as a posted message of the modal loop, so that
// whatever a step posts is handled before the next step runs.
class TTestDialog : public TkxDialog {
 public:
  using TStep = std::function<void(TTestDialog&)>;
  explicit TTestDialog(std::vector<TStep> ASteps, TkxWinControl* Owner = nullptr, UINT ATemplate = 100)
      : TkxDialog(Owner), Steps(std::move(ASteps)), Template(ATemplate) {}

  void OnCreate() override { SetTemplate(Template, MAKEINTRESOURCEW(1)); }
  void OnInitialize() override {
    TkxDialog::OnInitialize();
    SetTimer(Handle, 1, 20000, nullptr);  // a test that never ends its dialog fails instead of hanging
    PostMessageW(Handle, WM_APP, 0, 0);
  }
  LRESULT MessageProc(UINT AMessage, WPARAM WParam, LPARAM LParam) override {
    if (AMessage == WM_APP && Next < Steps.size()) {
      Steps[Next++](*this);
      return PostMessageW(Handle, WM_APP, 0, 0);
    }
    EXPECT_NE(AMessage, WM_TIMER) << "the test never ended its dialog";
    if (AMessage == WM_TIMER) Close(false);
    // Edits report focus changes whenever a window opens or closes.
    if (AMessage == WM_COMMAND && (HIWORD(WParam) == EN_SETFOCUS || HIWORD(WParam) == EN_KILLFOCUS)) return 1;
    return TkxDialog::MessageProc(AMessage, WParam, LParam);
  }
  void OnClose() override { Log.push_back("close"); }
  void OnCommand(std::uint16_t Identifier) override {
    Log.push_back("cmd " + std::to_string(Identifier));
    if (Raise) Raise();
  }
  void OnMove(int X, int Y) override { LastMove = POINT{X, Y}; }

  std::vector<TStep> Steps;
  std::function<void()> Raise;  // run by OnCommand, to throw from a handler
  TLog Log;                     // "cmd 204", "close"
  POINT LastMove{};

 private:
  UINT Template;
  std::size_t Next = 0;
};

// Runs the workbench with Steps; Execute's result.
inline bool RunSteps(std::vector<TTestDialog::TStep> Steps) { return TTestDialog(std::move(Steps)).Execute(); }

// A wrapper that records the command codes and notification codes its dialog hands it.
class TProbe : public TkxControl {
 public:
  using TkxControl::TkxControl;
  bool GetCreateInfo(std::u16string&, DWORD&, DWORD&) override { return false; }
  void OnCommand(std::uint16_t Code) override { Got.push_back(Code); }
  LRESULT OnNotify(int Code, NMHDR*) override {
    Got.push_back(Code);
    return NotifyResult;
  }

  std::vector<int> Got;
  LRESULT NotifyResult = 0;
};

}  // namespace kxtest
