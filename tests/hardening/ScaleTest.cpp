// The limits: many outputs, many header lines, names in every script, very long paths,
// and (on request, ROWDEAL_BIG_TESTS=1) a 5 GiB source and a line of 1 GiB.
#include "tests/hardening/Matrix.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>

using matrix::Answer;
using matrix::Succeeded;
using matrix::World;
namespace fs = std::filesystem;

namespace {

const std::u16string Sep(1, platform::PathSeparator());

std::string Message(const std::u16string& outputDir, int n, const std::string& list) {
  return "文件拆分成功! 在原始文件所在路径的 " + testtext::Utf8(outputDir) + " 子路径下自动生成了如下 " +
         std::to_string(n) + " 个新文件:\r\n\r\n" + list;
}

}  // namespace

TEST(Scale, TenThousandOutputFiles) {
  World world(25000);
  const std::string answer = Answer([&] { return RunSplit(world.Source(), u"1", u"10000"); });
  ASSERT_TRUE(Succeeded(answer)) << answer.substr(0, 200);
  EXPECT_NE(answer.find("\r\n\r\ndata-1.txt\r\ndata-2.txt\r\n"), std::string::npos);
  const std::string end = "\r\ndata-9999.txt\r\ndata-10000.txt\r\n";
  EXPECT_EQ(answer.substr(answer.size() - end.size()), end);
  for (int i : {1, 2, 5000, 9999, 10000}) EXPECT_EQ(world.Output(i), world.Expected(i, 10000)) << i;
  EXPECT_EQ(std::distance(fs::directory_iterator(world.Native("data")), fs::directory_iterator{}), 10001);
  world.ExpectNothingLost();
}

TEST(Scale, HundredThousandHeaderLines) {
  TempDir dir;
  std::string header;
  for (int i = 0; i < 100000; ++i) header += "header line " + std::to_string(i) + "\r\n";
  filebytes::Write(dir.Native("data.txt"), header + "a\r\nb\r\nc\r\nd");
  const std::string answer = Answer([&] { return RunSplit(dir.Path("data.txt"), u"100000", u"3"); });
  ASSERT_TRUE(Succeeded(answer)) << answer;
  EXPECT_EQ(filebytes::Read(dir.Native("data/data-1.txt")), header + "a\r\nd\r\n");
  EXPECT_EQ(filebytes::Read(dir.Native("data/data-2.txt")), header + "b\r\n");
  EXPECT_EQ(filebytes::Read(dir.Native("data/data-3.txt")), header + "c\r\n");
  // One header line more than the file holds.
  fs::remove_all(dir.Native("data"));
  filebytes::Write(dir.Native("data.txt"), header);
  EXPECT_EQ(Answer([&] { return RunSplit(dir.Path("data.txt"), u"100001", u"3"); }),
            "error: 文件中不包含足够的数据!");
  EXPECT_FALSE(fs::exists(dir.Native("data")));
  EXPECT_EQ(filebytes::Read(dir.Native("data.txt")), header);
}

TEST(Scale, NamesWithCjkSpacesAndEmoji) {
  struct Case {
    std::string folder, name, base, ext;
  } cases[] = {
      {"客户 资料", "数据 表 😀.txt", "数据 表 😀", "txt"},
      {"emoji 🗂 folder", "😀😀.tsv", "😀😀", "tsv"},
      {"  leading blanks", " spaced  name.csv", " spaced  name", "csv"},
      {"中文", "统计.2024.年度", "统计.2024", "年度"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    const fs::path folder = dir.Native("") / fs::u8path(c.folder);
    fs::create_directories(folder);
    const std::string body = "表头 😀\r\n第一行\r\n第二行\r\n";
    filebytes::Write(folder / fs::u8path(c.name), body);
    const std::u16string source = (folder / fs::u8path(c.name)).u16string();
    const std::string answer = Answer([&] { return RunSplit(source, u"1", u"2"); });
    const std::string first = c.base + "-1." + c.ext, second = c.base + "-2." + c.ext;
    EXPECT_EQ(answer, Message((folder / fs::u8path(c.base)).u16string() + Sep, 2, first + "\r\n" + second + "\r\n"))
        << c.name;
    EXPECT_EQ(filebytes::Read(folder / fs::u8path(c.base) / fs::u8path(first)), "表头 😀\r\n第一行\r\n") << c.name;
    EXPECT_EQ(filebytes::Read(folder / fs::u8path(c.base) / fs::u8path(second)), "表头 😀\r\n第二行\r\n") << c.name;
    EXPECT_EQ(filebytes::Read(folder / fs::u8path(c.name)), body);
  }
}

// The dialog takes at most 4999 characters. Such a path is beyond what the system can
// open (4096 bytes on Linux, the Windows limit of paths without the long-path prefix):
// the source cannot be found, and nothing is created.
TEST(Scale, PathOf4999Characters) {
  World world(10);
  std::u16string path = world.Path("");
  while (path.size() < 4999 - 9) path += std::u16string(std::min<std::size_t>(200, 4999 - 9 - path.size()), u'd') + Sep;
  path += u"data.txt";
  path.resize(4999, u'x');
  ASSERT_EQ(path.size(), 4999u);
  EXPECT_EQ(Answer([&] { return RunSplit(path, u"1", u"3"); }), "error: 待拆分文件不存在!");
  world.ExpectNothingLost();
  EXPECT_EQ(matrix::Files(world.Native("")).size(), 3u);
}

// A source that can be opened, in a folder so deep that the output files' paths are
// too long for the system: the failure to create the first one is reported, and the
// source stays as it was. (Wine, unlike Windows, takes long paths; then the split
// must simply succeed.)
TEST(Scale, OutputPathsTooLongForTheSystem) {
  World world(10);
#ifdef _WIN32
  const std::size_t limit = 259;
#else
  const std::size_t limit = 4095;
#endif
  fs::path deep = world.Native("");
  while (deep.u16string().size() + 120 < limit - 12) deep /= std::string(100, 'd');
  deep /= std::string(limit - 12 - deep.u16string().size() - 1, 'e');
  fs::create_directories(deep);
  const fs::path source = deep / "data.txt";
  ASSERT_LE(source.u16string().size(), limit);
  filebytes::Write(source, world.Body());
  const std::string answer = Answer([&] { return RunSplit(source.u16string(), u"1", u"3"); });
  std::printf("output paths beyond the system's limit: %s\n", Succeeded(answer) ? "split" : answer.c_str());
  if (Succeeded(answer)) {
    EXPECT_EQ(filebytes::Read(deep / "data" / "data-1.txt"), world.Expected(1, 3));
  } else {
    EXPECT_EQ(answer, "error: File Open Error!");
  }
  EXPECT_EQ(filebytes::Read(source), world.Body());
  std::error_code ignored;
  fs::remove_all(world.Native("") / std::string(100, 'd'), ignored);
}

// Opt-in: large files made sparse (holes of zero bytes) and removed afterwards.
namespace {

bool BigTestsWanted() {
  const char* wanted = std::getenv("ROWDEAL_BIG_TESTS");
  return wanted != nullptr && std::string(wanted) == "1";
}

std::string PeakMemory() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return line.substr(6);
  }
  return " (not known here)";
}

// Writes bytes at an offset of a file, leaving a hole before them.
void WriteAt(const fs::path& path, std::int64_t offset, const std::string& bytes) {
  std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
  file.seekp(offset);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Tail(const fs::path& path, std::size_t count) {
  std::ifstream in(path, std::ios::binary);
  in.seekg(-static_cast<std::streamoff>(count), std::ios::end);
  std::string bytes(count, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(count));
  return bytes;
}

}  // namespace

// 5 GiB: one header line, 80 lines of 64 MiB of zero bytes, then two plain lines.
TEST(Big, FiveGibSource) {
  if (!BigTestsWanted()) GTEST_SKIP() << "set ROWDEAL_BIG_TESTS=1 to run";
  TempDir dir;
  const fs::path source = dir.Native("data.txt");
  const std::int64_t lineBytes = 64 << 20;
  filebytes::Write(source, "header\r\n");
  std::int64_t at = 8;
  for (int i = 0; i < 80; ++i) {
    at += lineBytes;
    WriteAt(source, at - 2, "\r\n");
  }
  WriteAt(source, at, "second to last\r\nlast");
  const std::int64_t size = static_cast<std::int64_t>(fs::file_size(source));
  ASSERT_GT(size, std::int64_t{5} << 30);
  const auto start = std::chrono::steady_clock::now();
  const std::string answer = Answer([&] { return RunSplit(dir.Path("data.txt"), u"1", u"3"); });
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("5 GiB source (%lld bytes): split in %.1f s, peak resident memory%s\n", static_cast<long long>(size),
              seconds, PeakMemory().c_str());
  ASSERT_TRUE(Succeeded(answer)) << answer;
  // Lines 1..80 are the zero lines, 81 and 82 the plain ones: file i gets k = i, i+3, ...
  std::int64_t total = 0;
  for (int i = 1; i <= 3; ++i) {
    const fs::path output = dir.Native("data/data-" + std::to_string(i) + ".txt");
    std::int64_t expected = 8;
    for (int k = i; k <= 80; k += 3) expected += lineBytes;
    if ((81 - i) % 3 == 0) expected += 16;  // "second to last\r\n"
    if ((82 - i) % 3 == 0) expected += 6;   // "last\r\n"
    EXPECT_EQ(static_cast<std::int64_t>(fs::file_size(output)), expected) << i;
    total += expected;
  }
  EXPECT_EQ(Tail(dir.Native("data/data-3.txt"), 16), "second to last\r\n");  // line 81
  EXPECT_EQ(Tail(dir.Native("data/data-1.txt"), 8), "\r\nlast\r\n");  // line 82 after line 79
  EXPECT_EQ(total, size - 8 + 3 * 8 + 2);  // the header thrice, and "last" gained its line end
}

TEST(Big, OneGibLine) {
  if (!BigTestsWanted()) GTEST_SKIP() << "set ROWDEAL_BIG_TESTS=1 to run";
  TempDir dir;
  const fs::path source = dir.Native("data.txt");
  const std::int64_t lineBytes = std::int64_t{1} << 30;
  filebytes::Write(source, "header\r\n");
  WriteAt(source, 8 + lineBytes - 1, "z\r\nnext\r\n");
  const auto start = std::chrono::steady_clock::now();
  const std::string answer = Answer([&] { return RunSplit(dir.Path("data.txt"), u"1", u"2"); });
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("one line of 1 GiB: split in %.1f s, peak resident memory%s\n", seconds, PeakMemory().c_str());
  ASSERT_TRUE(Succeeded(answer)) << answer;
  EXPECT_EQ(static_cast<std::int64_t>(fs::file_size(dir.Native("data/data-1.txt"))), 8 + lineBytes + 2);
  EXPECT_EQ(Tail(dir.Native("data/data-1.txt"), 5), std::string(2, '\0') + "z\r\n");
  EXPECT_EQ(filebytes::Read(dir.Native("data/data-2.txt")), "header\r\nnext\r\n");
}
