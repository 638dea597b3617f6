// What the test programs share: UTF-8 for readable messages, fresh temporary folders and
// whole files, a run's answer and a folder's contents, and on Windows the finding,
// reading and answering of the windows that a program under test shows. Add further
// shared helpers here, in a section of their own.
#pragma once

#include "platform/Platform.h"
#include "platform/TestSeams.h"
#include "platform/Utf8Encoding.h"
#include "support/UkxException.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include <vector>
#endif

namespace testutil {

// ---- Texts and files ----

inline std::string Utf8(std::u16string_view text) { return platform::Utf16ToUtf8(text); }

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A fresh folder for one test, removed with everything in it afterwards.
class TempDir {
 public:
  TempDir() {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = std::filesystem::temp_directory_path() /
            ("rowdeal-test-" + std::to_string(stamp) + "-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The path of Name inside the folder (the folder itself for none), as text and as a path.
  std::u16string Path(const std::string& Name = {}) const { return Native(Name).u16string(); }
  std::filesystem::path Native(const std::string& Name = {}) const { return Name.empty() ? path_ : path_ / Name; }

 private:
  std::filesystem::path path_;
};

// ---- Runs of the split and of the text file ----

// Everything under a folder: relative path to bytes; a folder's path ends in "/".
inline std::map<std::string, std::string> Contents(const std::filesystem::path& root) {
  std::map<std::string, std::string> seen;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    const std::string relative = std::filesystem::relative(entry.path(), root).generic_string();
    if (entry.is_directory()) {
      seen[relative + "/"] = "";
    } else {
      seen[relative] = entry.is_fifo() ? "a pipe" : ReadFile(entry.path());
    }
  }
  return seen;
}

// The text a run answers with, or "error: " and the message it raised.
inline std::string Outcome(const std::function<std::u16string()>& run) {
  try {
    return Utf8(run());
  } catch (const TkxException& e) {
    return "error: " + Utf8(e.Message);
  }
}

// The success message of a split into <base>-1.<ext> to <base>-<n>.<ext> (no dot without
// an extension), every name listed, then each note on a line of its own: beside the
// source, or InFolder a folder the user gave. Written out here, apart from the product's
// own text builder, for the tests to hold it to.
inline std::u16string SuccessMessage(const std::u16string& Folder, std::int64_t N, const std::u16string& Base,
                                     const std::u16string& Ext, const std::vector<std::u16string>& Notes = {},
                                     bool InFolder = false) {
  const auto decimal = [](std::int64_t i) {
    const std::string digits = std::to_string(i);
    return std::u16string(digits.begin(), digits.end());
  };
  std::u16string text = (InFolder ? u"文件拆分成功! 在 " : u"文件拆分成功! 在原始文件所在路径的 ") + Folder +
                        (InFolder ? u" 路径下自动生成了如下 " : u" 子路径下自动生成了如下 ") + decimal(N) +
                        u" 个新文件:\r\n\r\n";
  for (std::int64_t i = 1; i <= N; ++i) text += Base + u"-" + decimal(i) + (Ext.empty() ? u"" : u"." + Ext) + u"\r\n";
  for (const std::u16string& note : Notes) text += note + u"\r\n";
  return text;
}

// Switches both injected faults off at the end of a test, whatever happened.
struct FaultGuard {
  ~FaultGuard() {
    platform::InjectReadFault(-1);
    platform::InjectWriteFault(-1);
  }
};

#ifdef _WIN32
// ---- Windows of a program under test (this one or another) ----

// Polls Done every 20 ms until it holds or TimeoutMs have passed; whether it held.
inline bool WaitUntil(const std::function<bool()>& Done, DWORD TimeoutMs = 20000) {
  for (const DWORD start = GetTickCount();; Sleep(20)) {
    if (Done()) return true;
    if (GetTickCount() - start > TimeoutMs) return false;
  }
}

// A window's text, read so that a hung owner cannot block the test.
inline std::wstring WindowText(HWND Window) {
  DWORD_PTR length = 0;
  SendMessageTimeoutW(Window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 10000, &length);
  std::vector<wchar_t> buffer(length + 1);
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(Window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()), SMTO_ABORTIFHUNG,
                      10000, &copied);
  return std::wstring(buffer.data(), copied);
}

inline std::wstring ClassOf(HWND Window) {
  wchar_t name[256] = {};
  GetClassNameW(Window, name, 256);
  return name;
}

// The first visible top-level window of Process that Match accepts, waiting up to
// TimeoutMs for one; null when none appears.
inline HWND WaitForWindow(DWORD Process, const std::function<bool(HWND)>& Match, DWORD TimeoutMs = 20000) {
  struct TSearch {
    DWORD Process;
    const std::function<bool(HWND)>& Match;
    HWND Found = nullptr;
  } search{Process, Match};
  const auto visit = [](HWND window, LPARAM param) -> BOOL {
    auto& s = *reinterpret_cast<TSearch*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != s.Process || !IsWindowVisible(window) || !s.Match(window)) return TRUE;
    s.Found = window;
    return FALSE;
  };
  WaitUntil([&] { return !EnumWindows(visit, reinterpret_cast<LPARAM>(&search)) && search.Found != nullptr; },
            TimeoutMs);
  return search.Found;
}

// A message box as its user sees it.
struct TMessageBox {
  HWND Window = nullptr;
  std::wstring Caption;
  std::wstring Text;
  HWND Owner = nullptr;
};

// A file dialog's name field: a combo box, or an edit in older dialogs; null for any other window.
inline HWND FileNameField(HWND Window) {
  return GetDlgItem(Window, 0x47C) != nullptr ? GetDlgItem(Window, 0x47C) : GetDlgItem(Window, 0x480);
}

// The next message box of Process (a dialog with an OK or a Yes button that is no file
// dialog); Window stays null when none appears.
inline TMessageBox WaitForMessageBox(DWORD Process) {
  TMessageBox box;
  box.Window = WaitForWindow(Process, [](HWND w) {
    return ClassOf(w) == L"#32770" && (GetDlgItem(w, IDOK) || GetDlgItem(w, IDYES)) && !FileNameField(w);
  });
  if (box.Window == nullptr) return box;
  box.Caption = WindowText(box.Window);
  box.Text = WindowText(GetDlgItem(box.Window, 0xFFFF));
  box.Owner = GetWindow(box.Window, GW_OWNER);
  return box;
}

// Clicks a button of a dialog in any thread or process (posted: a modal loop may follow).
inline void Click(HWND Dialog, int Button) { PostMessageW(GetDlgItem(Dialog, Button), BM_CLICK, 0, 0); }

// Presses Button on the next message box of Process and waits until the box has gone; the box.
inline TMessageBox AnswerNextBox(DWORD Process, int Button = IDOK) {
  const TMessageBox box = WaitForMessageBox(Process);
  Click(box.Window, Button);
  WaitUntil([&] { return !IsWindow(box.Window); });
  return box;
}
#endif

}  // namespace testutil
