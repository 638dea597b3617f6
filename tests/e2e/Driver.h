// Drives the real Rowdeal.exe through the window system, as a user would: starts a copy
// of it in a fresh folder, types into its fields, presses its buttons, and reads and
// answers the boxes it shows. Every wait has a deadline; a failed wait throws, and a
// program still running is then ended.
#pragma once

#include <shlobj.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/TestUtil.h"

namespace e2e {

using testutil::TMessageBox;
using Failure = std::runtime_error;

// The program as built: Wine shows the build host's root as Z:.
inline std::wstring BuiltProgram() {
  std::wstring path = L"" ROWDEAL_EXE;
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return path[0] == L'\\' ? L"Z:" + path : path;
}

// A fresh folder holding a copy of the program; its settings file goes beside it.
struct Sandbox {
  Sandbox() {
    if (!CopyFileW(BuiltProgram().c_str(), Exe.c_str(), FALSE)) throw Failure("cannot copy the program");
  }
  testutil::TempDir Temp;
  const std::wstring Dir = Temp.Native().wstring() + L"\\";
  const std::wstring Exe = Dir + L"Rowdeal.exe", Ini = Dir + L"Rowdeal.ini";
};

// The split job's success message, every name listed.
inline std::wstring SuccessText(const std::wstring& outputDir, int n, const std::wstring& base) {
  std::wstring text = L"文件拆分成功! 在原始文件所在路径的 " + outputDir + L" 子路径下自动生成了如下 " +
                      std::to_wstring(n) + L" 个新文件:\r\n\r\n";
  for (int i = 1; i <= n; ++i) text += base + L"-" + std::to_wstring(i) + L".txt\r\n";
  return text;
}

// One run of the program, from start to exit.
class App {
 public:
  App(const std::wstring& exe, const std::wstring& workingDir, const std::wstring& arguments = L"") {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring command = L"\"" + exe + L"\" " + arguments;
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, workingDir.c_str(), &startup,
                        &Process)) {
      throw Failure("cannot start the program");
    }
    Dialog = testutil::WaitForWindow(Process.dwProcessId,
                                     [](HWND w) { return testutil::WindowText(w) == L"" ROWDEAL_CAPTION; }, 30000);
    if (Dialog == nullptr) {
      Close();
      throw Failure("the dialog did not appear");
    }
  }
  ~App() { Close(); }

  HWND Item(int id) const { return GetDlgItem(Dialog, id); }
  // Where the dialog's top left corner is on the screen.
  POINT At() const {
    RECT r{};
    GetWindowRect(Dialog, &r);
    return {r.left, r.top};
  }
  std::wstring ItemText(int id) const { return testutil::WindowText(Item(id)); }
  void SetItemText(int id, const std::wstring& text) const { Send(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())); }
  // Empties the field and types the text into it, key by key.
  void Type(int id, const std::wstring& text) const {
    SetItemText(id, L"");
    for (wchar_t c : text) Send(Item(id), WM_CHAR, c, 1);
  }
  // Posted: the program may then show a modal box.
  void Press(int id) const { testutil::Click(Dialog, id); }

  // Drops the files on the dialog, as from Explorer: the block goes into the program's
  // memory, where WM_DROPFILES must point.
  void DropFiles(const std::vector<std::wstring>& paths) const {
    std::wstring names;
    for (const auto& path : paths) names += path + L'\0';
    const DROPFILES header{sizeof header, {}, FALSE, TRUE};
    std::string block(reinterpret_cast<const char*>(&header), sizeof header);
    block.append(reinterpret_cast<const char*>(names.c_str()), (names.size() + 1) * sizeof(wchar_t));
    void* remote = VirtualAllocEx(Process.hProcess, nullptr, block.size(), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!remote || !WriteProcessMemory(Process.hProcess, remote, block.data(), block.size(), nullptr)) {
      throw Failure("cannot hand the dropped names to the program");
    }
    Send(Dialog, WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0);
  }

  // Every later run waits before it replaces any file, until cancelled (the test hold).
  void HoldRuns() {
    Hold = CreateEventW(nullptr, TRUE, FALSE, (L"Local\\Rowdeal-e2e-hold-" + std::to_wstring(Process.dwProcessId)).c_str());
  }

  // Clicks an arrow of an up-down control.
  void ClickSpin(int id, bool up) const {
    RECT r{};
    GetClientRect(Item(id), &r);
    const LPARAM at = MAKELPARAM(r.right / 2, up ? r.bottom / 4 : r.bottom * 3 / 4);
    for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP}) Send(Item(id), message, message == WM_LBUTTONDOWN, at);
  }

  // The message box the program shows next, and pressing one of its buttons.
  TMessageBox WaitMessageBox() const {
    TMessageBox box = testutil::WaitForMessageBox(Process.dwProcessId);
    if (box.Window == nullptr) throw Failure("no message box appeared");
    return box;
  }
  void Answer(const TMessageBox& box, int button = IDOK) const {
    testutil::Click(box.Window, button);
    if (!testutil::WaitUntil([&] { return !IsWindow(box.Window); })) throw Failure("the message box stayed");
  }
  // Presses the execute button and answers the box that follows.
  TMessageBox RunJob() const {
    Press(IDC_EXECUTE);
    const TMessageBox box = WaitMessageBox();
    Answer(box);
    return box;
  }

  // Opens the file dialog, types into its name field and presses Open (or, for an empty
  // text, Cancel), and waits until it is gone. Answers the name it proposed when it opened.
  std::wstring Browse(const std::wstring& typed) const {
    Press(IDC_BROWSE);
    HWND dialog = testutil::WaitForWindow(Process.dwProcessId, testutil::IsFileDialog);
    if (dialog == nullptr) throw Failure("no open-file dialog appeared");
    HWND field = GetDlgItem(dialog, 0x47C) ? GetDlgItem(dialog, 0x47C) : GetDlgItem(dialog, 0x480);
    const std::wstring proposed = testutil::WindowText(field);
    if (!typed.empty()) Send(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()));
    testutil::Click(dialog, typed.empty() ? IDCANCEL : IDOK);
    if (!testutil::WaitUntil([&] { return !IsWindow(dialog); })) throw Failure("the open-file dialog stayed");
    return proposed;
  }

  // Waits for the program to end; its exit code.
  DWORD WaitExit() const {
    DWORD code = 99;
    if (WaitForSingleObject(Process.hProcess, 20000) != WAIT_OBJECT_0) throw Failure("the program did not end");
    GetExitCodeProcess(Process.hProcess, &code);
    return code;
  }

  PROCESS_INFORMATION Process{};
  HWND Dialog = nullptr;

 private:
  static void Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 10000, &result)) {
      throw Failure("the program does not answer message " + std::to_string(message));
    }
  }
  void Close() {
    if (WaitForSingleObject(Process.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(Process.hProcess, 99);
    WaitForSingleObject(Process.hProcess, 20000);
    CloseHandle(Process.hThread);
    CloseHandle(Process.hProcess);
    if (Hold) CloseHandle(Hold);
  }
  HANDLE Hold = nullptr;
};

}  // namespace e2e
