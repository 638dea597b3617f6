// Drives the real Rowdeal.exe through the window system, as a user would: starts a copy
// of it in a fresh folder, types into its fields, presses its buttons and keys, and reads
// and answers the boxes it shows. Every wait has a deadline; a failed wait throws, and a
// program still running is then ended.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/TestUtil.h"

namespace e2e {

struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The program under test, as built.
std::wstring BuiltProgram();

// A fresh folder holding a copy of the program and, beside it, its settings file.
class Sandbox {
 public:
  Sandbox();
  std::wstring Exe() const { return Dir + L"Rowdeal.exe"; }
  std::wstring Ini() const { return Dir + L"Rowdeal.ini"; }

  testutil::TempDir Temp;
  const std::wstring Dir;  // ends in a backslash
};

// A text as the bytes of the ANSI code page.
std::string Ansi(const std::wstring& text);

// The settings file as the program reads it: each section with its keys, in their order,
// as "[Section]key=value|key=value|".
std::wstring SettingsOf(const std::wstring& ini);

// Where the platform puts the program's dialog when nothing moves it: its template is
// built here, in this process, on the same display.
RECT TemplateRect();

// The dialog's caption, at rest or during a run ("Rowdeal 1.2 - 37%").
bool IsMainCaption(const std::wstring& caption);
bool ShowsProgress(const std::wstring& caption);

// The split job's success message.
std::wstring SuccessText(const std::wstring& outputDir, int n, const std::wstring& base, const std::wstring& ext);

// One run of the program, from start to exit.
class App {
 public:
  // Starts the program in workingDir, with the arguments, and waits for its dialog.
  App(const std::wstring& exe, const std::wstring& workingDir, const std::wstring& arguments = L"");
  ~App();
  App(const App&) = delete;
  App& operator=(const App&) = delete;

  HWND Dialog() const { return Dialog_; }
  HWND Item(int id) const;
  RECT Bounds() const;
  std::wstring ItemText(int id) const { return testutil::WindowText(Item(id)); }
  void SetItemText(int id, const std::wstring& text) const;
  // Empties the field and types the text into it, character by character.
  void Type(int id, const std::wstring& text) const;
  // Drops the files on the dialog, as from Explorer.
  void DropFiles(const std::vector<std::wstring>& paths) const;
  // Every later run waits before it replaces any file, until cancelled (the test hold).
  void HoldRuns();
  // Posted: the program may then show a modal box.
  void Press(int id) const { testutil::Click(Dialog_, id); }
  void PostKey(HWND window, UINT key) const;
  // Clicks an arrow of an up-down control.
  void ClickSpin(int id, bool up) const;

  // The message box the program shows next, and pressing one of its buttons; whether a
  // message box is on screen now.
  testutil::TMessageBox WaitMessageBox() const;
  void PressOk(const testutil::TMessageBox& box, int button = IDOK) const;
  bool ShowsMessageBox() const;
  // Presses the execute button and answers the box that follows.
  testutil::TMessageBox RunJob() const;
  // Opens the file dialog, types into its name field and presses Open (or, for an empty
  // text, Cancel), and waits until it is gone. Answers the name it proposed when it opened.
  std::wstring Browse(const std::wstring& typed) const;

  // Waits for the program to end; its exit code.
  DWORD WaitExit() const;

 private:
  HWND WaitFor(const std::function<bool(HWND)>& match, const char* what) const;

  PROCESS_INFORMATION Process_{};
  HWND Dialog_ = nullptr;
  HANDLE Hold_ = nullptr;
};

}  // namespace e2e
