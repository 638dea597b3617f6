// The merge's command line: bad usage before any file is read, the success and its
// quiet form, the output that is an input, the check's three outcomes, and Ctrl+C.
#include "app/UMergeCli.h"

#include "tests/TestUtil.h"
#include "tests/app/ConsoleCapture.h"

#include <gtest/gtest.h>

#include <csignal>

namespace fs = std::filesystem;

using testutil::Captured;
using testutil::Native;

namespace {

Captured Merge(const std::vector<std::u16string>& args, bool terminal = false,
               const std::function<void()>& onErr = {}) {
  return testutil::RunCaptured(RunMergeCommand, args, terminal, onErr);
}

}  // namespace

TEST(MergeCommand, BadUsageReadsNoFile) {
  testutil::TempDir dir;
  const std::u16string none = dir.Path("none.txt"), out = dir.Path("m.txt");
  const struct {
    std::vector<std::u16string> args;
    std::u16string problem;
  } cases[] = {
      {{}, u"no INPUT given"},
      {{none}, u"--out FILE or --check SOURCE is needed"},
      {{u"--out", out, u"--check", none, none}, u"--out and --check cannot be used together"},
      {{u"--any-order", u"--out", out, none}, u"--any-order goes with --check"},
      {{u"--records", u"CSV", u"--out", out, none}, u"--records takes auto, csv or lines"},
      {{u"--header", u"3a", u"--out", out, none}, u"3a is not a valid integer!"},
      {{u"--header=-1", u"--out", out, none}, u"表头栏行数必须是 0 到 2147483647 之间的整数!"},
      {{u"--interleave=1", u"--out", out, none}, u"unknown option --interleave=1"},
      {{u"--out=", none}, u"option --out needs a value that is not empty"},
      {{none, u"--check"}, u"option --check needs a value"},
  };
  for (const auto& c : cases) {
    const Captured run = Merge(c.args);
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Err, Native(u"rowdeal-merge: " + c.problem + u"\nTry 'rowdeal-merge --help'.\n"));
  }
  EXPECT_FALSE(fs::exists(dir.Native("m.txt")));
  EXPECT_EQ(Merge({u"--help"}).Out.rfind("Usage: rowdeal-merge", 0), 0u);
  EXPECT_EQ(Merge({u"--version"}).Out, Native(u"rowdeal-merge 1.2\n"));
  // A folder whose pieces the engine cannot tell apart is the user's to name: usage too.
  fs::create_directory(dir.Native("two"));
  testutil::WriteFile(dir.Native("two/a-1.txt"), "h\r\n1\r\n");
  testutil::WriteFile(dir.Native("two/b-1.txt"), "h\r\n2\r\n");
  const Captured two = Merge({u"--out", out, dir.Path("two")});
  EXPECT_EQ(two.Status, 2);
  EXPECT_EQ(two.Err, Native(u"rowdeal-merge: " + dir.Path("two") +
                            u" 中有几组拆分得到的文件 (a-N.txt, b-N.txt), 请指定其中一组!\nTry 'rowdeal-merge --help'.\n"));
}

// --out writes the table and says so (nothing but its notes with --quiet); an output that
// is one of the inputs is refused. A check tells "the same" (0) and "differs" (1, the
// difference or the mismatch on standard output) from "could not compare" (3).
TEST(MergeCommand, OutAndCheckStatuses) {
  testutil::TempDir dir;
  testutil::WriteFile(dir.Native("a.txt"), "h\r\n1\r\n2\r\n");
  testutil::WriteFile(dir.Native("b.txt"), "h\r\n3");
  testutil::WriteFile(dir.Native("c.txt"), "H\r\n3\r\n");
  const std::u16string a = dir.Path("a.txt"), b = dir.Path("b.txt"), m = dir.Path("m.txt");
  Captured run = Merge({u"--out", m, a, b});
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Out, Native(u"合并成功! 生成了 " + m + u", 共 3 条数据记录。\n"));
  EXPECT_EQ(testutil::ReadFile(dir.Native("m.txt")), "h\r\n1\r\n2\r\n3\r\n");
  run = Merge({u"-q", u"--out", m, b, a});
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Out + run.Err, "");
  run = Merge({u"--out", a, a, b});
  EXPECT_EQ(run.Status, 1);
  EXPECT_EQ(run.Err, Native(u"rowdeal-merge: 合并结果 " + a + u" 同时是一个待合并文件, 未做任何改动!\n"));
  EXPECT_EQ(testutil::ReadFile(dir.Native("a.txt")), "h\r\n1\r\n2\r\n");

  ASSERT_EQ(Merge({u"--out", m, a, b}).Status, 0);
  const struct {
    std::vector<std::u16string> args;
    int status;
    std::u16string out, err;
  } checks[] = {
      {{u"--check", m, a, b}, 0, u"一致: 3 条数据记录与 " + m + u" 相同。\n", u""},
      {{u"-q", u"--check", m, a, b}, 0, u"", u""},
      {{u"--check", a, a, b}, 1, u"不一致: " + a + u" 已经结束, 合并结果还有 " + b + u" 第 2 行开始的记录\n  3\\r\\n\n", u""},
      {{u"-q", u"--check", m, a, dir.Path("c.txt")}, 1, dir.Path("c.txt") + u" 的表头与 " + a + u" 的表头不同, 未做任何改动!\n", u""},
      {{u"--interleave", u"--any-order", u"--check", m, a, b}, 0, u"一致: 3 条数据记录与 " + m + u" 相同。\n", u""},
      {{u"--check", m, a, dir.Path("none.txt")}, 3, u"", u"rowdeal-merge: 待合并文件 " + dir.Path("none.txt") + u" 不存在!\n"},
  };
  for (const auto& c : checks) {
    run = Merge(c.args);
    EXPECT_EQ(run.Status, c.status) << &c - checks;
    EXPECT_EQ(run.Out, Native(c.out)) << &c - checks;
    EXPECT_EQ(run.Err, Native(c.err)) << &c - checks;
  }
  run = Merge({u"--check", dir.Path("none.txt"), a, b});
  EXPECT_EQ(run.Status, 3) << "a SOURCE that cannot be read";
  EXPECT_TRUE(run.Out.empty() && run.Err.starts_with("rowdeal-merge: ")) << run.Err;
}

#ifndef _WIN32
// Ctrl+C (here from the first progress line) cancels the merge, which writes nothing.
TEST(MergeCommand, InterruptCancels) {
  testutil::TempDir dir;
  std::string big = "h\r\n";
  while (big.size() < (16u << 20)) big += "some text for a line\r\n";
  testutil::WriteFile(dir.Native("big.txt"), big);
  bool raised = false;
  const Captured run = Merge({u"--out", dir.Path("m.txt"), dir.Path("big.txt")}, true, [&] {
    if (!raised) raised = std::raise(SIGINT) == 0;
  });
  EXPECT_EQ(run.Status, 130);
  EXPECT_TRUE(run.Err.ends_with("rowdeal-merge: 合并已取消, 没有改动任何文件。\n")) << run.Err;
  EXPECT_FALSE(fs::exists(dir.Native("m.txt")));
}
#endif
