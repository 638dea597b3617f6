#include "tests/e2e/Driver.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

namespace e2e {
namespace {

constexpr DWORD kStartDeadline = 30000;

// A path of the build host as the program sees it: Wine shows the Unix root as Z:.
std::wstring HostPath(const std::string& path) {
  std::wstring p(path.begin(), path.end());
  if (p.empty() || p[0] != L'/') return p;
  for (auto& c : p) c = c == L'/' ? L'\\' : c;
  return L"Z:" + p;
}

}  // namespace

std::wstring BuiltProgram() { return HostPath(ROWDEAL_EXE); }

Sandbox::Sandbox() : Dir(Temp.Native().wstring() + L"\\") {
  if (!CopyFileW(BuiltProgram().c_str(), Exe().c_str(), FALSE)) throw Failure("cannot copy the program");
}

std::string Ansi(const std::wstring& text) {
  const int size = static_cast<int>(text.size());
  std::string out(static_cast<std::size_t>(WideCharToMultiByte(CP_ACP, 0, text.data(), size, nullptr, 0, nullptr, nullptr)), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), size, out.data(), static_cast<int>(out.size()), nullptr, nullptr);
  return out;
}

std::wstring SettingsOf(const std::wstring& ini) {
  // Lists of zero-terminated texts, ended by an empty one.
  std::vector<wchar_t> names(4096), keys(32768);
  GetPrivateProfileSectionNamesW(names.data(), 4095, ini.c_str());
  std::wstring settings;
  for (const wchar_t* name = names.data(); *name != 0; name += wcslen(name) + 1) {
    std::fill(keys.begin(), keys.end(), L'\0');
    GetPrivateProfileSectionW(name, keys.data(), 32767, ini.c_str());
    settings += L"[" + std::wstring(name) + L"]";
    for (const wchar_t* key = keys.data(); *key != 0; key += wcslen(key) + 1) settings += std::wstring(key) + L"|";
  }
  return settings;
}

RECT TemplateRect() {
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&classes);
  HMODULE program = LoadLibraryExW(BuiltProgram().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  HRSRC found = FindResourceW(program, MAKEINTRESOURCEW(IDD_MAIN), RT_DIALOG);
  if (found == nullptr) throw Failure("the program has no main dialog template");
  auto* dialogTemplate = static_cast<LPCDLGTEMPLATEW>(LockResource(LoadResource(program, found)));
  HWND dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), dialogTemplate, nullptr,
                                           [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
  RECT r{};
  GetWindowRect(dialog, &r);
  DestroyWindow(dialog);
  FreeLibrary(program);
  return r;
}

bool IsMainCaption(const std::wstring& caption) { return caption == L"" ROWDEAL_CAPTION || ShowsProgress(caption); }

bool ShowsProgress(const std::wstring& caption) {
  const std::wstring at = L"" ROWDEAL_CAPTION L" - ";
  return caption.size() > at.size() && caption.size() <= at.size() + 4 && caption.compare(0, at.size(), at) == 0 &&
         caption.back() == L'%' && std::stoi(caption.substr(at.size())) <= 100;
}

std::wstring SuccessText(const std::wstring& outputDir, int n, const std::wstring& base, const std::wstring& ext) {
  std::wstring text = L"文件拆分成功! 在原始文件所在路径的 " + outputDir + L" 子路径下自动生成了如下 " +
                      std::to_wstring(n) + L" 个新文件:\r\n\r\n";
  for (int i = 1; i <= n; ++i) text += base + L"-" + std::to_wstring(i) + L"." + ext + L"\r\n";
  return text;
}

App::App(const std::wstring& exe, const std::wstring& workingDir, const std::wstring& arguments) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  std::wstring command = L"\"" + exe + L"\" " + arguments;
  if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, workingDir.c_str(), &startup,
                      &Process_)) {
    throw Failure("cannot start the program");
  }
  Dialog_ = testutil::WaitForWindow(
      Process_.dwProcessId, [](HWND w) { return IsMainCaption(testutil::WindowText(w)); }, kStartDeadline);
  if (Dialog_ == nullptr) {
    TerminateProcess(Process_.hProcess, 99);
    CloseHandle(Process_.hThread);
    CloseHandle(Process_.hProcess);
    throw Failure("the dialog \"" ROWDEAL_CAPTION "\" did not appear");
  }
}

App::~App() {
  if (WaitForSingleObject(Process_.hProcess, 0) != WAIT_OBJECT_0) {
    TerminateProcess(Process_.hProcess, 99);
    WaitForSingleObject(Process_.hProcess, 20000);
  }
  CloseHandle(Process_.hThread);
  CloseHandle(Process_.hProcess);
  if (Hold_ != nullptr) CloseHandle(Hold_);
}

void App::HoldRuns() {
  const std::wstring name = L"Local\\Rowdeal-e2e-hold-" + std::to_wstring(Process_.dwProcessId);
  if (Hold_ == nullptr) Hold_ = CreateEventW(nullptr, TRUE, FALSE, name.c_str());
  if (Hold_ == nullptr) throw Failure("cannot make the hold event");
}

void App::Type(int id, const std::wstring& text) const {
  SetItemText(id, L"");
  DWORD_PTR result = 0;
  for (wchar_t c : text) SendMessageTimeoutW(Item(id), WM_CHAR, c, 1, SMTO_ABORTIFHUNG, 10000, &result);
}

// The DROPFILES block goes into the program's memory, where WM_DROPFILES must point.
void App::DropFiles(const std::vector<std::wstring>& paths) const {
  std::wstring names;
  for (const auto& path : paths) names += path + L'\0';
  DROPFILES header{};
  header.pFiles = sizeof header;
  header.fWide = TRUE;
  std::string block(reinterpret_cast<const char*>(&header), sizeof header);
  block.append(reinterpret_cast<const char*>(names.c_str()), (names.size() + 1) * sizeof(wchar_t));
  void* remote = VirtualAllocEx(Process_.hProcess, nullptr, block.size(), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (remote == nullptr || !WriteProcessMemory(Process_.hProcess, remote, block.data(), block.size(), nullptr)) {
    throw Failure("cannot hand the dropped names to the program");
  }
  DWORD_PTR result = 0;
  SendMessageTimeoutW(Dialog_, WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0, SMTO_ABORTIFHUNG, 10000, &result);
}

HWND App::Item(int id) const {
  HWND item = GetDlgItem(Dialog_, id);
  if (item == nullptr) throw Failure("the dialog has no control " + std::to_string(id));
  return item;
}

RECT App::Bounds() const {
  RECT r{};
  GetWindowRect(Dialog_, &r);
  return r;
}

void App::SetItemText(int id, const std::wstring& text) const {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 10000,
                           &result)) {
    throw Failure("control " + std::to_string(id) + " does not take its text");
  }
}

void App::PostKey(HWND window, UINT key) const {
  const LPARAM scan = MapVirtualKeyW(key, MAPVK_VK_TO_VSC) << 16;
  PostMessageW(window, WM_KEYDOWN, key, 1 | scan);
  PostMessageW(window, WM_KEYUP, key, 1 | scan | 0xC0000000u);
}

void App::ClickSpin(int id, bool up) const {
  RECT r{};
  GetClientRect(Item(id), &r);
  const LPARAM at = MAKELPARAM(r.right / 2, up ? r.bottom / 4 : r.bottom * 3 / 4);
  DWORD_PTR result = 0;
  SendMessageTimeoutW(Item(id), WM_LBUTTONDOWN, MK_LBUTTON, at, SMTO_ABORTIFHUNG, 10000, &result);
  SendMessageTimeoutW(Item(id), WM_LBUTTONUP, 0, at, SMTO_ABORTIFHUNG, 10000, &result);
}

HWND App::WaitFor(const std::function<bool(HWND)>& match, const char* what) const {
  HWND found = testutil::WaitForWindow(Process_.dwProcessId, match);
  if (found == nullptr) throw Failure(std::string("no ") + what + " appeared");
  return found;
}

testutil::TMessageBox App::WaitMessageBox() const {
  testutil::TMessageBox box = testutil::WaitForMessageBox(Process_.dwProcessId);
  if (box.Window == nullptr) throw Failure("no message box appeared");
  return box;
}

void App::PressOk(const testutil::TMessageBox& box, int button) const {
  testutil::Click(box.Window, button);
  if (!testutil::WaitUntil([&] { return !IsWindow(box.Window); })) throw Failure("the message box stayed");
}

bool App::ShowsMessageBox() const {
  return testutil::WaitForWindow(
             Process_.dwProcessId,
             [](HWND w) { return testutil::ClassOf(w) == L"#32770" && GetDlgItem(w, IDOK) != nullptr; }, 0) != nullptr;
}

testutil::TMessageBox App::RunJob() const {
  Press(IDC_EXECUTE);
  testutil::TMessageBox box = WaitMessageBox();
  PressOk(box);
  return box;
}

std::wstring App::Browse(const std::wstring& typed) const {
  Press(IDC_BROWSE);
  HWND dialog = WaitFor(testutil::IsFileDialog, "open-file dialog");
  // The name field: an edit, or the edit inside its (nested) combo box.
  HWND field = GetDlgItem(dialog, 0x480);
  if (field == nullptr) {
    EnumChildWindows(
        GetDlgItem(dialog, 0x47C),
        [](HWND child, LPARAM found) -> BOOL {
          if (testutil::ClassOf(child) != L"Edit") return TRUE;
          *reinterpret_cast<HWND*>(found) = child;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&field));
  }
  const std::wstring proposed = testutil::WindowText(field);
  if (typed.empty()) {
    testutil::Click(dialog, IDCANCEL);
  } else {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()), SMTO_ABORTIFHUNG, 10000, &result);
    testutil::Click(dialog, IDOK);
  }
  if (!testutil::WaitUntil([&] { return !IsWindow(dialog); })) throw Failure("the open-file dialog stayed");
  return proposed;
}

DWORD App::WaitExit() const {
  if (WaitForSingleObject(Process_.hProcess, 20000) != WAIT_OBJECT_0) throw Failure("the program did not end");
  DWORD code = 0;
  GetExitCodeProcess(Process_.hProcess, &code);
  return code;
}

}  // namespace e2e
