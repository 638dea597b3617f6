// Rowdeal.exe: one modal dialog, and the process ends when it closes.
#include <windows.h>

#include "app/UMainDialog.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Never released: the process ends as soon as the dialog has closed.
  auto* dialog = new TMainDialog(nullptr);
  dialog->Execute();
  return 0;
}
