// Rowdeal on a Chinese Windows (ANSI code page 936): a GBK table, in a folder and under
// a name in Chinese, is split into GBK files that hold the source's bytes unchanged, and
// those merge back into the source.
#include "tests/e2e/Driver.h"

using ChineseLocale = e2e::Session;

// Merged back, the folder's record of the deal orders the pieces whatever the order list
// says. The merged file's name by default, beside the folder, shows grey in the output
// field. A merge held before it replaces its file asks the merge's question, and yes
// leaves every file as it was.
TEST_F(ChineseLocale, GbkTableIsSplitIntoByteIdenticalGbkFilesThatMergeBack) {
  ASSERT_EQ(GetACP(), 936u) << "Wine must run with LC_ALL=zh_CN.UTF-8";
  const std::wstring folder = Tables + L"表格\\";
  std::filesystem::create_directory(folder);
  // 序号,姓名 / 1,张三 / 2,李四 / 3,王五 in GBK: no UTF-8 reading would keep these bytes.
  const std::string lines[] = {"\xD0\xF2\xBA\xC5,\xD0\xD5\xC3\xFB\r\n", "1,\xD5\xC5\xC8\xFD\r\n",
                               "2,\xC0\xEE\xCB\xC4\r\n", "3,\xCD\xF5\xCE\xE5\r\n"};
  testutil::WriteFile(folder + L"测温记录.txt", lines[0] + lines[1] + lines[2] + lines[3]);
  auto app = Start(Dir, L"\"" + folder + L"测温记录.txt\"");  // a Chinese name on the command line too
  app->SetItemText(IDC_CYCLE_LINES, L"2");
  EXPECT_EQ(app->RunJob(), L"提示!|" + e2e::SuccessText(folder + L"测温记录\\", 2, L"测温记录"));
  EXPECT_EQ(testutil::ReadFile(folder + L"测温记录\\测温记录-1.txt"), lines[0] + lines[1] + lines[3]);
  EXPECT_EQ(testutil::ReadFile(folder + L"测温记录\\测温记录-2.txt"), lines[0] + lines[2]);
  app->SetItemText(IDC_PATH, folder + L"测温记录\\");
  EXPECT_EQ(e2e::Choose(*app, 5), L"合并多个文件|合并顺序：|");
  EXPECT_EQ(app->ItemText(IDC_PATH_LABEL) + app->ItemText(IDC_ORDER), L"待合并文件：依次合并");
  EXPECT_TRUE(testutil::WaitUntil([&] { return app->Cue(IDC_OUT_DIR) == L"测温记录-合并.txt"; })) << app->Cue(IDC_OUT_DIR);
  const std::wstring merged = folder + L"测温记录-合并.txt";
  EXPECT_EQ(app->RunJob(), L"提示!|" + e2e::MergedText(merged, 3));
  EXPECT_EQ(testutil::ReadFile(merged), lines[0] + lines[1] + lines[2] + lines[3]);
  const auto made = testutil::Contents(folder);
  app->HoldRuns();
  app->Press(IDC_EXECUTE);
  app->Press(IDC_EXECUTE);  // 取消, at once
  EXPECT_EQ(app->Answer(IDYES), L"" ROWDEAL_CAPTION L"|合并尚未完成, 要取消吗?");
  EXPECT_EQ(app->Answer(), L"提示!|合并已取消, 没有改动任何文件。");
  EXPECT_EQ(testutil::Contents(folder), made);
}

// The way by a column's values on a GBK table: the list holds the first header record's
// fields, the column is chosen there and remembered by name, and each value's piece is
// named after it in Chinese and holds the source's bytes. With no header the column's
// number is typed. The next start finds the column by name in another table, or else
// takes the first field.
TEST_F(ChineseLocale, GbkTableIsSplitByTheValuesOfTheColumnChosen) {
  ASSERT_EQ(GetACP(), 936u) << "Wine must run with LC_ALL=zh_CN.UTF-8";
  // 日期,省份,金额 / 2024-01-01,广东,100 / 2024-01-01,北京,200 / 2024-01-02,广东,300 in GBK.
  const std::string guangdong = "\xB9\xE3\xB6\xAB", beijing = "\xB1\xB1\xBE\xA9";
  const std::string lines[] = {"\xC8\xD5\xC6\xDA,\xCA\xA1\xB7\xDD,\xBD\xF0\xB6\xEE\r\n", "2024-01-01," + guangdong + ",100\r\n",
                               "2024-01-01," + beijing + ",200\r\n", "2024-01-02," + guangdong + ",300\r\n"};
  testutil::WriteFile(Tables + L"sales.csv", lines[0] + lines[1] + lines[2] + lines[3]);
  auto app = Start(Dir, L"\"" + Tables + L"sales.csv\"");
  EXPECT_EQ(e2e::Choose(*app, 4), L"按列的值分到各文件|依据的列：|1");
  ASSERT_TRUE(testutil::WaitUntil([&] { return e2e::Columns(*app) == L"日期|省份|金额|:0"; })) << e2e::Columns(*app);
  app->Key(IDC_COLUMN, VK_DOWN);
  const std::wstring made = e2e::SuccessText(Tables + L"sales\\", 2, L"sales");
  EXPECT_EQ(app->RunJob(), L"提示!|" + made.substr(0, made.find(L"\r\n\r\n") + 4) + L"sales-广东.csv\r\nsales-北京.csv\r\n");
  EXPECT_EQ(testutil::ReadFile(Tables + L"sales\\sales-广东.csv"), lines[0] + lines[1] + lines[3]);
  EXPECT_EQ(testutil::ReadFile(Tables + L"sales\\sales-北京.csv"), lines[0] + lines[2]);
  // No header: the first line is a record of its own value, and the number field shows.
  app->Type(IDC_HEADER_LINES, L"0");
  EXPECT_EQ(e2e::Columns(*app), L"number");
  app->Type(IDC_CYCLE_LINES, L"2");
  const std::wstring remade = e2e::SuccessText(Tables + L"sales\\", 3, L"sales");
  EXPECT_EQ(app->RunJob(), L"提示!|" + remade.substr(0, remade.find(L"\r\n\r\n") + 4) +
                               L"sales-省份.csv\r\nsales-广东.csv\r\nsales-北京.csv\r\n");
  EXPECT_EQ(testutil::ReadFile(Tables + L"sales\\sales-省份.csv"), lines[0]);
  EXPECT_EQ(testutil::ReadFile(Tables + L"sales\\sales-广东.csv"), lines[1] + lines[3]);
  app->Type(IDC_HEADER_LINES, L"1");
  EXPECT_EQ(e2e::Columns(*app), L"日期|省份|金额|:1");
  app->Press(IDC_EXIT);
  ASSERT_EQ(app->WaitExit(), 0u);
  // Headers 金额,日期,省份 and 数量,单价, dropped on the next start.
  const struct { std::string Header; const wchar_t* Shown; } rows[] = {
      {"\xBD\xF0\xB6\xEE,\xC8\xD5\xC6\xDA,\xCA\xA1\xB7\xDD\r\n", L"金额|日期|省份|:2"},
      {"\xCA\xFD\xC1\xBF,\xB5\xA5\xBC\xDB\r\n", L"数量|单价|:0"},
  };
  app = Start();
  for (const auto& row : rows) {
    testutil::WriteFile(Tables + L"other.csv", row.Header);
    app->DropFiles({Tables + L"other.csv"});
    EXPECT_TRUE(testutil::WaitUntil([&] { return e2e::Columns(*app) == row.Shown; })) << e2e::Columns(*app);
  }
  app->Press(IDC_EXIT);
  ASSERT_EQ(app->WaitExit(), 0u);
  wchar_t kept[64] = {};
  GetPrivateProfileStringW(L"Memory", L"ByColumn", L"", kept, 64, Ini.c_str());
  EXPECT_STREQ(kept, L"省份") << "the first field, taken for want of the name, is not a choice";
}
