#include "app/UMainDialog.h"

#include "app/USplitJob.h"
#include "res/resource.h"
#include "support/UkxFunctions.h"
#include "support/UkxIniFile.h"
#include "ui/UkxCommDlgs.h"
#include "ui/UkxEdit.h"
#include "ui/UkxMiscCtrls.h"
#include "ui/UkxTypesWin.h"

namespace {

// UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS: the template leaves them out.
constexpr DWORD kSpinStyle = 0x26;

}  // namespace

TMainDialog::TMainDialog(TkxWinControl* Owner) : TkxDialog(Owner) {
  // The base constructor cannot reach this override; the template is chosen at creation.
  OnCreate();
}

void TMainDialog::OnCreate() { SetTemplate(IDD_MAIN, MAKEINTRESOURCEW(IDI_ROWDEAL)); }

void TMainDialog::OnInitialize() {
  HeaderLineEdit = new TkxEdit(this, GetItem(IDC_HEADER_LINES));
  HeaderLineUpDown = new TkxUpDown(this, GetItem(IDC_HEADER_SPIN));
  HeaderLineUpDown->ModifyStyle(kSpinStyle, true);
  HeaderLineUpDown->SetRange(0, 10);
  HeaderLineUpDown->SetBuddy(HeaderLineEdit);

  CycleLineEdit = new TkxEdit(this, GetItem(IDC_CYCLE_LINES));
  CycleLineUpDown = new TkxUpDown(this, GetItem(IDC_CYCLE_SPIN));
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
    SetItemText(IDC_HEADER_LINES, settings.ReadString(u"Memory", u"HeaderLine", u"1"));
    SetItemText(IDC_CYCLE_LINES, settings.ReadString(u"Memory", u"CycleLine", u"5"));
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
  if (!IsOnAnyMonitor(TBounds{x, y, current.Width, current.Height})) return;
  SetBounds(Left, Top, -1, -1);
}

void TMainDialog::OnClose() {
  {
    const TkxIniFile settings(SettingsFilePath());
    settings.WriteInteger(u"Program", u"WindowLeft", GetBounds().Left);
    settings.WriteInteger(u"Program", u"WindowTop", GetBounds().Top);
    settings.WriteString(u"Memory", u"LastPath", LastPath);
    settings.WriteString(u"Memory", u"HeaderLine", GetItemText(IDC_HEADER_LINES));
    settings.WriteString(u"Memory", u"CycleLine", GetItemText(IDC_CYCLE_LINES));
  }
  FreeAndClear(HeaderLineEdit);
  FreeAndClear(CycleLineEdit);
  FreeAndClear(HeaderLineUpDown);
  FreeAndClear(CycleLineUpDown);
}

void TMainDialog::OnCommand(std::uint16_t Id) {
  switch (Id) {
    case IDC_BROWSE:
      BrowseFile();
      break;
    case IDC_EXECUTE:
      RunSplitJob();
      break;
    case IDC_EXIT:
      Close(false);
      break;
    default:
      break;
  }
}

void TMainDialog::BrowseFile() {
  TOpenDialog dialog(this);
  dialog.Filter = u"文本文件（*.txt）|*.txt|所有文件（*.*）|*.*";
  dialog.FileName = GetItemText(IDC_PATH);
  dialog.Directory = LastPath;
  dialog.Title.clear();
  dialog.DefaultExt = u"txt";
  if (dialog.Execute()) {
    SetItemText(IDC_PATH, dialog.FileName);
    LastPath = dialog.Directory;
    // The split job resolves the bare name against the current directory. The dialog
    // leaves it in the picked file's folder on Windows, but not always under Wine (a
    // path typed in full), so it is put there explicitly.
    SetCurrentDirectoryW(reinterpret_cast<LPCWSTR>(LastPath.c_str()));
  }
}

void TMainDialog::RunSplitJob() {
  try {
    const std::u16string path = GetItemText(IDC_PATH);
    const std::u16string headerText = GetItemText(IDC_HEADER_LINES);
    const std::u16string cycleText = GetItemText(IDC_CYCLE_LINES);
    MsgBox(SuccessText(RunSplit(path, headerText, cycleText)), 2, u"");
  } catch (const TkxException& failure) {
    MsgBox(failure.Message, 4, u"");
  }
}
