// The command-line front end: options, defaults, output streams, exit status.
#include "app/USplitCli.h"

#include "platform/Platform.h"
#include "tests/TestText.h"
#include "tests/file/FileBytes.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

struct Captured {
  std::string Out, Err;
  int Status = -1;
};

Captured Command(std::vector<std::u16string> args, bool terminal = false) {
  Captured c;
  TSplitConsole console;
  console.Out = [&](const std::u16string& text) { c.Out += testtext::Utf8(text); };
  console.Err = [&](const std::u16string& text) { c.Err += testtext::Utf8(text); };
  console.ErrIsTerminal = terminal;
  console.ProgressAfter = 0;
  c.Status = RunSplitCommand(args, console);
  return c;
}

std::string NL() { return testtext::Utf8(std::u16string(platform::NewLine())); }

}  // namespace

TEST(SplitCommand, DefaultsAreOneHeaderLineAndFiveFiles) {
  TempDir dir;
  filebytes::Write(dir.Native("t.csv"), "h\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n");
  Captured c = Command({dir.Path("t.csv")});
  EXPECT_EQ(c.Status, 0);
  EXPECT_EQ(c.Err, "");
  std::string sep = testtext::Utf8(std::u16string(1, platform::PathSeparator()));
  EXPECT_EQ(c.Out, "文件拆分成功! 在原始文件所在路径的 " + testtext::Utf8(dir.Path("t")) + sep +
                       " 子路径下自动生成了如下 5 个新文件:" + NL() + NL() + "t-1.csv" + NL() + "t-2.csv" + NL() +
                       "t-3.csv" + NL() + "t-4.csv" + NL() + "t-5.csv" + NL());
  EXPECT_EQ(filebytes::Read(dir.Native("t") / "t-1.csv"), "h\r\n1\r\n6\r\n");
}

TEST(SplitCommand, OptionsInBothFormsAndTextsAsTheDialogTakesThem) {
  TempDir dir;
  filebytes::Write(dir.Native("a.txt"), "h\r\nx\r\ny\r\n");
  struct Case {
    std::vector<std::u16string> args;
    int status;
    std::string err;
    std::size_t files;
  } cases[] = {
      {{u"--header", u" 0 ", u"--cycle", u"2", dir.Path("a.txt")}, 0, "", 2},
      {{u"--header=0", u"--cycle=3", dir.Path("a.txt")}, 0, "", 3},
      {{u"--cycle=1", u"--", dir.Path("a.txt")}, 0, "", 1},
      {{u"--header", u"3a", dir.Path("a.txt")}, 1, "3a is not a valid integer!", 0},
      {{u"--cycle=", dir.Path("a.txt")}, 1, " is empty!", 0},
      {{u"--cycle", u"0", dir.Path("a.txt")}, 1, "每一循环包含的行数必须是 1 到 2147483647 之间的整数!", 0},
      {{dir.Path("none.txt")}, 1, "待拆分文件不存在!", 0},
  };
  for (const Case& c : cases) {
    std::filesystem::remove_all(dir.Native("a"));
    Captured got = Command(c.args);
    EXPECT_EQ(got.Status, c.status);
    EXPECT_EQ(got.Err, c.err.empty() ? "" : c.err + NL());
    std::size_t made = std::filesystem::exists(dir.Native("a"))
                           ? static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir.Native("a")),
                                                                    std::filesystem::directory_iterator{}))
                           : 0;
    EXPECT_EQ(made, c.files);
  }
}

TEST(SplitCommand, EachFileInTurnAndTheStatusOfAll) {
  TempDir dir;
  filebytes::Write(dir.Native("one.txt"), "h\r\nx\r\n");
  filebytes::Write(dir.Native("two.txt"), "h\r\ny\r\n");
  Captured c = Command({dir.Path("one.txt"), dir.Path("missing.txt"), dir.Path("two.txt")});
  EXPECT_EQ(c.Status, 1);
  EXPECT_EQ(c.Err, "待拆分文件不存在!" + NL());
  EXPECT_EQ(filebytes::Read(dir.Native("one") / "one-1.txt"), "h\r\nx\r\n");
  EXPECT_EQ(filebytes::Read(dir.Native("two") / "two-1.txt"), "h\r\ny\r\n");
}

TEST(SplitCommand, BadUsageAndHelp) {
  for (auto args : std::vector<std::vector<std::u16string>>{{}, {u"--bogus", u"f"}, {u"-x", u"f"}, {u"f", u"--cycle"}}) {
    Captured c = Command(args);
    EXPECT_EQ(c.Status, 2);
    EXPECT_EQ(c.Out, "");
    EXPECT_NE(c.Err.find("rowdeal-split --help"), std::string::npos);
  }
  Captured help = Command({u"--help"});
  EXPECT_EQ(help.Status, 0);
  EXPECT_EQ(help.Out.rfind("Usage: rowdeal-split [--header H] [--cycle N] FILE...", 0), 0u);
}

TEST(SplitCommand, ProgressLineOnATerminalIsClearedAtTheEnd) {
  TempDir dir;
  std::string big;
  while (big.size() < (12u << 20)) big += "some text for a line\r\n";
  filebytes::Write(dir.Native("big.txt"), big);
  Captured quiet = Command({dir.Path("big.txt")});
  EXPECT_EQ(quiet.Err, "");
  Captured c = Command({dir.Path("big.txt")}, true);
  EXPECT_EQ(c.Status, 0);
  ASSERT_NE(c.Err.find("MiB/s"), std::string::npos);
  EXPECT_EQ(c.Err[0], '\r');
  // The last thing written blanks the line out: CR, blanks as wide as the widest line, CR.
  ASSERT_EQ(c.Err.back(), '\r');
  std::size_t clear = c.Err.rfind('\r', c.Err.size() - 2);
  std::string blanks = c.Err.substr(clear + 1, c.Err.size() - clear - 2);
  EXPECT_EQ(blanks.find_first_not_of(' '), std::string::npos);
  EXPECT_GE(blanks.size(), c.Err.find(" MiB/s") + 6 - c.Err.find_last_of('\r', c.Err.find(" MiB/s")) - 1);
}
