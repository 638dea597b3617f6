#include "app/URunProgress.h"

#include <shobjidl.h>

#include "app/UAppTexts.h"
#include "res/resource.h"
#include "support/UkxFunctions.h"
#include "support/UkxStrUtils.h"
#include "ui/UkxDialog.h"
#include "ui/UkxProgressBar.h"

namespace {

// The taskbar button's progress: none where the shell offers none (an old one, or none).
ITaskbarList3* OpenTaskbar() {
  void* taskbar = nullptr;
  if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3, &taskbar))) {
    return nullptr;
  }
  auto* list = static_cast<ITaskbarList3*>(taskbar);
  if (SUCCEEDED(list->HrInit())) return list;
  list->Release();
  return nullptr;
}

}  // namespace

TRunProgress::TRunProgress(TkxDialog& Dialog, std::u16string Caption)
    : FDialog(Dialog), FCaption(std::move(Caption)),
      FBar(std::make_unique<TkxProgressBar>(&Dialog, Dialog.GetItem(IDC_PROGRESS))) {}

TRunProgress::~TRunProgress() {
  if (FTaskbar) FTaskbar->Release();
}

void TRunProgress::Begin(const TSplitControl& Control) {
  FControl = &Control;
  FStart = std::chrono::steady_clock::now();
  FRate = TRecentRate();
  FShownPercent = -1;
  if (!FTaskbar) FTaskbar = OpenTaskbar();
  FBar->SetState(TkxProgressBar::TState::Normal);
  ShowBar(true);
  Update();  // the bar's position with the rest: none is shown yet
}

void TRunProgress::Update() {
  const int percent = FControl->Percent();
  const TSplitControl::TFigures figures = FControl->Figures();
  FRate.Add(std::chrono::duration<double>(std::chrono::steady_clock::now() - FStart).count(), figures.Done);
  ShowLine(ProgressText(figures, percent, FRate.Rate()));
  if (percent == FShownPercent) return;
  FShownPercent = percent;
  FBar->SetPosition(percent);
  FDialog.SetText(FillIn(ProgressCaptionText, {FCaption, IntToText(0, percent)}));
  if (FTaskbar) FTaskbar->SetProgressValue(FDialog.Handle, static_cast<ULONGLONG>(percent), 100);
}

void TRunProgress::Wait(bool Waiting) {
  FBar->SetState(Waiting ? TkxProgressBar::TState::Paused : TkxProgressBar::TState::Normal);
  if (FTaskbar) FTaskbar->SetProgressState(FDialog.Handle, Waiting ? TBPF_PAUSED : TBPF_NORMAL);
}

void TRunProgress::End(TEnd How) {
  TSplitControl::TFigures figures = FControl->Figures();
  int percent = FControl->Percent();
  if (How == TEnd::Completed) {
    // What the run had to do is done, though a check that differs stops early.
    figures.Done = figures.Total;
    percent = 100;
  }
  FBar->SetPosition(percent);
  FBar->SetState(How == TEnd::Completed   ? TkxProgressBar::TState::Normal
                 : How == TEnd::Cancelled ? TkxProgressBar::TState::Paused
                                          : TkxProgressBar::TState::Error);
  ShowLine(ProgressText(figures, percent, std::nullopt));
  FDialog.SetText(FCaption);
  if (FTaskbar) FTaskbar->SetProgressState(FDialog.Handle, TBPF_NOPROGRESS);
  FControl = nullptr;
}

void TRunProgress::Clear() {
  ShowBar(false);
  ShowLine(u"");
}

// A line set anew redraws, and would flicker four times a second.
void TRunProgress::ShowLine(const std::u16string& Line) {
  if (Line == FShownLine) return;
  FShownLine = Line;
  FDialog.SetItemText(IDC_PROGRESS_TEXT, Line);
}

void TRunProgress::ShowBar(bool Visible) {
  ShowWindow(FBar->Handle, Visible ? SW_SHOWNA : SW_HIDE);
  ShowWindow(FDialog.GetItem(IDC_PROGRESS_TEXT), Visible ? SW_SHOWNA : SW_HIDE);
}
