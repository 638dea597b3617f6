// The framework tests' workbench: a dialog that runs a test's steps inside its own modal
// loop and records what reaches it, and a wrapper that records what its dialog hands it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/UkxControl.h"
#include "ui/UkxDialog.h"

namespace kxtest {

inline constexpr UINT WorkbenchTemplate = 100;
inline constexpr UINT InnerTemplate = 101;

class TTestDialog;
using TStep = std::function<void(TTestDialog&)>;

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
  void OnMove(int X, int Y) override { Moves.push_back(POINT{X, Y}); }
  LRESULT OnNotify(WPARAM WParam, int Code, NMHDR* Header) override;

  std::vector<TStep> Steps;
  TStep InitStep;  // replaces the base class's OnInitialize when set
  std::function<void(std::uint16_t)> CommandHook;
  // What reached the dialog: "sys F060", "cmd 00000002", "oncommand 2", "notify -5 from 206",
  // "opened" and "closed" (the notices of a dialog it owns), "close".
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

// A wrapper that records what its dialog hands it. With an empty CreateClass it can
// make no window and has no CustomCreate.
class TProbe : public TkxControl {
 public:
  TProbe(TkxDialogSuper* AOwner, HWND Window) : TkxControl(AOwner, Window) { OnCreate(); }
  ~TProbe() override { Dispose(); }

  bool GetCreateInfo(std::u16string& ClassName, DWORD& Style, DWORD& ExStyle) override;
  void OnCreate() override { ++Creates; }
  void OnCommand(std::uint16_t Code) override { Codes.push_back(Code); }
  LRESULT OnNotify(int Code, NMHDR* Header) override;

  std::u16string CreateClass = u"static";
  int Creates = 0;
  std::vector<std::uint16_t> Codes;
  std::vector<int> NotifyCodes;
  NMHDR* LastHeader = nullptr;
  LRESULT NotifyResult = 0;
};

}  // namespace kxtest
