// The real Rowdeal.exe, started from a folder of its own and driven through the window
// system as a user drives it.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/e2e/Driver.h"

namespace {

using e2e::App;
using e2e::TMessageBox;

constexpr int kPath = 101, kBrowse = 102, kExecute = 103, kExit = 104, kHeader = 105, kCycle = 106;
constexpr int kHeaderSpin = 107, kCycleSpin = 108;

const std::wstring kInfo = L"提示!";
const std::wstring kError = L"错误!";

class MainDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    Tables = Box.Dir + L"tables\\";
    e2e::MakeDirectory(Tables);
  }

  std::unique_ptr<App> Start() { return Start(Box.Dir); }
  std::unique_ptr<App> Start(const std::wstring& workingDir, const std::wstring& arguments = L"") {
    return std::make_unique<App>(Box.Exe(), workingDir, arguments);
  }

  // A small ASCII table: one header line and six data lines.
  std::wstring WriteTable(const std::wstring& name) {
    e2e::WriteFileBytes(Tables + name, "id;value\r\n1;a\r\n2;b\r\n3;c\r\n4;d\r\n5;e\r\n6;f\r\n");
    return Tables + name;
  }

  void ExpectSettings(const std::map<std::wstring, std::wstring>& program,
                      const std::map<std::wstring, std::wstring>& memory) {
    e2e::TSettings settings = e2e::ReadSettings(Box.Ini());
    EXPECT_EQ(settings.size(), 2u);
    EXPECT_EQ(settings[L"Program"], program);
    EXPECT_EQ(settings[L"Memory"], memory);
  }

  e2e::Sandbox Box;
  std::wstring Tables;
};

// Waits until the caption shows a run's percentage.
void WaitForRun(App& app) {
  for (int i = 0; i < 1000 && !e2e::ShowsProgress(e2e::WindowText(app.Dialog())); ++i) Sleep(20);
  ASSERT_TRUE(e2e::ShowsProgress(e2e::WindowText(app.Dialog()))) << "no run in the caption";
}

// Answers the question that stopping a run asks, with yes.
void ConfirmCancel(App& app) {
  TMessageBox question = app.WaitMessageBox();
  EXPECT_EQ(question.Caption, L"Rowdeal 1.2");
  EXPECT_EQ(question.Text, L"拆分尚未完成, 要取消吗?");
  EXPECT_EQ(GetWindowLongW(GetDlgItem(question.Window, IDNO), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON)
      << "否 is the default";
  app.PressButton(question, IDYES);
}

TEST_F(MainDialog, FirstStartShowsTheTemplateWithTheDefaults) {
  e2e::WriteFileBytes(Box.Dir + L"beside.txt", "x\r\n");
  // Started elsewhere, so that only the remembered folder can lead the browse to beside.txt.
  auto app = Start(Tables);
  RECT expected = e2e::TemplateRect();
  RECT r = app->Bounds();
  EXPECT_EQ(r.left, expected.left);
  EXPECT_EQ(r.top, expected.top);
  const std::pair<int, const wchar_t*> items[] = {{kPath, L""},         {kBrowse, L"..."}, {kExecute, L"执   行"},
                                                  {kExit, L"退   出"}, {kHeader, L"1"},    {kCycle, L"5"}};
  for (const auto& [id, text] : items) EXPECT_EQ(app->ItemText(id), text) << id;
  std::vector<std::wstring> labels;
  for (HWND child = GetWindow(app->Dialog(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (e2e::ClassOf(child) == L"Static") labels.push_back(e2e::WindowText(child));
  }
  EXPECT_EQ(labels, (std::vector<std::wstring>{L"待拆分文件：", L"表头栏行数：", L"每一循环包含的行数："}));
  // The open-file dialog starts in the program's folder.
  EXPECT_EQ(app->Browse(L"beside.txt"), L"");
  EXPECT_EQ(app->ItemText(kPath), L"beside.txt");
}

TEST_F(MainDialog, BrowsedFileIsSplitBesideItAndADroppedOneTakesItsPlace) {
  WriteTable(L"data.txt");
  e2e::WriteFileBytes(Tables + L"next.txt", "x\r\n");
  auto app = Start();
  app->Browse(Tables + L"data.txt");
  EXPECT_EQ(app->ItemText(kPath), L"data.txt");
  app->SetItemText(kHeader, L"1");
  app->SetItemText(kCycle, L"2");
  TMessageBox box = app->RunJob();
  EXPECT_EQ(box.Caption, kInfo);
  EXPECT_EQ(box.Text, e2e::SuccessText(L"data\\", 2, L"data", L"txt"));
  EXPECT_EQ(e2e::ReadFileBytes(Tables + L"data\\data-1.txt"), "id;value\r\n1;a\r\n3;c\r\n5;e\r\n");
  EXPECT_EQ(e2e::ReadFileBytes(Tables + L"data\\data-2.txt"), "id;value\r\n2;b\r\n4;d\r\n6;f\r\n");
  EXPECT_FALSE(e2e::DirectoryExists(Box.Dir + L"data"));
  // The job leaves the dialog as it was.
  EXPECT_EQ(app->ItemText(kPath), L"data.txt");
  EXPECT_EQ(app->ItemText(kHeader), L"1");
  EXPECT_EQ(app->ItemText(kCycle), L"2");
  // The next browse starts in the folder of the file picked, proposing its name.
  EXPECT_EQ(app->Browse(L"next.txt"), L"data.txt");
  EXPECT_EQ(app->ItemText(kPath), L"next.txt");
  // A cancelled browse changes nothing.
  app->SetItemText(kPath, L"typed.txt");
  app->CancelBrowse();
  EXPECT_EQ(app->ItemText(kPath), L"typed.txt");
  // A drop of several files takes the first, with its full path, and its folder.
  app->DropFiles({Box.Dir + L"first.txt", Tables + L"second.txt"});
  EXPECT_EQ(app->ItemText(kPath), Box.Dir + L"first.txt");
  app->Press(kExit);
  EXPECT_EQ(app->WaitExit(), 0u);
  EXPECT_EQ(e2e::ReadSettings(Box.Ini())[L"Memory"][L"LastPath"], Box.Dir);
}

// Typed, not set: a field that does not scroll would stop at two digits (10 files).
TEST_F(MainDialog, TypedCountIsTakenWholeAndALongListIsElidedToFitTheScreen) {
  const std::wstring table = WriteTable(L"full.txt");
  auto app = Start();
  app->SetItemText(kPath, table);
  app->Type(kCycle, L"1000");
  TMessageBox box = app->RunJob();
  EXPECT_EQ(box.Caption, kInfo);
  const std::wstring whole = e2e::SuccessText(Tables + L"full\\", 1000, L"full", L"txt");
  const std::wstring head = whole.substr(0, whole.find(L"full-2.txt"));
  EXPECT_EQ(box.Text.substr(0, head.size()), head);
  const std::wstring tail = L"\r\n……\r\nfull-1000.txt\r\n";
  EXPECT_EQ(box.Text.substr(box.Text.size() - tail.size()), tail) << "names but the last are left out";
  RECT shown{}, work{};
  GetWindowRect(box.Window, &shown);
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_TRUE(shown.top >= work.top && shown.bottom <= work.bottom) << shown.top << ".." << shown.bottom;
  EXPECT_EQ(e2e::ReadFileBytes(Tables + L"full\\full-1.txt"), "id;value\r\n1;a\r\n");
  EXPECT_EQ(e2e::ReadFileBytes(Tables + L"full\\full-1000.txt"), "id;value\r\n");
}

TEST_F(MainDialog, FileOnTheCommandLineIsSplitOnEnterInAnyEdit) {
  WriteTable(L"enter.txt");
  // Relative to the folder the program starts in, and shown in full.
  auto app = Start(Box.Dir, L"\"tables\\enter.txt\"");
  EXPECT_EQ(app->ItemText(kPath), Tables + L"enter.txt");
  for (int field : {kPath, kHeader, kCycle}) {
    SCOPED_TRACE(field);
    DeleteFileW((Tables + L"enter\\enter-1.txt").c_str());
    app->PostKey(app->Item(field), VK_RETURN);
    TMessageBox box = app->WaitMessageBox();
    EXPECT_EQ(box.Caption, kInfo);
    EXPECT_EQ(box.Text, e2e::SuccessText(Tables + L"enter\\", 5, L"enter", L"txt"));
    app->PressOk(box);
    EXPECT_TRUE(e2e::FileExists(Tables + L"enter\\enter-1.txt"));
  }
}

TEST_F(MainDialog, EachFailureShowsItsErrorTextAndLeavesTheDialogAsItWas) {
  const std::wstring table = WriteTable(L"rows.txt");
  e2e::WriteFileBytes(Tables + L"short.txt", "h1\r\nh2\r\n");
  e2e::MakeDirectory(Tables + L"adir");
  // An output file that cannot be replaced: a folder stands in its place.
  WriteTable(L"blocked.txt");
  e2e::MakeDirectory(Tables + L"blocked");
  e2e::MakeDirectory(Tables + L"blocked\\blocked-2.txt");
  // An output folder that cannot be made: a file stands in its place.
  WriteTable(L"nofolder.txt");
  e2e::WriteFileBytes(Tables + L"nofolder", "x");

  struct Row {
    const char* What;
    std::wstring Path, H, N, Message;
    std::wstring NoFolder;  // an output folder that must not have been made
  };
  const std::wstring rows = Tables + L"rows";
  std::vector<Row> cases = {
      {"no such file", Tables + L"missing.txt", L"1", L"2", L"待拆分文件不存在!", Tables + L"missing"},
      {"empty path", L"", L"1", L"2", L"待拆分文件不存在!", L""},
      {"a folder", Tables + L"adir", L"1", L"2", L"File Open Error!", L""},
      {"H not a number", table, L"3a", L"2", L"3a is not a valid integer!", rows},
      {"H below 0", table, L"-1", L"2", L"表头栏行数必须是 0 到 2147483647 之间的整数!", rows},
      {"N below 1", table, L"1", L"0", L"每一循环包含的行数必须是 1 到 2147483647 之间的整数!", rows},
      {"fewer lines than H", Tables + L"short.txt", L"3", L"2", L"文件中不包含足够的数据!", Tables + L"short"},
      {"output file cannot be replaced", Tables + L"blocked.txt", L"1", L"2",
       L"无法替换输出文件 blocked-2.txt, 它可能正被其他程序打开!", L""},
      {"output folder cannot be made", Tables + L"nofolder.txt", L"1", L"2", L"File Open Error!", L""},
  };
  const std::wstring fixtures = e2e::FixtureDir();
  if (!fixtures.empty()) {
    cases.push_back({"source cannot be read", fixtures + L"\\unreadable.txt", L"0", L"1", L"File Read Error!", L""});
  }

  auto app = Start();
  for (const Row& row : cases) {
    SCOPED_TRACE(row.What);
    app->SetItemText(kPath, row.Path);
    app->SetItemText(kHeader, row.H);
    app->SetItemText(kCycle, row.N);
    TMessageBox box = app->RunJob();
    EXPECT_EQ(box.Caption, kError);
    EXPECT_EQ(box.Text, row.Message);
    EXPECT_EQ(app->ItemText(kPath), row.Path);
    EXPECT_EQ(app->ItemText(kHeader), row.H);
    EXPECT_EQ(app->ItemText(kCycle), row.N);
    if (!row.NoFolder.empty()) {
      EXPECT_FALSE(e2e::DirectoryExists(row.NoFolder));
    }
  }
  // All or nothing: the file before the one that could not be replaced is not made either.
  EXPECT_FALSE(e2e::FileExists(Tables + L"blocked\\blocked-1.txt"));
}

// During a run each way out but the session's end asks first; on yes the run is
// cancelled and the program ends as usual.
TEST_F(MainDialog, EveryWayOutSavesTheSettingsAndEndsWithExitCode0) {
  const std::wstring table = WriteTable(L"left.txt");
  struct Way {
    const char* What;
    void (*Leave)(App&);
    bool DuringRun, Asks;
  };
  const auto altF4 = [](App& app) {
    // Context code set: Alt is held.
    PostMessageW(app.Dialog(), WM_SYSKEYDOWN, VK_F4, 1 | (0x3E << 16) | (1 << 29));
  };
  const auto exitButton = [](App& app) { app.Press(kExit); };
  const Way ways[] = {
      {"button 104", exitButton, false, false},
      {"Escape", [](App& app) { app.PostKey(app.Item(kHeader), VK_ESCAPE); }, false, false},
      {"close command", [](App& app) { PostMessageW(app.Dialog(), WM_SYSCOMMAND, SC_CLOSE, 0); }, false, false},
      {"Alt+F4", altF4, false, false},
      {"button 104 during a run", exitButton, true, true},
      {"Alt+F4 during a run", altF4, true, true},
      {"session end during a run", [](App& app) { PostMessageW(app.Dialog(), WM_ENDSESSION, TRUE, 0); }, true, false},
  };
  int i = 0;
  for (const Way& way : ways) {
    SCOPED_TRACE(way.What);
    ++i;
    DeleteFileW(Box.Ini().c_str());
    auto app = Start();
    const int x = 100 + 10 * i, y = 60 + 7 * i;
    SetWindowPos(app->Dialog(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    app->SetItemText(kHeader, std::to_wstring(i));
    app->SetItemText(kCycle, std::to_wstring(10 + i));
    app->SetItemText(kPath, way.DuringRun ? table : L"not saved");
    if (way.DuringRun) {
      app->HoldRuns();
      app->Press(kExecute);
      WaitForRun(*app);
    }
    way.Leave(*app);
    if (way.Asks) ConfirmCancel(*app);
    EXPECT_EQ(app->WaitExit(), 0u);
    ExpectSettings({{L"WindowLeft", std::to_wstring(x)}, {L"WindowTop", std::to_wstring(y)}},
                   {{L"LastPath", Box.Dir}, {L"HeaderLine", std::to_wstring(i)}, {L"CycleLine", std::to_wstring(10 + i)}});
    EXPECT_FALSE(e2e::DirectoryExists(Tables + L"left")) << "a cancelled run leaves nothing";
  }
}

TEST_F(MainDialog, NextStartRestoresPositionCountsAndFolder) {
  WriteTable(L"again.txt");
  {
    auto app = Start();
    app->Browse(Tables + L"again.txt");
    app->SetItemText(kHeader, L"4");
    app->SetItemText(kCycle, L"9");
    SetWindowPos(app->Dialog(), nullptr, 150, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    app->Press(kExit);
    ASSERT_EQ(app->WaitExit(), 0u);
  }
  auto app = Start();
  RECT r = app->Bounds();
  EXPECT_EQ(r.left, 150);
  EXPECT_EQ(r.top, 120);
  EXPECT_EQ(app->ItemText(kHeader), L"4");
  EXPECT_EQ(app->ItemText(kCycle), L"9");
  EXPECT_EQ(app->ItemText(kPath), L"") << "the path is not remembered";
  // A bare name is taken in the remembered folder, not in the current directory.
  app->SetItemText(kPath, L"again.txt");
  EXPECT_EQ(app->RunJob().Text, e2e::SuccessText(L"again\\", 9, L"again", L"txt"));
  EXPECT_TRUE(e2e::FileExists(Tables + L"again\\again-9.txt"));
}

TEST_F(MainDialog, StoredCountsComeBackAsTheyWereTyped) {
  const std::wstring table = WriteTable(L"typed.txt");
  e2e::WriteSettings(Box.Ini(), L"[Memory]\nHeaderLine=abc\nCycleLine=");
  {
    auto app = Start();
    EXPECT_EQ(app->ItemText(kHeader), L"abc");
    EXPECT_EQ(app->ItemText(kCycle), L"") << "an empty value is not a missing key";
    app->SetItemText(kPath, table);
    TMessageBox box = app->RunJob();
    EXPECT_EQ(box.Caption, kError);
    EXPECT_EQ(box.Text, L"abc is not a valid integer!");
    app->Press(kExit);
    ASSERT_EQ(app->WaitExit(), 0u);
  }
  e2e::TSettings settings = e2e::ReadSettings(Box.Ini());
  EXPECT_EQ(settings[L"Memory"][L"HeaderLine"], L"abc");
  EXPECT_EQ(settings[L"Memory"][L"CycleLine"], L"");
}

TEST_F(MainDialog, StoredPositionsOffTheScreenKeepTheTemplatePosition) {
  const RECT home = e2e::TemplateRect();
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  struct Row {
    const char* What;
    int Left, Top, WantLeft, WantTop;
  };
  const Row rows[] = {
      {"both negative (closed while minimised)", -32000, -32000, home.left, home.top},
      {"left negative", -5, 200, home.left, 200},
      {"top negative", 200, -1, 200, home.top},
      {"far right and below: on no monitor", 30000, 30000, home.left, home.top},
      {"beyond the right edge", screenWidth + 10, 100, home.left, home.top},
      {"partly on the screen", screenWidth - 30, 100, screenWidth - 30, 100},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.What);
    e2e::WriteSettings(Box.Ini(), L"[Program]\nWindowLeft=" + std::to_wstring(row.Left) +
                                      L"\nWindowTop=" + std::to_wstring(row.Top));
    auto app = Start();
    RECT r = app->Bounds();
    EXPECT_EQ(r.left, row.WantLeft);
    EXPECT_EQ(r.top, row.WantTop);
  }
}

TEST_F(MainDialog, SpinArrowsStayWithin0To10And1To50) {
  struct Row {
    int Spin, Field, Min, Max, Clicks;
  };
  const Row rows[] = {{kHeaderSpin, kHeader, 0, 10, 15}, {kCycleSpin, kCycle, 1, 50, 60}};
  auto app = Start();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.Spin);
    int value = std::stoi(app->ItemText(row.Field));
    for (bool up : {true, false}) {
      // One step a click, and no step past the end.
      for (int i = 0; i < row.Clicks; ++i) {
        app->ClickSpin(row.Spin, up);
        const int want = up ? std::min(value + 1, row.Max) : std::max(value - 1, row.Min);
        ASSERT_EQ(app->ItemText(row.Field), std::to_wstring(want)) << (up ? "up" : "down") << " click " << i;
        value = want;
      }
    }
  }
}

TEST_F(MainDialog, LongRunKeepsTheDialogAnsweringAndShowsItsProgress) {
  // About 400 MB: some seconds under Wine.
  std::string table;
  for (int i = 0; i < 170 << 16; ++i) table += "2026-12-07;sensor-17;21.5;0.003;ok\r\n";
  e2e::WriteFileBytes(Tables + L"big.txt", table);
  auto app = Start();
  app->SetItemText(kPath, Tables + L"big.txt");
  app->SetItemText(kCycle, L"1000");
  app->Press(kExecute);
  const DWORD start = GetTickCount();
  DWORD lastAnswer = start, longestGap = 0, slowestAnswer = 0;
  int withPercent = 0;
  TMessageBox box;
  while (!app->FindMessageBox(box)) {
    const DWORD asked = GetTickCount();
    DWORD_PTR result = 0;
    ASSERT_TRUE(SendMessageTimeoutW(app->Dialog(), WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result)) << "no answer in 1 s";
    const DWORD now = GetTickCount();
    slowestAnswer = std::max(slowestAnswer, now - asked);
    longestGap = std::max(longestGap, now - lastAnswer);
    lastAnswer = now;
    if (e2e::ShowsProgress(e2e::WindowText(app->Dialog()))) ++withPercent;
    Sleep(100);
  }
  const DWORD took = GetTickCount() - start;
  std::printf("run of %lu ms: slowest answer %lu ms, longest gap %lu ms\n", took, slowestAnswer, longestGap);
  EXPECT_GE(took, 2000u) << "the table is too small to show anything";
  EXPECT_LE(longestGap, 500u);
  EXPECT_GT(withPercent, 0);
  EXPECT_EQ(box.Caption, kInfo);
}

TEST_F(MainDialog, CancelDuringARunChangesNothing) {
  const std::wstring table = WriteTable(L"keep.txt");
  auto app = Start();
  app->SetItemText(kPath, table);
  app->SetItemText(kCycle, L"2");
  app->RunJob();
  const std::string before1 = e2e::ReadFileBytes(Tables + L"keep\\keep-1.txt");
  e2e::WriteFileBytes(table, "new header\r\nx\r\ny\r\nz\r\n");
  app->HoldRuns();
  app->SetItemText(kCycle, L"3");
  app->Press(kExecute);
  WaitForRun(*app);
  EXPECT_EQ(app->ItemText(kExecute), L"取   消");
  for (int id : {kPath, kBrowse, kHeader, kCycle, kHeaderSpin, kCycleSpin}) EXPECT_FALSE(IsWindowEnabled(app->Item(id)));
  app->PostKey(app->Item(kExecute), VK_ESCAPE);
  ConfirmCancel(*app);
  TMessageBox box = app->WaitMessageBox();
  EXPECT_EQ(box.Caption, kInfo);
  EXPECT_EQ(box.Text, L"拆分已取消, 没有改动任何文件。");
  app->PressOk(box);
  EXPECT_EQ(e2e::ReadFileBytes(Tables + L"keep\\keep-1.txt"), before1);
  // No temporary is left: without the two files the folder is empty and can go.
  DeleteFileW((Tables + L"keep\\keep-1.txt").c_str());
  DeleteFileW((Tables + L"keep\\keep-2.txt").c_str());
  EXPECT_TRUE(RemoveDirectoryW((Tables + L"keep").c_str()));
  EXPECT_EQ(e2e::WindowText(app->Dialog()), L"Rowdeal 1.2");
  EXPECT_EQ(app->ItemText(kExecute), L"执   行");
  for (int id : {kPath, kBrowse, kHeader, kCycle, kHeaderSpin, kCycleSpin}) EXPECT_TRUE(IsWindowEnabled(app->Item(id)));
}

}  // namespace
