// The fault matrix: each failure that can strike a split in the middle, with the message
// it gives, what exists afterwards, and the check that nothing that existed before the
// run is lost or damaged.
#include "tests/hardening/Holder.h"
#include "tests/hardening/Matrix.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <grp.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <fstream>

using filebytes::FaultGuard;
using matrix::Answer;
using matrix::Succeeded;
using matrix::World;
namespace fs = std::filesystem;

namespace {

// Small blocks, so that a fault lands in the middle of the outputs.
TSplitLimits SmallBlocks() {
  TSplitLimits limits;
  limits.OpenOutputs = 100;
  limits.SourceBlock = 4096;
  limits.OutputBudget = 3 * 4096;
  return limits;
}

std::string SplitWith(const World& world, int n, const TSplitLimits& limits) {
  return Answer([&] { return RunSplitWith(world.Source(), u"1", std::u16string(1, u'0' + n), limits); });
}

std::string Fixtures() {
#ifdef _WIN32
  std::string path = ROWDEAL_HARDENING_FIXTURES;
  if (!path.empty() && path[0] == '/') path = "Z:" + path;  // Wine shows the Unix root as Z:
  return path;
#else
  return ROWDEAL_HARDENING_FIXTURES;
#endif
}

#ifndef _WIN32
const std::string NoOrdinaryUser = "(could not become an ordinary user)";

fs::perms ForAll(fs::perms owner) {
  const auto bits = static_cast<unsigned>(owner);
  return static_cast<fs::perms>(bits | bits >> 3 | bits >> 6);
}
const fs::perms ReadOnly = ForAll(fs::perms::owner_read);

// The folder of the world and its source, open to every user for reading, whatever
// the creation mask was.
void LetOthersRead(const World& world) {
  fs::permissions(world.Native(""), ForAll(fs::perms::owner_read | fs::perms::owner_exec) | fs::perms::owner_write);
  fs::permissions(world.Native("data.txt"), ReadOnly | fs::perms::owner_write);
}

// Runs a split as an ordinary user: permissions mean nothing to root, which the tests
// (and CI) may be.
std::string AsOrdinaryUser(const std::function<std::string()>& run) {
  if (::geteuid() != 0) return run();
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0) return "(no pipe)";
  std::fflush(nullptr);  // the child must not write out what this process has buffered
  pid_t child = ::fork();
  if (child == 0) {
    ::close(pipeEnds[0]);
    std::string answer = ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0
                             ? run()
                             : NoOrdinaryUser;
    (void)!::write(pipeEnds[1], answer.data(), answer.size());
    ::_exit(0);
  }
  ::close(pipeEnds[1]);
  std::string answer;
  char buffer[512];
  for (ssize_t got; (got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;) answer.append(buffer, static_cast<std::size_t>(got));
  ::close(pipeEnds[0]);
  ::waitpid(child, nullptr, 0);
  return answer;
}
#endif

}  // namespace

TEST(FaultMatrix, ReadErrorInTheMiddleOfTheSource) {
  FaultGuard guard;
  World world;
  // Recognition asks for its 1 MiB block twice; then the deal reads 4 KiB at a time.
  platform::InjectReadFault((2 << 20) + static_cast<std::int64_t>(world.Body().size() / 2));
  EXPECT_EQ(SplitWith(world, 3, SmallBlocks()), "error: File Read Error!");
  platform::InjectReadFault(-1);
  for (int i = 1; i <= 3; ++i) ASSERT_TRUE(world.HasOutput(i)) << i;
  EXPECT_GT(world.Output(1).size(), world.Expected(1, 3).size() / 4);
  EXPECT_LT(world.Output(1).size(), world.Expected(1, 3).size());
  world.ExpectOutputsArePrefixes(3);
  world.ExpectNothingLost();
}

TEST(FaultMatrix, WriteErrorInTheMiddleOfAnOutput) {
  FaultGuard guard;
  World world;
  platform::InjectWriteFault(static_cast<std::int64_t>(world.Body().size() / 2));
  EXPECT_EQ(SplitWith(world, 3, SmallBlocks()), "error: File Write Error!");
  platform::InjectWriteFault(-1);
  world.ExpectOutputsArePrefixes(3);
  std::size_t written = 0;
  for (int i = 1; i <= 3; ++i) written += world.HasOutput(i) ? world.Output(i).size() : 0;
  EXPECT_EQ(written, world.Body().size() / 2);
  world.ExpectNothingLost();
}

// An output file that is the system's always-full device: every write fails with "no
// space left", as on a full disk.
TEST(FaultMatrix, FullDiskBehindAnOutputFile) {
  const std::string fixtures = Fixtures();
  if (fixtures.empty()) GTEST_SKIP() << "the build host could not make the full-device fixture";
  const fs::path folder = fs::path(fixtures) / "full";
  const std::string body = "header\r\none\r\ntwo\r\nthree\r\n";
  filebytes::Write(folder / "data.txt", body);
  fs::remove(folder / "data" / "data-1.txt");
  fs::remove(folder / "data" / "data-3.txt");
  std::string answer = Answer([&] { return RunSplit((folder / "data.txt").u16string(), u"1", u"3"); });
  EXPECT_EQ(answer, "error: File Write Error!");
  EXPECT_EQ(filebytes::Read(folder / "data.txt"), body);
  // The failure shows when the full output is put down at the end; the others are
  // complete, the one after it too, since every output is put down when the run ends.
  EXPECT_EQ(filebytes::Read(folder / "data" / "data-1.txt"), "header\r\none\r\n");
  EXPECT_EQ(filebytes::Read(folder / "data" / "data-3.txt"), "header\r\nthree\r\n");
  fs::remove(folder / "data" / "data-1.txt");
  fs::remove(folder / "data" / "data-3.txt");
  fs::remove(folder / "data.txt");
}

#ifndef _WIN32
// A really full small filesystem: the source and its output folder on a 256 KiB tmpfs.
TEST(FaultMatrix, FullSmallFilesystem) {
  TempDir mountPoint;
  const fs::path at = mountPoint.Native("fs");
  fs::create_directory(at);
  if (::mount("tmpfs", at.c_str(), "tmpfs", 0, "size=256k") != 0) {
    GTEST_SKIP() << "cannot mount a small tmpfs here (needs root and the mount capability)";
  }
  std::string body = "header\r\n";
  for (int i = 0; body.size() < 150000; ++i) body += "row " + std::to_string(i) + " of the table\r\n";
  filebytes::Write(at / "data.txt", body);
  filebytes::Write(at / "neighbour.txt", "beside the source");
  std::string answer = Answer([&] { return RunSplit((at / "data.txt").u16string(), u"1", u"2"); });
  const std::string dealt1 = filebytes::Read(at / "data" / "data-1.txt");
  const std::string dealt2 = filebytes::Read(at / "data" / "data-2.txt");
  const std::string source = filebytes::Read(at / "data.txt");
  const std::string neighbour = filebytes::Read(at / "neighbour.txt");
  ::umount2(at.c_str(), MNT_DETACH);
  EXPECT_EQ(answer, "error: File Write Error!");
  EXPECT_EQ(source, body);
  EXPECT_EQ(neighbour, "beside the source");
  EXPECT_LT(dealt1.size() + dealt2.size(), body.size());
  std::vector<std::string> lines = filebytes::ModelLines(body, 1);
  std::string whole1 = "header\r\n";
  for (std::size_t k = 1; k < lines.size(); k += 2) whole1 += lines[k] + "\r\n";
  EXPECT_EQ(whole1.compare(0, dealt1.size(), dealt1), 0);
}

TEST(FaultMatrix, OutputFolderNotWritable) {
  World world(100);
  LetOthersRead(world);
  fs::permissions(world.Native("data"), ReadOnly | ForAll(fs::perms::owner_exec));
  std::string answer = AsOrdinaryUser([&] { return SplitWith(world, 3, SmallBlocks()); });
  fs::permissions(world.Native("data"), fs::perms::owner_all);
  if (answer == NoOrdinaryUser) GTEST_SKIP() << "permissions mean nothing to root, and no ordinary user could be taken";
  EXPECT_EQ(answer, "error: File Open Error!");
  EXPECT_FALSE(world.HasOutput(1));
  world.ExpectNothingLost();
}
#endif

TEST(FaultMatrix, ReadOnlyOutputFile) {
  World world(100);
  filebytes::Write(world.Native("data/data-2.txt"), "an older output, kept read-only");
  world.Remember();
#ifdef _WIN32
  const std::u16string readOnlyPath = world.Path("data/data-2.txt");
  const auto* readOnly = reinterpret_cast<const wchar_t*>(readOnlyPath.c_str());
  ASSERT_TRUE(::SetFileAttributesW(readOnly, FILE_ATTRIBUTE_READONLY));
  HANDLE probe = ::CreateFileW(readOnly, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (probe != INVALID_HANDLE_VALUE) {  // Wine run by root: the permission check is the Unix one
    ::CloseHandle(probe);
    ::SetFileAttributesW(readOnly, FILE_ATTRIBUTE_NORMAL);
    GTEST_SKIP() << "this system lets read-only files be written (Wine run by root)";
  }
  std::string answer = SplitWith(world, 3, SmallBlocks());
  ::SetFileAttributesW(readOnly, FILE_ATTRIBUTE_NORMAL);
#else
  LetOthersRead(world);
  fs::permissions(world.Native("data"), fs::perms::all);
  fs::permissions(world.Native("data/data-2.txt"), ReadOnly);
  std::string answer = AsOrdinaryUser([&] { return SplitWith(world, 3, SmallBlocks()); });
  if (answer == NoOrdinaryUser) GTEST_SKIP() << "permissions mean nothing to root, and no ordinary user could be taken";
#endif
  EXPECT_EQ(answer, "error: File Open Error!");
  EXPECT_EQ(world.Output(1), "header\r\n");  // created with its header before the failure
  EXPECT_FALSE(world.HasOutput(3));
  world.ExpectNothingLost();  // the read-only output among the rest
}

// Windows refuses to open a file for reading without sharing writing while another
// process writes it; POSIX has no such modes, and the split goes ahead.
TEST(FaultMatrix, SourceHeldOpenForWritingByAnotherProcess) {
  World world(100);
  THolder holder(world.Source(), THolder::TKind::Writer);
  ASSERT_TRUE(holder.Held());
  std::string answer = SplitWith(world, 3, SmallBlocks());
#ifdef _WIN32
  EXPECT_EQ(answer, "error: File Open Error!");
  EXPECT_FALSE(world.HasOutput(1));
#else
  ASSERT_TRUE(Succeeded(answer)) << answer;
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(world.Output(i), world.Expected(i, 3));
#endif
  world.ExpectNothingLost();
}

TEST(FaultMatrix, OutputFileHeldOpenByAnotherProcess) {
  World world(100);
  filebytes::Write(world.Native("data/data-2.txt"), "open in a spreadsheet");
  world.Remember();
  THolder holder(world.Path("data/data-2.txt"), THolder::TKind::Exclusive);
  ASSERT_TRUE(holder.Held());
  std::string answer = SplitWith(world, 3, SmallBlocks());
#ifdef _WIN32
  EXPECT_EQ(answer, "error: File Open Error!");
  EXPECT_EQ(world.Output(1), "header\r\n");
  EXPECT_FALSE(world.HasOutput(3));
  world.ExpectNothingLost({"data/data-1.txt"});
#else
  ASSERT_TRUE(Succeeded(answer)) << answer;
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(world.Output(i), world.Expected(i, 3));
  world.ExpectNothingLost({"data/data-2.txt"});
#endif
}

// Another program shortens or lengthens the source while it is being dealt (from the
// progress report, once the deal has begun).
TEST(FaultMatrix, SourceShortenedOrLengthenedDuringTheRun) {
  for ([[maybe_unused]] bool shorten : {true, false}) {
    World world(400000);  // about 10 MiB, so that the deal reports progress on the way
    const std::int64_t size = static_cast<std::int64_t>(world.Body().size());
    bool touched = false;
    [[maybe_unused]] bool refused = false;
    std::string answer = Answer([&] {
      return RunSplit(world.Source(), u"1", u"3", [&](std::int64_t done, std::int64_t) {
        if (touched || done <= size) return;  // still recognising the encoding
        touched = true;
#ifdef _WIN32
        HANDLE other = ::CreateFileW(reinterpret_cast<const wchar_t*>(world.Source().c_str()), GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        refused = other == INVALID_HANDLE_VALUE;
        if (!refused) ::CloseHandle(other);
#else
        if (shorten) {
          fs::resize_file(world.Native("data.txt"), static_cast<std::uintmax_t>(size * 2 / 3));
        } else {
          std::ofstream(world.Native("data.txt"), std::ios::binary | std::ios::app) << "late row\r\n";
        }
#endif
      });
    });
    ASSERT_TRUE(touched);
#ifdef _WIN32
    EXPECT_TRUE(refused) << "another program could open the source for writing during the split";
    ASSERT_TRUE(Succeeded(answer)) << answer;
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(world.Output(i), world.Expected(i, 3));
    world.ExpectNothingLost();
#else
    EXPECT_EQ(answer, "error: 拆分期间待拆分文件被改动, 请在它不再变化时重新拆分!") << (shorten ? "shortened" : "lengthened");
    if (shorten) {
      world.ExpectOutputsArePrefixes(3);
    } else {  // every line that was there is dealt, and the late one after them
      for (int i = 1; i <= 3; ++i) EXPECT_EQ(world.Output(i).rfind(world.Expected(i, 3), 0), 0u) << i;
    }
    world.ExpectNothingLost({"data.txt"});
#endif
  }
}
