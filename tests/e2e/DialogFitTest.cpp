// The main dialog at 100%, 125% and 150% scaling: every label, field, list and button
// shows its whole text on one line, measured in the control's own font (and so with the
// CJK font linked to it) with a tenth to spare for the wider fonts Windows links; each
// count field has room for eight digits beside its arrows. Wine reads the resolution when
// a program starts, so this program starts itself once for each; the dialog is the
// product's, built from its template and code.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "app/UMainDialog.h"
#include "app/UProgressText.h"
#include "res/resource.h"
#include "tests/TestUtil.h"

namespace {

// Where Control shows its text, and the text it must show there: eight digits in a count,
// a path in the other fields, its own text elsewhere (a list's, the entry chosen).
std::wstring TextAndArea(HWND Control, RECT& Area) {
  GetClientRect(Control, &Area);
  const std::wstring kind = testutil::ClassOf(Control);
  COMBOBOXINFO info{sizeof info, {}, {}, 0, nullptr, nullptr, nullptr};
  if (kind == L"ComboBox" && GetComboBoxInfo(Control, &info)) Area = info.rcItem;
  if (kind != L"Edit") return testutil::WindowText(Control);
  SendMessageW(Control, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&Area));
  const int id = GetDlgCtrlID(Control);
  return id == IDC_HEADER_LINES || id == IDC_CYCLE_LINES ? L"99999999" : L"D:\\表格\\销售.csv";
}

void Check(HWND Control) {
  if (testutil::ClassOf(Control) == UPDOWN_CLASSW) return;
  RECT area{}, needed{};
  const HDC dc = GetDC(Control);
  SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(Control, WM_GETFONT, 0, 0)));
  const std::wstring text = TextAndArea(Control, area);
  DrawTextW(dc, text.c_str(), -1, &needed, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_LE(needed.right * 11 / 10, area.right - area.left) << GetDlgCtrlID(Control) << L": " << text;
  EXPECT_LE(needed.bottom, area.bottom - area.top) << GetDlgCtrlID(Control) << L": " << text;
  ReleaseDC(Control, dc);
}

// The product's dialog, measured once it shows with each way in turn (so the list shows
// each entry, and the labels each text); the list of columns holding a field name of nine
// Chinese characters, the list of merge orders its longer entry, and the run's line of
// progress at its longest: sizes near 1024 GB, a rate, and hours still to go.
void CALLBACK Measure(HWND, UINT, UINT_PTR Timer, DWORD) {
  KillTimer(nullptr, Timer);
  const HWND dialog = FindWindowW(nullptr, L"" ROWDEAL_CAPTION), list = GetDlgItem(dialog, IDC_MODE);
  SendMessageW(GetDlgItem(dialog, IDC_ORDER), CB_SETCURSEL, 1, 0);
  constexpr std::int64_t GiB = std::int64_t{1} << 30;
  const std::u16string line = ProgressText({1000 * GiB, 1023 * GiB + GiB * 9 / 10}, 97, 697.3 * 1024);
  SetDlgItemTextW(dialog, IDC_PROGRESS_TEXT, reinterpret_cast<LPCWSTR>(line.c_str()));
  const auto ways = static_cast<WPARAM>(SendMessageW(list, CB_GETCOUNT, 0, 0));
  EXPECT_EQ(ways, std::size(SplitWays) + 1);
  for (WPARAM mode = 0; mode < ways; ++mode) {
    SendMessageW(list, CB_SETCURSEL, mode, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_MODE, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    const HWND columns = GetDlgItem(dialog, IDC_COLUMN);
    SendMessageW(columns, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"客户所在的省份名称"));
    SendMessageW(columns, CB_SETCURSEL, 0, 0);
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) Check(c);
  }
  EndDialog(dialog, 1);  // no settings written
}

}  // namespace

TEST(DialogFit, EveryTextShowsWholeOnOneLineAt100_125And150Percent) {
  if (const char* dpi = std::getenv("ROWDEAL_FIT_DPI")) {
    ASSERT_EQ(GetDeviceCaps(GetDC(nullptr), LOGPIXELSX), std::atoi(dpi)) << "Wine took another resolution";
    SetTimer(nullptr, 0, 500, Measure);
    EXPECT_TRUE(TMainDialog(nullptr).Execute());
    return;
  }
  // Each resolution for a start of this program; then the prefix's default again (this
  // prefix is the tests' own).
  const wchar_t* const desktop = L"Control Panel\\Desktop";
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  for (const DWORD dpi : {96, 120, 144}) {
    RegSetKeyValueW(HKEY_CURRENT_USER, desktop, L"LogPixels", REG_DWORD, &dpi, sizeof dpi);
    SetEnvironmentVariableW(L"ROWDEAL_FIT_DPI", std::to_wstring(dpi).c_str());
    EXPECT_EQ(_wsystem((L"\"" + std::wstring(self) + L"\"").c_str()), 0) << "at " << dpi << " dpi (its findings above)";
  }
  RegDeleteKeyValueW(HKEY_CURRENT_USER, desktop, L"LogPixels");
}
