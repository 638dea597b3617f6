// The command-line front end: options, defaults, bad usage, output streams and their
// failures, exit status, progress line, signals, and file names that are not UTF-8.
#include "app/USplitCli.h"

#include "engine/USplitResult.h"
#include "platform/Platform.h"
#include "support/UkxStrUtils.h"
#include "support/UkxUtf8.h"
#include "tests/TestUtil.h"
#include "tests/app/ConsoleCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

using testutil::TempDir;

using testutil::Captured;
using testutil::Native;

namespace {

Captured Command(std::vector<std::u16string> args, bool terminal = false, const std::function<void()>& onErr = {}) {
  return testutil::RunCaptured(RunSplitCommand, args, terminal, onErr);
}

}  // namespace

TEST(SplitCommand, HelpVersionAndQuietNote) {
  for (const char16_t* help : {u"-h", u"--help"}) EXPECT_EQ(Command({help}).Out.rfind("Usage: rowdeal-split", 0), 0u);
  EXPECT_EQ(Command({u"--version"}).Out, Native(u"rowdeal-split 1.2\r\n"));
  // Quiet, a CSV split by lines still says so, on standard error.
  TempDir dir;
  testutil::WriteFile(dir.Native("o.csv"), "h\r\n\"x\r\n");
  EXPECT_EQ(Command({u"-q", dir.Path("o.csv")}).Err,
            Native(u"rowdeal-split: " + dir.Path("o.csv") + u": 注意: 第 2 行开始的引号直到文件末尾都没有闭合, 本次按行拆分。\r\n"));
  // Two FILEs into one folder are refused only when their pieces would share names.
  testutil::WriteFile(dir.Native("p.csv"), "h\r\n1\r\n");
  EXPECT_EQ(Command({u"-q", u"--out", dir.Path("out"), dir.Path("o.csv"), dir.Path("p.csv")}).Status, 0);
  // Pieces of an earlier split that this one did not replace: a script must not read them as this one's.
  testutil::WriteFile(dir.Native("s.txt"), "h\r\n1\r\n2\r\n3\r\n");
  ASSERT_EQ(Command({u"--cycle", u"3", dir.Path("s.txt")}).Status, 0);
  EXPECT_EQ(Command({u"-q", u"--cycle", u"2", dir.Path("s.txt")}).Err,
            Native(u"rowdeal-split: " + dir.Path("s.txt") + u": 注意: 子路径下还有 1 个以前拆分留下的文件 (s-3.txt 等), 它们不属于本次拆分。\r\n"));
}

// No FILE of a command replaces or sets aside another FILE, in either order, beside it
// or in a folder of the user's: that FILE fails before anything of either is written,
// and the others go on. Two FILEs whose pieces share one folder (through a link too)
// are bad usage.
TEST(SplitCommand, NoFileOfACommandReplacesAnother) {
  TempDir dir;
  const std::string mine = "H\r\nmine A\r\nmine B\r\n";
  testutil::WriteFile(dir.Native("s.txt"), "h\r\n1\r\n2\r\n3\r\n4\r\n");
  fs::create_directory(dir.Native("s"));
  const auto refused = [&](const std::u16string& other) {
    return Native(u"rowdeal-split: " + dir.Path("s.txt") + u": 待拆分文件 " + other + u" 是 " + dir.Path("s.txt") +
                  u" 的一个输出文件, 未做任何改动!\r\n");
  };
  const std::u16string s = dir.Path("s.txt"), beside = dir.Path("s-1.txt"), inside = dir.Path("s/s-1.txt");
  const struct {
    std::vector<std::u16string> args;
    std::u16string other;
    fs::path piece;  // the other FILE's own first piece
  } cases[] = {
      {{u"--out", dir.Path(), s, beside}, beside, dir.Native("s-1-1.txt")},
      {{u"--out", dir.Path(), beside, s}, beside, dir.Native("s-1-1.txt")},
      {{s, inside}, inside, dir.Native("s/s-1/s-1-1.txt")},
  };
  for (const auto& c : cases) {
    testutil::WriteFile(c.other == beside ? dir.Native("s-1.txt") : dir.Native("s/s-1.txt"), mine);
    std::vector<std::u16string> args = {u"-q", u"--rows", u"2"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const Captured run = Command(args);
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Err, refused(c.other));
    EXPECT_EQ(testutil::ReadFile(fs::path(c.other)), mine);
    EXPECT_EQ(testutil::ReadFile(c.piece), mine);
    EXPECT_FALSE(fs::exists(dir.Native("s-2.txt")) || fs::exists(dir.Native("s/s-2.txt")));
    fs::remove(c.piece);
  }
#ifndef _WIN32
  fs::create_directory(dir.Native("a"));
  fs::create_directory_symlink("a", dir.Native("a2"));
  testutil::WriteFile(dir.Native("a/t.csv"), "h\r\n1\r\n");
  EXPECT_EQ(Command({u"--rows", u"1", dir.Path("a/t.csv"), dir.Path("a2/t.csv")}).Err,
            Native(u"rowdeal-split: " + dir.Path("a/t.csv") + u" and " + dir.Path("a2/t.csv") +
                   u" would write the same files in " + dir.Path("a/t/") + u"\nTry 'rowdeal-split --help'.\n"));
#endif
}

// On a terminal a progress line shows, and is blanked out at the end: CR, blanks as wide
// as the widest line, CR. Ctrl+C (here from the first progress line) stops the run,
// which changes nothing; the next FILE is not started; the status is 130.
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
  c = Command({dir.Path("big.txt"), dir.Path("next.txt")}, true, [&] {
    if (!raised) raised = std::raise(SIGINT) == 0;
  });
  EXPECT_EQ(c.Status, 130);
  const auto cancelled = [&](const char* name) {
    return "rowdeal-split: " + testutil::Utf8(dir.Path(name)) + ": 拆分已取消, 没有改动任何文件。\n";
  };
  EXPECT_TRUE(c.Err.ends_with(cancelled("big.txt") + cancelled("next.txt"))) << c.Err << "\nthe run met, and the next FILE";
  EXPECT_FALSE(fs::exists(dir.Native("big")));
#endif
}

#ifndef _WIN32
namespace {

// The built program itself, started in Dir with Args, standard output to Out (or to
// /dev/full) and standard error to err.txt; every signal as the system sets it, but
// Ignored ignored (as nohup does); with Stackless a stack limit beyond the address
// space, so that no thread can start.
pid_t Start(const TempDir& dir, std::vector<std::string> args, int out, bool full, int ignored, bool stackless) {
  std::vector<char*> argv{const_cast<char*>(ROWDEAL_SPLIT_PROGRAM)};
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const std::string folder = dir.Native().string();
  const rlimit huge{rlim_t{1} << 47, rlim_t{1} << 47};
  const pid_t pid = fork();
  if (pid != 0) return pid;
  for (int s = 1; s < NSIG; ++s) std::signal(s, s == ignored ? SIG_IGN : SIG_DFL);
  if ((stackless && setrlimit(RLIMIT_STACK, &huge) != 0) || chdir(folder.c_str()) != 0 ||
      dup2(full ? open("/dev/full", O_WRONLY) : out, 1) < 0 || dup2(open("err.txt", O_WRONLY | O_CREAT | O_TRUNC, 0600), 2) < 0) {
    _exit(99);
  }
  execv(argv[0], argv.data());
  _exit(98);
}

}  // namespace

// The program as a shell runs it: options, defaults and bad usage; arguments as bytes;
// output errors; a thread that cannot start; and signals that arrive while the first
// FILE's list is written to a pipe that holds a fraction of it (so that the second FILE
// has not started).
TEST(SplitCommand, TheProgramItself) {
  TempDir dir;
  const std::string raw = "\xE9" "caf\xFF", longName = std::string(100, 'l');
  const std::vector<std::string> bases = {raw, longName, "a", "c"}, two = {"--cycle", "100", longName + ".txt", "c.txt"};
  for (const std::string& base : bases) testutil::WriteFile(dir.Native(base + ".txt"), "h\r\nx\r\n");
  const std::string usage = "\nTry 'rowdeal-split --help'.\n", none = "rowdeal-split: none.txt: 待拆分文件不存在!\n";
  const std::string cancelled = "rowdeal-split: c.txt: 拆分已取消, 没有改动任何文件。\n";
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string err;
    std::vector<std::pair<std::string, int>> made;
    bool full = false;  // standard output on /dev/full
    int signal = 0, ignored = 0;
    bool stackless = false;
  } cases[] = {
      {{"a.txt"}, 0, "", {{"a", 5}}},  // one header line and five files by default
      {{"--header", " 0 ", "--cycle", "2", "a.txt"}, 0, "", {{"a", 2}}},
      {{"--header=0", "--cycle=3", "a.txt"}, 0, "", {{"a", 3}}},
      {{"--cycle=1", "--", "a.txt"}, 0, "", {{"a", 1}}},
      {{"a.txt", "--cycle", "4"}, 0, "", {{"a", 4}}},
      // Counts are usage: refused before any file is looked at, a missing one included.
      {{"--header", "3a", "none.txt"}, 2, "rowdeal-split: 3a is not a valid integer!" + usage, {}},
      {{"--cycle=", "a.txt"}, 2, "rowdeal-split: option --cycle needs a value that is not empty" + usage, {}},
      {{"--out", "", "a.txt"}, 2, "rowdeal-split: option --out needs a value that is not empty" + usage, {}},
      {{"--cycle", "0", "a.txt"}, 2, "rowdeal-split: 每一循环包含的行数必须是 1 到 2147483647 之间的整数!" + usage, {}},
      {{"--records", "CSV", "none.txt"}, 2, "rowdeal-split: --records takes auto, csv or lines" + usage, {}},
      {{"--records", "csv", "a.txt"}, 0, "", {{"a", 5}}},
      // Each way of cutting; a second one is usage, the same one again wins.
      {{"--rows", "9", "--rows=1", "a.txt"}, 0, "", {{"a", 1}}},
      {{"--parts=3", "a.txt"}, 0, "", {{"a", 3}}},
      {{"--max-size", "1kB", "a.txt"}, 0, "", {{"a", 1}}},
      {{"--rows", "2", "--parts", "3", "--max-size", "1", "--rows", "1", "none.txt"}, 2,
       "rowdeal-split: --rows and --parts cannot be used together" + usage, {}},
      {{"--rows", "0", "none.txt"}, 2, "rowdeal-split: 每个文件的数据行数必须是 1 到 2147483647 之间的整数!" + usage, {}},
      {{"--parts", "2147483648", "none.txt"}, 2, "rowdeal-split: 份数必须是 1 到 2147483647 之间的整数!" + usage, {}},
      {{"--max-size", "x1", "none.txt"}, 2, "rowdeal-split: x1 is not a valid integer!" + usage, {}},
      // By value: the key columns, in order, and the fields' delimiter are usage too.
      {{"--by", "2", "--by-name", "3", "--rows", "1", "none.txt"}, 2,
       "rowdeal-split: --by and --rows cannot be used together" + usage, {}},
      {{"--header", "0", "--by", "1", "--by", "x", "none.txt"}, 2,
       "rowdeal-split: 没有表头时只能用列号指定依据的列!" + usage, {}},
      {{"--by", "0", "none.txt"}, 2, "rowdeal-split: --by takes a column number from 1 or a column name" + usage, {}},
      {{"--by", "1", "--delimiter", ":", "none.txt"}, 2, "rowdeal-split: --delimiter takes , ; tab or |" + usage, {}},
      {{"--delimiter", ";", "none.txt"}, 2, "rowdeal-split: --delimiter goes with --by" + usage, {}},
      {{"--out", "o", "a.txt", "./a.txt"}, 2, "rowdeal-split: a.txt and ./a.txt would write the same files in o/" + usage, {}},
      {{"a.txt", "none.txt", "c.txt"}, 1, none, {{"a", 5}, {"c", 5}}},
      {{"--quiet", "none.txt"}, 1, none, {}},
      {{"--bogus", "a.txt"}, 2, "rowdeal-split: unknown option --bogus" + usage, {}},
      {{"a.txt", "--cycle"}, 2, "rowdeal-split: option --cycle needs a value" + usage, {}},
      {{}, 2, "rowdeal-split: no FILE given" + usage, {}},
      {{"-q", "--cycle=1", raw + ".txt"}, 0, "", {{raw, 1}}, true},
      {{"--cycle=1000", "a.txt", "c.txt"}, 1, "rowdeal-split: a.txt: 已拆分, 但无法写出成功信息!\n", {{"a", 1000}}, true},
      {{"--version"}, 1, "", {}, true},
      {{"c.txt"}, 1, "rowdeal-split: c.txt: 拆分时发生意外错误, 未做任何改动!\n", {}, false, 0, 0, true},
      {two, 130, cancelled, {{longName, 100}}, false, SIGINT},
      {two, 130, cancelled, {{longName, 100}}, false, SIGHUP},
      {two, 130, cancelled, {{longName, 100}}, false, SIGQUIT},
      {two, 0, "", {{longName, 100}, {"c", 100}}, false, SIGHUP, SIGHUP},
      {two, 0, "", {{longName, 100}, {"c", 100}}, false, SIGPIPE},  // a closed pipe is a failed write
  };
  for (const Case& c : cases) {
    for (const std::string& base : bases) fs::remove_all(dir.Native(base));
    int ends[2];
    ASSERT_TRUE(pipe2(ends, O_CLOEXEC) == 0 && fcntl(ends[1], F_SETPIPE_SZ, 4096) == 4096);
    const pid_t pid = Start(dir, c.args, ends[1], c.full, c.ignored, c.stackless);
    close(ends[1]);
    std::string got(c.signal ? 1 : 0, ' '), listed;
    ASSERT_TRUE(!c.signal || (read(ends[0], got.data(), 1) == 1 && kill(pid, c.signal) == 0));
    char block[4096];
    for (ssize_t n; (n = read(ends[0], block, sizeof block)) > 0;) got.append(block, n);
    close(ends[0]);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), c.status) << "row " << &c - cases;
    EXPECT_EQ(testutil::ReadFile(dir.Native("err.txt")), c.err);
    for (const auto& [base, count] : c.made) {
      listed += Native(testutil::SuccessMessage(Utf8ToText(base) + u"/", count, Utf8ToText(base), u"txt"));
      EXPECT_EQ(testutil::Contents(dir.Native(base)).size(), count + 1);  // and the record of the split
    }
    EXPECT_EQ(got, c.full ? "" : listed);
    EXPECT_EQ(std::ranges::count_if(fs::directory_iterator(dir.Native()), [](auto& e) { return e.is_directory(); }),
              c.made.size());
  }
}
#endif
