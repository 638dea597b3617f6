// Nothing lost, whatever the input or the neighbour: a run that fails, is refused or is
// cancelled leaves every file that existed byte for byte as it was, and no temporary.
#include "engine/UJournal.h"
#include "engine/USplitJob.h"

#include "platform/Platform.h"
#include "platform/TestSeams.h"
#include "tests/SplitRequests.h"
#include "tests/TestUtil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/fsuid.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;
using testutil::Request;
using testutil::TempDir;

namespace {

// Switches every injected fault off at the end of a test, whatever happened.
struct FaultGuard : testutil::FaultGuard {
  ~FaultGuard() {
    platform::InjectRefusal(platform::RefuseNothing);
    platform::InjectMoveFault(nullptr);
    platform::InjectKill(-1);
  }
};

// A table beside a neighbour, and an output folder that holds the outputs of an earlier
// split into three and a file of someone else's.
class World {
 public:
  explicit World(int rows = 20000) {
    body_ = "header\r\n";
    for (int i = 0; i < rows; ++i) body_ += "row " + std::to_string(i) + " of the table\r\n";
    testutil::WriteFile(Native("data.txt"), body_);
    testutil::WriteFile(Native("neighbour.txt"), "beside the source");
    RunSplitRequest(Request(Source(), u"1", u"3"));
    testutil::WriteFile(Native("data/other.txt"), "in the output folder already");
    Remember();
  }
  std::u16string Source() const { return dir_.Path("data.txt"); }
  fs::path Native(const std::string& relative) const { return dir_.Native(relative); }
  std::string OutputDir() const { return testutil::Utf8(dir_.Path("data") + platform::PathSeparator()); }
  const std::string& Body() const { return body_; }
  // Small blocks, so that a fault lands in the middle of the outputs.
  std::string Split(int n, TSplitControl* control = nullptr, std::size_t block = 4096) const {
    return Run(Request(Source(), u"1", std::u16string(1, static_cast<char16_t>(u'0' + n))), control, block);
  }
  std::string Run(const TSplitRequest& request, TSplitControl* control = nullptr, std::size_t block = 4096) const {
    TSplitLimits limits;
    limits.OpenOutputs = 2;
    limits.SourceBlock = limits.OutputBudget = block;
    return testutil::Outcome([&] { return SuccessText(RunSplitRequestWith(request, limits, control)); });
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
// What a lock file holds once a run has made it: written out here, since the builds and
// the versions to come must all know a killed run's by the same bytes.
const std::string LockMark = "Rowdeal lock\n";

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
       "error: 输出文件 data-2.txt 是只读的, 未做任何改动!"},
      {"output held by another program",
       [&](World& w) { hold(w.Native("data/data-2.txt"), GENERIC_READ, FILE_SHARE_READ); }, CannotReplace2},
      {"source written by another program",
       [&](World& w) { hold(w.Native("data.txt"), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE); },
       "error: File Open Error! ({source})"},
#else
      {"source symlinked as an output", [&](World& w) { replace2(w, SymbolicLink); }, ownOutput},
      // Without a journal that names it, a file is never taken for a killed run's.
      {"source a link to a file named like a temporary",
       [](World& w) {
         fs::rename(w.Native("data.txt"), w.Native("data/~R1~"));
         fs::create_symlink("data/~R1~", w.Native("data.txt"));
       },
       "error: File Open Error! ({folder}~R1~)"},
      // A pipe opens for reading and writing as a lock file does, and is none.
      {"the lock file's name taken by a pipe", [](World& w) { ::mkfifo(w.Native("data/~R.lock").c_str(), 0666); },
       "error: File Open Error! ({folder}~R.lock)"},
#endif
      {"the system cannot lock there", [](World&) { platform::InjectRefusal(platform::RefuseLocks); },
       "error: 无法锁定输出路径 {folder}, 未做任何改动!"},
      {"the lock file's name taken by a folder", [](World& w) { fs::create_directory(w.Native("data/~R.lock")); },
       "error: File Open Error! ({folder}~R.lock)"},
      {"a set-aside name taken by a user's file", [](World& w) { testutil::WriteFile(w.Native("data/~S2~"), "mine"); },
       "error: File Open Error! ({folder}~S2~)"},
      {"the record's name taken by a user's file", [](World& w) { testutil::WriteFile(w.Native("data/~R.manifest"), "mine"); },
       "error: File Open Error! ({folder}~R.manifest)"},
      {"the new record's name taken", [](World& w) { testutil::WriteFile(w.Native("data/~R.manifest.new"), "mine"); },
       "error: File Open Error! ({folder}~R.manifest.new)"},
  };
  for (const Case& c : cases) {
    World world(20000);
    c.setup(world);
    world.Remember();
    std::string answer = c.answer;
    if (answer.find("{folder}") != std::string::npos) answer.replace(answer.find("{folder}"), 8, world.OutputDir());
    if (answer.find("{source}") != std::string::npos) answer.replace(answer.find("{source}"), 8, testutil::Utf8(world.Source()));
    EXPECT_EQ(world.Split(4), answer) << c.what;
    platform::InjectReadFault(-1);
    platform::InjectWriteFault(-1);
    platform::InjectRefusal(platform::RefuseNothing);
    world.ExpectUnchanged(c.what);
    if (undo) undo();
    undo = nullptr;
  }
  EXPECT_EQ(World(10).Split(2).rfind("文件拆分成功!", 0), 0u);  // the lock is gone with its holder
#ifndef _WIN32
  // A file put in the place of the lock file while it is held is someone else's.
  World last(10);
  ASSERT_EQ(lock.Lock(last.Native("data").u16string()), platform::LockResult::Locked);
  fs::rename(last.Native("data/~R.lock"), last.Native("data/old.lock"));
  testutil::WriteFile(last.Native("data/~R.lock"), "mine");
  lock.Unlock();
  EXPECT_EQ(testutil::ReadFile(last.Native("data/~R.lock")), "mine");
#endif
}

namespace {

// Splits into four, holding the run once every output is made and dealt and before anything
// is replaced, and calls During meanwhile.
std::string SplitHeld(World& world, const std::function<void(TSplitControl&)>& during) {
  TSplitControl control;
  EXPECT_EQ(control.Hold(), TSplitControl::TState::Held);
  std::string answer;
  std::atomic<bool> over{false};
  std::thread run([&] {
    answer = world.Split(4, &control, 1 << 20);
    over = true;
  });
  // The files are made by the writer thread, perhaps after the last byte is dealt.
  while (!over && (control.BytesDone.load() < static_cast<std::int64_t>(world.Body().size()) ||
                   control.FilesDone.load() < 4)) {
    std::this_thread::yield();
  }
  during(control);
  control.Release();
  run.join();
  return answer;
}

}  // namespace

// Cancelled before it starts or once every output is written, or a name that cannot be
// replaced once the first three have been: the finals are untouched meanwhile, every
// step is undone and nothing is left of the run. A lock file that a killed run left,
// marked or empty, stays too: only a run that succeeds removes it.
TEST(Reliability, CancelledRunOrFailureWhileReplacingChangesNothing) {
  const std::pair<const char*, const char*> leftLocks[] = {
      {"without a lock file", nullptr}, {"with an empty lock file", ""}, {"with a marked lock file", LockMark.c_str()}};
  for (const auto& [what, leftLock] : leftLocks) {
    World world(20000);
    if (leftLock) testutil::WriteFile(world.Native("data/~R.lock"), leftLock);
    world.Remember();
    TSplitControl early;
    early.Cancel();
    EXPECT_EQ(world.Split(4, &early), "error: 拆分已取消, 没有改动任何文件。");
    world.ExpectUnchanged(what);
    EXPECT_EQ(SplitHeld(world, [&](TSplitControl& control) {
                EXPECT_TRUE(fs::exists(world.Native("data/~R4~")));
                EXPECT_FALSE(fs::exists(world.Native("data/data-4.txt")));
                control.Cancel();
              }),
              "error: 拆分已取消, 没有改动任何文件。");
    world.ExpectUnchanged(what);
    EXPECT_EQ(SplitHeld(world, [&](TSplitControl&) { fs::create_directory(world.Native("data/data-4.txt")); }),
              "error: 无法替换输出文件 data-4.txt, 它可能正被其他程序打开!");
    fs::remove(world.Native("data/data-4.txt"));
    world.ExpectUnchanged(what);
  }
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
  // Deleted on the reading thread once the source has been read three times whole (its
  // mark, its line ends, its records), before the header is read again for the outputs.
  FaultGuard guard;
  bool deleted = false;
  platform::InjectReadFault(3 * static_cast<std::int64_t>(body.size()), [&] {
    std::error_code refused;  // Windows: the open source cannot be deleted
    fs::remove(dir.Native("data.txt"), refused);
    deleted = true;
  });
  const std::string answer = testutil::Outcome([&] {
    return SuccessText(RunSplitRequestWith(Request(dir.Path("data.txt"), u"2", u"300"), limits));
  });
  EXPECT_TRUE(deleted);
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
    EXPECT_EQ(testutil::Outcome([&] { return SuccessText(RunSplitRequest(Request(path.u16string(), u"1", u"2"))); }),
              "error: 待拆分文件不是普通文件!")
        << path;
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Native("")), fs::directory_iterator{}), 2);
  EXPECT_FALSE(fs::exists("/dev/zero-拆分"));
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

namespace {

// The names a run gives the outputs of data.txt in the folder data.
std::string Final(int i) { return "data-" + std::to_string(i) + ".txt"; }
std::string Temporary(int i) { return "~R" + std::to_string(i) + "~"; }
std::string Aside(int i) { return "~S" + std::to_string(i) + "~"; }

}  // namespace

// A killed run leaves its journal: the next run into the folder finishes what it was
// doing or undoes it, whatever step it was killed at, and touches nothing else. Each
// killed run split into three over an earlier split's three outputs; the next run then
// meets a file of someone else's at the set-aside name of its fifth output. A run whose
// count was not known made every temporary there (it found none when it began), however
// many a killed recovery has removed already.
TEST(Reliability, AKilledRunIsFinishedOrUndoneByItsJournal) {
  // Its steps, i an output: Ti its temporary written, Si and Li the old output set aside
  // by a move or a link, Mi the temporary moved in, Bi the old output moved back; X2 the
  // source linked as temporary 2, N0 and Z0 a journal half written or empty, G0 one too large, E0 one
  // whose extension ends in half an escape.
  auto take = [](const fs::path& d, const std::string& steps) {
    for (std::size_t at = 0; at < steps.size(); at += 3) {
      const int i = steps[at + 1] - '0';
      switch (steps[at]) {
        case 'T': testutil::WriteFile(d / Temporary(i), "new " + std::to_string(i)); break;
        case 'S': fs::rename(d / Final(i), d / Aside(i)); break;
        case 'L': fs::create_hard_link(d / Final(i), d / Aside(i)); break;
        case 'M': fs::rename(d / Temporary(i), d / Final(i)); break;
        case 'B': fs::rename(d / Aside(i), d / Final(i)); break;
        case 'X': fs::create_hard_link(d / "../data.txt", d / Temporary(i)); break;
        case 'N': testutil::WriteFile(d / "~R.journal.new", "Rowdeal journal\nversi"); break;
        case 'E': testutil::WriteFile(d / "~R.journal", "Rowdeal journal\nversion 1\nbase data\nextension txt\\\nstate writing\n"); break;
        case 'Z': testutil::WriteFile(d / "~R.journal.new", ""); break;
        case 'G': testutil::WriteFile(d / "~R.journal.new", "Rowdeal journal\n" + std::string(65536, '\n')); break;
      }
    }
  };
  enum { Old, New, Untouched };
  struct Case {
    const char* what;
    const char* journal;  // its state and count; none when empty
    std::string steps;
    int outcome;
    bool unlistable = false;
  } cases[] = {
      {"writing, count not known, its recovery killed", "state writing\n", "T2 T4", Old},
      {"writing", "state writing\ncount 3\n", "T1 T3", Old},
      {"replacing, killed while setting aside", "state replacing\ncount 3\n", "T1 T2 T3 S1", New},
      {"replacing by links, killed while moving in", "state replacing\ncount 3\n", "T1 T2 T3 L1 L2 L3 M1", New},
      {"undoing, killed while putting back", "state undoing\ncount 3\n", "T1 T2 T3 S1 S2 S3 M1 B2", Old},
#ifndef _WIN32
      {"undoing in a folder that cannot be listed", "state undoing\ncount 3\n", "T1 T2 T3 L1 L2 L3 M1", Old, true},
#endif
      {"killed before its first journal was in place", "", "N0", Old},
      {"killed as its first journal was made", "", "Z0", Old},
      {"a journal too large to be one", "", "G0", Untouched},
      {"no journal", "", "T1 T2", Untouched},
      {"a journal of someone else's", "state sideways\n", "T1", Untouched},
      {"a journal that counts no outputs", "state writing\ncount 0\n", "T1", Untouched},
      {"a name cut off after its escape", "", "T1 E0", Untouched},
      {"a journal that names the source", "state writing\ncount 3\n", "X2", Untouched},
  };
  for (const Case& c : cases) {
    World world(10);
    const fs::path d = world.Native("data");
    std::map<std::string, std::string> expected = testutil::Contents(d);
    if (*c.journal) {
      testutil::WriteFile(d / "~R.journal", std::string("Rowdeal journal\nversion 1\nbase data\nextension txt\n") + c.journal);
    }
    take(d, c.steps);
    const auto left = testutil::Contents(d);
    for (int i = 1; c.outcome == New && i <= 3; ++i) expected[Final(i)] = "new " + std::to_string(i);
    if (c.outcome == Untouched) expected = left;
    testutil::WriteFile(d / Aside(5), "someone's");
#ifndef _WIN32
    // Root may list any folder: the run is then another user's.
    const bool asOther = c.unlistable && ::geteuid() == 0;
    if (c.unlistable) fs::permissions(d, fs::perms(0333));
    if (asOther) ::setfsuid(65534);
#endif
    EXPECT_EQ(world.Split(5).rfind("error: File Open Error! (" + world.OutputDir(), 0), 0u) << c.what;
#ifndef _WIN32
    if (asOther) ::setfsuid(0);
    fs::permissions(d, fs::perms::all);
#endif
    fs::remove(d / Aside(5));
    EXPECT_TRUE(testutil::Contents(d) == expected) << c.what;
  }
}

// Killed at any step (from the Kth change to the disk on nothing changes, as after kill -9),
// a run, the undoing of its failure, or its recovery of a killed run leaves what the next
// run finishes: that run succeeds and nothing of the killed ones is left, their lock file
// included. Among them the recovery of a run of pieces whose count was not known, killed
// after it had removed some of the ten temporaries.
TEST(Reliability, ARunKilledAtAnyStepIsFinishedByTheNext) {
  FaultGuard guard;
  const auto rows = [](const World& w, const char16_t* k) { return Request(w.Source(), u"1", k, TSplitMode::Rows); };
  struct Case {
    const char* what;
    TSplitMode mode;
    std::function<void(World&)> setup;
  } cases[] = {
      {"pieces whose count is not known", TSplitMode::Rows, [](World&) {}},
      {"a deal in turn", TSplitMode::Cycle, [](World&) {}},
      {"a failure undone", TSplitMode::Cycle,
       [](World&) { platform::InjectMoveFault([](std::u16string_view from, std::u16string_view) { return from.ends_with(u"~R3~"); }); }},
      {"a killed run recovered", TSplitMode::Rows,
       [](World& w) {
         testutil::WriteFile(w.Native("data/~R.journal"), "Rowdeal journal\nversion 1\nbase data\nextension txt\nstate writing\n");
         testutil::WriteFile(w.Native("data/~R.lock"), LockMark);
         for (int i = 1; i <= 10; ++i) testutil::WriteFile(w.Native("data") / Temporary(i), "a killed run's");
       }},
  };
  // What the last run leaves, the lock file included: the killed run's goes with the next.
  const auto left = [](const World& w) { return testutil::Contents(w.Native("")); };
  World clean(20);
  ASSERT_EQ(clean.Run(rows(clean, u"4")).rfind("文件拆分成功!", 0), 0u);
  const auto expected = left(clean);
  for (const Case& c : cases) {
    std::string unkilled;
    std::map<std::string, std::string> unkilledLeft;
    for (std::int64_t k = -1; k < 1000; ++k) {
      World world(20);
      c.setup(world);
      const TSplitRequest request = Request(world.Source(), u"1", u"4", c.mode);
      platform::InjectKill(k);
      std::string answer = world.Run(request);
      if (answer.find(world.OutputDir()) != std::string::npos) answer.replace(answer.find(world.OutputDir()), world.OutputDir().size(), "{folder}");
      platform::InjectKill(-1);
      platform::InjectMoveFault(nullptr);
      // A kill past the run's last change: every step has been taken.
      if (k >= 0 && answer == unkilled && left(world) == unkilledLeft) break;
      if (k < 0) {
        unkilled = answer;
        unkilledLeft = left(world);
      }
      EXPECT_EQ(world.Run(rows(world, u"4")).rfind("文件拆分成功!", 0), 0u) << c.what << ", killed at " << k;
      EXPECT_TRUE(left(world) == expected) << c.what << ", killed at " << k;
    }
  }
}

// Another program holds temporary 3, then the new data-1.txt, as a virus scanner does:
// the old data-1.txt stays set aside, is named, and is put back by the next run. Where
// hard links are refused, files are set aside by moving them, and re-splits work.
TEST(Reliability, ACopyThatCannotBePutBackIsKeptAndNamed) {
  FaultGuard guard;
  for (unsigned refusal : {platform::RefuseNothing, platform::RefuseHardLinks}) {
    World world(20);
    const std::string old1 = testutil::ReadFile(world.Native("data/data-1.txt"));
    platform::InjectRefusal(refusal);
    bool scanned = false;
    platform::InjectMoveFault([&](std::u16string_view from, std::u16string_view to) {
      scanned = scanned || from.ends_with(u"~R3~");
      // The old data-1.txt cannot come back; with hard links refused, nor can the new one leave.
      const bool held1 = to.ends_with(u"data-1.txt") || (refusal && from.ends_with(u"data-1.txt"));
      return from.ends_with(u"~R3~") || (scanned && held1);
    });
    EXPECT_EQ(world.Split(4), "error: 无法替换输出文件 data-3.txt, 它可能正被其他程序打开!\r\n"
                              "原来的 data-1.txt 暂存为 ~S1~, 下次拆分到此路径时会自动放回原处。");
    EXPECT_EQ(testutil::ReadFile(world.Native("data/~S1~")), old1);
    platform::InjectMoveFault(nullptr);
    testutil::WriteFile(world.Native("data/~R5~"), "someone's");
    EXPECT_EQ(world.Split(5), "error: File Open Error! (" + world.OutputDir() + "~R5~)");
    fs::remove(world.Native("data/~R5~"));
    world.ExpectUnchanged();
    EXPECT_EQ(world.Split(4).rfind("文件拆分成功!", 0), 0u) << refusal;
  }
  // More copies kept than a message should list: it names ten, the journal all of them.
  World many(30);
  const auto split12 = [&many] { return many.Run(Request(many.Source(), u"1", u"12")); };
  ASSERT_EQ(split12().rfind("文件拆分成功!", 0), 0u);
  platform::InjectMoveFault([](std::u16string_view from, std::u16string_view) {
    return from.ends_with(u"~R12~") || from.find(u"~S") != std::u16string_view::npos;
  });
  const std::string answer = split12();
  platform::InjectMoveFault(nullptr);
  EXPECT_TRUE(answer.ends_with("原来的 data-3.txt 暂存为 ~S3~, 下次拆分到此路径时会自动放回原处。")) << answer;
  EXPECT_TRUE(fs::exists(many.Native("data/~S1~")));
  EXPECT_EQ(split12().rfind("文件拆分成功!", 0), 0u);
}

// Files named as an earlier version named its leftovers, or as the lock, are someone
// else's: a run leaves them as they are. Only a lock file that holds the mark or nothing
// is a killed run's (or an earlier version's): a run that succeeds removes it.
TEST(Reliability, FilesNamedLikeLeftoversAreLeftAlone) {
  FaultGuard guard;
  struct Case {
    const char* what;
    std::int64_t killedAfter;  // 0 or more: left by a holder killed after that many changes
    std::string lock;          // what the lock file holds before the run
    bool stays;
  } cases[] = {
      {"a user's", -1, "~R.lock", true},
      {"a user's that begins with the mark", -1, LockMark + "mine", true},
      {"the mark cut short", -1, LockMark.substr(0, LockMark.size() - 1), true},
      {"an earlier version's, empty", -1, "", false},
      {"a holder's killed before it wrote the mark", 0, "", false},
      {"a holder's killed once it had written the mark", 1, LockMark, false},
  };
  const char* const names[] = {"~R007~", "~R~notes.txt", "~R~plan.txt", "~R~data-2.txt"};
  for (const Case& c : cases) {
    World world(10);
    const fs::path lockFile = world.Native("data/~R.lock");
    for (const char* name : names) testutil::WriteFile(world.Native("data") / name, name);
    if (c.killedAfter < 0) {
      testutil::WriteFile(lockFile, c.lock);
    } else {
      platform::FolderLock holder;
      platform::InjectKill(c.killedAfter);
      ASSERT_EQ(holder.Lock(world.Native("data").u16string()), platform::LockResult::Locked) << c.what;
      holder.Unlock();
      platform::InjectKill(-1);
      ASSERT_TRUE(fs::exists(lockFile)) << c.what;
      EXPECT_EQ(testutil::ReadFile(lockFile), c.lock) << c.what;
    }
    ASSERT_EQ(world.Split(3).rfind("文件拆分成功!", 0), 0u) << c.what;
    for (const char* name : names) EXPECT_EQ(testutil::ReadFile(world.Native("data") / name), name) << c.what;
    EXPECT_EQ(fs::exists(lockFile) ? testutil::ReadFile(lockFile) : "gone", c.stays ? c.lock : "gone") << c.what;
  }
#ifdef _WIN32
  // The file system ignores case: Data.txt is data.txt, and the earlier pieces are its.
  World world(10);
  const std::string answer = testutil::Outcome([&] { return SuccessText(RunSplitRequest(Request(world.Native("Data.txt").u16string(), u"1", u"2"))); });
  EXPECT_NE(answer.find("(data-3.txt 等)"), std::string::npos) << answer;
#endif
}

// Output names longer than the file system holds are refused before anything is made;
// set-aside names are never longer than the outputs', so a name at the limit splits
// again and again.
TEST(Reliability, NamesTooLongForTheFileSystemAreRefusedFirst) {
  TempDir dir;
  const std::int64_t limit = platform::NameLimit(dir.Path());
  ASSERT_GT(limit, 8);
  for (std::int64_t over : {0, 1}) {
    const std::string base(static_cast<std::size_t>(limit - 6 + over), 'a');  // base-1.txt: limit + over
    testutil::WriteFile(dir.Native(base + ".txt"), "h\r\nx\r\n");
    for (int run : {1, 2}) {
      const std::string answer = testutil::Outcome([&] { return SuccessText(RunSplitRequest(Request(dir.Path(base + ".txt"), u"1", u"1"))); });
      const std::string refused = "error: 输出文件名 " + base + "-1.txt 超过了系统允许的长度, 未做任何改动!";
      EXPECT_EQ(over ? answer : answer.substr(0, 19), over ? refused : "文件拆分成功!") << run;
    }
    EXPECT_EQ(fs::exists(dir.Native(base)), !over);
  }
}

#ifdef _WIN32
namespace {

// Starts the native build's lock on Folder (see NativeLock.cpp); what it found.
std::string LockNatively(const fs::path& folder, const fs::path& answer) {
  const auto unixPath = [](const fs::path& path) {
    using Convert = char*(CDECL*)(LPCWSTR);
    const auto found = GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name");
    const auto convert = reinterpret_cast<Convert>(reinterpret_cast<void (*)()>(found));
    char* name = convert(path.c_str());
    const std::string text = name;
    HeapFree(GetProcessHeap(), 0, name);
    return std::wstring(text.begin(), text.end());
  };
  std::wstring program = L"Z:" ROWDEAL_NATIVE_LOCK;
  std::replace(program.begin(), program.end(), L'/', L'\\');
  std::wstring command = L"native-lock \"" + unixPath(folder) + L"\" \"" + unixPath(answer) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return "not started";
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  testutil::WaitUntil([&] { return fs::exists(answer); });
  return testutil::ReadFile(answer);
}

}  // namespace

// A run of the native build and one under Wine into the same folder at once: whichever
// comes second is refused and changes nothing.
TEST(Reliability, NativeAndWindowsRunsMeetOneLock) {
  World world(10);
  const fs::path answer = world.Native("answer");
  {
    platform::FolderLock lock;
    ASSERT_EQ(lock.Lock(world.Native("data").u16string()), platform::LockResult::Locked);
    EXPECT_EQ(LockNatively(world.Native("data"), answer), "held");
  }
  fs::remove(answer);
  ASSERT_EQ(LockNatively(world.Native("data"), answer), "locked");
  world.Remember();
  EXPECT_EQ(world.Split(4), "error: 另一个拆分正在写入同一个子路径, 请稍后再试!");
  world.ExpectUnchanged();
  fs::remove(answer);
  platform::FolderLock lock;
  EXPECT_TRUE(testutil::WaitUntil([&] { return lock.Lock(world.Native("data").u16string()) == platform::LockResult::Locked; }));
}
#endif

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
  const std::string answer = testutil::Outcome([&] { return SuccessText(RunSplitRequest(Request((at / "data.txt").u16string(), u"1", u"2"))); });
  const auto contents = testutil::Contents(at);
  ::umount2(at.c_str(), MNT_DETACH);
  EXPECT_EQ(answer, "error: 磁盘空间不足!");
  EXPECT_TRUE(contents == (std::map<std::string, std::string>{{"data.txt", body}}));
}
#endif

// A folder of the user's choice: made with its missing parents and removed again, deepest
// first, by a run that fails or is cancelled; a name it cannot take is told before the
// lock; the lock, a killed run's journal and the source's identity hold there as beside
// the source; a contiguous run that makes fewer pieces than the last names the rest.
TEST(Reliability, AnOutputFolderOfTheUsersChoice) {
  FaultGuard guard;
  World world(20000);
  const std::u16string out = world.Native("out").u16string();
  auto rows = [&](const std::u16string& dir, const std::u16string& k = u"6000") {
    TSplitRequest request = Request(world.Source(), u"1", k, TSplitMode::Rows);
    request.OutDir = dir;
    request.OutDirShown = u"shown";
    return request;
  };
  TSplitControl cancelled;
  cancelled.Cancel();
  EXPECT_EQ(world.Run(rows(out + u"/a/b"), &cancelled), "error: 拆分已取消, 没有改动任何文件。");
  platform::InjectWriteFault(static_cast<std::int64_t>(world.Body().size() / 2));
  EXPECT_EQ(world.Run(rows(out + u"/a/b")), "error: File Write Error!");
  platform::InjectWriteFault(-1);
  world.ExpectUnchanged("made folders");
  const std::string cannot = "error: 无法创建输出路径 shown" + testutil::Utf8(std::u16string(1, platform::PathSeparator())) + "!";
  EXPECT_EQ(world.Run(rows(world.Source())), cannot);
  EXPECT_EQ(world.Run(rows(world.Source() + u"/below")), cannot);
  world.ExpectUnchanged("a file holds the name");

  fs::create_directory(world.Native("out"));
  testutil::WriteFile(world.Native("out/data-9.txt"), "an earlier piece");
  platform::FolderLock lock;
  ASSERT_EQ(lock.Lock(out), platform::LockResult::Locked);
  EXPECT_EQ(world.Run(rows(out)), "error: 另一个拆分正在写入同一个子路径, 请稍后再试!");
  lock.Unlock();
  fs::create_hard_link(world.Native("data.txt"), world.Native("out/data-2.txt"));
  EXPECT_EQ(world.Run(rows(out)), "error: 待拆分文件同时是它自己的一个输出文件, 未做任何改动!");
  fs::remove(world.Native("out/data-2.txt"));
  testutil::WriteFile(world.Native("out/~S3~"), "someone's, at a name the third piece needs");
  const std::string sep = testutil::Utf8(std::u16string(1, platform::PathSeparator()));
  EXPECT_EQ(world.Run(rows(out)), "error: File Open Error! (" + testutil::Utf8(out) + sep + "~S3~)");
  fs::remove(world.Native("out/~S3~"));
  // A killed run's temporary, named by its journal, goes; the run then succeeds.
  TJournalFile journal(out + platform::PathSeparator());
  journal.Store(TJournal{u"data", u"txt", TJournalState::Writing, 1, nullptr});
  testutil::WriteFile(world.Native("out/~R1~"), "half written");
  const std::string answer = world.Run(rows(out));
  EXPECT_EQ(answer.rfind("文件拆分成功! 在 shown" + testutil::Utf8(std::u16string(1, platform::PathSeparator())) +
                             " 路径下自动生成了如下 4 个新文件:", 0), 0u) << answer;
  EXPECT_NE(answer.find("还有 1 个以前拆分留下的文件 (data-9.txt 等)"), std::string::npos) << answer;
  EXPECT_FALSE(fs::exists(world.Native("out/~R1~")) || fs::exists(world.Native("out/~R.journal")));
  EXPECT_EQ(testutil::ReadFile(world.Native("out/data-4.txt")).substr(0, 14), "header\r\nrow 18");
}
