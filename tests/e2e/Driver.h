// Drives the real Rowdeal.exe through the window system, as a user would: starts a copy
// of it in a fresh folder, types into its fields, presses its buttons, and reads and
// answers the boxes it shows. Every wait has a deadline, past which the driver throws or
// answers what no test expects; a program still running is then ended. The driver lives
// in this header alone, and the test fixture that starts each test afresh with it. Strings,
// paths and vectors come with the shared helpers.
#pragma once

#include <gtest/gtest.h>
#include <shlobj.h>
#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "engine/UMergeResult.h"
#include "engine/USplitResult.h"
#include "res/resource.h"
#include "tests/TestUtil.h"

namespace e2e {

using Failure = std::runtime_error;

// The program as built: Wine shows the build host's root as Z:.
inline std::wstring BuiltProgram() {
  std::wstring path = L"" ROWDEAL_EXE;
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return path[0] == L'\\' ? L"Z:" + path : path;
}

// The split job's success message for <base>-1.txt to <base>-<n>.txt, every name listed.
inline std::wstring SuccessText(const std::wstring& outputDir, int n, const std::wstring& base) {
  const std::u16string text = testutil::SuccessMessage(std::u16string(outputDir.begin(), outputDir.end()), n,
                                                       std::u16string(base.begin(), base.end()), u"txt");
  return {text.begin(), text.end()};
}

// The merge's success message for the merged file and its data records, without notes.
inline std::wstring MergedText(const std::wstring& output, std::int64_t records) {
  TMergeResult result;
  result.Output.assign(output.begin(), output.end());
  result.Records = records;
  const std::u16string text = MergeSuccessText(result);
  return {text.begin(), text.end()};
}

// One run of the program, from start to exit.
class App {
 public:
  App(const std::wstring& exe, const std::wstring& workingDir, const std::wstring& arguments) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring command = L"\"" + exe + L"\" " + arguments;
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, workingDir.c_str(), &startup,
                        &Process))
      throw Failure("cannot start the program");
    Dialog = testutil::WaitForWindow(Process.dwProcessId,
                                     [](HWND w) { return testutil::WindowText(w) == L"" ROWDEAL_CAPTION; }, 30000);
    if (Dialog == nullptr) {
      TerminateProcess(Process.hProcess, 99);
      throw Failure("the dialog did not appear");
    }
  }
  ~App() {
    TerminateProcess(Process.hProcess, 99);  // unless it has ended
    WaitForSingleObject(Process.hProcess, 20000);
    CloseHandle(Process.hThread);
    CloseHandle(Process.hProcess);
    for (HANDLE event : {Hold, HoldAfter, HoldFields}) {
      if (event) CloseHandle(event);
    }
  }

  HWND Item(int id) const { return GetDlgItem(Dialog, id); }
  std::wstring ItemText(int id) const { return testutil::WindowText(Item(id)); }
  void SetItemText(int id, const std::wstring& text) const {
    Send(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  // Empties the field and types the text into it, key by key.
  void Type(int id, const std::wstring& text) const {
    SetItemText(id, L"");
    for (wchar_t c : text) Send(Item(id), WM_CHAR, c, 1);
  }
  // Posted: the program may then show a modal box.
  void Press(int id) const { testutil::Click(Dialog, id); }
  // Where the dialog's top left corner is on the screen.
  std::pair<LONG, LONG> At() const {
    RECT r{};
    GetWindowRect(Dialog, &r);
    return {r.left, r.top};
  }

  // Drops the files on the dialog, as from Explorer: the block goes into the program's
  // memory, where WM_DROPFILES must point.
  void DropFiles(const std::vector<std::wstring>& paths) const {
    const DROPFILES header{sizeof header, {}, FALSE, TRUE};
    std::wstring block(reinterpret_cast<const wchar_t*>(&header), sizeof header / sizeof(wchar_t));
    for (const auto& path : paths) block += path + L'\0';
    const std::size_t size = (block.size() + 1) * sizeof(wchar_t);
    void* remote = VirtualAllocEx(Process.hProcess, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!remote || !WriteProcessMemory(Process.hProcess, remote, block.c_str(), size, nullptr)) throw Failure("no drop");
    Send(Dialog, WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0);
  }

  // The grey text an empty field shows: read through the program's memory, as the window
  // system carries no such text between programs.
  std::wstring Cue(int id) const {
    constexpr std::size_t units = 260;
    void* remote = VirtualAllocEx(Process.hProcess, nullptr, units * sizeof(wchar_t), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    std::wstring cue(units, L'\0');
    if (!remote) throw Failure("no memory for the cue");
    Send(Item(id), EM_GETCUEBANNER, reinterpret_cast<WPARAM>(remote), units);
    ReadProcessMemory(Process.hProcess, remote, cue.data(), units * sizeof(wchar_t), nullptr);
    VirtualFreeEx(Process.hProcess, remote, 0, MEM_RELEASE);
    return cue.c_str();
  }

  // Starts a split held by the program's test seams: Before, until answered or
  // cancelled, before it replaces any file; After, until ReleaseAfter, once it has
  // replaced them and before it reports. Whether the caption then shows how far it came:
  // every line dealt and half of the files (those still to be put in place), or all.
  bool StartHeldRun(bool Before, bool After = false) {
    if (Before) HoldRuns();
    if (After) HoldAfter = TestEvent(L"hold-after");
    Press(IDC_EXECUTE);
    return ShowsPercent(Before ? 50 : 100);
  }
  bool ShowsPercent(int percent) const {
    const std::wstring caption = L"" ROWDEAL_CAPTION L" - " + std::to_wstring(percent) + L"%";
    return testutil::WaitUntil([&] { return testutil::WindowText(Dialog) == caption; });
  }
  void ReleaseAfter() const { SetEvent(HoldAfter); }
  // The run's bar and its line, as "50%|已处理 ..."; empty while they are hidden. (The
  // bar's paused and error states only colour it, and Wine does not keep them.)
  std::wstring Progress() const {
    const HWND bar = Item(IDC_PROGRESS);
    if (!IsWindowVisible(bar) && !IsWindowVisible(Item(IDC_PROGRESS_TEXT))) return L"";
    if (!IsWindowVisible(bar) || !IsWindowVisible(Item(IDC_PROGRESS_TEXT))) return L"bar or line hidden";
    return std::to_wstring(SendMessageW(bar, PBM_GETPOS, 0, 0)) + L"%|" + ItemText(IDC_PROGRESS_TEXT);
  }
  // Holds every run from now on before it replaces any file, until the cancel question
  // is answered.
  void HoldRuns() {
    if (!Hold) Hold = TestEvent(L"hold");
  }
  // Holds every reading aside (the header's fields, the merged file's default name) from
  // now on, as on a share that does not answer, until ReleaseReadings.
  void HoldReadings() {
    if (!HoldFields) HoldFields = TestEvent(L"hold-fields");
    ResetEvent(HoldFields);
  }
  void ReleaseReadings() const { SetEvent(HoldFields); }

  // Presses a key in a control, and waits until the control has taken it.
  void Key(int id, UINT key) const { Send(Item(id), WM_KEYDOWN, key, 0); }

  // The message box the program shows next (none: no window, no texts), and pressing one
  // of its buttons; its caption and text, as "caption|text".
  testutil::TMessageBox NextBox() const { return testutil::WaitForMessageBox(Process.dwProcessId); }
  std::wstring Answer(int button = IDOK) const {
    const auto box = testutil::AnswerNextBox(Process.dwProcessId, button);
    return box.Caption + L"|" + box.Text;
  }
  // Presses the execute button and answers the box that follows.
  std::wstring RunJob() const {
    Press(IDC_EXECUTE);
    return Answer();
  }

  // Opens the file dialog (or with IDC_BROWSE_OUT the folder picker), types into its name
  // field and presses Open (or, for an empty text, Cancel), and waits until it is gone.
  // Answers the name it proposed when it opened. A name that is not in the folder shown
  // makes it ask whether to create the file, and stay: the program's own open-file dialog
  // finds the name, or this throws.
  std::wstring Browse(const std::wstring& typed, int button = IDC_BROWSE) const {
    Press(button);
    HWND dialog = testutil::WaitForWindow(Process.dwProcessId, testutil::FileNameField);
    const std::wstring proposed = testutil::WindowText(testutil::FileNameField(dialog));
    if (!typed.empty()) SetWindowTextW(testutil::FileNameField(dialog), typed.c_str());
    testutil::Click(dialog, typed.empty() ? IDCANCEL : IDOK);
    if (!dialog || !testutil::WaitUntil([&] { return !IsWindow(dialog); })) throw Failure("no file dialog, or it stayed");
    return proposed;
  }

  // Waits for the program to end; its exit code (STILL_ACTIVE when it does not end).
  DWORD WaitExit() const {
    DWORD code = WaitForSingleObject(Process.hProcess, 20000);
    return GetExitCodeProcess(Process.hProcess, &code) ? code : 99;
  }

  PROCESS_INFORMATION Process{};
  HWND Dialog = nullptr;

 private:
  static void Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 10000, nullptr)) return;
    throw Failure("the program does not answer message " + std::to_string(message));
  }
  HANDLE TestEvent(const std::wstring& kind) const {
    const std::wstring name = L"Local\\Rowdeal-e2e-" + kind + L"-" + std::to_wstring(Process.dwProcessId);
    return CreateEventW(nullptr, TRUE, FALSE, name.c_str());
  }
  HANDLE Hold = nullptr, HoldAfter = nullptr, HoldFields = nullptr;
};

// Picks way Mode (none for -1) with the keys, as a user does; what the list, the label and
// the field then show.
inline std::wstring Choose(const App& app, int mode) {
  for (int i = mode >= 0 ? -1 : 0; i < mode; ++i) app.Key(IDC_MODE, i < 0 ? VK_HOME : VK_DOWN);
  return app.ItemText(IDC_MODE) + L"|" + app.ItemText(IDC_COUNT_LABEL) + L"|" + app.ItemText(IDC_CYCLE_LINES);
}

// The column way's list: its entries, the one chosen after a colon, or "number" when the
// number field shows in its place.
inline std::wstring Columns(const App& app) {
  const HWND list = app.Item(IDC_COLUMN);
  if (!IsWindowVisible(list)) return IsWindowVisible(app.Item(IDC_CYCLE_LINES)) ? L"number" : L"neither";
  std::wstring entries;
  const auto count = SendMessageW(list, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = SendMessageW(list, CB_GETLBTEXTLEN, i, 0);
    if (length < 0) return L"changing";  // emptied meanwhile
    std::wstring entry(static_cast<std::size_t>(length) + 1, L'\0');
    entry.resize(static_cast<std::size_t>(std::max<LRESULT>(
        0, SendMessageW(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(entry.data())))));
    entries += entry + L"|";
  }
  return entries + L":" + std::to_wstring(SendMessageW(list, CB_GETCURSEL, 0, 0));
}

// A fresh folder holding a copy of the program (its settings file goes beside it) and a
// folder for tables, from which the program is started.
class Session : public ::testing::Test {
 protected:
  Session() {
    // Once, in a freshly made prefix, the copy failed on its first try: it is given a few
    // seconds, and a failure names Windows' own error.
    DWORD error = ERROR_SUCCESS;
    const auto copied = [&] { return CopyFileW(BuiltProgram().c_str(), Exe.c_str(), FALSE) || ((error = GetLastError()), false); };
    if (!testutil::WaitUntil(copied, 5000)) throw Failure("cannot copy the program: error " + std::to_string(error));
    std::filesystem::create_directory(Tables);
  }
  std::unique_ptr<App> Start(const std::wstring& workingDir = {}, const std::wstring& arguments = {}) {
    return std::make_unique<App>(Exe, workingDir.empty() ? Dir : workingDir, arguments);
  }

  testutil::TempDir Temp;
  const std::wstring Dir = Temp.Native().wstring() + L"\\";
  const std::wstring Exe = Dir + L"Rowdeal.exe", Ini = Dir + L"Rowdeal.ini", Tables = Dir + L"tables\\";
};

}  // namespace e2e
