#include "app/UMainDialog.h"

#include "app/USplitJob.h"
#include "support/UkxFunctions.h"
#include "support/UkxIniFile.h"
#include "ui/UkxCommDlgs.h"
#include "ui/UkxEdit.h"
#include "ui/UkxMiscCtrls.h"

namespace {

constexpr int kPathField = 101;
constexpr int kBrowseButton = 102;
constexpr int kExecuteButton = 103;
constexpr int kExitButton = 104;
constexpr int kHeaderLineField = 105;
constexpr int kCycleLineField = 106;
constexpr int kHeaderLineSpin = 107;
constexpr int kCycleLineSpin = 108;

// UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS: the template leaves them out.
constexpr DWORD kSpinStyle = 0x26;

}  // namespace

TMainDialog::TMainDialog(TkxWinControl* Owner) : TkxDialog(Owner) {
  // The base constructor cannot reach this override; the template is chosen at creation.
  OnCreate();
}

void TMainDialog::OnCreate() { SetTemplate(2, MAKEINTRESOURCEW(1)); }

void TMainDialog::OnInitialize() {
  HeaderLineEdit = new TkxEdit(this, GetItem(kHeaderLineField));
  HeaderLineUpDown = new TkxUpDown(this, GetItem(kHeaderLineSpin));
  HeaderLineUpDown->ModifyStyle(kSpinStyle, true);
  HeaderLineUpDown->SetRange(0, 10);
  HeaderLineUpDown->SetBuddy(HeaderLineEdit);

  CycleLineEdit = new TkxEdit(this, GetItem(kCycleLineField));
  CycleLineUpDown = new TkxUpDown(this, GetItem(kCycleLineSpin));
  CycleLineUpDown->ModifyStyle(kSpinStyle, true);
  CycleLineUpDown->SetRange(1, 50);
  CycleLineUpDown->SetBuddy(CycleLineEdit);

  {
    const TkxIniFile settings(SettingsFilePath());
    const TBounds current = GetBounds();
    const std::int32_t top = settings.ReadInteger(u"Program", u"WindowTop", current.Top);
    const std::int32_t left = settings.ReadInteger(u"Program", u"WindowLeft", current.Left);
    MoveToStoredPosition(left, top);
    LastPath = settings.ReadString(u"Memory", u"LastPath", ProgramDir());
    SetItemText(kHeaderLineField, settings.ReadString(u"Memory", u"HeaderLine", u"1"));
    SetItemText(kCycleLineField, settings.ReadString(u"Memory", u"CycleLine", u"5"));
  }
  TrimWorkingSet();
}

// A negative coordinate keeps the template's (as after closing while minimised). A
// position at which the dialog would lie on no monitor at all (one since unplugged,
// say) is ignored as a whole, so the dialog can never open out of reach.
void TMainDialog::MoveToStoredPosition(std::int32_t Left, std::int32_t Top) {
  const TBounds current = GetBounds();
  const std::int32_t x = Left >= 0 ? Left : current.Left;
  const std::int32_t y = Top >= 0 ? Top : current.Top;
  const RECT target{x, y, x + current.Width, y + current.Height};
  if (MonitorFromRect(&target, MONITOR_DEFAULTTONULL) == nullptr) return;
  SetBounds(Left, Top, -1, -1);
}

void TMainDialog::OnClose() {
  {
    const TkxIniFile settings(SettingsFilePath());
    settings.WriteInteger(u"Program", u"WindowLeft", GetBounds().Left);
    settings.WriteInteger(u"Program", u"WindowTop", GetBounds().Top);
    settings.WriteString(u"Memory", u"LastPath", LastPath);
    settings.WriteString(u"Memory", u"HeaderLine", GetItemText(kHeaderLineField));
    settings.WriteString(u"Memory", u"CycleLine", GetItemText(kCycleLineField));
  }
  FreeAndClear(HeaderLineEdit);
  FreeAndClear(CycleLineEdit);
  FreeAndClear(HeaderLineUpDown);
  FreeAndClear(CycleLineUpDown);
}

void TMainDialog::OnCommand(std::uint16_t Id) {
  switch (Id) {
    case kBrowseButton:
      BrowseFile();
      break;
    case kExecuteButton:
      RunSplitJob();
      break;
    case kExitButton:
      Close(false);
      break;
    default:
      break;
  }
}

void TMainDialog::BrowseFile() {
  TOpenDialog dialog(this);
  dialog.Filter = u"文本文件（*.txt）|*.txt|所有文件（*.*）|*.*";
  dialog.FileName = GetItemText(kPathField);
  dialog.Directory = LastPath;
  dialog.Title.clear();
  dialog.DefaultExt = u"txt";
  if (dialog.Execute()) {
    SetItemText(kPathField, dialog.FileName);
    LastPath = dialog.Directory;
    // The split job resolves the bare name against the current directory. The dialog
    // leaves it in the picked file's folder on Windows, but not always under Wine (a
    // path typed in full), so it is put there explicitly.
    SetCurrentDirectoryW(reinterpret_cast<LPCWSTR>(LastPath.c_str()));
  }
}

void TMainDialog::RunSplitJob() {
  try {
    const std::u16string path = GetItemText(kPathField);
    const std::u16string headerText = GetItemText(kHeaderLineField);
    const std::u16string cycleText = GetItemText(kCycleLineField);
    MsgBox(SuccessText(RunSplit(path, headerText, cycleText)), 2, u"");
  } catch (const TkxException& failure) {
    MsgBox(failure.Message, 4, u"");
  }
}
