// Rowdeal on a Chinese Windows (ANSI code page 936): a GBK table, in a folder and under
// a name in Chinese, is split into GBK files that hold the source's bytes unchanged.
#include "tests/e2e/Driver.h"

using ChineseLocale = e2e::Session;

TEST_F(ChineseLocale, GbkTableIsSplitIntoByteIdenticalGbkFiles) {
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
}
