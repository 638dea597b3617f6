// The command-line front end: options, defaults, bad usage, output streams, exit status, progress
// line, Ctrl+C, and file names that are not UTF-8.
#include "app/USplitCli.h"

#include "app/USplitResult.h"
#include "platform/Platform.h"
#include "support/UkxStrUtils.h"
#include "support/UkxUtf8.h"
#include "tests/TestUtil.h"

#include <gtest/gtest.h>

#include <csignal>

namespace fs = std::filesystem;

using testutil::TempDir;

namespace {

struct Captured {
  std::string Out, Err;
  int Status = -1;
};

Captured Command(std::vector<std::u16string> args, bool terminal = false,
                 const std::function<void()>& onErr = {}) {
  Captured c;
  TSplitConsole console;
  console.Out = [&](const std::u16string& text) { c.Out += testutil::Utf8(text); };
  console.Err = [&](const std::u16string& text) {
    c.Err += testutil::Utf8(text);
    if (onErr) onErr();
  };
  console.ErrIsTerminal = terminal;
  console.ProgressAfter = 0;
  c.Status = RunSplitCommand(args, console);
  return c;
}

std::string Native(const std::u16string& text) {
  return testutil::Utf8(ReplaceAll(ReplaceAll(text, u"\r\n", u"\n"), u"\n", std::u16string(platform::NewLine())));
}

}  // namespace

TEST(SplitCommand, OptionsDefaultsAndBadUsage) {
  TempDir dir;
  testutil::WriteFile(dir.Native("a.txt"), "h\r\nx\r\ny\r\n");
  const std::u16string a = dir.Path("a.txt");
  const std::string none = testutil::Utf8(dir.Path("none.txt"));
  const std::string usage = "\nTry 'rowdeal-split --help'.";
  struct Case {
    std::vector<std::u16string> args;
    int status;
    std::string err;
    std::int64_t files;
    bool quiet = false;
  } cases[] = {
      {{a}, 0, "", 5},  // one header line and five files by default
      {{u"--header", u" 0 ", u"--cycle", u"2", a}, 0, "", 2},
      {{u"--header=0", u"--cycle=3", a}, 0, "", 3},
      {{u"--cycle=1", u"--", a}, 0, "", 1},
      {{a, u"--cycle", u"4"}, 0, "", 4},
      {{u"-q", a}, 0, "", 5, true},
      // Counts are usage: refused before any file is looked at, a missing one included.
      {{u"--header", u"3a", dir.Path("none.txt")}, 2, "rowdeal-split: 3a is not a valid integer!" + usage, 0},
      {{u"--cycle=", a}, 2, "rowdeal-split:  is empty!" + usage, 0},
      {{u"--cycle", u"0", a}, 2, "rowdeal-split: 每一循环包含的行数必须是 1 到 2147483647 之间的整数!" + usage, 0},
      {{u"--records", u"CSV", dir.Path("none.txt")}, 2, "rowdeal-split: --records takes auto, csv or lines" + usage, 0},
      {{u"--records", u"csv", a}, 0, "", 5},
      {{a, dir.Path("none.txt"), a}, 1, "rowdeal-split: " + none + ": 待拆分文件不存在!", 5},
      {{u"--quiet", dir.Path("none.txt")}, 1, "rowdeal-split: " + none + ": 待拆分文件不存在!", 0, true},
      {{u"--bogus", a}, 2, "rowdeal-split: unknown option --bogus\nTry 'rowdeal-split --help'.", 0},
      {{a, u"--cycle"}, 2, "rowdeal-split: option --cycle needs a value\nTry 'rowdeal-split --help'.", 0},
      {{}, 2, "rowdeal-split: no FILE given\nTry 'rowdeal-split --help'.", 0},
  };
  for (const Case& c : cases) {
    fs::remove_all(dir.Native("a"));
    Captured got = Command(c.args);
    EXPECT_EQ(got.Status, c.status);
    EXPECT_EQ(got.Err, c.err.empty() ? "" : Native(Utf8ToText(c.err) + u"\r\n"));
    if (c.status == 0 && !c.quiet) {
      EXPECT_EQ(got.Out, Native(SuccessText({dir.Path("a") + platform::PathSeparator(), u"a", u"txt", c.files, 0, u""})));
    }
    if (c.quiet) {
      EXPECT_EQ(got.Out, "");
    }
    EXPECT_EQ(fs::exists(dir.Native("a")) ? std::distance(fs::directory_iterator(dir.Native("a")), fs::directory_iterator{}) : 0, c.files);
  }
  // Quiet, a CSV split by lines still says so, on standard error.
  testutil::WriteFile(dir.Native("o.csv"), "h\r\n\"x\r\n");
  EXPECT_EQ(Command({u"-q", dir.Path("o.csv")}).Err,
            Native(u"rowdeal-split: " + dir.Path("o.csv") + u": 注意: 第 2 行开始的引号直到文件末尾都没有闭合, 本次按行拆分。\r\n"));
  for (const char16_t* help : {u"-h", u"--help"}) EXPECT_EQ(Command({help}).Out.rfind("Usage: rowdeal-split", 0), 0u);
  EXPECT_EQ(Command({u"--version"}).Out, Native(u"rowdeal-split 1.2\r\n"));
}

// On a terminal a progress line shows, and is blanked out at the end: CR, blanks as wide
// as the widest line, CR. Ctrl+C (here from the first progress line) stops the run,
// changes nothing and ends with status 130.
TEST(SplitCommand, ProgressLineAndInterruptOnATerminal) {
  TempDir dir;
  std::string big;
  while (big.size() < (16u << 20)) big += "some text for a line\r\n";
  testutil::WriteFile(dir.Native("big.txt"), big);
  EXPECT_EQ(Command({dir.Path("big.txt")}).Err, "");
  Captured c = Command({dir.Path("big.txt")}, true);
  EXPECT_EQ(c.Status, 0);
  const std::size_t rate = c.Err.find(" MiB/s"), last = c.Err.rfind('\r', c.Err.size() - 2);
  ASSERT_NE(rate, std::string::npos);
  EXPECT_EQ(c.Err[0], '\r');
  EXPECT_EQ(c.Err.substr(last), "\r" + std::string(c.Err.size() - last - 2, ' ') + "\r");
  EXPECT_GE(c.Err.size() - last - 2, rate + 6 - c.Err.rfind('\r', rate) - 1) << "as wide as the widest line";
#ifndef _WIN32
  fs::remove_all(dir.Native("big"));
  bool raised = false;
  c = Command({dir.Path("big.txt"), dir.Path("big.txt")}, true, [&] {
    if (!raised) raised = std::raise(SIGINT) == 0;
  });
  EXPECT_TRUE(raised);
  EXPECT_EQ(c.Status, 130);
  EXPECT_EQ(c.Out, "");
  EXPECT_NE(c.Err.find("拆分已取消, 没有改动任何文件。"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir.Native("big")));
#endif
}

#ifndef _WIN32
// A name that is not UTF-8 reaches the file that has it, and no other.
TEST(SplitCommand, FileNamesThatAreNotUtf8) {
  TempDir dir;
  const std::string raw = "caf\xE9\xFF.txt";
  testutil::WriteFile(dir.Native(raw), "h\r\nx\r\n");
  testutil::WriteFile(dir.Native("caf\xEF\xBF\xBD\xEF\xBF\xBD.txt"), "the wrong file\r\n");
  const std::u16string name = platform::ArgumentText(raw);
  EXPECT_EQ(name, u"caf\xDCE9\xDCFF.txt");
  Captured c = Command({dir.Path("") + u"/" + name, u"--cycle=1"});
  EXPECT_EQ(c.Status, 0) << c.Err;
  EXPECT_EQ(testutil::ReadFile(dir.Native("caf\xE9\xFF") / "caf\xE9\xFF-1.txt"), "h\r\nx\r\n");
}
#endif
