// Rowdeal.exe: one modal dialog, and the process ends when it closes.
#include <windows.h>

#include "app/UAppTexts.h"
#include "app/UMainDialog.h"
#include "ui/UkxCommDlgs.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Never released: the process ends as soon as the dialog has closed.
  auto* dialog = new TMainDialog(nullptr);
  // Every way out of the dialog ends it with false too: only a dialog that never got
  // its window is a failure.
  if (!dialog->Execute() && dialog->Handle == nullptr) {
    MsgBox(NoMainDialogText, 4, u"");
    return 1;
  }
  return 0;
}
