// Test harness: a dialog that runs a test's steps inside its own modal loop and
// records what reaches it, and a helper thread that waits for a window to act on.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "ui/UkxControl.h"
#include "ui/UkxDialog.h"

namespace kxtest {

inline constexpr UINT WorkbenchTemplate = 100;
inline constexpr UINT InnerTemplate = 101;
inline constexpr UINT WM_NEXTSTEP = WM_APP + 1;

using TStep = std::function<void(class TTestDialog&)>;

// Runs Steps one after another, each as a posted message of the modal loop, so that
// whatever a step posts is handled before the next step runs.
class TTestDialog : public TkxDialog {
 public:
  explicit TTestDialog(TkxWinControl* Owner = nullptr, UINT Template = WorkbenchTemplate);

  void OnCreate() override;
  void OnInitialize() override;
  LRESULT MessageProc(UINT AMessage, WPARAM WParam, LPARAM LParam) override;
  void OnClose() override;
  void OnCommand(std::uint16_t Identifier) override;
  void OnMove(int X, int Y) override;
  LRESULT OnNotify(WPARAM WParam, int Code, NMHDR* Header) override;

  std::vector<TStep> Steps;
  TStep InitStep;  // replaces the base class's OnInitialize when set
  std::function<void(std::uint16_t)> CommandHook;
  // What reached the dialog: "sys F060", "cmd 00000002", "close", "oncommand 2",
  // "opened", "closed" (the notices of an owned dialog), "notify -5".
  std::vector<std::string> Log;
  std::vector<POINT> Moves;
  LRESULT NotifyResult = 0;

 private:
  UINT Template;
  std::size_t NextStep = 0;
  bool Closed = false;
};

// Runs a workbench dialog with the given steps; Execute's result.
bool RunSteps(std::vector<TStep> Steps);

// A wrapper that records what its dialog hands it.
class TProbe : public TkxControl {
 public:
  TProbe(TkxDialogSuper* AOwner, HWND Window) : TkxControl(AOwner, Window) { OnCreate(); }
  ~TProbe() override { Dispose(); }

  bool GetCreateInfo(std::u16string& ClassName, DWORD& Style, DWORD& ExStyle) override;
  void OnCreate() override { ++Creates; }
  void OnCommand(std::uint16_t Code) override { Codes.push_back(Code); }
  LRESULT OnNotify(int Code, NMHDR* Header) override;

  // Empty: the class cannot create a window and has no CustomCreate.
  std::u16string CreateClass = u"static";
  int Creates = 0;
  std::vector<std::uint16_t> Codes;
  std::vector<int> NotifyCodes;
  NMHDR* LastHeader = nullptr;
  LRESULT NotifyResult = 0;
};

// The first top-level window of this process with that class and caption, waiting up
// to TimeoutMs for it to appear; null when none appears.
HWND WaitForWindow(const wchar_t* ClassName, const wchar_t* Caption, int TimeoutMs = 15000);

// Runs Action on a helper thread, so that it can act on a modal window the test
// thread is blocked in; joined by the destructor.
class THelper {
 public:
  explicit THelper(std::function<void()> Action) : Thread(std::move(Action)) {}
  ~THelper() { Thread.join(); }
  THelper(const THelper&) = delete;
  THelper& operator=(const THelper&) = delete;

 private:
  std::thread Thread;
};

std::u16string WindowText(HWND Window);
std::string Hex(std::uintptr_t Value, int Digits);

}  // namespace kxtest
