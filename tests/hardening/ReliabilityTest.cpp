// Nothing lost, whatever the input or the neighbour: a run that fails, is refused or is
// cancelled leaves every file that existed byte for byte as it was, and no temporary.
#include "app/USplitJob.h"

#include "platform/Platform.h"
#include "tests/TestUtil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mount.h>
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;
using testutil::TempDir;

using testutil::FaultGuard;

namespace {

// A table beside a neighbour, and an output folder that holds the outputs of an earlier
// split into three and a file of someone else's.
class World {
 public:
  explicit World(int rows = 20000) {
    body_ = "header\r\n";
    for (int i = 0; i < rows; ++i) body_ += "row " + std::to_string(i) + " of the table\r\n";
    testutil::WriteFile(Native("data.txt"), body_);
    testutil::WriteFile(Native("neighbour.txt"), "beside the source");
    RunSplit(Source(), u"1", u"3");
    testutil::WriteFile(Native("data/other.txt"), "in the output folder already");
    Remember();
  }
  std::u16string Source() const { return dir_.Path("data.txt"); }
  fs::path Native(const std::string& relative) const { return dir_.Native(relative); }
  const std::string& Body() const { return body_; }
  // Small blocks, so that a fault lands in the middle of the outputs.
  std::string Split(int n, TSplitControl* control = nullptr, std::size_t block = 4096) const {
    TSplitLimits limits;
    limits.OpenOutputs = 2;
    limits.SourceBlock = limits.OutputBudget = block;
    return testutil::Outcome([&] {
      return SuccessText(RunSplitWith(Source(), u"1", std::u16string(1, static_cast<char16_t>(u'0' + n)), limits, control));
    });
  }
  // Takes the picture that ExpectUnchanged compares with.
  void Remember() { before_ = testutil::Contents(dir_.Native("")); }
  void ExpectUnchanged(const char* what = "") const {
    const auto now = testutil::Contents(dir_.Native(""));
    for (const auto& [path, bytes] : now) EXPECT_TRUE(before_.count(path) && before_.at(path) == bytes) << what << ": " << path;
    for (const auto& [path, bytes] : before_) EXPECT_TRUE(now.count(path)) << what << ": " << path << " is gone";
  }

 private:
  TempDir dir_;
  std::string body_;
  std::map<std::string, std::string> before_;
};

const std::string CannotReplace2 = "error: 无法替换输出文件 data-2.txt, 它可能正被其他程序打开!";

}  // namespace

// Each setup may leave in Undo what to put back once the run is over.
TEST(Reliability, FailedOrRefusedRunChangesNothing) {
  FaultGuard guard;
  std::function<void()> undo;
  platform::FolderLock lock;
  enum { Folder, HardLink, SymbolicLink };
  auto replace2 = [](World& w, int by) {
    const fs::path output = w.Native("data/data-2.txt");
    fs::remove(output);
    if (by == Folder) fs::create_directory(output);
    if (by == Folder) testutil::WriteFile(output / "inside.txt", "kept");
    if (by == HardLink) fs::create_hard_link(w.Native("data.txt"), output);
    if (by == SymbolicLink) fs::create_symlink(w.Native("data.txt"), output);
  };
#ifdef _WIN32
  auto hold = [&](const fs::path& path, DWORD access, DWORD share) {
    HANDLE held = ::CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, 0, nullptr);
    undo = [held] { ::CloseHandle(held); };
  };
#endif
  const std::string ownOutput = "error: 待拆分文件同时是它自己的一个输出文件, 未做任何改动!";
  struct Case {
    const char* what;
    std::function<void(World&)> setup;
    std::string answer;
  } cases[] = {
      {"write fault", [](World& w) { platform::InjectWriteFault(static_cast<std::int64_t>(w.Body().size() / 2)); },
       "error: File Write Error!"},
      {"read fault", [](World& w) { platform::InjectReadFault(static_cast<std::int64_t>(w.Body().size() * 3 / 2)); },
       "error: File Read Error!"},
      {"output name taken by a folder", [&](World& w) { replace2(w, Folder); }, CannotReplace2},
      {"source hard-linked as an output", [&](World& w) { replace2(w, HardLink); }, ownOutput},
      {"another run holds the folder",
       [&](World& w) {
         EXPECT_EQ(lock.Lock(w.Native("data").u16string()), platform::LockResult::Locked);
         undo = [&] { lock.Unlock(); };
       },
       "error: 另一个拆分正在写入同一个子路径, 请稍后再试!"},
#ifdef _WIN32
      {"read-only output",
       [&](World& w) {
         fs::permissions(w.Native("data/data-2.txt"), fs::perms::owner_read);
         undo = [&w] { fs::permissions(w.Native("data/data-2.txt"), fs::perms::all); };
       },
       CannotReplace2},
      {"output held by another program",
       [&](World& w) { hold(w.Native("data/data-2.txt"), GENERIC_READ, FILE_SHARE_READ); }, CannotReplace2},
      {"source written by another program",
       [&](World& w) { hold(w.Native("data.txt"), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE); },
       "error: File Open Error!"},
#else
      {"source symlinked as an output", [&](World& w) { replace2(w, SymbolicLink); }, ownOutput},
#endif
  };
  for (const Case& c : cases) {
    World world(20000);
    c.setup(world);
    world.Remember();
    EXPECT_EQ(world.Split(4), c.answer) << c.what;
    platform::InjectReadFault(-1);
    platform::InjectWriteFault(-1);
    world.ExpectUnchanged(c.what);
    if (undo) undo();
    undo = nullptr;
  }
  EXPECT_EQ(World(10).Split(2).rfind("文件拆分成功!", 0), 0u);  // the lock is gone with its holder
}

namespace {

// Splits into four, holding the run once every output is written and before anything
// is replaced, and calls During meanwhile.
std::string SplitHeld(World& world, const std::function<void(TSplitControl&)>& during) {
  TSplitControl control;
  control.Hold();
  std::string answer;
  std::atomic<bool> over{false};
  std::thread run([&] {
    answer = world.Split(4, &control, 1 << 20);
    over = true;
  });
  while (!over && control.BytesDone.load() < static_cast<std::int64_t>(world.Body().size())) std::this_thread::yield();
  during(control);
  control.Release();
  run.join();
  return answer;
}

}  // namespace

// Cancelled before it starts or once every output is written, or a name that cannot be
// replaced once the first three have been: the finals are untouched meanwhile, every
// step is undone and nothing is left of the run.
TEST(Reliability, CancelledRunOrFailureWhileReplacingChangesNothing) {
  World world(20000);
  TSplitControl early;
  early.Cancel();
  EXPECT_EQ(world.Split(4, &early), "error: 拆分已取消, 没有改动任何文件。");
  world.ExpectUnchanged();
  EXPECT_EQ(SplitHeld(world, [&](TSplitControl& control) {
              EXPECT_TRUE(fs::exists(world.Native("data/~R4~")));
              EXPECT_FALSE(fs::exists(world.Native("data/data-4.txt")));
              control.Cancel();
            }),
            "error: 拆分已取消, 没有改动任何文件。");
  world.ExpectUnchanged();
  EXPECT_EQ(SplitHeld(world, [&](TSplitControl&) { fs::create_directory(world.Native("data/data-4.txt")); }),
            "error: 无法替换输出文件 data-4.txt, 它可能正被其他程序打开!");
  fs::remove(world.Native("data/data-4.txt"));
  world.ExpectUnchanged();
}

// Header lines over the memory limit are read again through the open handle, never by
// path: a source deleted meanwhile is not made again, and every output has its header.
TEST(Reliability, LongHeaderIsReadThroughTheOpenSource) {
  TempDir dir;
  std::string body = "first header line\r\nsecond header line\r\n";
  for (int k = 0; k < 600; ++k) body += "row " + std::to_string(k) + "\r\n";
  testutil::WriteFile(dir.Native("data.txt"), body);
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
  const std::string answer = testutil::Outcome([&] {
    return SuccessText(RunSplitWith(dir.Path("data.txt"), u"2", u"300", limits, &control));
  });
  over = true;
  remover.join();
  ASSERT_EQ(answer.rfind("文件拆分成功!", 0), 0u) << answer;
#ifndef _WIN32
  EXPECT_FALSE(fs::exists(dir.Native("data.txt")));
#endif
  for (int i : {1, 2, 299, 300}) {
    EXPECT_EQ(testutil::ReadFile(dir.Native("data") / ("data-" + std::to_string(i) + ".txt")),
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
    EXPECT_EQ(testutil::Outcome([&] { return SuccessText(RunSplit(path.u16string(), u"1", u"2")); }),
              "error: 待拆分文件不是普通文件!")
        << path;
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Native("")), fs::directory_iterator{}), 2);
  EXPECT_FALSE(fs::exists("/dev/zero/"));
}
#endif

TEST(Reliability, WindowsDeviceNames) {
  const std::pair<std::u16string, bool> cases[] = {
      {u"con.txt", true}, {u"Nul.csv", true}, {u"PRN.a.b", true}, {u"lpt9", true}, {u"COM\u00B9.txt", true},
      {u"conout$.log", true}, {u"nul .txt", true}, {u"com1:stream", true}, {u"COM0", false}, {u"COM10", false},
      {u"console.txt", false}, {u" nul.txt", false}, {u"LPT", false}, {u"", false}, {u"COM\u00B4", false},
  };
  for (const auto& [name, device] : cases) EXPECT_EQ(IsDeviceName(name), device) << testutil::Utf8(name);
}

// A killed run leaves temporaries and finals set aside; the next run into the folder
// removes the first and puts the second back where its final went missing.
TEST(Reliability, LeftoversOfAKilledRunAreCleaned) {
  World world(10);
  testutil::WriteFile(world.Native("data/~R5~"), "half a temporary");
  fs::rename(world.Native("data/data-2.txt"), world.Native("data/~R~data-2.txt"));
  testutil::WriteFile(world.Native("data/~R~data-3.txt"), "set aside, and its final is there");
  const std::string earlier2 = testutil::ReadFile(world.Native("data/~R~data-2.txt"));
  const std::string earlier3 = testutil::ReadFile(world.Native("data/data-3.txt"));
  EXPECT_EQ(world.Split(1).rfind("文件拆分成功!", 0), 0u);
  EXPECT_EQ(testutil::ReadFile(world.Native("data/data-2.txt")), earlier2);
  EXPECT_EQ(testutil::ReadFile(world.Native("data/data-3.txt")), earlier3);
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
  testutil::WriteFile(at / "data.txt", body);
  const std::string answer = testutil::Outcome([&] { return SuccessText(RunSplit((at / "data.txt").u16string(), u"1", u"2")); });
  const auto contents = testutil::Contents(at);
  ::umount2(at.c_str(), MNT_DETACH);
  EXPECT_EQ(answer, "error: 磁盘空间不足!");
  EXPECT_TRUE(contents == (std::map<std::string, std::string>{{"data.txt", body}}));
}
#endif
