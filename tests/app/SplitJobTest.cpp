// The split job: dealing, names and messages, counts, every failure with what it leaves,
// and a property test over random sources in every encoding.
#include "app/USplitJob.h"

#include "platform/Platform.h"
#include "tests/TestText.h"
#include "tests/file/FileBytes.h"
#include "tests/support/TempDir.h"
#include "support/UkxException.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>

namespace fs = std::filesystem;
using filebytes::FaultGuard;

namespace {

const std::u16string Sep(1, platform::PathSeparator());

std::string Split(const std::u16string& path, const std::u16string& h, const std::u16string& n,
                const TSplitLimits* limits = nullptr) {
  try {
    return testtext::Utf8(limits ? RunSplitWith(path, h, n, *limits) : RunSplit(path, h, n));
  } catch (const TkxException& e) {
    return "error: " + testtext::Utf8(e.Message);
  }
}

std::string Success(const std::u16string& outputDir, int n, const std::string& list) {
  return "文件拆分成功! 在原始文件所在路径的 " + testtext::Utf8(outputDir) + " 子路径下自动生成了如下 " +
         std::to_string(n) + " 个新文件:\r\n\r\n" + list;
}

// A source data.txt in a fresh folder.
struct Source {
  explicit Source(const std::string& bytes, const std::string& name = "data.txt") : Name(name) {
    filebytes::Write(Dir.Native(name), bytes);
  }
  std::u16string Path() const { return Dir.Path(Name); }
  std::string Output(const std::string& file) const { return filebytes::Read(Dir.Native("data") / file); }
  TempDir Dir;
  std::string Name;
};

}  // namespace

TEST(SplitJob, DealsSevenLinesOverThree) {
  Source src("head\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7");
  EXPECT_EQ(Split(src.Path(), u"1", u"3"),
            Success(src.Dir.Path("data") + Sep, 3, "data-1.txt\r\ndata-2.txt\r\ndata-3.txt\r\n"));
  EXPECT_EQ(src.Output("data-1.txt"), "head\r\n1\r\n4\r\n7\r\n");
  EXPECT_EQ(src.Output("data-2.txt"), "head\r\n2\r\n5\r\n");
  EXPECT_EQ(src.Output("data-3.txt"), "head\r\n3\r\n6\r\n");
}

TEST(SplitJob, EdgesOfHeaderAndCycle) {
  struct Case {
    std::string source;
    std::u16string h, n;
    std::vector<std::string> outputs;  // empty: the run fails for lack of data
  } cases[] = {
      {"a\r\nb\r\nc", u"0", u"2", {"a\r\nc\r\n", "b\r\n"}},                  // H = 0
      {"h\r\na\r\nb", u"1", u"1", {"h\r\na\r\nb\r\n"}},                      // N = 1, last line gains its end
      {"h1\r\nh2\r\n", u"2", u"3", {"h1\r\nh2\r\n", "h1\r\nh2\r\n", "h1\r\nh2\r\n"}},  // exactly H lines
      {"h1\r\n", u"2", u"3", {}},                                            // H - 1 lines
      {"", u"1", u"2", {}},                                                  // empty source, H >= 1
      {"", u"0", u"3", {"", "", ""}},                                        // empty source, H = 0
      {"h\r\nx", u"1", u"3", {"h\r\nx\r\n", "h\r\n", "h\r\n"}},              // more files than lines
      {"x\r\n", u"0", u"3", {"x\r\n", "", ""}},                              // files that get no line
      {"a\nb\n", u"0", u"2", {"a\nb\n\r\n", ""}},                            // LF alone ends nothing
  };
  for (const Case& c : cases) {
    Source src(c.source);
    std::string answer = Split(src.Path(), c.h, c.n);
    if (c.outputs.empty()) {
      EXPECT_EQ(answer, "error: 文件中不包含足够的数据!");
      EXPECT_FALSE(fs::exists(src.Dir.Native("data")));
      continue;
    }
    std::string list;
    for (std::size_t i = 1; i <= c.outputs.size(); ++i) list += "data-" + std::to_string(i) + ".txt\r\n";
    EXPECT_EQ(answer, Success(src.Dir.Path("data") + Sep, static_cast<int>(c.outputs.size()), list));
    for (std::size_t i = 0; i < c.outputs.size(); ++i) {
      EXPECT_EQ(src.Output("data-" + std::to_string(i + 1) + ".txt"), c.outputs[i]) << c.source << " file " << i + 1;
    }
  }
}

TEST(SplitJob, ExistingFolderAndFilesAreReused) {
  Source src("h\r\n1\r\n2\r\n");
  fs::create_directory(src.Dir.Native("data"));
  filebytes::Write(src.Dir.Native("data") / "data-1.txt", "an older and much longer file");
  filebytes::Write(src.Dir.Native("data") / "other.txt", "keep me");
  EXPECT_EQ(Split(src.Path(), u"1", u"2").rfind("文件拆分成功!", 0), 0u);
  EXPECT_EQ(src.Output("data-1.txt"), "h\r\n1\r\n");
  EXPECT_EQ(src.Output("other.txt"), "keep me");
}

TEST(SplitJob, NamesFromTheSourceName) {
  struct Case {
    std::string name, folder, first;
  } cases[] = {
      {"a.b.c", "a.b", "a.b-1.c"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    filebytes::Write(dir.Native(c.name), "h\r\nx\r\n");
    std::string answer = Split(dir.Path(c.name), u"1", u"1");
    EXPECT_EQ(answer, Success(dir.Path(c.folder) + Sep, 1, c.first + "\r\n")) << c.name;
    EXPECT_EQ(filebytes::Read(dir.Native(c.folder) / c.first), "h\r\nx\r\n") << c.name;
  }
}

// Without a dot the output folder would bear the source's own name, which the source
// itself holds: the folder cannot be made, and the run fails without touching the source.
TEST(SplitJob, NameWithoutADotCollidesWithItself) {
  TempDir dir;
  filebytes::Write(dir.Native("README"), "h\r\nx\r\n");
  EXPECT_EQ(Split(dir.Path("README"), u"1", u"1"), "error: File Open Error!");
  EXPECT_EQ(filebytes::Read(dir.Native("README")), "h\r\nx\r\n");
}

TEST(SplitJob, BareNameWorksInTheCurrentFolder) {
  TempDir dir;
  filebytes::Write(dir.Native("data.txt"), "h\r\nx\r\n");
  fs::path before = fs::current_path();
  fs::current_path(dir.Native("data.txt").parent_path());
  std::string answer = Split(u"data.txt", u"1", u"2");
  fs::current_path(before);
  EXPECT_EQ(answer, Success(u"data" + Sep, 2, "data-1.txt\r\ndata-2.txt\r\n"));
  EXPECT_EQ(filebytes::Read(dir.Native("data") / "data-2.txt"), "h\r\n");
}

TEST(SplitJob, NameWithoutABaseIsRefusedAndNothingIsWritten) {
  for (std::string name : {".csv", "..txt", ". .txt"}) {
    TempDir dir;
    filebytes::Write(dir.Native(name), "h\r\nx\r\n");
    fs::path before = fs::current_path();
    fs::current_path(dir.Native(name).parent_path());
    std::string bare = Split(std::u16string(name.begin(), name.end()), u"1", u"2");
    fs::current_path(before);
    EXPECT_EQ(bare, "error: 无法由文件名确定输出子路径!") << name;
    EXPECT_EQ(Split(dir.Path(name), u"1", u"2"), "error: 无法由文件名确定输出子路径!") << name;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Native(name).parent_path()), fs::directory_iterator{}), 1);
  }
}

TEST(SplitJob, CountsAreConvertedAndChecked) {
  struct Case {
    std::u16string h, n;
    std::string answer;
  } cases[] = {
      {u" 3 ", u"1", "ok"},
      {u"3a", u"1", "error: 3a is not a valid integer!"},
      {u"-x", u"1", "error: x is not a valid integer!"},
      {u"  ", u"1", "error:  is empty!"},
      {u"-1", u"0", "error: 表头栏行数必须是 0 到 2147483647 之间的整数!"},
      {u"2147483648", u"1", "error: 表头栏行数必须是 0 到 2147483647 之间的整数!"},
      {u"1", u"0", "error: 每一循环包含的行数必须是 1 到 2147483647 之间的整数!"},
      {u"1", u"-3", "error: 每一循环包含的行数必须是 1 到 2147483647 之间的整数!"},
      {u"1", u"2147483648", "error: 每一循环包含的行数必须是 1 到 2147483647 之间的整数!"},
      {u"1", u"9999999999999999999999", "error: 9999999999999999999999 is not a valid integer!"},
      {u"x", u"0", "error: x is not a valid integer!"},
      {u"-1", u"y", "error: 表头栏行数必须是 0 到 2147483647 之间的整数!"},
      {u"-", u"1", "ok"},
  };
  for (const Case& c : cases) {
    Source src("h1\r\nh2\r\nh3\r\nx\r\n");
    std::string answer = Split(src.Path(), c.h, c.n);
    if (c.answer == "ok") {
      EXPECT_EQ(answer.rfind("文件拆分成功!", 0), 0u) << answer;
    } else {
      EXPECT_EQ(answer, c.answer);
      EXPECT_FALSE(fs::exists(src.Dir.Native("data")));
    }
  }
}

TEST(SplitJob, HugeHeaderCountOnASmallFileAnswersAtOnce) {
  Source src("a\r\nb\r\n");
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Split(src.Path(), u"2000000000", u"2147483647"), "error: 文件中不包含足够的数据!");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(SplitJob, EveryEncodingKeepsItsMarkAndItsBytes) {
  struct Case {
    std::string source;
    std::vector<std::string> outputs;
  } cases[] = {
      {"\xFF\xFE" + std::string("h\0\r\0\n\0\x0D\x0A" "a\0\r\0\n\0b\0", 16),
       {"\xFF\xFE" + std::string("h\0\r\0\n\0\x0D\x0A" "a\0\r\0\n\0", 14), "\xFF\xFE" + std::string("h\0\r\0\n\0b\0\r\0\n\0", 12)}},
      {"\xFE\xFF" + std::string("\0h\0\r\0\n\0a", 8),
       {"\xFE\xFF" + std::string("\0h\0\r\0\n\0a\0\r\0\n", 12), "\xFE\xFF" + std::string("\0h\0\r\0\n", 6)}},
      // UTF-8 with a mark: an emoji, a malformed sequence and a NUL arrive unchanged.
      {"\xEF\xBB\xBFh\r\n\xF0\x9F\x98\x80\r\n\xC3\x41" + std::string("\0z", 2),
       {"\xEF\xBB\xBFh\r\n\xF0\x9F\x98\x80\r\n", "\xEF\xBB\xBFh\r\n\xC3\x41" + std::string("\0z\r\n", 4)}},
      // UTF-8 without a mark gives no mark; bytes no code page could map stay as they are.
      {"h\r\n\xE4\xB8\xAD\r\n\xF0\x9F\x98\x80", {"h\r\n\xE4\xB8\xAD\r\n", "h\r\n\xF0\x9F\x98\x80\r\n"}},
      {"h\r\n\x81\x82\r\n\xFF", {"h\r\n\x81\x82\r\n", "h\r\n\xFF\r\n"}},
  };
  for (const Case& c : cases) {
    Source src(c.source);
    EXPECT_EQ(Split(src.Path(), u"1", u"2").rfind("文件拆分成功!", 0), 0u);
    EXPECT_EQ(src.Output("data-1.txt"), c.outputs[0]);
    EXPECT_EQ(src.Output("data-2.txt"), c.outputs[1]);
  }
}

TEST(SplitJob, ProgressRunsUpToTheTotal) {
  std::string big;
  std::string expected[3];
  for (int i = 0; big.size() < (9u << 20); ++i) {
    const std::string line = std::to_string(i) + " abcdefghij\r\n";
    big += line;
    if (i > 0) expected[(i - 1) % 3] += line;
  }
  Source src(big);
  std::vector<std::pair<std::int64_t, std::int64_t>> seen;
  RunSplit(src.Path(), u"1", u"3", [&](std::int64_t done, std::int64_t total) { seen.emplace_back(done, total); });
  // Stopping the deal to report keeps every line in its place.
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(src.Output("data-" + std::to_string(i + 1) + ".txt"), "0 abcdefghij\r\n" + expected[i]) << i;
  ASSERT_GE(seen.size(), 3u);
  for (std::size_t i = 1; i < seen.size(); ++i) EXPECT_GE(seen[i].first, seen[i - 1].first);
  EXPECT_EQ(seen.back().first, static_cast<std::int64_t>(2 * big.size()));
  EXPECT_EQ(seen.back().second, static_cast<std::int64_t>(2 * big.size()));  // read twice: no mark
}

TEST(SplitFailures, SourceMissingOrADirectory) {
  TempDir dir;
  EXPECT_EQ(Split(dir.Path("missing.txt"), u"1", u"2"), "error: 待拆分文件不存在!");
  EXPECT_EQ(Split(u"", u"1", u"2"), "error: 待拆分文件不存在!");
  fs::create_directory(dir.Native("folder.txt"));
  EXPECT_EQ(Split(dir.Path("folder.txt"), u"1", u"2"), "error: File Open Error!");
  EXPECT_FALSE(fs::exists(dir.Native("folder")));
  EXPECT_FALSE(fs::exists(dir.Native("missing.txt")));
}

TEST(SplitFailures, OutputThatCannotBeCreatedKeepsTheOnesBefore) {
  Source src("h\r\n1\r\n2\r\n3\r\n");
  fs::create_directories(src.Dir.Native("data") / "data-2.txt");
  EXPECT_EQ(Split(src.Path(), u"1", u"3"), "error: File Open Error!");
  EXPECT_EQ(src.Output("data-1.txt"), "h\r\n");
  EXPECT_FALSE(fs::exists(src.Dir.Native("data") / "data-3.txt"));
  // An output folder that cannot be made: a file stands in its place.
  Source blocked("h\r\n1\r\n");
  filebytes::Write(blocked.Dir.Native("data"), "in the way");
  EXPECT_EQ(Split(blocked.Path(), u"1", u"2"), "error: File Open Error!");
}

TEST(SplitFailures, ReadAndWriteFaultsInTheMiddle) {
  FaultGuard guard;
  std::string body = "header\r\n";
  for (int i = 0; i < 20000; ++i) body += "row " + std::to_string(i) + "\r\n";
  TSplitLimits limits;
  limits.OpenOutputs = 100;
  limits.SourceBlock = 4096;
  limits.OutputBudget = 3 * 4096;
  {
    Source src(body);
    platform::InjectReadFault(100);  // recognition fails: nothing is made
    EXPECT_EQ(Split(src.Path(), u"1", u"3", &limits), "error: File Read Error!");
    platform::InjectReadFault(-1);
    EXPECT_FALSE(fs::exists(src.Dir.Native("data")));
  }
  {
    Source src(body);
    // Reads count the bytes asked for: recognition asks twice for its 1 MiB block.
    platform::InjectReadFault((2 << 20) + 50000);
    EXPECT_EQ(Split(src.Path(), u"1", u"3", &limits), "error: File Read Error!");
    platform::InjectReadFault(-1);
    std::string dealt = src.Output("data-1.txt");
    EXPECT_GT(dealt.size(), 8u);
    EXPECT_LT(dealt.size(), body.size() / 3);
  }
  for (std::int64_t budget : {std::int64_t{30000}, std::int64_t{100000}, static_cast<std::int64_t>(body.size()) + 8}) {
    Source src(body);
    platform::InjectWriteFault(budget);
    EXPECT_EQ(Split(src.Path(), u"1", u"3", &limits), "error: File Write Error!") << budget;
    platform::InjectWriteFault(-1);
    // Each file holds a beginning of what it should hold, and all of them together what the budget let through.
    ASSERT_EQ(Split(src.Path(), u"1", u"3", &limits).rfind("文件拆分成功!", 0), 0u);
    std::string whole[3] = {src.Output("data-1.txt"), src.Output("data-2.txt"), src.Output("data-3.txt")};
    platform::InjectWriteFault(budget);
    Split(src.Path(), u"1", u"3", &limits);
    platform::InjectWriteFault(-1);
    std::size_t total = 0;
    for (int i = 0; i < 3; ++i) {
      std::string part = src.Output("data-" + std::to_string(i + 1) + ".txt");
      EXPECT_EQ(whole[i].compare(0, part.size(), part), 0);
      total += part.size();
    }
    EXPECT_EQ(total, static_cast<std::size_t>(budget));
  }
}

TEST(SplitManyOutputs, ParkedOutputsAndLongHeaders) {
  std::string body;
  for (int i = 0; i < 40; ++i) body += "header line " + std::to_string(i) + "\r\n";
  for (int i = 0; i < 5000; ++i) body += "row " + std::to_string(i) + "\r\n";
  Source src(body);
  TSplitLimits limits;
  limits.OpenOutputs = 7;
  limits.HeaderInMemory = 100;  // the header lines are read again for each output
  limits.OutputBudget = 64 << 10;
  ASSERT_EQ(Split(src.Path(), u"40", u"300", &limits).rfind("文件拆分成功!", 0), 0u);
  std::vector<std::string> lines = filebytes::ModelLines(body, 1);
  for (int i : {1, 7, 8, 150, 300}) {
    std::string expected;
    for (int j = 0; j < 40; ++j) expected += lines[j] + "\r\n";
    for (std::size_t k = 40 + i - 1; k < lines.size(); k += 300) expected += lines[k] + "\r\n";
    EXPECT_EQ(src.Output("data-" + std::to_string(i) + ".txt"), expected) << i;
  }
}

#ifndef _WIN32
TEST(SplitManyOutputs, TenThousandOutputs) {
  std::string body = "h\r\n";
  for (int i = 0; i < 30000; ++i) body += std::to_string(i) + "\r\n";
  Source src(body);
  ASSERT_EQ(Split(src.Path(), u"1", u"10000").rfind("文件拆分成功!", 0), 0u);
  EXPECT_EQ(src.Output("data-1.txt"), "h\r\n0\r\n10000\r\n20000\r\n");
  EXPECT_EQ(src.Output("data-10000.txt"), "h\r\n9999\r\n19999\r\n29999\r\n");
}
#endif

// Random sources in every encoding, with random mixes of line ends and random limits:
// every output is the mark, the header lines and its share of the data lines, each
// line's bytes as the reading loop finds them in the source, each with CR LF.
TEST(SplitProperty, OutputsDealtBackGiveTheSourceLines) {
  std::mt19937 random(2024);
  const std::vector<std::string> pieces[] = {
      {},
      {"a", "\xE9", "\r", "\n", "\r\n", "\r\r\n", std::string(1, '\0'), "\xFF"},
      {"a", "\xC3\xA9", "\xF0\x9F\x98\x80", "\r", "\n", "\r\n", std::string(1, '\0'), "\xE4\xB8\xAD"},
      {"a", "\xC3\xA9", "\xF0\x9F\x98\x80", "\r", "\n", "\r\n", "\xC3\x41", std::string(1, '\0')},
      {"a\0", "\r\0", "\n\0", "\r\0\n\0", "\x0D\x0A", "\x0A\x0D", "\x3D\xD8\x00\xDE", std::string(1, '\0')},
      {"\0a", "\0\r", "\0\n", "\0\r\0\n", "\x0D\x0A", "\x0A\x0D", "\xD8\x3D\xDE\x00", std::string(1, 'Z')},
  };
  for (int round = 0; round < 120; ++round) {
    const int encoding = 1 + round % 5;
    std::string source = filebytes::MarkOf(encoding);
    if (encoding == 2) source = "\xC3\xA9";  // keeps the UTF-8 test passing
    const std::size_t count = random() % 400;
    for (std::size_t i = 0; i < count; ++i) {
      const auto& set = pieces[encoding];
      std::string piece = set[random() % set.size()];
      if (encoding >= 4 && piece.size() == 1 && i + 1 != count) piece += 'b';  // a lone byte only at the end
      source += piece;
    }
    Source src(source);
    const int h = static_cast<int>(random() % 4);
    const int n = 1 + static_cast<int>(random() % 6);
    TSplitLimits limits;
    limits.SourceBlock = 16 + random() % 64;
    limits.OutputBudget = random() % 256;
    limits.OpenOutputs = 1 + random() % 4;
    limits.HeaderInMemory = random() % 40;
    const std::vector<std::string> lines = filebytes::ModelLines(source, encoding);
    std::string answer = Split(src.Path(), std::u16string(1, u'0' + h), std::u16string(1, u'0' + n), &limits);
    if (lines.size() < static_cast<std::size_t>(h)) {
      EXPECT_EQ(answer, "error: 文件中不包含足够的数据!");
      continue;
    }
    ASSERT_EQ(answer.rfind("文件拆分成功!", 0), 0u) << answer;
    const std::string end = filebytes::LineEndOf(encoding);
    for (int i = 0; i < n; ++i) {
      std::string expected;
      for (int j = 0; j < h; ++j) expected += lines[j] + end;
      for (std::size_t k = h + i; k < lines.size(); k += n) expected += lines[k] + end;
      if (!expected.empty()) expected = filebytes::MarkOf(encoding) + expected;
      ASSERT_EQ(src.Output("data-" + std::to_string(i + 1) + ".txt"), expected)
          << "round " << round << " encoding " << encoding << " file " << i + 1;
    }
  }
}
