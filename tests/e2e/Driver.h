// Drives the real Rowdeal.exe through the window system, as a user would: starts a
// copy of it, finds its dialog, types into its fields, presses its buttons and keys,
// and reads and answers the message boxes it shows. Every wait has a deadline; a
// failed wait throws, and a program still running is then ended.
#pragma once

#include <windows.h>

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace e2e {

// The program under test, as built, and the folder with the prepared special files
// (empty when the build host could not make them).
std::wstring BuiltProgram();
std::wstring FixtureDir();

// A fresh folder holding a copy of the program; removed again when the test passed.
class Sandbox {
 public:
  Sandbox();
  ~Sandbox();
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  std::wstring Exe() const { return Dir + L"Rowdeal.exe"; }
  std::wstring Ini() const { return Dir + L"Rowdeal.ini"; }

  std::wstring Dir;  // ends in a backslash
};

// Files.
void WriteFileBytes(const std::wstring& path, const std::string& bytes);
std::string ReadFileBytes(const std::wstring& path);
bool FileExists(const std::wstring& path);
bool DirectoryExists(const std::wstring& path);
void MakeDirectory(const std::wstring& path);
void RemoveTree(const std::wstring& path);

// Texts: the bytes of a text in the ANSI code page, and back.
std::string Ansi(const std::wstring& text);
std::wstring FromAnsi(const std::string& bytes);

// A settings file read the way a person reads it: sections of keys and values.
using TSettings = std::map<std::wstring, std::map<std::wstring, std::wstring>>;
TSettings ReadSettings(const std::wstring& path);
// Writes the given lines (CR LF after each) in the ANSI code page.
void WriteSettings(const std::wstring& path, const std::wstring& lines);

struct TMessageBox {
  HWND Window = nullptr;
  std::wstring Caption;
  std::wstring Text;
};

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
  std::wstring ItemText(int id) const;
  void SetItemText(int id, const std::wstring& text);
  // Empties the field and types the text into it, character by character.
  void Type(int id, const std::wstring& text);
  // Drops the files on the dialog, as from Explorer.
  void DropFiles(const std::vector<std::wstring>& paths);
  // Every later run waits before it replaces any file, until cancelled (the test hold).
  void HoldRuns();
  // Posts a click to the button; the program may then show a modal box.
  void Press(int id);
  void PostKey(HWND window, UINT key);
  // Clicks an arrow of an up-down control (synchronous: no box follows).
  void ClickSpin(int id, bool up);

  // The message box the program shows next; its text and caption read.
  TMessageBox WaitMessageBox();
  // The message box on screen now, if any.
  bool FindMessageBox(TMessageBox& box) const;
  void PressOk(const TMessageBox& box) { PressButton(box, IDOK); }
  void PressButton(const TMessageBox& box, int id);
  // Presses the execute button and answers the box that follows.
  TMessageBox RunJob();

  // Browses: opens the file dialog with button 102, types into its name field
  // and presses its Open button; waits until the dialog is gone. Answers the name
  // that the dialog proposed when it opened.
  std::wstring Browse(const std::wstring& typed);
  // Opens the file dialog and cancels it.
  void CancelBrowse();

  // Waits for the program to end; its exit code.
  DWORD WaitExit();

 private:
  HWND WaitForWindow(bool (*match)(HWND, const App&), const char* what) const;

  PROCESS_INFORMATION Process_{};
  HWND Dialog_ = nullptr;
  HANDLE Hold_ = nullptr;
};

// Where the platform puts the program's dialog template when nothing moves it: the
// template is built here, in this process, on the same display.
RECT TemplateRect();

// The text of a window in another process.
std::wstring WindowText(HWND window);
// The dialog's caption during a run: "Rowdeal 1.2 - 37%".
bool ShowsProgress(const std::wstring& caption);
std::wstring ClassOf(HWND window);

// The success message of the split job.
std::wstring SuccessText(const std::wstring& outputDir, int n, const std::wstring& base,
                         const std::wstring& ext);

struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

}  // namespace e2e
