// The real Rowdeal.exe, started from a folder of its own and driven through the window
// system as a user drives it.
#include "tests/e2e/Driver.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>

namespace {

using e2e::App;
using e2e::TMessageBox;

const std::wstring kInfo = L"提示!";
const std::wstring kCaption = L"" ROWDEAL_CAPTION;

std::wstring Where(const POINT& p) { return std::to_wstring(p.x) + L"," + std::to_wstring(p.y); }

class MainDialog : public ::testing::Test {
 protected:
  MainDialog() { std::filesystem::create_directory(Tables); }

  std::unique_ptr<App> Start(const std::wstring& workingDir = {}, const std::wstring& arguments = {}) {
    return std::make_unique<App>(Box.Exe, workingDir.empty() ? Box.Dir : workingDir, arguments);
  }

  // A small table: one header line and six data lines.
  std::wstring WriteTable(const std::wstring& name) const {
    testutil::WriteFile(Tables + name, "id;value\r\n1;a\r\n2;b\r\n3;c\r\n4;d\r\n5;e\r\n6;f\r\n");
    return Tables + name;
  }

  // The settings file as the program reads it.
  std::wstring Settings() const {
    std::wstring all;
    for (const std::wstring section : {L"Program", L"Memory"}) {
      std::wstring keys(4096, L'\0');  // key=value texts, each ended by a zero
      keys.resize(GetPrivateProfileSectionW(section.c_str(), keys.data(), 4096, Box.Ini.c_str()));
      all += L"[" + section + L"]" + keys;
    }
    std::replace(all.begin(), all.end(), L'\0', L'|');
    return all;
  }
  static std::wstring Saved(const POINT& at, const std::wstring& lastPath, const std::wstring& h, const std::wstring& n) {
    return L"[Program]WindowLeft=" + std::to_wstring(at.x) + L"|WindowTop=" + std::to_wstring(at.y) +
           L"|[Memory]LastPath=" + lastPath + L"|HeaderLine=" + h + L"|CycleLine=" + n + L"|";
  }

  static std::wstring Fields(const App& app) {
    return app.ItemText(IDC_PATH) + L"|" + app.ItemText(IDC_HEADER_LINES) + L"|" + app.ItemText(IDC_CYCLE_LINES);
  }

  // Starts a split that the test hold keeps from ending, and waits until the caption shows
  // how far it came: every line dealt and half the files, those still to be put in place.
  static void StartHeldRun(App& app) {
    app.HoldRuns();
    app.Press(IDC_EXECUTE);
    ASSERT_TRUE(testutil::WaitUntil([&] { return testutil::WindowText(app.Dialog) == kCaption + L" - 50%"; }))
        << testutil::WindowText(app.Dialog);
  }

  // Answers the question that stopping a run asks, with yes.
  static void ConfirmCancel(const App& app) {
    const TMessageBox question = app.WaitMessageBox();
    EXPECT_EQ(question.Caption + L"|" + question.Text, kCaption + L"|拆分尚未完成, 要取消吗?");
    EXPECT_EQ(GetWindowLongW(GetDlgItem(question.Window, IDNO), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON) << "否";
    app.Answer(question, IDYES);
  }

  e2e::Sandbox Box;
  const std::wstring Tables = Box.Dir + L"tables\\";
};

TEST_F(MainDialog, FilesNamedInEachWayAreSplitBesideThemselves) {
  WriteTable(L"data.txt");
  testutil::WriteFile(Tables + L"next.txt", "x\r\n");
  // On the command line, relative to the folder the program starts in: shown in full.
  auto app = Start(Box.Dir, L"tables\\data.txt");
  EXPECT_EQ(app->ItemText(IDC_PATH), Tables + L"data.txt");
  app->Browse(Tables + L"data.txt");
  app->SetItemText(IDC_CYCLE_LINES, L"2");
  TMessageBox box = app->RunJob();
  EXPECT_EQ(box.Caption + L"|" + box.Text, kInfo + L"|" + e2e::SuccessText(L"data\\", 2, L"data"));
  EXPECT_EQ(testutil::ReadFile(Tables + L"data\\data-1.txt"), "id;value\r\n1;a\r\n3;c\r\n5;e\r\n");
  EXPECT_EQ(testutil::ReadFile(Tables + L"data\\data-2.txt"), "id;value\r\n2;b\r\n4;d\r\n6;f\r\n");
  EXPECT_EQ(Fields(*app), L"data.txt|1|2") << "the job leaves the dialog as it was";
  // The next browse starts in the folder of the file picked, proposing its name; a
  // cancelled one changes nothing.
  EXPECT_EQ(app->Browse(L"next.txt"), L"data.txt");
  EXPECT_EQ(app->ItemText(IDC_PATH), L"next.txt");
  app->Browse(L"");
  EXPECT_EQ(app->ItemText(IDC_PATH), L"next.txt");
  app->SetItemText(IDC_PATH, WriteTable(L"full.txt"));
  EXPECT_EQ(app->RunJob().Text, e2e::SuccessText(Tables + L"full\\", 2, L"full"));
  // A drop of several files takes the first, in full, and its folder.
  app->DropFiles({Box.Dir + L"first.txt", Tables + L"second.txt"});
  EXPECT_EQ(app->ItemText(IDC_PATH), Box.Dir + L"first.txt");
  const POINT at = app->At();
  app->Press(IDC_EXIT);
  EXPECT_EQ(app->WaitExit(), 0u);
  EXPECT_EQ(Settings(), Saved(at, Box.Dir, L"1", L"2"));
}

// Typed, not set: a field that does not scroll would stop at two digits.
TEST_F(MainDialog, ALongListOfNamesIsElidedToFitTheScreen) {
  auto app = Start();
  app->SetItemText(IDC_PATH, WriteTable(L"long.txt"));
  app->Type(IDC_CYCLE_LINES, L"1000");
  const TMessageBox box = app->RunJob();
  const std::wstring whole = e2e::SuccessText(Tables + L"long\\", 1000, L"long");
  EXPECT_EQ(box.Text.substr(0, whole.find(L"long-2.txt")), whole.substr(0, whole.find(L"long-2.txt")));
  EXPECT_TRUE(box.Text.ends_with(L"\r\n……\r\nlong-1000.txt\r\n")) << "names but the last are left out";
  RECT shown{}, work{};
  GetWindowRect(box.Window, &shown);
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_TRUE(shown.top >= work.top && shown.bottom <= work.bottom) << shown.top << ".." << shown.bottom;
}

TEST_F(MainDialog, ARunShowsItsProgressLocksTheInputsAndCancelledChangesNothing) {
  auto app = Start();
  app->SetItemText(IDC_PATH, WriteTable(L"keep.txt"));
  app->SetItemText(IDC_CYCLE_LINES, L"3");
  StartHeldRun(*app);
  const int inputs[] = {IDC_PATH, IDC_BROWSE, IDC_HEADER_LINES, IDC_CYCLE_LINES, IDC_HEADER_SPIN, IDC_CYCLE_SPIN};
  EXPECT_EQ(app->ItemText(IDC_EXECUTE), L"取   消");
  for (int id : inputs) EXPECT_FALSE(IsWindowEnabled(app->Item(id))) << id;
  PostMessageW(app->Item(IDC_CYCLE_LINES), WM_KEYDOWN, VK_ESCAPE, 1);
  ConfirmCancel(*app);
  const TMessageBox box = app->WaitMessageBox();
  EXPECT_EQ(box.Caption + L"|" + box.Text, kInfo + L"|拆分已取消, 没有改动任何文件。");
  app->Answer(box);
  EXPECT_TRUE(!std::filesystem::exists(Tables + L"keep") || std::filesystem::is_empty(Tables + L"keep"));
  EXPECT_EQ(testutil::WindowText(app->Dialog) + app->ItemText(IDC_EXECUTE), kCaption + L"执   行");
  for (int id : inputs) EXPECT_TRUE(IsWindowEnabled(app->Item(id))) << id;
}

TEST_F(MainDialog, FailuresShowTheirTextInAnErrorBoxAndLeaveTheDialogAsItWas) {
  const std::wstring rows[][3] = {{Tables + L"missing.txt", L"1", L"待拆分文件不存在!"},
                                  {WriteTable(L"rows.txt"), L"3a", L"3a is not a valid integer!"}};
  auto app = Start();
  for (const auto& [path, header, message] : rows) {
    app->SetItemText(IDC_PATH, path);
    app->SetItemText(IDC_HEADER_LINES, header);
    const TMessageBox box = app->RunJob();
    EXPECT_EQ(box.Caption + L"|" + box.Text, L"错误!|" + message);
    EXPECT_EQ(Fields(*app), path + L"|" + header + L"|5");
  }
  EXPECT_FALSE(std::filesystem::exists(Tables + L"rows"));
}

// During a run each way out but the session's end asks first; yes cancels the run, and
// the program ends as usual.
TEST_F(MainDialog, EveryWayOutSavesTheSettingsAndEndsWithExitCode0) {
  const std::wstring table = WriteTable(L"left.txt");
  const std::function<void(App&)> exit = [](App& app) { app.Press(IDC_EXIT); };
  const std::function<void(App&)> close = [](App& app) { PostMessageW(app.Dialog, WM_SYSCOMMAND, SC_CLOSE, 0); };
  const struct {
    std::function<void(App&)> Leave;
    bool DuringRun, Asks;
  } ways[] = {
      {exit, false, false},
      {[](App& app) { PostMessageW(app.Item(IDC_HEADER_LINES), WM_KEYDOWN, VK_ESCAPE, 1); }, false, false},
      {close, false, false},
      {exit, true, true},
      {close, true, true},
      {[](App& app) { PostMessageW(app.Dialog, WM_ENDSESSION, TRUE, 0); }, true, false},
  };
  for (int i = 0; i < 6; ++i) {
    std::filesystem::remove(Box.Ini);
    auto app = Start();
    const POINT at{100 + 10 * i, 60 + 7 * i};
    SetWindowPos(app->Dialog, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    app->SetItemText(IDC_HEADER_LINES, std::to_wstring(i));
    app->SetItemText(IDC_CYCLE_LINES, ways[i].DuringRun ? L"3" : L"abc");
    app->SetItemText(IDC_PATH, ways[i].DuringRun ? table : L"not saved");
    if (ways[i].DuringRun) StartHeldRun(*app);
    ways[i].Leave(*app);
    if (ways[i].Asks) ConfirmCancel(*app);
    EXPECT_EQ(app->WaitExit(), 0u) << "way " << i;
    EXPECT_EQ(Settings(), Saved(at, Box.Dir, std::to_wstring(i), ways[i].DuringRun ? L"3" : L"abc"));
    EXPECT_FALSE(std::filesystem::exists(Tables + L"left\\left-1.txt")) << "way " << i;
  }
}

TEST_F(MainDialog, TheNextStartRestoresPositionCountsAsTypedAndFolder) {
  testutil::WriteFile(Box.Dir + L"beside.txt", "x\r\n");
  POINT home{};  // where the template puts the dialog: the stored positions ignored below show it too
  {
    // Started elsewhere, so that only the program's folder can lead the browse to beside.txt.
    auto app = Start(Tables);
    home = app->At();
    EXPECT_EQ(Fields(*app), L"|1|5");
    EXPECT_EQ(app->Browse(L"beside.txt"), L"");
    EXPECT_EQ(app->ItemText(IDC_PATH), L"beside.txt");
    app->Browse(WriteTable(L"again.txt"));
    app->SetItemText(IDC_HEADER_LINES, L"x4");
    app->SetItemText(IDC_CYCLE_LINES, L"");
    SetWindowPos(app->Dialog, nullptr, 150, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    app->Press(IDC_EXIT);
    ASSERT_EQ(app->WaitExit(), 0u);
  }
  auto app = Start();
  EXPECT_EQ(Where(app->At()), L"150,120");
  EXPECT_EQ(Fields(*app), L"|x4|") << "an empty count is not a missing one; the path is not kept";
  // The browse starts in the remembered folder: the bare name is found there.
  app->Browse(L"again.txt");
  app->SetItemText(IDC_HEADER_LINES, L"1");
  app->SetItemText(IDC_CYCLE_LINES, L"2");
  EXPECT_EQ(app->RunJob().Text, e2e::SuccessText(L"again\\", 2, L"again"));
  app.reset();
  // A stored position is ignored where the dialog would lie on no monitor; a negative
  // coordinate (as after closing while minimised) keeps the template's.
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const POINT rows[][2] = {{{30000, 30000}, home}, {{-5, 200}, {home.x, 200}}, {{width - 30, 100}, {width - 30, 100}}};
  for (const auto& [stored, shown] : rows) {
    WritePrivateProfileStringW(L"Program", L"WindowLeft", std::to_wstring(stored.x).c_str(), Box.Ini.c_str());
    WritePrivateProfileStringW(L"Program", L"WindowTop", std::to_wstring(stored.y).c_str(), Box.Ini.c_str());
    EXPECT_EQ(Where(Start()->At()), Where(shown)) << "stored at " << Where(stored);
  }
}

TEST_F(MainDialog, SpinArrowsStepWithin0To10And1To50) {
  struct { int Spin, Field; const wchar_t* Start; bool Up; const wchar_t* Bound; } const rows[] = {
      {IDC_HEADER_SPIN, IDC_HEADER_LINES, L"9", true, L"10"},
      {IDC_HEADER_SPIN, IDC_HEADER_LINES, L"1", false, L"0"},
      {IDC_CYCLE_SPIN, IDC_CYCLE_LINES, L"49", true, L"50"},
      {IDC_CYCLE_SPIN, IDC_CYCLE_LINES, L"2", false, L"1"},
  };
  auto app = Start();
  for (const auto& row : rows) {
    app->SetItemText(row.Field, row.Start);
    for (int click = 0; click < 2; ++click) {
      app->ClickSpin(row.Spin, row.Up);
      EXPECT_EQ(app->ItemText(row.Field), row.Bound) << row.Spin << (row.Up ? " up" : " down");
    }
  }
}

}  // namespace
