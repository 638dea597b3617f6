// Nothing lost, whatever the input or the neighbour: a run that fails, is refused or is
// cancelled leaves every file that existed byte for byte as it was, and no temporary.
#include "app/USplitJob.h"

#include "platform/Platform.h"
#include "tests/file/FileBytes.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <grp.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;
using filebytes::FaultGuard;

namespace {

// A table beside a neighbour, and an output folder that holds the outputs of an earlier
// split into three and a file of someone else's.
class World {
 public:
  explicit World(int rows = 20000) {
    body_ = "header\r\n";
    for (int i = 0; i < rows; ++i) body_ += "row " + std::to_string(i) + " of the table\r\n";
    filebytes::Write(Native("data.txt"), body_);
    filebytes::Write(Native("neighbour.txt"), "beside the source");
    RunSplit(Source(), u"1", u"3");
    filebytes::Write(Native("data/other.txt"), "in the output folder already");
    Remember();
  }
  std::u16string Source() const { return dir_.Path("data.txt"); }
  fs::path Native(const std::string& relative) const { return dir_.Native(relative); }
  const std::string& Body() const { return body_; }
  std::string Split(int n, const TSplitLimits* limits = nullptr, TSplitControl* control = nullptr) const {
    const std::u16string cycle(1, static_cast<char16_t>(u'0' + n));
    return filebytes::Outcome([&] {
      return SuccessText(limits ? RunSplitWith(Source(), u"1", cycle, *limits, control) : RunSplit(Source(), u"1", cycle, control));
    });
  }
  // Takes the picture that ExpectUnchanged compares with.
  void Remember() { before_ = filebytes::Contents(dir_.Native("")); }
  void ExpectUnchanged() const { EXPECT_TRUE(filebytes::Contents(dir_.Native("")) == before_); }

 private:
  TempDir dir_;
  std::string body_;
  std::map<std::string, std::string> before_;
};

// Small blocks, so that a fault lands in the middle of the outputs.
TSplitLimits SmallBlocks() {
  TSplitLimits limits;
  limits.OpenOutputs = 2;
  limits.SourceBlock = 4096;
  limits.OutputBudget = 4 * 1024;
  return limits;
}

#ifndef _WIN32
// Runs a split as an ordinary user: permissions mean nothing to root.
std::string AsOrdinaryUser(const std::function<std::string()>& run) {
  if (::geteuid() != 0) return run();
  int ends[2];
  if (::pipe(ends) != 0) return "(no pipe)";
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    const std::string answer = ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0 ? run() : "";
    (void)!::write(ends[1], answer.data(), answer.size());
    ::_exit(0);
  }
  ::close(ends[1]);
  std::string answer;
  char buffer[512];
  for (ssize_t got; (got = ::read(ends[0], buffer, sizeof buffer)) > 0;) answer.append(buffer, static_cast<std::size_t>(got));
  ::close(ends[0]);
  ::waitpid(child, nullptr, 0);
  return answer;
}
#endif

const std::string CannotReplace2 = "error: 无法替换输出文件 data-2.txt, 它可能正被其他程序打开!";

}  // namespace

TEST(Reliability, FailedRerunChangesNothing) {
  FaultGuard guard;
  struct Case {
    const char* what;
    std::function<void(World&)> setup;
    std::string answer;
  } cases[] = {
      {"write fault", [](World& w) { platform::InjectWriteFault(static_cast<std::int64_t>(w.Body().size() / 2)); },
       "error: File Write Error!"},
      {"read fault",
       [](World& w) { platform::InjectReadFault(static_cast<std::int64_t>(w.Body().size() * 3 / 2)); },
       "error: File Read Error!"},
      {"output name taken by a folder",
       [](World& w) {
         fs::remove(w.Native("data/data-2.txt"));
         fs::create_directory(w.Native("data/data-2.txt"));
         filebytes::Write(w.Native("data/data-2.txt/inside.txt"), "kept");
       },
       CannotReplace2},
#ifdef _WIN32
      {"read-only output",
       [](World& w) { ::SetFileAttributesW(w.Native("data/data-2.txt").c_str(), FILE_ATTRIBUTE_READONLY); },
       CannotReplace2},
#endif
  };
  for (const Case& c : cases) {
    World world(20000);
    c.setup(world);
    world.Remember();
    const TSplitLimits limits = SmallBlocks();
    EXPECT_EQ(world.Split(4, &limits), c.answer) << c.what;
    platform::InjectReadFault(-1);
    platform::InjectWriteFault(-1);
    world.ExpectUnchanged();
  }
}

#ifndef _WIN32
TEST(Reliability, ReadOnlyOutputIsNotReplaced) {
  World world(100);
  fs::permissions(world.Native(""), fs::perms::all);
  fs::permissions(world.Native("data"), fs::perms::all);
  fs::permissions(world.Native("data.txt"), fs::perms::owner_all | fs::perms::others_read);
  for (const char* output : {"data/data-1.txt", "data/data-3.txt"}) fs::permissions(world.Native(output), fs::perms::all);
  fs::permissions(world.Native("data/data-2.txt"), fs::perms::owner_read | fs::perms::others_read);
  world.Remember();
  const std::string answer = AsOrdinaryUser([&] { return world.Split(3); });
  if (answer.empty()) GTEST_SKIP() << "permissions mean nothing to root, and no ordinary user could be taken";
  EXPECT_EQ(answer, CannotReplace2);
  world.ExpectUnchanged();
}
#else
// Windows: another program holding an output or writing the source.
TEST(Reliability, FilesHeldByAnotherProgram) {
  World world(100);
  HANDLE held = ::CreateFileW(world.Native("data/data-2.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(world.Split(3), CannotReplace2);
  ::CloseHandle(held);
  world.ExpectUnchanged();
  held = ::CreateFileW(world.Native("data.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(world.Split(3), "error: File Open Error!");
  ::CloseHandle(held);
  world.ExpectUnchanged();
}
#endif

TEST(Reliability, SourceThatIsItsOwnOutputIsRefused) {
  for (bool symbolic : {false, true}) {
#ifdef _WIN32
    if (symbolic) continue;  // making a symbolic link takes a privilege
#endif
    World world(10);
    fs::remove(world.Native("data/data-2.txt"));
    if (symbolic) {
      fs::create_symlink(world.Native("data.txt"), world.Native("data/data-2.txt"));
    } else {
      fs::create_hard_link(world.Native("data.txt"), world.Native("data/data-2.txt"));
    }
    world.Remember();
    EXPECT_EQ(world.Split(3), "error: 待拆分文件同时是它自己的一个输出文件, 未做任何改动!") << symbolic;
    world.ExpectUnchanged();
  }
}

TEST(Reliability, SecondRunIntoTheSameFolderIsRefused) {
  World world(10);
  platform::FileHandle lock = platform::InvalidFile;
  ASSERT_EQ(platform::LockDirectory(world.Native("data").u16string(), lock), platform::LockResult::Locked);
  world.Remember();
  EXPECT_EQ(world.Split(2), "error: 另一个拆分正在写入同一个子路径, 请稍后再试!");
  world.ExpectUnchanged();
  platform::UnlockDirectory(lock);
  EXPECT_EQ(world.Split(2).rfind("文件拆分成功!", 0), 0u);
}

// Cancelled before it starts, or once every output is written (held before replacing):
// the finals are untouched meanwhile, and nothing is left of the run.
TEST(Reliability, CancelledRunChangesNothing) {
  World world(20000);
  TSplitControl early;
  early.Cancel();
  EXPECT_EQ(world.Split(4, nullptr, &early), "error: 拆分已取消, 没有改动任何文件。");
  world.ExpectUnchanged();

  TSplitControl late;
  late.Hold();
  std::string answer;
  std::atomic<bool> over{false};
  std::thread run([&] {
    answer = world.Split(4, nullptr, &late);
    over = true;
  });
  while (!over && late.BytesDone.load() < static_cast<std::int64_t>(world.Body().size())) std::this_thread::yield();
  EXPECT_TRUE(fs::exists(world.Native("data/~R4~")));
  EXPECT_FALSE(fs::exists(world.Native("data/data-4.txt")));
  late.Cancel();
  late.Release();
  run.join();
  EXPECT_EQ(answer, "error: 拆分已取消, 没有改动任何文件。");
  world.ExpectUnchanged();
}

// Header lines over the memory limit are read again through the open handle, never by
// path: a source deleted meanwhile is not made again, and every output has its header.
TEST(Reliability, LongHeaderIsReadThroughTheOpenSource) {
  TempDir dir;
  std::string body = "first header line\r\nsecond header line\r\n";
  for (int k = 0; k < 600; ++k) body += "row " + std::to_string(k) + "\r\n";
  filebytes::Write(dir.Native("data.txt"), body);
  TSplitLimits limits;
  limits.HeaderInMemory = 8;
  limits.OpenOutputs = 2;
  TSplitControl control;
  std::atomic<bool> over{false};
  std::thread remover([&] {
    while (control.FilesDone.load() == 0 && !over) std::this_thread::yield();
    std::error_code refused;  // Windows: the open source cannot be deleted
    fs::remove(dir.Native("data.txt"), refused);
  });
  const std::string answer = filebytes::Outcome([&] {
    return SuccessText(RunSplitWith(dir.Path("data.txt"), u"2", u"300", limits, &control));
  });
  over = true;
  remover.join();
  ASSERT_EQ(answer.rfind("文件拆分成功!", 0), 0u) << answer;
#ifndef _WIN32
  EXPECT_FALSE(fs::exists(dir.Native("data.txt")));
#endif
  for (int i : {1, 2, 299, 300}) {
    EXPECT_EQ(filebytes::Read(dir.Native("data") / ("data-" + std::to_string(i) + ".txt")),
              "first header line\r\nsecond header line\r\nrow " + std::to_string(i - 1) + "\r\nrow " +
                  std::to_string(i + 299) + "\r\n");
  }
}

#ifndef _WIN32
TEST(Reliability, NonFilesAreRefusedWithoutWaiting) {
  TempDir dir;
  ASSERT_EQ(::mkfifo(dir.Native("fifo.txt").c_str(), 0600), 0);
  fs::create_directory(dir.Native("folder.txt"));
  for (const fs::path& path : {dir.Native("fifo.txt"), dir.Native("folder.txt"), fs::path("/dev/zero")}) {
    EXPECT_EQ(filebytes::Outcome([&] { return SuccessText(RunSplit(path.u16string(), u"1", u"2")); }),
              "error: 待拆分文件不是普通文件!")
        << path;
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Native("")), fs::directory_iterator{}), 2);
  EXPECT_FALSE(fs::exists("/dev/zero/"));
}
#endif

TEST(Reliability, WindowsDeviceNames) {
  struct Case {
    std::u16string name;
    bool device;
  } cases[] = {
      {u"CON", true},         {u"con.txt", true},      {u"Nul.csv", true},     {u"aux", true},
      {u"PRN.a.b", true},     {u"COM1.csv", true},     {u"lpt9", true},        {u"COM\u00B9.txt", true},
      {u"lpt\u00B3", true},   {u"CONIN$", true},       {u"conout$.log", true}, {u"nul .txt", true},
      {u"com1:stream", true}, {u"COM0", false},        {u"COM10", false},      {u"console.txt", false},
      {u"nul_.txt", false},   {u" nul.txt", false},    {u"LPT", false},        {u"", false},
      {u"data.txt", false},   {u"COM\u00B4", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsDeviceName(c.name), c.device) << TextToUtf8(c.name);
}

// A killed run leaves temporaries and finals set aside; the next run into the folder
// removes the first and puts the second back where its final went missing.
TEST(Reliability, LeftoversOfAKilledRunAreCleaned) {
  World world(10);
  filebytes::Write(world.Native("data/~R5~"), "half a temporary");
  fs::rename(world.Native("data/data-2.txt"), world.Native("data/~R~data-2.txt"));
  filebytes::Write(world.Native("data/~R~data-3.txt"), "set aside, and its final is there");
  const std::string earlier2 = filebytes::Read(world.Native("data/~R~data-2.txt"));
  const std::string earlier3 = filebytes::Read(world.Native("data/data-3.txt"));
  EXPECT_EQ(world.Split(1).rfind("文件拆分成功!", 0), 0u);
  EXPECT_EQ(filebytes::Read(world.Native("data/data-2.txt")), earlier2);
  EXPECT_EQ(filebytes::Read(world.Native("data/data-3.txt")), earlier3);
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(world.Native("data"))) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"data-1.txt", "data-2.txt", "data-3.txt", "other.txt"}));
}

#ifndef _WIN32
// A disk without room for the outputs beside the old ones: refused before writing.
TEST(Reliability, NotEnoughFreeSpace) {
  TempDir mountPoint;
  const fs::path at = mountPoint.Native("fs");
  fs::create_directory(at);
  if (::mount("tmpfs", at.c_str(), "tmpfs", 0, "size=256k") != 0) GTEST_SKIP() << "cannot mount a small tmpfs here";
  std::string body = "header\r\n";
  while (body.size() < 150000) body += "row of the table\r\n";
  filebytes::Write(at / "data.txt", body);
  const std::string answer = filebytes::Outcome([&] { return SuccessText(RunSplit((at / "data.txt").u16string(), u"1", u"2")); });
  const auto contents = filebytes::Contents(at);
  ::umount2(at.c_str(), MNT_DETACH);
  EXPECT_EQ(answer, "error: 磁盘空间不足!");
  EXPECT_TRUE(contents == (std::map<std::string, std::string>{{"data.txt", body}}));
}
#endif
