// The progress bar: a position of 0 to 100 percent, and the state that Windows colours it
// by (green, or yellow for a run that waits, red for one that failed).
#pragma once

#include <windows.h>

#include "ui/UkxControl.h"

class TkxProgressBar final : public TkxControl {
 public:
  enum class TState { Normal, Paused, Error };

  TkxProgressBar(TkxDialogSuper* AOwner, HWND Window);
  ~TkxProgressBar() override;

  bool GetCreateInfo(std::u16string& ClassName, DWORD& Style, DWORD& ExStyle) override;
  // The range 0 to 100, at 0, in the normal state.
  void OnCreate() override;

  // Percent is kept within 0 to 100.
  void SetPosition(int Percent);
  [[nodiscard]] int Position();
  void SetState(TState State);
};
