// The ways of splitting and the output folder, through the real dialog: each way runs
// with its own number, label and arrows, keeps its number while another is chosen, and is
// remembered; the pieces go into the folder given, relative to the table or in full.
#include "tests/e2e/Driver.h"

namespace e2e {

using DialogModes = Session;

TEST_F(DialogModes, EachWayRunsWithItsOwnNumberIntoTheFolderGiven) {
  // One header line and six data lines of 5 bytes; 40,000 lines of 64 bytes.
  testutil::WriteFile(Tables + L"data.txt", "id;value\r\n1;a\r\n2;b\r\n3;c\r\n4;d\r\n5;e\r\n6;f\r\n");
  std::string big = "id;value\r\n";
  for (int i = 0; i < 40000; ++i) big += std::string(53, 'x') + std::to_string(10000000 + i) + ";\r\n";
  testutil::WriteFile(Tables + L"big.txt", big);
  const std::wstring data = Tables + L"data.txt", sizes = Dir + L"sizes";
  // Out: the output folder as typed; Shown: how the success text names the folder (none:
  // as beside the table), or the failure; Sizes: the pieces' sizes.
  const struct { int Mode; const wchar_t* Count; std::wstring Path, Out, Folder, Shown;
                 std::vector<std::uintmax_t> Sizes; } rows[] = {
          {0, L"2", L"\"" + data + L"\"", L"", Tables + L"data\\", L"", {25, 25}},
          {1, L"4", data, L"", Tables + L"data\\", L"", {30, 20}},
          {2, L"4", data, L"\"out\"", Tables + L"out\\", L"在 out\\ 路径下", {20, 20, 15, 15}},
          {3, L"1", Tables + L"big.txt", sizes, sizes + L"\\", L"在 " + sizes + L"\\ 路径下", {1048522, 1048522, 462986}},
          {3, L"0", data, L"", L"", L"错误!|大小上限 (MB) 必须是 1 到 2147483647 之间的整数!", {}},
      };
  auto app = Start();
  for (const auto& row : rows) {
    Choose(*app, row.Mode);
    app->SetItemText(IDC_CYCLE_LINES, row.Count);
    app->SetItemText(IDC_PATH, row.Path);
    app->SetItemText(IDC_OUT_DIR, row.Out);
    const std::wstring base = row.Mode == 3 ? L"big" : L"data";
    std::wstring box = L"提示!|" + SuccessText(Tables + L"data\\", static_cast<int>(row.Sizes.size()), base);
    if (!row.Shown.empty()) box.replace(box.find(L"在"), box.find(L"自动") - box.find(L"在"), row.Shown);
    EXPECT_EQ(app->RunJob(), row.Folder.empty() ? row.Shown : box) << row.Mode;
    std::vector<std::uintmax_t> made;
    for (int i = 1; std::filesystem::exists(row.Folder + base + L"-" + std::to_wstring(i) + L".txt"); ++i) {
      made.push_back(std::filesystem::file_size(row.Folder + base + L"-" + std::to_wstring(i) + L".txt"));
    }
    EXPECT_EQ(made, row.Sizes) << row.Mode;
  }
  // The picker opens in the table's folder and gives the folder in full; cancelled, it changes nothing.
  std::filesystem::create_directory(Tables + L"picked");
  for (const wchar_t* typed : {L"picked", L""}) app->Browse(typed, IDC_BROWSE_OUT);
  EXPECT_EQ(app->ItemText(IDC_OUT_DIR), Tables + L"picked");
}

// The arrow keys step a count within 0 to 10, 1 to 50 or 1 to 99,999,999, without separators.
TEST_F(DialogModes, EachWayKeepsItsNumberLabelAndArrowsAndIsRemembered) {
  WritePrivateProfileSectionW(L"Memory", L"SplitMode=2\0Parts=7\0CycleLine=3\0", Ini.c_str());
  auto app = Start();
  EXPECT_EQ(Choose(*app, -1), L"平均分成的份数|份数：|7");
  HWND at = app->Item(IDC_PATH);  // the tab order, from the path round to it again
  for (int id : {IDC_BROWSE, IDC_MODE, IDC_HEADER_LINES, IDC_CYCLE_LINES, IDC_OUT_DIR, IDC_BROWSE_OUT, IDC_EXECUTE,
                 IDC_EXIT, IDC_PATH}) {
    EXPECT_EQ(GetDlgCtrlID(at = GetNextDlgTabItem(app->Dialog, at, FALSE)), id);
  }
  // Shown: when chosen; then Field holds Typed, stepped twice with Key: Stepped.
  const struct { int Mode; const wchar_t* Shown; int Field; const wchar_t *Typed; UINT Key; const wchar_t* Stepped; }
      rows[] = {
      {1, L"每个文件的行数|每个文件的数据行数：|10000", IDC_CYCLE_LINES, L"9998", VK_UP, L"10000"},
      {1, L"每个文件的行数|每个文件的数据行数：|10000", IDC_CYCLE_LINES, L"99999998", VK_UP, L"99999999"},
      {0, L"轮流分配到各文件|每一循环包含的行数：|3", IDC_CYCLE_LINES, L"49", VK_UP, L"50"},
      {0, L"轮流分配到各文件|每一循环包含的行数：|50", IDC_HEADER_LINES, L"9", VK_UP, L"10"},
      {0, L"轮流分配到各文件|每一循环包含的行数：|50", IDC_HEADER_LINES, L"1", VK_DOWN, L"0"},
      {3, L"每个文件的大小上限 (MB)|大小上限 (MB)：|20", IDC_CYCLE_LINES, L"2", VK_DOWN, L"1"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(Choose(*app, row.Mode), row.Shown);
    app->Type(row.Field, row.Typed);
    for (int i = 0; i < 2; ++i) app->Key(row.Field, row.Key);
    EXPECT_EQ(app->ItemText(row.Field), row.Stepped) << row.Mode << " " << row.Typed;
  }
  // Any command from the list takes its selection, not only a change.
  const HWND list = app->Item(IDC_MODE);
  SendMessageW(list, CB_SETCURSEL, 2, 0);
  PostMessageW(app->Dialog, WM_COMMAND, MAKEWPARAM(IDC_MODE, CBN_CLOSEUP), reinterpret_cast<LPARAM>(list));
  EXPECT_TRUE(testutil::WaitUntil([&] { return app->ItemText(IDC_COUNT_LABEL) == L"份数："; }));
  app->Type(IDC_CYCLE_LINES, L"1,000");
  app->SetItemText(IDC_OUT_DIR, L"out");
  app->Press(IDC_EXIT);
  ASSERT_EQ(app->WaitExit(), 0u);
  std::wstring stored(500, L'\0');  // the settings' key=value texts, each ended by a zero
  stored.resize(GetPrivateProfileSectionW(L"Memory", stored.data(), 500, Ini.c_str()));
  std::replace(stored.begin(), stored.end(), L'\0', L'|');
  EXPECT_EQ(stored, L"SplitMode=2|Parts=1,000|CycleLine=50|LastPath=" + Dir +
                        L"|HeaderLine=0|RowsPerFile=99999999|MaxSizeMB=1|ByColumn=|ByColumnNumber=1|OutputPath=out|"
                        L"MergeOrder=0|MergeOutput=|");
  WritePrivateProfileStringW(L"Memory", L"SplitMode", L"6", Ini.c_str());  // a way the list lacks: the first
  EXPECT_EQ(Choose(*Start(), -1), L"轮流分配到各文件|每一循环包含的行数：|50");
}

// Files dropped or picked together show as their number and merge in the order of their
// pieces' numbers (2 before 10), in turn when asked; a path typed replaces them. A relative
// output name is taken in the first file's folder, and the save dialog gives one in full.
// A split way takes the first of them, and still refuses a folder. The merge way keeps its
// own order and output, and takes several files from the command line too.
TEST_F(DialogModes, SeveralFilesMergeInTheirNumbersOrderIntoTheFileNamed) {
  const std::string head = "id;v\r\n", a = "1;a\r\n2;a\r\n", b = "1;b\r\n2;b\r\n", c = "1;c\r\n";
  testutil::WriteFile(Tables + L"day-1.txt", head + a);
  testutil::WriteFile(Tables + L"day-2.txt", head + b);
  testutil::WriteFile(Tables + L"day-10.txt", head + c);
  auto app = Start();
  EXPECT_EQ(Choose(*app, 5), L"合并多个文件|合并顺序：|");
  EXPECT_EQ(app->RunJob(), L"错误!|没有待合并的文件!");
  // Given: dropped, typed, or picked (names in quotes); Out: typed, or picked with the save
  // dialog (Picked); Merged: the file written, with Records data records, of the Read
  // bytes that the bar's line names under its result box.
  const struct { const wchar_t* Given; int Order; const wchar_t* Out; bool Picked; std::wstring Shown, Merged;
                 int Records; std::string Bytes; const wchar_t* Read; } rows[] = {
      {L"drop", 0, L"all.txt", false, L"3 个文件", Tables + L"all.txt", 5, head + a + b + c, L"43"},
      {L"day-2.txt", 0, L"all.txt", false, L"day-2.txt", Tables + L"all.txt", 2, head + b, L"16"},
      {L"\"day-10.txt\" \"day-1.txt\" \"day-2.txt\"", 1, L"turn.txt", true, L"3 个文件", Tables + L"turn.txt", 5,
       head + "1;a\r\n1;b\r\n1;c\r\n2;a\r\n2;b\r\n", L"43"},
  };
  for (const auto& row : rows) {
    if (row.Given == std::wstring(L"drop")) {
      app->DropFiles({Tables + L"day-10.txt", Tables + L"day-2.txt", Tables + L"day-1.txt"});
    } else if (row.Given[0] == L'"') {
      app->Browse(row.Given);
    } else {
      app->SetItemText(IDC_PATH, row.Given);
    }
    EXPECT_EQ(app->ItemText(IDC_PATH), row.Shown);
    app->Key(IDC_ORDER, row.Order ? VK_DOWN : VK_UP);
    if (row.Picked) {
      app->Browse(row.Out, IDC_BROWSE_OUT);
      EXPECT_EQ(app->ItemText(IDC_OUT_DIR), row.Merged);
    } else {
      app->SetItemText(IDC_OUT_DIR, row.Out);
    }
    app->Press(IDC_EXECUTE);
    app->NextBox();
    EXPECT_EQ(app->Progress(), L"100%|已处理 " + std::wstring(row.Read) + L" / " + row.Read + L" 字节 (100%)");
    EXPECT_EQ(app->Answer(), L"提示!|" + MergedText(row.Merged, row.Records));
    EXPECT_EQ(testutil::ReadFile(row.Merged), row.Bytes) << row.Given;
  }
  app->DropFiles({Tables + L"day-10.txt", Tables + L"day-2.txt"});
  EXPECT_EQ(Choose(*app, 0), L"轮流分配到各文件|每一循环包含的行数：|5");
  EXPECT_EQ(app->ItemText(IDC_PATH), Tables + L"day-2.txt");
  app->SetItemText(IDC_PATH, Dir + L"tables");
  EXPECT_EQ(app->RunJob(), L"错误!|待拆分文件不是普通文件!");
  app->Press(IDC_EXIT);
  ASSERT_EQ(app->WaitExit(), 0u);
  std::wstring kept[4];
  for (int i = 0; const wchar_t* key : {L"SplitMode", L"OutputPath", L"MergeOrder", L"MergeOutput"}) {
    kept[i].resize(MAX_PATH);
    kept[i].resize(GetPrivateProfileStringW(L"Memory", key, L"", kept[i].data(), MAX_PATH, Ini.c_str()));
    ++i;
  }
  EXPECT_EQ(kept[0] + L"|" + kept[1] + L"|" + kept[2] + L"|" + kept[3], L"0||1|" + Tables + L"turn.txt");
  // Several on the command line, as dropped on the program's icon.
  WritePrivateProfileStringW(L"Memory", L"SplitMode", L"5", Ini.c_str());
  EXPECT_EQ(Start(Tables, L"day-2.txt day-1.txt")->ItemText(IDC_PATH), L"2 个文件");
}

// The column way reads the header's fields aside: a reading that does not answer (held, as
// on a share) holds neither the dialog nor its closing, and only the newest reading's
// fields show. A run takes the list only once it is of the path in the field.
TEST_F(DialogModes, TheColumnsAreReadAsideAndARunTakesThemOfThePathShown) {
  const std::wstring reading = L"错误!|正在读取待拆分文件表头中的列, 请稍候再执行!";
  for (const auto& [name, header] : {std::pair{L"t", "id,city"}, {L"u", "n,m,city"}, {L"v", "x,city"}}) {
    testutil::WriteFile(Tables + name + L".csv", std::string(header) + "\r\n3,Rome\r\n");
  }
  auto app = Start();
  EXPECT_EQ(Choose(*app, 4), L"按列的值分到各文件|依据的列：|1");
  EXPECT_EQ(app->RunJob(), L"错误!|没有可依据的列: 请先选择一个有表头的待拆分文件!");
  app->DropFiles({Tables + L"t.csv"});
  EXPECT_TRUE(testutil::WaitUntil([&] { return Columns(*app) == L"id|city|:0"; })) << Columns(*app);
  app->Key(IDC_COLUMN, VK_DOWN);
  // Dropped, then typed without leaving the field: the run asks for the typed one too.
  app->HoldReadings();
  app->DropFiles({Tables + L"u.csv"});
  app->SetItemText(IDC_PATH, Tables + L"v.csv");
  EXPECT_EQ(app->RunJob(), reading);
  app->ReleaseReadings();
  EXPECT_TRUE(testutil::WaitUntil([&] { return Columns(*app) == L"x|city|:1"; })) << Columns(*app);
  EXPECT_EQ(app->RunJob(), L"提示!|文件拆分成功! 在原始文件所在路径的 " + Tables +
                               L"v\\ 子路径下自动生成了如下 1 个新文件:\r\n\r\nv-Rome.csv\r\n");
  EXPECT_EQ(Columns(*app), L"x|city|:1") << "an older reading answered last";
  app->HoldReadings();
  app->SetItemText(IDC_PATH, Tables + L"u.csv");
  EXPECT_EQ(app->RunJob(), reading);
  app->Press(IDC_EXIT);
  EXPECT_EQ(app->WaitExit(), 0u) << "the reading held the closing";
}

}  // namespace e2e
