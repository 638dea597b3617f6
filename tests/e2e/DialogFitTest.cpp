// The main dialog at 100%, 125% and 150% scaling: every label, field, list and button
// shows its whole text on one line, measured in the control's own font (and so with the
// CJK font linked to it) with a tenth to spare for the wider fonts Windows links; each
// count field has room for eight digits beside its arrows; every control lies inside the
// dialog. Wine reads the resolution when a program starts, so this program starts itself
// once for each, and the dialog is the product's, built from its template and code.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>

#include "app/UMainDialog.h"
#include "res/resource.h"
#include "tests/TestUtil.h"

namespace {

constexpr UINT WM_MEASURE = WM_APP + 40;

std::string Utf8(const std::wstring& Text) { return testutil::Utf8({reinterpret_cast<const char16_t*>(Text.data()), Text.size()}); }

// Width and height of Text on one line in Control's font.
SIZE Needed(HWND Control, const std::wstring& Text) {
  const HDC dc = GetDC(Control);
  const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(Control, WM_GETFONT, 0, 0)));
  RECT r{};
  DrawTextW(dc, Text.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE);
  SelectObject(dc, old);
  ReleaseDC(Control, dc);
  return {r.right - r.left, r.bottom - r.top};
}

// Where Control shows its text, and the texts it must show there: each entry of a list;
// eight digits in a count; a path in the other fields.
std::vector<std::wstring> TextsAndArea(HWND Control, RECT& Area) {
  GetClientRect(Control, &Area);
  const std::wstring kind = testutil::ClassOf(Control);
  if (kind == L"Edit") {
    SendMessageW(Control, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&Area));
    const int id = GetDlgCtrlID(Control);
    return {id == IDC_HEADER_LINES || id == IDC_CYCLE_LINES ? L"99999999" : L"D:\\表格\\销售.csv"};
  }
  if (kind == L"ComboBox") {
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    GetComboBoxInfo(Control, &info);
    Area = info.rcItem;
    std::vector<std::wstring> entries;
    for (WPARAM i = 0; i < static_cast<WPARAM>(SendMessageW(Control, CB_GETCOUNT, 0, 0)); ++i) {
      std::wstring entry(SendMessageW(Control, CB_GETLBTEXTLEN, i, 0) + 1, L'\0');
      entry.resize(SendMessageW(Control, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(entry.data())));
      entries.push_back(entry);
    }
    return entries;
  }
  if (kind == L"Button") InflateRect(&Area, -GetSystemMetrics(SM_CXEDGE), -GetSystemMetrics(SM_CYEDGE));
  return {testutil::WindowText(Control)};
}

// The product's dialog, measured once it shows, with each way of splitting chosen in turn.
class TMeasured : public TMainDialog {
 public:
  TMeasured() : TMainDialog(nullptr) {}
  void OnInitialize() override {
    TMainDialog::OnInitialize();
    PostMessageW(Handle, WM_MEASURE, 0, 0);
  }
  LRESULT MessageProc(UINT AMessage, WPARAM WParam, LPARAM LParam) override {
    if (AMessage != WM_MEASURE) return TMainDialog::MessageProc(AMessage, WParam, LParam);
    for (WPARAM mode = 0; mode < 4; ++mode) {
      SendMessageW(GetItem(IDC_MODE), CB_SETCURSEL, mode, 0);
      SendMessageW(Handle, WM_COMMAND, MAKEWPARAM(IDC_MODE, CBN_SELCHANGE), reinterpret_cast<LPARAM>(GetItem(IDC_MODE)));
      for (HWND c = GetWindow(Handle, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) Check(c);
    }
    EndDialog(Handle, 1);  // no settings written
    return 1;
  }

 private:
  void Check(HWND Control) {
    RECT outer{}, client{}, area{};
    GetWindowRect(Control, &outer);
    MapWindowPoints(nullptr, Handle, reinterpret_cast<POINT*>(&outer), 2);
    GetClientRect(Handle, &client);
    const std::string name = std::to_string(GetDlgCtrlID(Control)) + " " + Utf8(testutil::WindowText(Control));
    EXPECT_TRUE(outer.left >= 0 && outer.top >= 0 && outer.right <= client.right && outer.bottom <= client.bottom)
        << name << " lies outside the dialog";
    if (testutil::ClassOf(Control) == UPDOWN_CLASSW) return;
    for (const std::wstring& text : TextsAndArea(Control, area)) {
      const SIZE needed = Needed(Control, text);
      EXPECT_LE(needed.cx * 11 / 10, area.right - area.left) << name << ": " << Utf8(text) << " is wider";
      EXPECT_LE(needed.cy, area.bottom - area.top) << name << ": " << Utf8(text) << " is higher";
    }
  }
};

}  // namespace

TEST(DialogFit, EveryTextShowsWholeOnOneLineAt100_125And150Percent) {
  if (const char* dpi = std::getenv("ROWDEAL_FIT_DPI")) {
    const HDC screen = GetDC(nullptr);
    ASSERT_EQ(GetDeviceCaps(screen, LOGPIXELSX), std::atoi(dpi)) << "Wine took another resolution";
    ReleaseDC(nullptr, screen);
    EXPECT_TRUE(TMeasured().Execute());
    return;
  }
  // The prefix's resolution for each start, and as it was afterwards.
  struct TLogPixels {
    HKEY Key = nullptr;
    DWORD Before = 0, Size = sizeof Before;
    bool Had = false;
    TLogPixels() {
      RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &Key);
      Had = RegQueryValueExW(Key, L"LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&Before), &Size) == 0;
    }
    void Set(const DWORD& Dpi) const {
      RegSetValueExW(Key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&Dpi), sizeof Dpi);
    }
    ~TLogPixels() {
      Had ? Set(Before) : (void)RegDeleteValueW(Key, L"LogPixels");
      RegCloseKey(Key);
    }
  } const logPixels;
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  for (const DWORD dpi : {96, 120, 144}) {
    logPixels.Set(dpi);
    SetEnvironmentVariableW(L"ROWDEAL_FIT_DPI", std::to_wstring(dpi).c_str());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    DWORD code = 99;
    if (CreateProcessW(self, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child)) {
      WaitForSingleObject(child.hProcess, 60000);
      TerminateProcess(child.hProcess, 99);  // unless it has ended
      GetExitCodeProcess(child.hProcess, &code);
      CloseHandle(child.hThread);
      CloseHandle(child.hProcess);
    }
    EXPECT_EQ(code, 0u) << "at " << dpi << " dpi (its findings above)";
  }
  SetEnvironmentVariableW(L"ROWDEAL_FIT_DPI", nullptr);
}
