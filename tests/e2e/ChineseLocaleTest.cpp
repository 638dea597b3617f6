// Rowdeal on a Chinese Windows (ANSI code page 936): a GBK table, in a folder and under
// a name in Chinese, is split into GBK files that hold the source's bytes unchanged.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/e2e/Driver.h"

namespace {

TEST(ChineseLocale, GbkTableIsSplitIntoByteIdenticalGbkFiles) {
  ASSERT_EQ(GetACP(), 936u) << "Wine must run with LC_ALL=zh_CN.UTF-8";
  e2e::Sandbox box;
  const std::wstring folder = box.Dir + L"表格\\";
  std::filesystem::create_directory(folder);

  const std::vector<std::wstring> lines = {L"序号,姓名,体温（℃）", L"1,张三,36.5", L"2,李四,37.0",
                                           L"3,王五,36.8",        L"4,赵六,36.9", L"5,钱七,37.2"};
  std::vector<std::string> gbk;
  std::string table;
  for (const auto& line : lines) {
    gbk.push_back(e2e::Ansi(line));
    table += gbk.back() + "\r\n";
  }
  ASSERT_EQ(gbk[1].substr(2, 4), "\xD5\xC5\xC8\xFD") << "张三 in GBK";
  ASSERT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, table.data(), static_cast<int>(table.size()),
                                nullptr, 0),
            0)
      << "the table must not pass for UTF-8";
  const std::wstring source = folder + L"测温记录.txt";
  testutil::WriteFile(source, table);

  e2e::App app(box.Exe(), box.Dir);
  app.SetItemText(IDC_PATH, source);
  app.SetItemText(IDC_HEADER_LINES, L"1");
  app.SetItemText(IDC_CYCLE_LINES, L"2");
  const testutil::TMessageBox shown = app.RunJob();
  EXPECT_EQ(shown.Caption, L"提示!");
  EXPECT_EQ(shown.Text, e2e::SuccessText(folder + L"测温记录\\", 2, L"测温记录", L"txt"));

  const std::string header = gbk[0] + "\r\n";
  EXPECT_EQ(testutil::ReadFile(folder + L"测温记录\\测温记录-1.txt"),
            header + gbk[1] + "\r\n" + gbk[3] + "\r\n" + gbk[5] + "\r\n");
  EXPECT_EQ(testutil::ReadFile(folder + L"测温记录\\测温记录-2.txt"), header + gbk[2] + "\r\n" + gbk[4] + "\r\n");

  app.Press(IDC_EXIT);
  EXPECT_EQ(app.WaitExit(), 0u);
}

}  // namespace
