// The main dialog at 100%, 125% and 150% scaling: every label, field, list and button
// shows its whole text on one line, measured in the control's own font (and so with the
// CJK font linked to it) with a tenth to spare for the wider fonts Windows links; each
// count field has room for eight digits beside its arrows; every control lies inside the
// dialog. Wine reads the resolution when a program starts, so this program starts itself
// once for each, and the dialog is the product's, built from its template and code.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "app/UMainDialog.h"
#include "res/resource.h"
#include "tests/TestUtil.h"

namespace {

// Where Control shows its text, and the texts it must show there: each entry of a list,
// eight digits in a count, a path in the other fields.
std::vector<std::wstring> TextsAndArea(HWND Control, RECT& Area) {
  GetClientRect(Control, &Area);
  const std::wstring kind = testutil::ClassOf(Control);
  const int id = GetDlgCtrlID(Control);
  if (kind == L"Edit") SendMessageW(Control, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&Area));
  if (kind == L"Edit") return {id == IDC_HEADER_LINES || id == IDC_CYCLE_LINES ? L"99999999" : L"D:\\表格\\销售.csv"};
  if (kind == L"Button") InflateRect(&Area, -GetSystemMetrics(SM_CXEDGE), -GetSystemMetrics(SM_CYEDGE));
  if (kind != L"ComboBox") return {testutil::WindowText(Control)};
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  GetComboBoxInfo(Control, &info);
  Area = info.rcItem;
  std::vector<std::wstring> entries(SendMessageW(Control, CB_GETCOUNT, 0, 0), std::wstring(100, L'\0'));
  for (std::size_t i = 0; i < entries.size(); ++i) {
    entries[i].resize(SendMessageW(Control, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(entries[i].data())));
  }
  return entries;
}

void Check(HWND Dialog, HWND Control) {
  RECT outer{}, client{}, area{}, needed{};
  GetWindowRect(Control, &outer);
  MapWindowPoints(nullptr, Dialog, reinterpret_cast<POINT*>(&outer), 2);
  GetClientRect(Dialog, &client);
  const std::wstring name = std::to_wstring(GetDlgCtrlID(Control)) + L" " + testutil::WindowText(Control);
  EXPECT_TRUE(outer.left >= 0 && outer.top >= 0 && outer.right <= client.right && outer.bottom <= client.bottom) << name;
  if (testutil::ClassOf(Control) == UPDOWN_CLASSW) return;
  const HDC dc = GetDC(Control);
  SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(Control, WM_GETFONT, 0, 0)));
  for (const std::wstring& text : TextsAndArea(Control, area)) {
    DrawTextW(dc, text.c_str(), -1, &needed, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_LE(needed.right * 11 / 10, area.right - area.left) << name << L": " << text;
    EXPECT_LE(needed.bottom, area.bottom - area.top) << name << L": " << text;
  }
  ReleaseDC(Control, dc);
}

// The product's dialog, measured once it shows with each way of splitting in turn.
class TMeasured : public TMainDialog {
 public:
  TMeasured() : TMainDialog(nullptr) {}
  void OnInitialize() override {
    TMainDialog::OnInitialize();
    PostMessageW(Handle, WM_APP + 40, 0, 0);
  }
  LRESULT MessageProc(UINT AMessage, WPARAM WParam, LPARAM LParam) override {
    if (AMessage != WM_APP + 40) return TMainDialog::MessageProc(AMessage, WParam, LParam);
    for (WPARAM mode = 0; mode < 4; ++mode) {
      SendMessageW(GetItem(IDC_MODE), CB_SETCURSEL, mode, 0);
      SendMessageW(Handle, WM_COMMAND, MAKEWPARAM(IDC_MODE, CBN_SELCHANGE), reinterpret_cast<LPARAM>(GetItem(IDC_MODE)));
      for (HWND c = GetWindow(Handle, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) Check(Handle, c);
    }
    EndDialog(Handle, 1);  // no settings written
    return 1;
  }
};

}  // namespace

TEST(DialogFit, EveryTextShowsWholeOnOneLineAt100_125And150Percent) {
  if (const char* dpi = std::getenv("ROWDEAL_FIT_DPI")) {
    ASSERT_EQ(GetDeviceCaps(GetDC(nullptr), LOGPIXELSX), std::atoi(dpi)) << "Wine took another resolution";
    EXPECT_TRUE(TMeasured().Execute());
    return;
  }
  // Each resolution for a start of this program, and the prefix's own afterwards.
  const wchar_t* const desktop = L"Control Panel\\Desktop";
  DWORD before = 0, size = sizeof before;
  const bool had = !RegGetValueW(HKEY_CURRENT_USER, desktop, L"LogPixels", RRF_RT_DWORD, nullptr, &before, &size);
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  for (const DWORD dpi : {96, 120, 144}) {
    RegSetKeyValueW(HKEY_CURRENT_USER, desktop, L"LogPixels", REG_DWORD, &dpi, sizeof dpi);
    SetEnvironmentVariableW(L"ROWDEAL_FIT_DPI", std::to_wstring(dpi).c_str());
    EXPECT_EQ(_wsystem((L"\"" + std::wstring(self) + L"\"").c_str()), 0) << "at " << dpi << " dpi (its findings above)";
  }
  SetEnvironmentVariableW(L"ROWDEAL_FIT_DPI", nullptr);
  if (had) RegSetKeyValueW(HKEY_CURRENT_USER, desktop, L"LogPixels", REG_DWORD, &before, sizeof before);
  if (!had) RegDeleteKeyValueW(HKEY_CURRENT_USER, desktop, L"LogPixels");
}
