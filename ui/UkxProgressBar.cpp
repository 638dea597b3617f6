#include "ui/UkxProgressBar.h"

#include <commctrl.h>

#include <algorithm>

TkxProgressBar::TkxProgressBar(TkxDialogSuper* AOwner, HWND Window) : TkxControl(AOwner, Window) { OnCreate(); }

TkxProgressBar::~TkxProgressBar() { Dispose(); }

bool TkxProgressBar::GetCreateInfo(std::u16string& ClassName, DWORD& Style, DWORD& ExStyle) {
  LoadCommonControls(ICC_PROGRESS_CLASS);
  ClassName = u"msctls_progress32";
  Style = PBS_SMOOTH;
  ExStyle = 0;
  return true;
}

void TkxProgressBar::OnCreate() {
  SendMsg(PBM_SETRANGE32, 0, 100);
  SetPosition(0);
  SetState(TState::Normal);
}

void TkxProgressBar::SetPosition(int Percent) { SendMsg(PBM_SETPOS, static_cast<WPARAM>(std::clamp(Percent, 0, 100)), 0); }

int TkxProgressBar::Position() { return static_cast<int>(SendMsg(PBM_GETPOS, 0, 0)); }

void TkxProgressBar::SetState(TState State) {
  const WPARAM state = State == TState::Paused ? PBST_PAUSED : State == TState::Error ? PBST_ERROR : PBST_NORMAL;
  SendMsg(PBM_SETSTATE, state, 0);
}
