#include "tests/e2e/Driver.h"

#include <commctrl.h>
#include <shlobj.h>

#include <regex>
#include <vector>

namespace e2e {
namespace {

constexpr DWORD kStartDeadline = 30000;
constexpr DWORD kDeadline = 20000;
constexpr DWORD kSendTimeout = 10000;

std::wstring FromUtf8(const std::string& bytes) {
  if (bytes.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring out(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
  return out;
}

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

// A path of the build host as the program sees it: Wine shows the Unix root as Z:.
std::wstring HostPath(const char* path) {
  std::wstring p = FromUtf8(path);
  if (!p.empty() && p[0] == L'/') {
    p = L"Z:" + p;
    for (auto& c : p) {
      if (c == L'/') c = L'\\';
    }
  }
  return p;
}

template <class Pred>
bool WaitUntil(Pred pred, DWORD deadline) {
  DWORD start = GetTickCount();
  for (;;) {
    if (pred()) return true;
    if (GetTickCount() - start > deadline) return false;
    Sleep(20);
  }
}

struct FindState {
  DWORD Pid;
  bool (*Match)(HWND, const App&);
  const App* Owner;
  HWND Found;
};

BOOL CALLBACK FindTopLevel(HWND window, LPARAM param) {
  auto* state = reinterpret_cast<FindState*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == state->Pid && IsWindowVisible(window) && state->Match(window, *state->Owner)) {
    state->Found = window;
    return FALSE;
  }
  return TRUE;
}

bool IsDialogClass(HWND window) { return ClassOf(window) == L"#32770"; }

BOOL CALLBACK FindEdit(HWND child, LPARAM param) {
  if (ClassOf(child) != L"Edit") return TRUE;
  *reinterpret_cast<HWND*>(param) = child;
  return FALSE;
}

// The open-file dialog's name field: an edit, or the edit inside its (nested) combo box.
HWND FileNameField(HWND dialog) {
  if (HWND edit = GetDlgItem(dialog, 0x480)) return edit;
  HWND edit = nullptr;
  if (HWND combo = GetDlgItem(dialog, 0x47C)) EnumChildWindows(combo, FindEdit, reinterpret_cast<LPARAM>(&edit));
  return edit;
}

bool IsMainDialog(HWND window, const App&) {
  return IsDialogClass(window) && std::regex_match(WindowText(window), std::wregex(L"Rowdeal 1\\.2( - \\d+%)?"));
}

bool IsOpenDialog(HWND window, const App& app) {
  return window != app.Dialog() && IsDialogClass(window) && FileNameField(window) != nullptr;
}

bool IsMessageBox(HWND window, const App& app) {
  return window != app.Dialog() && IsDialogClass(window) && FileNameField(window) == nullptr &&
         (GetDlgItem(window, IDOK) != nullptr || GetDlgItem(window, IDYES) != nullptr);
}

BOOL CALLBACK FindMessageText(HWND child, LPARAM param) {
  auto* text = reinterpret_cast<std::wstring*>(param);
  LONG style = GetWindowLongW(child, GWL_STYLE);
  if (ClassOf(child) == L"Static" && (style & SS_TYPEMASK) != SS_ICON) {
    std::wstring t = WindowText(child);
    if (!t.empty()) {
      *text = t;
      return FALSE;
    }
  }
  return TRUE;
}

// Under Wine without a window manager, closing a managed window waits two seconds for
// a manager that never answers. The tests' own Wine prefix lets Wine manage windows
// itself; a Windows system has no such key and no such wait.
void LetWineManageWindows() {
  static bool done = false;
  if (done) return;
  done = true;
  if (!GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) return;
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\X11 Driver", 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      &key, nullptr) == ERROR_SUCCESS) {
    RegSetValueExW(key, L"Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"N"), 2 * sizeof(wchar_t));
    RegCloseKey(key);
  }
}

}  // namespace

std::wstring BuiltProgram() { return HostPath(ROWDEAL_EXE); }
std::wstring FixtureDir() { return HostPath(ROWDEAL_E2E_FIXTURES); }

std::wstring WindowText(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeout, &length)) {
    throw Failure("a window does not answer WM_GETTEXTLENGTH");
  }
  std::vector<wchar_t> buffer(length + 1);
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                      SMTO_ABORTIFHUNG, kSendTimeout, &copied);
  return std::wstring(buffer.data(), copied);
}

bool ShowsProgress(const std::wstring& caption) {
  return std::regex_match(caption, std::wregex(L"Rowdeal 1\\.2 - (100|[1-9]?[0-9])%"));
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

// ---- Sandbox and files ----

Sandbox::Sandbox() {
  static int counter = 0;
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  Dir = std::wstring(temp) + L"rowdeal-e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
        std::to_wstring(++counter) + L"\\";
  RemoveTree(Dir);
  MakeDirectory(Dir);
  if (!CopyFileW(BuiltProgram().c_str(), Exe().c_str(), FALSE)) {
    throw Failure("cannot copy the program from " + Narrow(BuiltProgram()));
  }
}

Sandbox::~Sandbox() { RemoveTree(Dir); }

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) throw Failure("cannot write " + Narrow(path));
  DWORD written = 0;
  BOOL ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(f);
  if (!ok || written != bytes.size()) throw Failure("cannot write " + Narrow(path));
}

std::string ReadFileBytes(const std::wstring& path) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) throw Failure("cannot read " + Narrow(path));
  std::string out;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(f, buffer, sizeof buffer, &got, nullptr) && got > 0) out.append(buffer, got);
  CloseHandle(f);
  return out;
}

bool FileExists(const std::wstring& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::wstring& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void MakeDirectory(const std::wstring& path) {
  if (!CreateDirectoryW(path.c_str(), nullptr) && !DirectoryExists(path)) {
    throw Failure("cannot make the folder " + Narrow(path));
  }
}

void RemoveTree(const std::wstring& path) {
  std::wstring dir = path;
  if (!dir.empty() && dir.back() == L'\\') dir.pop_back();
  WIN32_FIND_DATAW item;
  HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &item);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = item.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring full = dir + L"\\" + name;
      if (item.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(full);
      } else {
        SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(full.c_str());
      }
    } while (FindNextFileW(find, &item));
    FindClose(find);
  }
  RemoveDirectoryW(dir.c_str());
}

std::string Ansi(const std::wstring& text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(n, '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring FromAnsi(const std::string& bytes) {
  if (bytes.empty()) return {};
  int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring out(n, L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
  return out;
}

TSettings ReadSettings(const std::wstring& path) {
  // The platform writes a new settings file in the ANSI code page.
  const std::wstring text = FromAnsi(ReadFileBytes(path));
  TSettings settings;
  std::wstring section;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find(L'\n', pos);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    if (line.size() >= 2 && line.front() == L'[' && line.back() == L']') {
      section = line.substr(1, line.size() - 2);
      settings[section];
    } else if (std::size_t eq = line.find(L'='); eq != std::wstring::npos) {
      settings[section][line.substr(0, eq)] = line.substr(eq + 1);
    }
  }
  return settings;
}

void WriteSettings(const std::wstring& path, const std::wstring& lines) {
  std::wstring text;
  std::size_t pos = 0;
  while (pos < lines.size()) {
    std::size_t end = lines.find(L'\n', pos);
    if (end == std::wstring::npos) end = lines.size();
    text += lines.substr(pos, end - pos) + L"\r\n";
    pos = end + 1;
  }
  WriteFileBytes(path, Ansi(text));
}

std::wstring SuccessText(const std::wstring& outputDir, int n, const std::wstring& base, const std::wstring& ext) {
  std::wstring text = L"文件拆分成功! 在原始文件所在路径的 " + outputDir + L" 子路径下自动生成了如下 " +
                      std::to_wstring(n) + L" 个新文件:\r\n\r\n";
  for (int i = 1; i <= n; ++i) text += base + L"-" + std::to_wstring(i) + L"." + ext + L"\r\n";
  return text;
}

RECT TemplateRect() {
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&classes);
  HMODULE program = LoadLibraryExW(BuiltProgram().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  HRSRC found = FindResourceW(program, MAKEINTRESOURCEW(2), RT_DIALOG);
  if (!found) throw Failure("the program has no dialog template 2");
  auto* dialogTemplate = static_cast<LPCDLGTEMPLATEW>(LockResource(LoadResource(program, found)));
  DLGPROC ignore = [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; };
  HWND dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), dialogTemplate, nullptr, ignore, 0);
  RECT r{};
  GetWindowRect(dialog, &r);
  DestroyWindow(dialog);
  FreeLibrary(program);
  return r;
}

// ---- App ----

App::App(const std::wstring& exe, const std::wstring& workingDir, const std::wstring& arguments) {
  LetWineManageWindows();
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  std::wstring command = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
  if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, workingDir.c_str(),
                      &startup, &Process_)) {
    throw Failure("cannot start " + Narrow(exe));
  }
  FindState state{Process_.dwProcessId, IsMainDialog, this, nullptr};
  bool found = WaitUntil(
      [&] {
        EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&state));
        return state.Found != nullptr || WaitForSingleObject(Process_.hProcess, 0) == WAIT_OBJECT_0;
      },
      kStartDeadline);
  if (!found || state.Found == nullptr) {
    TerminateProcess(Process_.hProcess, 99);
    CloseHandle(Process_.hThread);
    CloseHandle(Process_.hProcess);
    throw Failure("the dialog \"Rowdeal 1.2\" did not appear");
  }
  Dialog_ = state.Found;
}

App::~App() {
  if (WaitForSingleObject(Process_.hProcess, 0) != WAIT_OBJECT_0) {
    TerminateProcess(Process_.hProcess, 99);
    WaitForSingleObject(Process_.hProcess, kDeadline);
  }
  CloseHandle(Process_.hThread);
  CloseHandle(Process_.hProcess);
  if (Hold_) CloseHandle(Hold_);
}

void App::HoldRuns() {
  const std::wstring name = L"Local\\Rowdeal-e2e-hold-" + std::to_wstring(Process_.dwProcessId);
  if (!Hold_) Hold_ = CreateEventW(nullptr, TRUE, FALSE, name.c_str());
  if (!Hold_) throw Failure("cannot make the hold event");
}

void App::Type(int id, const std::wstring& text) {
  SetItemText(id, L"");
  for (wchar_t c : text) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(Item(id), WM_CHAR, c, 1, SMTO_ABORTIFHUNG, kSendTimeout, &result)) {
      throw Failure("control " + std::to_string(id) + " does not take typing");
    }
  }
}

// The DROPFILES block goes into the program's memory, where WM_DROPFILES must point.
void App::DropFiles(const std::vector<std::wstring>& paths) {
  std::wstring names;
  for (const auto& path : paths) names += path + L'\0';
  names += L'\0';
  DROPFILES header{};
  header.pFiles = sizeof header;
  header.fWide = TRUE;
  std::string block(reinterpret_cast<const char*>(&header), sizeof header);
  block.append(reinterpret_cast<const char*>(names.data()), names.size() * sizeof(wchar_t));
  void* remote = VirtualAllocEx(Process_.hProcess, nullptr, block.size(), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (!remote || !WriteProcessMemory(Process_.hProcess, remote, block.data(), block.size(), nullptr)) {
    throw Failure("cannot hand the dropped names to the program");
  }
  DWORD_PTR result = 0;
  SendMessageTimeoutW(Dialog_, WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0, SMTO_ABORTIFHUNG, kSendTimeout, &result);
}

HWND App::Item(int id) const {
  HWND item = GetDlgItem(Dialog_, id);
  if (!item) throw Failure("the dialog has no control " + std::to_string(id));
  return item;
}

RECT App::Bounds() const {
  RECT r{};
  GetWindowRect(Dialog_, &r);
  return r;
}

std::wstring App::ItemText(int id) const { return WindowText(Item(id)); }

void App::SetItemText(int id, const std::wstring& text) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                           kSendTimeout, &result)) {
    throw Failure("control " + std::to_string(id) + " does not take its text");
  }
}

void App::Press(int id) { PostMessageW(Item(id), BM_CLICK, 0, 0); }

void App::PostKey(HWND window, UINT key) {
  UINT scan = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
  PostMessageW(window, WM_KEYDOWN, key, 1 | (scan << 16));
  PostMessageW(window, WM_KEYUP, key, 1 | (scan << 16) | 0xC0000000u);
}

void App::ClickSpin(int id, bool up) {
  HWND spin = Item(id);
  RECT r{};
  GetClientRect(spin, &r);
  LPARAM at = MAKELPARAM((r.right - r.left) / 2, up ? (r.bottom - r.top) / 4 : (r.bottom - r.top) * 3 / 4);
  DWORD_PTR result = 0;
  SendMessageTimeoutW(spin, WM_LBUTTONDOWN, MK_LBUTTON, at, SMTO_ABORTIFHUNG, kSendTimeout, &result);
  SendMessageTimeoutW(spin, WM_LBUTTONUP, 0, at, SMTO_ABORTIFHUNG, kSendTimeout, &result);
}

HWND App::WaitForWindow(bool (*match)(HWND, const App&), const char* what) const {
  FindState state{Process_.dwProcessId, match, this, nullptr};
  if (!WaitUntil(
          [&] {
            state.Found = nullptr;
            EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&state));
            return state.Found != nullptr;
          },
          kDeadline)) {
    throw Failure(std::string("no ") + what + " appeared");
  }
  return state.Found;
}

namespace {

TMessageBox ReadBox(HWND window) {
  TMessageBox box;
  box.Window = window;
  box.Caption = WindowText(window);
  EnumChildWindows(window, FindMessageText, reinterpret_cast<LPARAM>(&box.Text));
  return box;
}

}  // namespace

TMessageBox App::WaitMessageBox() { return ReadBox(WaitForWindow(IsMessageBox, "message box")); }

bool App::FindMessageBox(TMessageBox& box) const {
  FindState state{Process_.dwProcessId, IsMessageBox, this, nullptr};
  EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&state));
  if (state.Found) box = ReadBox(state.Found);
  return state.Found != nullptr;
}

void App::PressButton(const TMessageBox& box, int id) {
  PostMessageW(GetDlgItem(box.Window, id), BM_CLICK, 0, 0);
  if (!WaitUntil([&] { return !IsWindow(box.Window); }, kDeadline)) {
    throw Failure("the message box did not close on button " + std::to_string(id));
  }
}

TMessageBox App::RunJob() {
  Press(103);
  TMessageBox box = WaitMessageBox();
  PressOk(box);
  return box;
}

std::wstring App::Browse(const std::wstring& typed) {
  Press(102);
  HWND dialog = WaitForWindow(IsOpenDialog, "open-file dialog");
  std::wstring proposed = WindowText(FileNameField(dialog));
  DWORD_PTR result = 0;
  SendMessageTimeoutW(FileNameField(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()),
                      SMTO_ABORTIFHUNG, kSendTimeout, &result);
  PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  if (!WaitUntil([&] { return !IsWindow(dialog); }, kDeadline)) {
    throw Failure("the open-file dialog did not close on Open");
  }
  return proposed;
}

void App::CancelBrowse() {
  Press(102);
  HWND dialog = WaitForWindow(IsOpenDialog, "open-file dialog");
  PostMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
  if (!WaitUntil([&] { return !IsWindow(dialog); }, kDeadline)) {
    throw Failure("the open-file dialog did not close on Cancel");
  }
}

DWORD App::WaitExit() {
  if (WaitForSingleObject(Process_.hProcess, kDeadline) != WAIT_OBJECT_0) {
    throw Failure("the program did not end");
  }
  DWORD code = 0;
  GetExitCodeProcess(Process_.hProcess, &code);
  return code;
}

}  // namespace e2e
