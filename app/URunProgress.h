// What the main dialog shows of a run while it goes: a bar and a line of text under the
// fields (how far, how fast, how long still), and the percentage in the caption and on
// the taskbar button.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "app/UProgressText.h"
#include "engine/USplitControl.h"

class TkxDialog;
class TkxProgressBar;
struct ITaskbarList3;

class TRunProgress {
 public:
  enum class TEnd { Completed, Cancelled, Failed };

  // On the dialog's bar and line, which show only during a run; Caption is the dialog's
  // own, without a percentage.
  TRunProgress(TkxDialog& Dialog, std::u16string Caption);
  ~TRunProgress();
  TRunProgress(const TRunProgress&) = delete;
  TRunProgress& operator=(const TRunProgress&) = delete;

  // A run begins: the bar and its line show, at 0. Control outlives the run.
  void Begin(const TSplitControl& Control);
  // How far the run has come, now (the dialog's timer asks).
  void Update();
  // The cancel question is open (the run waits on it), or answered.
  void Wait(bool Waiting);
  // The run has ended: the caption and the taskbar button go back to before; the bar
  // stays, full for a run that completed, yellow where one was cancelled and red where
  // one failed, until Clear.
  void End(TEnd How);
  // The result box is closed: the bar and its line go.
  void Clear();

 private:
  void ShowBar(bool Visible);
  void ShowLine(const std::u16string& Line);

  TkxDialog& FDialog;
  const std::u16string FCaption;
  std::unique_ptr<TkxProgressBar> FBar;
  ITaskbarList3* FTaskbar = nullptr;  // owned: released with this
  const TSplitControl* FControl = nullptr;
  std::chrono::steady_clock::time_point FStart;
  TRecentRate FRate;
  int FShownPercent = -1;
  std::u16string FShownLine;
};
