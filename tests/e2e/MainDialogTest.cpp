// The real Rowdeal.exe, started from a folder of its own and driven through the window
// system as a user drives it.
#include "tests/e2e/Driver.h"

namespace e2e {

class MainDialog : public Session {
 protected:
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
      keys.resize(GetPrivateProfileSectionW(section.c_str(), keys.data(), 4096, Ini.c_str()));
      all += L"[" + section + L"]" + keys;
    }
    std::replace(all.begin(), all.end(), L'\0', L'|');
    return all;
  }

  // The path and the two counts, as shown.
  static std::wstring Fields(const App& app) {
    return app.ItemText(IDC_PATH) + L"|" + app.ItemText(IDC_HEADER_LINES) + L"|" + app.ItemText(IDC_CYCLE_LINES);
  }

  // Answers the question that stopping a run asks, with yes.
  static void ConfirmCancel(const App& app) {
    EXPECT_EQ(GetWindowLongW(GetDlgItem(app.NextBox().Window, IDNO), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON) << "否";
    EXPECT_EQ(app.Answer(IDYES), L"" ROWDEAL_CAPTION L"|拆分尚未完成, 要取消吗?");
  }
};

TEST_F(MainDialog, FilesNamedInEachWayAreSplitBesideThemselves) {
  WriteTable(L"data.txt");
  // On the command line, relative to the folder the program starts in: shown in full.
  auto app = Start(Dir, L"tables\\data.txt");
  EXPECT_EQ(app->ItemText(IDC_PATH), Tables + L"data.txt");
  // Browsed: its name alone is shown, and the job takes it in the folder browsed to.
  app->Browse(Tables + L"data.txt");
  app->SetItemText(IDC_CYCLE_LINES, L"2");
  EXPECT_EQ(app->RunJob(), L"提示!|" + SuccessText(L"data\\", 2, L"data"));
  EXPECT_EQ(testutil::ReadFile(Tables + L"data\\data-2.txt"), "id;value\r\n2;b\r\n4;d\r\n6;f\r\n");
  EXPECT_EQ(Fields(*app), L"data.txt|1|2") << "the job leaves the dialog as it was";
  // Typed, not set: a field that does not scroll would stop at two digits. A thousand
  // names are too many for the screen: all but the last are left out.
  app->Type(IDC_CYCLE_LINES, L"1000");
  app->Press(IDC_EXECUTE);
  RECT shown{}, work{};
  GetWindowRect(app->NextBox().Window, &shown);
  const std::wstring text = app->Answer(), whole = L"提示!|" + SuccessText(L"data\\", 1000, L"data");
  EXPECT_EQ(text.substr(0, whole.find(L"data-2.txt")), whole.substr(0, whole.find(L"data-2.txt")));
  EXPECT_TRUE(text.ends_with(L"\r\n……\r\ndata-1000.txt\r\n")) << text;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_TRUE(shown.top >= work.top && shown.bottom <= work.bottom) << shown.top << ".." << shown.bottom;
  // The next browse starts in the folder of the file picked (a bare name is found there),
  // proposing its name; a cancelled one changes nothing.
  EXPECT_EQ(app->Browse(L"data.txt"), L"data.txt");
  app->Browse(L"");
  EXPECT_EQ(app->ItemText(IDC_PATH), L"data.txt");
  // A drop of several files takes the first, in full, and its folder.
  app->DropFiles({Dir + L"first.txt", Tables + L"second.txt"});
  EXPECT_EQ(app->ItemText(IDC_PATH), Dir + L"first.txt");
  app->Press(IDC_EXIT);
  EXPECT_EQ(app->WaitExit(), 0u);
  EXPECT_NE(Settings().find(L"LastPath=" + Dir + L"|"), std::wstring::npos) << Settings();
}

// 取消 and Escape during a run, which the test seams hold at either side of its
// renames: before, the question comes while nothing has changed, 否 lets the run go on
// and 是 stops it; after, nothing asks and the run reports as usual. Meanwhile the
// caption and the bar show the progress (the bar stays until the result box is closed), the inputs are locked and the dialog answers.
TEST_F(MainDialog, ARunIsCancelledOnlyBeforeItReplacesFilesAndLocksTheInputs) {
  auto app = Start();
  EXPECT_EQ(app->Progress(), L"");
  app->SetItemText(IDC_PATH, WriteTable(L"keep.txt"));
  app->SetItemText(IDC_CYCLE_LINES, L"3");
  ASSERT_TRUE(app->StartHeldRun(true, true)) << testutil::WindowText(app->Dialog);
  // Every byte of the 40 read, half of the files done: those still to be put in place.
  EXPECT_EQ(app->Progress().rfind(L"50%|已处理 40 / 40 字节 (50%)", 0), 0u) << app->Progress();
  const int inputs[] = {IDC_PATH,        IDC_BROWSE,     IDC_MODE,    IDC_HEADER_LINES, IDC_CYCLE_LINES,
                        IDC_HEADER_SPIN, IDC_CYCLE_SPIN, IDC_OUT_DIR, IDC_BROWSE_OUT};
  EXPECT_EQ(app->ItemText(IDC_EXECUTE), L"取   消");
  for (int id : inputs) EXPECT_FALSE(IsWindowEnabled(app->Item(id))) << id;
  app->Press(IDC_EXECUTE);
  EXPECT_EQ(app->Answer(IDNO), L"" ROWDEAL_CAPTION L"|拆分尚未完成, 要取消吗?");
  ASSERT_TRUE(app->ShowsPercent(100));
  EXPECT_EQ(app->Progress().rfind(L"100%|已处理 40 / 40 字节 (100%)", 0), 0u) << app->Progress();
  const auto made = testutil::Contents(Tables + L"keep");
  EXPECT_EQ(made.size(), 4u);  // the pieces and the record of the split
  EXPECT_EQ(made.at("keep-1.txt"), "id;value\r\n1;a\r\n4;d\r\n");
  app->Press(IDC_EXECUTE);
  PostMessageW(app->Item(IDC_CYCLE_LINES), WM_KEYDOWN, VK_ESCAPE, 0);
  app->ReleaseAfter();
  app->NextBox();
  EXPECT_EQ(app->Progress(), L"100%|已处理 40 / 40 字节 (100%)");
  EXPECT_EQ(app->Answer(), L"提示!|" + SuccessText(Tables + L"keep\\", 3, L"keep"));
  EXPECT_TRUE(testutil::WaitUntil([&] { return app->Progress().empty(); })) << app->Progress();
  // Held before the renames again, of a changed table: 是 leaves the outputs as they were.
  testutil::WriteFile(Tables + L"keep.txt", "id;value\r\n7;g\r\n");
  ASSERT_TRUE(app->StartHeldRun(true));
  PostMessageW(app->Item(IDC_CYCLE_LINES), WM_KEYDOWN, VK_ESCAPE, 0);
  ConfirmCancel(*app);
  app->NextBox();
  EXPECT_EQ(app->Progress(), L"50%|已处理 15 / 15 字节 (50%)") << "where it stopped";
  EXPECT_EQ(app->Answer(), L"提示!|拆分已取消, 没有改动任何文件。");
  EXPECT_EQ(testutil::Contents(Tables + L"keep"), made);
  EXPECT_TRUE(testutil::WaitUntil([&] { return app->Progress().empty(); })) << app->Progress();
  EXPECT_EQ(testutil::WindowText(app->Dialog) + app->ItemText(IDC_EXECUTE), L"" ROWDEAL_CAPTION L"执   行");
  for (int id : inputs) EXPECT_TRUE(IsWindowEnabled(app->Item(id))) << id;
}

// During a run held before its renames each way out but the session's end asks first, and
// yes cancels the run; held after them, none asks: the dialog waits, answering, for the
// run's end and its result box. Either way the program then ends as usual.
TEST_F(MainDialog, EveryWayOutSavesTheSettingsAndEndsWithExitCode0) {
  enum { Idle, Before, After };
  // Each posted to a control, or to the dialog (0).
  const struct { int Target; UINT Message; WPARAM WParam; LPARAM LParam; int Moment; bool Asks; } ways[] = {
      {IDC_EXIT, BM_CLICK, 0, 0, Idle, false},         {IDC_HEADER_LINES, WM_KEYDOWN, VK_ESCAPE, 0, Idle, false},
      {0, WM_SYSCOMMAND, SC_CLOSE, 0, Idle, false},    {IDC_EXIT, BM_CLICK, 0, 0, Before, true},
      {0, WM_SYSCOMMAND, SC_CLOSE, 0, Before, true},   {0, WM_ENDSESSION, TRUE, 0, Before, false},
      {IDC_EXIT, BM_CLICK, 0, 0, After, false},        {0, WM_SYSCOMMAND, SC_CLOSE, 0, After, false},
      {0, WM_SYSKEYDOWN, VK_F4, KF_ALTDOWN << 16, After, false},
  };
  for (int i = 0; i < 9; ++i) {
    const auto& way = ways[i];
    auto app = Start();  // each way writes every setting afresh
    const POINT at{100 + 10 * i, 60 + 7 * i};
    SetWindowPos(app->Dialog, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    app->SetItemText(IDC_HEADER_LINES, std::to_wstring(i % 5));  // the six-line table holds them
    app->SetItemText(IDC_CYCLE_LINES, way.Moment ? L"3" : L"abc");
    app->SetItemText(IDC_PATH, way.Moment ? WriteTable(L"left.txt") : L"not saved");
    ASSERT_TRUE(!way.Moment || app->StartHeldRun(way.Moment == Before, way.Moment == After)) << "way " << i;
    PostMessageW(way.Target ? app->Item(way.Target) : app->Dialog, way.Message, way.WParam, way.LParam);
    if (way.Asks) ConfirmCancel(*app);
    if (way.Moment == After) {
      // A close box sent meanwhile is answered at once, without a question.
      EXPECT_TRUE(SendMessageTimeoutW(app->Dialog, WM_SYSCOMMAND, SC_CLOSE, 0, SMTO_NORMAL, 10000, nullptr)) << i;
      app->ReleaseAfter();
      EXPECT_EQ(app->Answer(), L"提示!|" + SuccessText(Tables + L"left\\", 3, L"left")) << "way " << i;
    }
    EXPECT_EQ(app->WaitExit(), 0u) << "way " << i;
    EXPECT_EQ(Settings(), L"[Program]WindowLeft=" + std::to_wstring(at.x) + L"|WindowTop=" + std::to_wstring(at.y) +
                              L"|[Memory]LastPath=" + Dir + L"|HeaderLine=" + std::to_wstring(i % 5) +
                              L"|CycleLine=" + (way.Moment ? L"3|" : L"abc|") +
                              L"SplitMode=0|RowsPerFile=10000|Parts=5|MaxSizeMB=20|ByColumn=|ByColumnNumber=1|OutputPath=|"
                              L"MergeOrder=0|MergeOutput=|");
    EXPECT_EQ(std::filesystem::exists(Tables + L"left\\left-1.txt"), way.Moment == After) << "way " << i;
  }
}

TEST_F(MainDialog, TheNextStartRestoresPositionCountsAsTypedAndFolder) {
  testutil::WriteFile(Dir + L"beside.txt", "x\r\n");
  // Started elsewhere, so that only the program's folder can lead the browse to beside.txt.
  auto app = Start(Tables);
  const auto home = app->At();  // the template's: the stored positions ignored below show it too
  EXPECT_EQ(Fields(*app), L"|1|5");
  app->Browse(L"beside.txt");
  app->Browse(WriteTable(L"again.txt"));
  app->SetItemText(IDC_HEADER_LINES, L"x4");
  app->SetItemText(IDC_CYCLE_LINES, L"");
  SetWindowPos(app->Dialog, nullptr, 150, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  app->Press(IDC_EXIT);
  ASSERT_EQ(app->WaitExit(), 0u);
  app = Start();
  EXPECT_EQ(app->At(), std::make_pair(150L, 120L));
  EXPECT_EQ(Fields(*app), L"|x4|") << "an empty count is not a missing one; the path is not kept";
  // A bare name is taken in the remembered folder, not in the one the program started in:
  // the job finds the file, and only then rejects the count.
  app->SetItemText(IDC_PATH, L"again.txt");
  EXPECT_EQ(app->RunJob(), L"错误!|x4 is not a valid integer!");
  // An empty path is not the remembered folder.
  app->SetItemText(IDC_PATH, L"");
  EXPECT_EQ(app->RunJob(), L"错误!|待拆分文件不存在!");
  EXPECT_FALSE(std::filesystem::exists(Tables + L"again"));
  app.reset();
  // A stored position is ignored where the dialog would lie on no monitor; a negative
  // coordinate (as after closing while minimised) keeps the template's.
  const LONG x = GetSystemMetrics(SM_CXSCREEN) - 30;  // on the screen, mostly beyond it
  const std::pair<LONG, LONG> rows[][2] = {{{30000, 30000}, home}, {{-5, 200}, {home.first, 200}}, {{x, 100}, {x, 100}}};
  for (const auto& [stored, shown] : rows) {
    WritePrivateProfileStringW(L"Program", L"WindowLeft", std::to_wstring(stored.first).c_str(), Ini.c_str());
    WritePrivateProfileStringW(L"Program", L"WindowTop", std::to_wstring(stored.second).c_str(), Ini.c_str());
    EXPECT_EQ(Start()->At(), shown) << "stored at " << stored.first << "," << stored.second;
  }
}

}  // namespace e2e
