// The real Rowdeal.exe, started from a folder of its own and driven through the window
// system as a user drives it.
#include "tests/e2e/Driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace {

using e2e::App;
using testutil::TMessageBox;

const std::wstring kInfo = L"提示!";
const std::wstring kError = L"错误!";

class MainDialog : public ::testing::Test {
 protected:
  MainDialog() { std::filesystem::create_directory(Tables); }

  std::unique_ptr<App> Start(const std::wstring& workingDir = {}, const std::wstring& arguments = {}) {
    return std::make_unique<App>(Box.Exe(), workingDir.empty() ? Box.Dir : workingDir, arguments);
  }

  // A small ASCII table: one header line and six data lines.
  std::wstring WriteTable(const std::wstring& name) const {
    testutil::WriteFile(Tables + name, "id;value\r\n1;a\r\n2;b\r\n3;c\r\n4;d\r\n5;e\r\n6;f\r\n");
    return Tables + name;
  }

  std::wstring SavedSettings(int left, int top, const std::wstring& lastPath, const std::wstring& header,
                             const std::wstring& cycle) const {
    return L"[Program]WindowLeft=" + std::to_wstring(left) + L"|WindowTop=" + std::to_wstring(top) +
           L"|[Memory]LastPath=" + lastPath + L"|HeaderLine=" + header + L"|CycleLine=" + cycle + L"|";
  }

  e2e::Sandbox Box;
  const std::wstring Tables = Box.Dir + L"tables\\";
};

// Starts a split that the test hold keeps running, and waits for its percentage: the
// dialog answers while the job runs.
void StartHeldRun(App& app) {
  app.HoldRuns();
  app.Press(IDC_EXECUTE);
  ASSERT_TRUE(testutil::WaitUntil([&] { return e2e::ShowsProgress(testutil::WindowText(app.Dialog())); }));
}

// Answers the question that stopping a run asks, with yes.
void ConfirmCancel(const App& app) {
  const TMessageBox question = app.WaitMessageBox();
  EXPECT_EQ(question.Caption + L"|" + question.Text, L"" ROWDEAL_CAPTION L"|拆分尚未完成, 要取消吗?");
  EXPECT_EQ(GetWindowLongW(GetDlgItem(question.Window, IDNO), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON) << "否";
  app.PressOk(question, IDYES);
}

TEST_F(MainDialog, BrowsedOrTypedFilesAreSplitBesideThemselves) {
  WriteTable(L"data.txt");
  testutil::WriteFile(Tables + L"next.txt", "x\r\n");
  // A file on the command line, relative to the folder the program starts in, is shown in full.
  auto app = Start(Box.Dir, L"tables\\data.txt");
  EXPECT_EQ(app->ItemText(IDC_PATH), Tables + L"data.txt");
  app->Browse(Tables + L"data.txt");
  EXPECT_EQ(app->ItemText(IDC_PATH), L"data.txt");
  app->SetItemText(IDC_CYCLE_LINES, L"2");
  TMessageBox box = app->RunJob();
  EXPECT_EQ(box.Caption, kInfo);
  EXPECT_EQ(box.Text, e2e::SuccessText(L"data\\", 2, L"data", L"txt"));
  EXPECT_EQ(testutil::ReadFile(Tables + L"data\\data-1.txt"), "id;value\r\n1;a\r\n3;c\r\n5;e\r\n");
  EXPECT_EQ(testutil::ReadFile(Tables + L"data\\data-2.txt"), "id;value\r\n2;b\r\n4;d\r\n6;f\r\n");
  EXPECT_FALSE(std::filesystem::exists(Box.Dir + L"data"));
  EXPECT_EQ(app->ItemText(IDC_PATH), L"data.txt") << "the job leaves the dialog as it was";
  EXPECT_EQ(app->ItemText(IDC_CYCLE_LINES), L"2");
  // The next browse starts in the folder of the file picked, proposing its name; a
  // cancelled one changes nothing.
  EXPECT_EQ(app->Browse(L"next.txt"), L"data.txt");
  EXPECT_EQ(app->ItemText(IDC_PATH), L"next.txt");
  app->SetItemText(IDC_PATH, L"typed.txt");
  app->Browse(L"");
  EXPECT_EQ(app->ItemText(IDC_PATH), L"typed.txt");

  // A full path typed, and Enter in each field.
  app->SetItemText(IDC_PATH, WriteTable(L"full.txt"));
  app->SetItemText(IDC_HEADER_LINES, L" 1 ");
  app->SetItemText(IDC_CYCLE_LINES, L"3");
  for (int field : {IDC_PATH, IDC_HEADER_LINES, IDC_CYCLE_LINES}) {
    std::filesystem::remove_all(Tables + L"full");
    app->PostKey(app->Item(field), VK_RETURN);
    box = app->WaitMessageBox();
    app->PressOk(box);
    EXPECT_EQ(box.Text, e2e::SuccessText(Tables + L"full\\", 3, L"full", L"txt")) << field;
    EXPECT_EQ(testutil::ReadFile(Tables + L"full\\full-3.txt"), "id;value\r\n3;c\r\n6;f\r\n") << field;
  }
  // A drop of several files takes the first, in full, and its folder.
  app->DropFiles({Box.Dir + L"first.txt", Tables + L"second.txt"});
  EXPECT_EQ(app->ItemText(IDC_PATH), Box.Dir + L"first.txt");
  app->Press(IDC_EXIT);
  EXPECT_EQ(app->WaitExit(), 0u);
  EXPECT_NE(e2e::SettingsOf(Box.Ini()).find(L"LastPath=" + Box.Dir + L"|"), std::wstring::npos);
}

// Typed, not set: a field that does not scroll would stop at two digits (10 files).
TEST_F(MainDialog, TypedCountIsTakenWholeAndALongListIsElidedToFitTheScreen) {
  auto app = Start();
  app->SetItemText(IDC_PATH, WriteTable(L"long.txt"));
  app->Type(IDC_CYCLE_LINES, L"1000");
  const TMessageBox box = app->RunJob();
  const std::wstring whole = e2e::SuccessText(Tables + L"long\\", 1000, L"long", L"txt");
  EXPECT_EQ(box.Text.substr(0, whole.find(L"long-2.txt")), whole.substr(0, whole.find(L"long-2.txt")));
  EXPECT_TRUE(box.Text.ends_with(L"\r\n……\r\nlong-1000.txt\r\n")) << "names but the last are left out";
  RECT shown{}, work{};
  GetWindowRect(box.Window, &shown);
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_TRUE(shown.top >= work.top && shown.bottom <= work.bottom) << shown.top << ".." << shown.bottom;
  EXPECT_EQ(testutil::ReadFile(Tables + L"long\\long-1000.txt"), "id;value\r\n");
}

TEST_F(MainDialog, LongRunKeepsTheDialogAnsweringAndShowsItsProgress) {
  std::string table;  // about 400 MB: some seconds under Wine
  for (int i = 0; i < 170 << 16; ++i) table += "2026-12-07;sensor-17;21.5;0.003;ok\r\n";
  testutil::WriteFile(Tables + L"big.txt", table);
  auto app = Start();
  app->SetItemText(IDC_PATH, Tables + L"big.txt");
  app->SetItemText(IDC_CYCLE_LINES, L"1000");
  app->Press(IDC_EXECUTE);
  const DWORD start = GetTickCount();
  DWORD lastAnswer = start, longestGap = 0, slowestAnswer = 0;
  int withPercent = 0;
  while (!app->ShowsMessageBox()) {
    const DWORD asked = GetTickCount();
    DWORD_PTR result = 0;
    ASSERT_TRUE(SendMessageTimeoutW(app->Dialog(), WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result)) << "no answer in 1 s";
    slowestAnswer = std::max(slowestAnswer, GetTickCount() - asked);
    longestGap = std::max(longestGap, GetTickCount() - lastAnswer);
    lastAnswer = GetTickCount();
    withPercent += e2e::ShowsProgress(testutil::WindowText(app->Dialog()));
    Sleep(100);
  }
  std::printf("run of %lu ms: slowest answer %lu ms, longest gap %lu ms\n", GetTickCount() - start, slowestAnswer,
              longestGap);
  EXPECT_GE(GetTickCount() - start, 2000u) << "the table is too small to show anything";
  EXPECT_LE(longestGap, 500u);
  EXPECT_GT(withPercent, 0);
  EXPECT_EQ(app->WaitMessageBox().Caption, kInfo);
}

TEST_F(MainDialog, CancelDuringARunChangesNothing) {
  const std::wstring table = WriteTable(L"keep.txt");
  auto app = Start();
  app->SetItemText(IDC_PATH, table);
  app->SetItemText(IDC_CYCLE_LINES, L"2");
  app->RunJob();
  const std::string before = testutil::ReadFile(Tables + L"keep\\keep-1.txt");
  testutil::WriteFile(table, "new header\r\nx\r\ny\r\nz\r\n");
  app->SetItemText(IDC_CYCLE_LINES, L"3");
  StartHeldRun(*app);
  const int inputs[] = {IDC_PATH, IDC_BROWSE, IDC_HEADER_LINES, IDC_CYCLE_LINES, IDC_HEADER_SPIN, IDC_CYCLE_SPIN};
  EXPECT_EQ(app->ItemText(IDC_EXECUTE), L"取   消");
  for (int id : inputs) EXPECT_FALSE(IsWindowEnabled(app->Item(id))) << id;
  app->PostKey(app->Item(IDC_EXECUTE), VK_ESCAPE);
  ConfirmCancel(*app);
  const TMessageBox box = app->WaitMessageBox();
  EXPECT_EQ(box.Caption + L"|" + box.Text, kInfo + L"|拆分已取消, 没有改动任何文件。");
  app->PressOk(box);
  EXPECT_EQ(testutil::ReadFile(Tables + L"keep\\keep-1.txt"), before);
  // No temporary is left: without the two files the folder is empty.
  std::filesystem::remove(Tables + L"keep\\keep-1.txt");
  std::filesystem::remove(Tables + L"keep\\keep-2.txt");
  EXPECT_TRUE(std::filesystem::is_empty(Tables + L"keep"));
  EXPECT_EQ(testutil::WindowText(app->Dialog()) + app->ItemText(IDC_EXECUTE), L"" ROWDEAL_CAPTION L"执   行");
  for (int id : inputs) EXPECT_TRUE(IsWindowEnabled(app->Item(id))) << id;
}

TEST_F(MainDialog, FailuresShowTheirErrorTextAndLeaveTheDialogAsItWas) {
  const std::wstring table = WriteTable(L"rows.txt");
  testutil::WriteFile(Tables + L"short.txt", "h1\r\nh2\r\n");
  struct Row {
    const char* What;
    std::wstring Path, H, N, Message;
  };
  const Row rows[] = {
      {"no such file", Tables + L"missing.txt", L"1", L"2", L"待拆分文件不存在!"},
      {"empty path", L"", L"1", L"2", L"待拆分文件不存在!"},
      {"H not a number", table, L"3a", L"2", L"3a is not a valid integer!"},
      {"N below 1", table, L"1", L"0", L"每一循环包含的行数必须是 1 到 2147483647 之间的整数!"},
      {"fewer lines than H", Tables + L"short.txt", L"3", L"2", L"文件中不包含足够的数据!"},
  };
  auto app = Start();
  for (const Row& row : rows) {
    app->SetItemText(IDC_PATH, row.Path);
    app->SetItemText(IDC_HEADER_LINES, row.H);
    app->SetItemText(IDC_CYCLE_LINES, row.N);
    TMessageBox box = app->RunJob();
    EXPECT_EQ(box.Caption, kError) << row.What;
    EXPECT_EQ(box.Text, row.Message) << row.What;
    EXPECT_EQ(app->ItemText(IDC_PATH) + L"|" + app->ItemText(IDC_HEADER_LINES) + L"|" + app->ItemText(IDC_CYCLE_LINES),
              row.Path + L"|" + row.H + L"|" + row.N) << row.What;
  }
  EXPECT_FALSE(std::filesystem::exists(Tables + L"rows")) << "no output folder without a split";
}

// During a run each way out but the session's end asks first; yes cancels the run, and
// the program ends as usual.
TEST_F(MainDialog, EveryWayOutSavesTheSettingsAndEndsWithExitCode0) {
  const std::wstring table = WriteTable(L"left.txt");
  const auto exit = [](App& app) { app.Press(IDC_EXIT); };
  // Alt+F4: the context code says that Alt is held.
  const auto altF4 = [](App& app) { PostMessageW(app.Dialog(), WM_SYSKEYDOWN, VK_F4, 1 | (0x3E << 16) | (1 << 29)); };
  const struct {
    std::function<void(App&)> Leave;
    bool DuringRun, Asks;
  } ways[] = {
      {exit, false, false},
      {[](App& app) { app.PostKey(app.Item(IDC_HEADER_LINES), VK_ESCAPE); }, false, false},
      {[](App& app) { PostMessageW(app.Dialog(), WM_SYSCOMMAND, SC_CLOSE, 0); }, false, false},
      {altF4, false, false},
      {exit, true, true},
      {altF4, true, true},
      {[](App& app) { PostMessageW(app.Dialog(), WM_ENDSESSION, TRUE, 0); }, true, false},
  };
  for (int i = 0; i < 7; ++i) {
    std::filesystem::remove(Box.Ini());
    auto app = Start();
    const int x = 100 + 10 * i, y = 60 + 7 * i;
    SetWindowPos(app->Dialog(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    app->SetItemText(IDC_HEADER_LINES, std::to_wstring(i));
    app->SetItemText(IDC_CYCLE_LINES, ways[i].DuringRun ? L"4" : L"abc");
    app->SetItemText(IDC_PATH, ways[i].DuringRun ? table : L"not saved");
    if (ways[i].DuringRun) StartHeldRun(*app);
    ways[i].Leave(*app);
    if (ways[i].Asks) ConfirmCancel(*app);
    EXPECT_EQ(app->WaitExit(), 0u) << "way " << i;
    EXPECT_EQ(e2e::SettingsOf(Box.Ini()), SavedSettings(x, y, Box.Dir, std::to_wstring(i), ways[i].DuringRun ? L"4" : L"abc"));
    EXPECT_FALSE(std::filesystem::exists(Tables + L"left")) << "way " << i;
  }
}

TEST_F(MainDialog, FirstStartShowsTheDefaultsAndTheNextRestoresPositionCountsAsTypedAndFolder) {
  testutil::WriteFile(Box.Dir + L"beside.txt", "x\r\n");
  WriteTable(L"again.txt");
  {
    // Started elsewhere, so that only the remembered folder can lead the browse to beside.txt.
    auto app = Start(Tables);
    const RECT home = e2e::TemplateRect();
    const RECT r = app->Bounds();
    EXPECT_EQ(r.left, home.left);
    EXPECT_EQ(r.top, home.top);
    EXPECT_EQ(app->ItemText(IDC_PATH) + L"|" + app->ItemText(IDC_HEADER_LINES) + L"|" + app->ItemText(IDC_CYCLE_LINES),
              L"|1|5");
    // The open-file dialog starts in the program's folder.
    EXPECT_EQ(app->Browse(L"beside.txt"), L"");
    EXPECT_EQ(app->ItemText(IDC_PATH), L"beside.txt");
    app->Browse(Tables + L"again.txt");
    app->SetItemText(IDC_HEADER_LINES, L"x4");
    app->SetItemText(IDC_CYCLE_LINES, L"");
    SetWindowPos(app->Dialog(), nullptr, 150, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    app->Press(IDC_EXIT);
    ASSERT_EQ(app->WaitExit(), 0u);
    EXPECT_EQ(e2e::SettingsOf(Box.Ini()), SavedSettings(150, 120, Tables, L"x4", L""));
  }
  auto app = Start();
  const RECT r = app->Bounds();
  EXPECT_EQ(r.left, 150);
  EXPECT_EQ(r.top, 120);
  EXPECT_EQ(app->ItemText(IDC_HEADER_LINES), L"x4");
  EXPECT_EQ(app->ItemText(IDC_CYCLE_LINES), L"") << "an empty value is not a missing key";
  EXPECT_EQ(app->ItemText(IDC_PATH), L"") << "the path is not remembered";
  app->SetItemText(IDC_PATH, Tables + L"again.txt");
  EXPECT_EQ(app->RunJob().Text, L"x4 is not a valid integer!");
  // The browse starts in the remembered folder: the bare name is found there.
  app->Browse(L"again.txt");
  app->SetItemText(IDC_HEADER_LINES, L"1");
  app->SetItemText(IDC_CYCLE_LINES, L"2");
  EXPECT_EQ(app->RunJob().Text, e2e::SuccessText(L"again\\", 2, L"again", L"txt"));
  EXPECT_TRUE(std::filesystem::exists(Tables + L"again\\again-2.txt"));
}

TEST_F(MainDialog, StoredPositionsOffTheScreenKeepTheTemplatePosition) {
  const RECT home = e2e::TemplateRect();
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  struct { int Left, Top, WantLeft, WantTop; } const rows[] = {
      {-32000, -32000, home.left, home.top},  // closed while minimised
      {-5, 200, home.left, 200},
      {30000, 30000, home.left, home.top},    // on no monitor
      {screenWidth - 30, 100, screenWidth - 30, 100},  // partly on the screen
  };
  for (const auto& row : rows) {
    WritePrivateProfileStringW(L"Program", L"WindowLeft", std::to_wstring(row.Left).c_str(), Box.Ini().c_str());
    WritePrivateProfileStringW(L"Program", L"WindowTop", std::to_wstring(row.Top).c_str(), Box.Ini().c_str());
    const RECT r = Start()->Bounds();
    EXPECT_EQ(r.left, row.WantLeft) << row.Left << ", " << row.Top;
    EXPECT_EQ(r.top, row.WantTop) << row.Left << ", " << row.Top;
  }
}

TEST_F(MainDialog, SpinArrowsStepWithin0To10And1To50) {
  struct { int Spin, Field; const wchar_t* Start; bool Up; const wchar_t* After[2]; } const rows[] = {
      {IDC_HEADER_SPIN, IDC_HEADER_LINES, L"9", true, {L"10", L"10"}},
      {IDC_HEADER_SPIN, IDC_HEADER_LINES, L"1", false, {L"0", L"0"}},
      {IDC_CYCLE_SPIN, IDC_CYCLE_LINES, L"49", true, {L"50", L"50"}},
      {IDC_CYCLE_SPIN, IDC_CYCLE_LINES, L"2", false, {L"1", L"1"}},
  };
  auto app = Start();
  for (const auto& row : rows) {
    app->SetItemText(row.Field, row.Start);
    for (const wchar_t* after : row.After) {
      app->ClickSpin(row.Spin, row.Up);
      EXPECT_EQ(app->ItemText(row.Field), after) << row.Spin << (row.Up ? " up" : " down");
    }
  }
}

}  // namespace
