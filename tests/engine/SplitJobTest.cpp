// The split job: dealing, bytes of every encoding and line end, counts and the order of
// the checks, names, the success text, stale pieces, progress, many outputs.
#include "engine/USplitJob.h"

#include "platform/Platform.h"
#include "platform/TestSeams.h"
#include "support/UkxFunctions.h"
#include "tests/SplitRequests.h"
#include "tests/TestUtil.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

using testutil::Request;
using testutil::TempDir;

namespace {

const std::u16string Sep(1, platform::PathSeparator());
using namespace std::string_literals;

// A source data.txt in a fresh folder, split with H and N; answers the success text or
// the error, as the user sees it.
struct Source {
  explicit Source(const std::string& bytes, std::string extension = "txt") : Extension(std::move(extension)) {
    testutil::WriteFile(Dir.Native("data." + Extension), bytes);
  }
  std::string Split(const std::u16string& h, const std::u16string& n, const TSplitLimits* limits = nullptr,
                    TSplitControl* control = nullptr, TRecordMode records = TRecordMode::Auto) {
    return testutil::Outcome([&] {
      TSplitRequest request = Request(Path(), h, n, Mode);
      request.Records = records;
      request.OutDir = Out;
      Result = limits ? RunSplitRequestWith(request, *limits, control) : RunSplitRequest(request, control);
      return SuccessText(Result);
    });
  }
  std::u16string Path() const { return Dir.Path("data." + Extension); }
  std::string Output(int i) const {
    return testutil::ReadFile(Dir.Native("data") / ("data-" + std::to_string(i) + "." + Extension));
  }
  std::vector<std::string> Outputs(int n) const {
    std::vector<std::string> all;
    for (int i = 1; i <= n; ++i) all.push_back(Output(i));
    return all;
  }
  std::string Extension;
  TSplitMode Mode = TSplitMode::Cycle;
  std::u16string Out;
  TempDir Dir;
  TSplitResult Result;
};

bool Succeeded(const std::string& answer) { return answer.rfind("文件拆分成功!", 0) == 0; }

}  // namespace

// H = 1, N = 2: the first data line goes to output 1, the rest to output 2. The split's
// fuzz target replays a source of each encoding against its model; these rows are the
// turns that a model is easiest to share a fault with.
TEST(SplitJob, KeepsEveryByteAndEachEncodingsMarkAndLineEnd) {
  struct Case {
    const char* what;
    std::string source, first, second;
  } cases[] = {
      {"UTF-16 LE", "\xFF\xFE" "h\0\r\0\n\0\x0D\x0A" "a\0\r\0\n\0b\0"s,
       "\xFF\xFE" "h\0\r\0\n\0\x0D\x0A" "a\0\r\0\n\0"s, "\xFF\xFE" "h\0\r\0\n\0b\0\r\0\n\0"s},
      {"CR CR LF, lone CR, CR at the end", "h\r\r\na\rb\r\nc\r", "h\r\r\na\rb\r\n", "h\r\r\nc\r\n"},
      {"mark only", "\xFF\xFE", "\xFF\xFE\r\0\n\0"s, "\xFF\xFE\r\0\n\0"s},
      // More bare LFs than CR LFs: LF ends lines, a CR before it stays, outputs use LF.
      // The line of 64 bytes puts its LF first in the third step of 32 of the search.
      {"LF", "h\na\r\n" + std::string(64, 'b') + "\n" + std::string(31, 'c'), "h\na\r\n" + std::string(31, 'c') + "\n",
       "h\n" + std::string(64, 'b') + "\n"},
      {"LF UTF-16 BE, an empty line", "\xFE\xFF" "\0h\0\n\0a\0\r\0\n\0\n\0b\0\n\0c"s,
       "\xFE\xFF" "\0h\0\n\0a\0\r\0\n\0b\0\n"s, "\xFE\xFF" "\0h\0\n\0\n\0c\0\n"s},
      // An LF byte inside a UTF-16 character ends nothing and counts for nothing.
      {"unaligned LF", "\xFF\xFE" "h\0\r\0\n\0" "\x0A\x0D" "\x00\x0A"s, "\xFF\xFE" "h\0\r\0\n\0\x0A\x0D\x00\x0A\r\0\n\0"s,
       "\xFF\xFE" "h\0\r\0\n\0"s},
  };
  // Blocks of a few bytes put every unit, CR and LF at a block's end in some row.
  for (const std::size_t block : {std::size_t{1} << 20, std::size_t{4}, std::size_t{5}}) {
    TSplitLimits limits;
    limits.SourceBlock = block;
    for (const Case& c : cases) {
      Source src(c.source);
      ASSERT_TRUE(Succeeded(src.Split(u"1", u"2", &limits))) << c.what << block;
      EXPECT_EQ(src.Outputs(2), (std::vector<std::string>{c.first, c.second})) << c.what << block;
    }
  }
}

// Only the first MiB decides the line ends; what follows is split by that decision.
TEST(SplitJob, LineEndsAreJudgedOnTheFirstMib) {
  std::string crLfHead, lfHead;
  while (crLfHead.size() < (1u << 20)) crLfHead += "a\r\n";
  while (lfHead.size() < (1u << 20)) lfHead += "a\n";
  std::string lfTail, crLfTail;
  for (int i = 0; i < 400000; ++i) lfTail += "b\n";
  for (int i = 0; i < 600000; ++i) crLfTail += "b\r\n";
  Source crLf(crLfHead + lfTail);
  ASSERT_TRUE(Succeeded(crLf.Split(u"0", u"1")));
  EXPECT_TRUE(crLf.Output(1) == crLfHead + lfTail + "\r\n");  // the tail is one line
  Source lf(lfHead + crLfTail);
  ASSERT_TRUE(Succeeded(lf.Split(u"0", u"1")));
  EXPECT_TRUE(lf.Output(1) == lfHead + crLfTail);
}

// A first MiB without a line end (outside quoted fields, for records) is no judgment:
// the MiBs after it are read up to one that has, a CR at the end of one block and an
// LF at the start of the next being a CR LF. A source with a CR but no LF anywhere goes
// whole, and says so. H = 0, N = 2.
TEST(SplitJob, LineEndsAreJudgedPastAFirstMibWithoutOne) {
  const std::string longLine(1100000, 'x'), toBoundary((1u << 20) - 1, 'x');
  std::string quotedHead = "\"";
  while (quotedHead.size() < (1u << 20) + 10) quotedHead += "x\r\n";
  quotedHead += "\"";
  struct Case {
    const char* what;
    std::string extension, source, first, second;
  } cases[] = {
      {"a first line past the MiB", "txt", longLine + "\n1\n2\n3\n", longLine + "\n2\n", "1\n3\n"},
      {"a quoted field past the MiB", "csv", quotedHead + "\n1\n2\n", quotedHead + "\n2\n", "1\n"},
      {"CR LF across the blocks", "txt", toBoundary + "\r\nb\nc\r\n", toBoundary + "\r\n", "b\nc\r\n"},
      {"CR LF across the blocks, by records", "csv", toBoundary + "\r\nb\nc\r\n", toBoundary + "\r\n", "b\nc\r\n"},
  };
  for (const Case& c : cases) {
    Source src(c.source, c.extension);
    ASSERT_TRUE(Succeeded(src.Split(u"0", u"2"))) << c.what;
    EXPECT_TRUE(src.Outputs(2) == (std::vector<std::string>{c.first, c.second})) << c.what;
    EXPECT_FALSE(src.Result.NoLineEnd) << c.what;
  }
  Source cr("h\ra\rb\rc\r");
  EXPECT_TRUE(cr.Split(u"1", u"1").ends_with("data-1.txt\r\n注意: 文件中没有 CR LF 或 LF 换行, 整个文件作为一条记录拆分。\r\n"));
  EXPECT_EQ(cr.Output(1), "h\ra\rb\rc\r\n");
  Source none("one line");
  EXPECT_TRUE(none.Split(u"0", u"1").ends_with("data-1.txt\r\n"));
}

// H = 1, N = 2 by records: each rule once. The split's fuzz target holds the rest.
TEST(SplitJob, CsvRecordsKeepQuotedLineEnds) {
  const auto A = TRecordMode::Auto;
  struct Case {
    const char* what;
    std::string source, first, second;
    TRecordMode records = TRecordMode::Auto;
    std::string extension = "csv";
    std::u16string h = u"1";
    int note = 0;  // the line that the note on a quote left open names
  } cases[] = {
      {"LF table", "id,c\n1,\"x\ny\"\n2,z\n", "id,c\n1,\"x\ny\"\n", "id,c\n2,z\n"},
      {"H counts records", "\"h\r\nh\"\r\n1,\"a\r\nb\"\r\n2", "\"h\r\nh\"\r\n1,\"a\r\nb\"\r\n", "\"h\r\nh\"\r\n2\r\n", A, "CSV"},
      {"LFs in quotes make no LF table", "h\r\n1,\"a\nb\nc\"\r\n2,\"d\ne\nf\"\r\n", "h\r\n1,\"a\nb\nc\"\r\n",
       "h\r\n2,\"d\ne\nf\"\r\n"},
      {"\"\" inside, \" then anything closes", "h\r\n1,\"a\"\"\r\nb\"x\r\n2\r\n", "h\r\n1,\"a\"\"\r\nb\"x\r\n", "h\r\n2\r\n"},
      {"after ; and TAB", "h\r\n1;\"a\r\nb\"\r\n2\t\"c\r\nd\"\r\n", "h\r\n1;\"a\r\nb\"\r\n", "h\r\n2\t\"c\r\nd\"\r\n"},
      {"a quote elsewhere", "h\r\n12\" x\r\n2,\"a\r\nb\"", "h\r\n12\" x\r\n", "h\r\n2,\"a\r\nb\"\r\n"},
      {"lines asked for", "h\r\n1,\"a\r\nb\"\r\n", "h\r\n1,\"a\r\n", "h\r\nb\"\r\n", TRecordMode::Lines},
      {"records asked for", "h\r\n1,\"a\r\nb\"\r\n", "h\r\n1,\"a\r\nb\"\r\n", "h\r\n", TRecordMode::Csv, "txt"},
      // Left open: split by lines, from the start, whatever the header needed as records.
      {"left open", "h\r\n1,\"a\r\n2,b\r\n", "h\r\n1,\"a\r\n", "h\r\n2,b\r\n", A, "csv", u"1", 2},
      {"left open on the first line", "\"h\r\n1\r\n2\r\n", "\"h\r\n1\r\n", "\"h\r\n2\r\n", A, "csv", u"1", 1},
      {"left open in the header", "h\n\"x\ny\nz\r\n", "h\n\"x\ny\nz\r\n", "h\n\"x\ny\n", A, "csv", u"3", 2},
  };
  for (const Case& c : cases) {
    Source src(c.source, c.extension);
    const std::string answer = src.Split(c.h, u"2", nullptr, nullptr, c.records);
    ASSERT_TRUE(Succeeded(answer)) << c.what << answer;
    EXPECT_EQ(src.Outputs(2), (std::vector<std::string>{c.first, c.second})) << c.what;
    EXPECT_EQ(src.Result.UnclosedQuoteLine, c.note) << c.what;
  }
  // Longer than the 64 bytes a step looks at: quotes and line ends at every offset.
  for (const bool wide : {false, true}) {
    auto units = [&](const std::string& text) {
      std::string out;
      for (char c : text) out += wide ? std::string{c, '\0'} : std::string{c};
      return out;
    };
    std::string body = wide ? "\xFF\xFEh\0\r\0\n\0"s : "h\r\n";
    std::vector<std::string> outputs{body, body};
    for (int i = 0; i < 40; ++i) {
      const std::string record = units("1,\"" + std::string(i, 'x') + "\r\n\"\"\n\"\r\n");
      body += record;
      outputs[i % 2] += record;
    }
    Source src(body, "csv");
    ASSERT_TRUE(Succeeded(src.Split(u"1", u"2"))) << wide;
    EXPECT_EQ(src.Outputs(2), outputs) << wide;
  }
  // Records asked for: a quote left open fails the run, and nothing is left behind.
  Source open("h\r\n1,x\r\n2,\"y\r\n", "txt");
  EXPECT_EQ(open.Split(u"1", u"2", nullptr, nullptr, TRecordMode::Csv),
            "error: 第 3 行开始的引号直到文件末尾都没有闭合, 未做任何改动!");
  EXPECT_FALSE(fs::exists(open.Dir.Native("data")));
}

TEST(SplitJob, CountsAndTheOrderOfTheChecks) {
  struct Case {
    const char* source;  // nullptr: no source; "/": a folder
    std::u16string h, n;
    std::string answer;
  } cases[] = {
      {"h1\r\nh2\r\nh3\r\nx\r\n", u" 3 ", u"1", "ok"},
      {"h\r\n", u"3a", u"1", "error: 3a is not a valid integer!"},
      {"h\r\n", u"-1", u"1", "error: 表头栏行数必须是 0 到 2147483647 之间的整数!"},
      {"h\r\n", u"2147483648", u"1", "error: 表头栏行数必须是 0 到 2147483647 之间的整数!"},
      {"h\r\n", u"1", u"0", "error: 每一循环包含的行数必须是 1 到 2147483647 之间的整数!"},
      {"h\r\n", u"1", u"2147483648", "error: 每一循环包含的行数必须是 1 到 2147483647 之间的整数!"},
      {"h\r\n", u"2", u"3", "error: 文件中不包含足够的数据!"},
      {"a\r\nb\r\n", u"2000000000", u"2147483647", "error: 文件中不包含足够的数据!"},
      // The source first, then H before N, and both before the file is opened or read.
      {nullptr, u"x", u"0", "error: 待拆分文件不存在!"},
      {"h\r\n", u"-1", u"y", "error: 表头栏行数必须是 0 到 2147483647 之间的整数!"},
      {"", u"5", u"0", "error: 每一循环包含的行数必须是 1 到 2147483647 之间的整数!"},
      {"/", u"1", u"0", "error: 每一循环包含的行数必须是 1 到 2147483647 之间的整数!"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    if (c.source && std::string(c.source) == "/") {
      fs::create_directory(dir.Native("data.txt"));
    } else if (c.source) {
      testutil::WriteFile(dir.Native("data.txt"), c.source);
    }
    const std::string answer = testutil::Outcome([&] { return SuccessText(RunSplitRequest(Request(dir.Path("data.txt"), c.h, c.n))); });
    if (c.answer == "ok") {
      EXPECT_TRUE(Succeeded(answer)) << answer;
    } else {
      EXPECT_EQ(answer, c.answer);
      EXPECT_FALSE(fs::exists(dir.Native("data")));
    }
  }
}

// Names without a dot or a usable base are refused as the split's fuzz target checks.
// The size's bounds and suffixes: a malformed size is refused as such, text that is no
// number at all as any count is.
TEST(SplitJob, SizesAndTheirSuffixes) {
  const std::string refused = "error: 每个文件的大小上限必须是 1 以上的整数, 可带 K、M、G、KB、MB 或 GB!";
  const std::pair<std::u16string, std::string> cases[] = {
      {u" 1 ", "1"}, {u"64M", "67108864"}, {u"2k", "2048"}, {u"3Kb", "3000"}, {u"1g", "1073741824"},
      {u"5MB", "5000000"}, {u"9223372036854775807", "9223372036854775807"}, {u"8589934591G", "9223372035781033984"},
      {u"8589934592G", refused}, {u"9223372036854775808", refused}, {u"0", refused}, {u"-1K", refused},
      {u"1.5M", refused}, {u"1 K", refused}, {u"1KiB", refused}, {u"1T", refused}, {u"K", "error: K is not a valid integer!"},
  };
  for (const auto& [text, answer] : cases) {
    EXPECT_EQ(testutil::Outcome([&] { return IntToText(0, ReadSize(text)); }), answer) << testutil::Utf8(text);
  }
}

TEST(SplitJob, NamesComeFromTheSourceName) {
  // The emoji's low half DCA9 also stands for a lone byte A9 in a name that is not UTF-8.
  // Without an extension the folder is not the source itself, and no name ends in a dot.
  const struct {
    std::string name, folder, first;
  } cases[] = {{"a.b.c", "a.b", "a.b-1.c"}, {"💩 数据 表.txt", "💩 数据 表", "💩 数据 表-1.txt"},
               {"README", "README-拆分", "README-1"}};
  for (const auto& c : cases) {
    TempDir dir;
    testutil::WriteFile(dir.Native("") / fs::u8path(c.name), "h\r\nx\r\n");
    const TSplitResult result = RunSplitRequest(Request((dir.Native("") / fs::u8path(c.name)).u16string(), u"1", u"1"));
    EXPECT_EQ(result.OutputDir, dir.Path("") + Sep + fs::u8path(c.folder).u16string() + Sep);
    auto made = testutil::Contents(dir.Native("") / fs::u8path(c.folder));
    made.erase("~R.manifest");
    EXPECT_EQ(made, (std::map<std::string, std::string>{{c.first, "h\r\nx\r\n"}})) << c.name;
  }
}

TEST(SplitResultText, ListsTheFilesNotesStalePiecesAndElides) {
  const std::u16string head = u"文件拆分成功! 在原始文件所在路径的 C:\\t\\data\\ 子路径下自动生成了如下 2 个新文件:\r\n\r\n";
  TSplitResult result{u"C:\\t\\data\\", u"data", u"txt", 2, 0, u"", 0, false, u"", nullptr};
  EXPECT_EQ(SuccessText(result), head + u"data-1.txt\r\ndata-2.txt\r\n");
  result.StaleCount = 3;
  result.FirstStale = u"data-3.txt";
  result.UnclosedQuoteLine = 1;
  result.NoLineEnd = true;
  EXPECT_EQ(SuccessText(result), head + u"data-1.txt\r\ndata-2.txt\r\n"
                                        u"注意: 子路径下还有 3 个以前拆分留下的文件 (data-3.txt 等), 它们不属于本次拆分。\r\n"
                                        u"注意: 第 1 行开始的引号直到文件末尾都没有闭合, 本次按行拆分。\r\n"
                                        u"注意: 文件中没有 CR LF 或 LF 换行, 整个文件作为一条记录拆分。\r\n");
  result = TSplitResult{u"d/", u"d", u"t", 1001, 0, u"", 0, false, u"shown/", nullptr};
  const std::u16string shownHead = u"文件拆分成功! 在 shown/ 路径下自动生成了如下 1001 个新文件:\r\n\r\n";
  EXPECT_EQ(SuccessText(result, 3), shownHead + u"d-1.t\r\n……\r\nd-1001.t\r\n");
  // Put takes a thousand names at a time, and the rest with the notes.
  std::vector<std::size_t> parts;
  EXPECT_TRUE(PutSuccessText(result, 0, [&parts](const std::u16string& part) { return parts.push_back(part.size()), true; }));
  EXPECT_EQ(parts.size(), 2u);
  EXPECT_EQ(parts.back(), std::u16string(u"d-1001.t\r\n").size());
  EXPECT_FALSE(PutSuccessText(result, 0, [](const std::u16string&) { return false; }));
}

// Lines are dealt in turn after the header copies; files of an earlier split into more
// outputs are named in the text, never deleted.
TEST(SplitJob, StalePiecesAreCountedNotDeleted) {
  Source src("h\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n");
  ASSERT_TRUE(Succeeded(src.Split(u"1", u"9")));
  EXPECT_EQ(src.Result.StaleCount, 0);
  testutil::WriteFile(src.Dir.Native("data") / "data-07.txt", "not a piece: a leading zero");
  testutil::WriteFile(src.Dir.Native("data") / "data-9.csv", "not a piece: another extension");
  for (const char* name : {"data-10.txt", "data-11.txt", "data-20.txt"}) testutil::WriteFile(src.Dir.Native("data") / name, name);
  ASSERT_TRUE(Succeeded(src.Split(u"1", u"3")));
  EXPECT_EQ(src.Result.StaleCount, 9);
  EXPECT_EQ(src.Result.FirstStale, u"data-4.txt");
  EXPECT_EQ(src.Outputs(4), (std::vector<std::string>{"h\r\n1\r\n4\r\n7\r\n", "h\r\n2\r\n5\r\n8\r\n",
                                                      "h\r\n3\r\n6\r\n9\r\n", "h\r\n4\r\n"}));
  // Another table into the same folder: the record of the last split names its pieces.
  testutil::WriteFile(src.Dir.Native("other.txt"), "h\r\n1\r\n");
  TSplitRequest other = Request(src.Dir.Path("other.txt"), u"1", u"1");
  other.OutDir = src.Dir.Path("data");
  const TSplitResult result = RunSplitRequest(other);
  EXPECT_EQ(result.StaleCount, 3);
  EXPECT_EQ(result.FirstStale, u"data-1.txt");
  EXPECT_EQ(testutil::ReadFile(src.Dir.Native("data/~R.manifest")),
            "Rowdeal manifest\nversion 1\nbase other\nextension txt\nway cycle\ncount 1\nheader 1\npieces 1\n");
}

#ifdef __linux__
// The temporaries (~R1~, ~R2~, ...) this process holds open in Dir.
int OpenTemporariesIn(const fs::path& Dir) {
  int open = 0;
  for (const auto& fd : fs::directory_iterator("/proc/self/fd")) {
    std::error_code gone;
    const fs::path file = fs::read_symlink(fd.path(), gone);
    const std::string name = file.filename().string();
    if (file.parent_path() == Dir && name.size() > 3 && name.rfind("~R", 0) == 0 && name.back() == '~') ++open;
  }
  return open;
}
#endif

// Outputs past the open limit are closed and opened again, the least recently used first,
// with blocks and without, dealt in turn or cut in pieces; the progress reaches its totals.
TEST(SplitJob, ParkedOutputsGetEveryLine) {
  std::string body = "head one\r\nhead two\r\n";
  std::vector<std::string> dealt(50, "head one\r\nhead two\r\n");
  std::vector<std::string> cut(50, "head one\r\nhead two\r\n");
  for (int k = 0; k < 3000; ++k) {
    const std::string line = "row " + std::to_string(k) + (k % 7 == 0 ? std::string(600, 'w') : "") + "\r\n";
    body += line;
    dealt[k % 50] += line;
    cut[k / 60] += line;
  }
  for (const auto& [mode, count, expected] : {std::tuple{TSplitMode::Cycle, u"50", dealt}, {TSplitMode::Rows, u"60", cut}})
  for (std::size_t budget : {std::size_t{0}, std::size_t{50 << 10}}) {
    Source src(body);
    src.Mode = mode;
    TSplitLimits limits;
    limits.OpenOutputs = 3;
    limits.OutputBudget = budget;
    limits.SourceBlock = 4096;
    limits.HeaderInMemory = 8;  // the header lines are read again for each output
    TSplitControl control;
#ifdef __linux__
    int mostOpen = 0;
    // Looked at before every read of the source.
    testutil::FaultGuard guard;
    std::function<void()> look = [&] {
      mostOpen = std::max(mostOpen, OpenTemporariesIn(src.Dir.Native("data")));
      platform::InjectReadFault(0, look);
    };
    platform::InjectReadFault(0, look);
#endif
    ASSERT_TRUE(Succeeded(src.Split(u"2", count, &limits, &control))) << budget;
    EXPECT_TRUE(src.Outputs(50) == expected) << budget;
#ifdef __linux__
    EXPECT_EQ(mostOpen, 3) << budget;
#endif
    const auto size = static_cast<std::int64_t>(body.size());
    EXPECT_TRUE(control.BytesDone == size && control.BytesTotal == size && control.Percent() == 100) << budget;
    EXPECT_TRUE(control.FilesDone == 100 && control.FilesTotal == 100) << budget;  // each made, then put in place
    // Its files replaced, the run has committed: neither a hold nor a cancel reaches it.
    EXPECT_EQ(control.Hold(), TSplitControl::TState::Committed) << budget;
    control.Cancel();
    EXPECT_FALSE(control.Cancelled()) << budget;
  }
}

// Outputs that get nothing cost no block and no disk: a huge N on a tiny source.
TEST(SplitJob, ManyOutputsOfATinySource) {
#ifdef _WIN32
  const int n = 3000;  // every file costs far more under Wine
#else
  const int n = 50000;  // past 8192 the budget gives no output a block
#endif
  // Dealt in turn or cut in parts, the pieces after the records hold nothing.
  for (TSplitMode mode : {TSplitMode::Cycle, TSplitMode::Parts}) {
    Source src("a\r\nb\r\n");
    src.Mode = mode;
    const std::string count = std::to_string(n);
    ASSERT_TRUE(Succeeded(src.Split(u"0", std::u16string(count.begin(), count.end()))));
    EXPECT_EQ(src.Output(1), "a\r\n");
    EXPECT_EQ(src.Output(2), "b\r\n");
    EXPECT_EQ(fs::file_size(src.Dir.Native("data") / ("data-" + count + ".txt")), 0u);
    EXPECT_EQ(std::distance(fs::directory_iterator(src.Dir.Native("data")), fs::directory_iterator{}), n + 1);  // and the record
  }
}

// Pieces at their bounds: a record that just fits, one a byte too many, one that fills a
// piece alone, the line of one that fits none, parts as even as the count allows, a file
// of nothing but its mark, outputs of one byte.
TEST(SplitJob, PiecesOfEachWayAtTheirBounds) {
  struct Case {
    TSplitMode mode;
    std::u16string count;
    std::string source;
    std::vector<std::string> pieces;
    std::u16string h = u"1";
  } cases[] = {
      {TSplitMode::Rows, u"2", "h\r\n1\r\n2\r\n3\r\n", {"h\r\n1\r\n2\r\n", "h\r\n3\r\n"}},
      {TSplitMode::Parts, u"3", "\xEF\xBB\xBFh\r\n1\r\n2\r\n3\r\n4\r\n",
       {"\xEF\xBB\xBFh\r\n1\r\n2\r\n", "\xEF\xBB\xBFh\r\n3\r\n", "\xEF\xBB\xBFh\r\n4\r\n"}},
      {TSplitMode::Parts, u"2", "\xEF\xBB\xBF", {"\xEF\xBB\xBF\r\n", ""}, u"0"},
      {TSplitMode::Cycle, u"2", "\n\n", {"\n", "\n"}, u"0"},
      {TSplitMode::MaxSize, u"11", "h\r\nab\r\ncd\r\nef\r\n", {"h\r\nab\r\ncd\r\n", "h\r\nef\r\n"}},
      {TSplitMode::MaxSize, u"7", "h\r\nab\r\ncd\r\nef\r\n", {"h\r\nab\r\n", "h\r\ncd\r\n", "h\r\nef\r\n"}},
      {TSplitMode::MaxSize, u"10", "h\r\nab\r\ncd\r\nef\r\n", {"h\r\nab\r\n", "h\r\ncd\r\n", "h\r\nef\r\n"}},
      // The last record, measured as it is moved, gains its line end and fits exactly.
      {TSplitMode::MaxSize, u"11", "h\r\nab\r\ncd", {"h\r\nab\r\ncd\r\n"}},
  };
  for (const Case& c : cases) {
    Source src(c.source);
    src.Mode = c.mode;
    TSplitControl control;
    ASSERT_TRUE(Succeeded(src.Split(c.h, c.count, nullptr, &control))) << c.source;
    EXPECT_EQ(src.Outputs(static_cast<int>(c.pieces.size())), c.pieces) << c.source;
    EXPECT_TRUE(control.Percent() == 100 && control.FilesDone.load() == 2 * std::ssize(c.pieces)) << c.source;
  }
  Source wide("h\r\nab\r\n", "csv");  // records: the rest is read for a quote left open
  wide.Mode = TSplitMode::MaxSize;
  EXPECT_EQ(wide.Split(u"1", u"6", nullptr, nullptr, TRecordMode::Csv),
            "error: 第 2 行开始的记录连同表头超过了每个文件的大小上限, 未做任何改动!");
  Source lines("h\r\na\r\nb\r\nlonger\r\n");  // lines: the record after a piece's run of lines
  lines.Mode = TSplitMode::MaxSize;
  EXPECT_EQ(lines.Split(u"1", u"9", nullptr, nullptr),
            "error: 第 4 行开始的记录连同表头超过了每个文件的大小上限, 未做任何改动!");
  // A limit the header alone fills leaves no room for any data.
  EXPECT_EQ(lines.Split(u"1", u"3"), "error: 第 2 行开始的记录连同表头超过了每个文件的大小上限, 未做任何改动!");
  // Without header records the mark is blamed as the mark.
  Source marked("\xEF\xBB\xBF" "ab\r\n");
  marked.Mode = TSplitMode::MaxSize;
  EXPECT_EQ(marked.Split(u"0", u"2"), "error: 字节顺序标记超过了每个文件的大小上限, 未做任何改动!");
  EXPECT_EQ(marked.Split(u"0", u"4"), "error: 第 1 行开始的记录连同字节顺序标记超过了每个文件的大小上限, 未做任何改动!");
}

// Pieces whose number is known only at the end, and a table read again by lines: the
// progress ends whole, and never goes back while the totals grow or a run starts over.
TEST(SplitJob, ProgressOfPiecesCutInOrderAndOfATableReadAgain) {
  std::string body = "h\r\n";
  for (int k = 0; k < 999; ++k) body += "row " + std::to_string(k) + "\r\n";
  Source src(body);
  src.Mode = TSplitMode::Rows;
  TSplitLimits limits;
  limits.SourceBlock = 4096;
  TSplitControl control;
  ASSERT_TRUE(Succeeded(src.Split(u"1", u"7", &limits, &control)));
  EXPECT_EQ(src.Result.Count, 143);
  EXPECT_EQ(control.BytesDone.load(), static_cast<std::int64_t>(body.size()));
  EXPECT_EQ(control.FilesDone.load(), 286);
  EXPECT_EQ(control.FilesTotal.load(), 286);
  EXPECT_EQ(control.Percent(), 100);
  TSplitControl growing;
  growing.BytesTotal.store(100 << 16);
  growing.BytesDone.store(60 << 16);
  EXPECT_EQ(growing.Percent(), 60);
  growing.FilesTotal.store(40);
  growing.BytesDone.store(0);
  EXPECT_EQ(growing.Percent(), 60);
  growing.BytesDone.store(100 << 16);
  growing.FilesDone.store(40);
  EXPECT_EQ(growing.Percent(), 100);
  // A CSV table whose quote is left open is read a second time, by lines: both readings
  // count, the first one done when the second begins.
  const std::string open = "h\r\n1,\"a\r\n2,b\r\n";
  Source csv(open, "csv");
  TSplitControl again;
  ASSERT_TRUE(Succeeded(csv.Split(u"1", u"2", nullptr, &again)));
  const auto size = static_cast<std::int64_t>(open.size());
  EXPECT_EQ(std::make_pair(again.Figures().Done, again.Figures().Total), std::make_pair(2 * size, 2 * size));
  EXPECT_EQ(again.Percent(), 100);
  TSplitControl over;
  over.BytesTotal.store(100);
  over.BytesDone.store(70);
  over.StartOver();
  EXPECT_EQ(std::make_pair(over.Figures().Done, over.Figures().Total), std::make_pair(std::int64_t{70}, std::int64_t{170}));
}

#ifndef _WIN32
// Descriptors the process already holds, such as those inherited from its parent, take
// room from the outputs: a child with a low limit, most of it taken, still splits.
TEST(SplitJob, HeldDescriptorsLeaveRoomForTheOutputs) {
  Source src("h\r\n" + std::string(600, 'x') + "\r\n");
  const pid_t child = ::fork();
  if (child == 0) {
    const rlimit low{230, 256};  // raised to 256 by the run
    if (::setrlimit(RLIMIT_NOFILE, &low) != 0) ::_exit(2);
    for (int i = 0; i < 200; ++i) (void)::dup(2);
    const bool split = Succeeded(src.Split(u"1", u"300")) && src.Output(299) == "h\r\n";
    rlimit now{};
    ::_exit(split && ::getrlimit(RLIMIT_NOFILE, &now) == 0 && now.rlim_cur == 256 ? 0 : 1);
  }
  int status = -1;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_EQ(status, 0);
}

// A source shortened (or lengthened) at any moment of the run: before its first MiB is
// read, before its header, while headers too long to keep are read again for each
// output, while it is dealt. Windows refuses such writers while the source is open.
TEST(SplitJob, ASourceChangedDuringTheRunChangesNothing) {
  testutil::FaultGuard guard;
  std::string body = "head\r\n";
  for (int k = 0; k < 2000; ++k) body += "row " + std::to_string(k) + "\r\n";
  const std::int64_t size = static_cast<std::int64_t>(body.size());
  // Bytes read before the change, the new size, the header lines kept in memory up to.
  const struct { std::int64_t afterBytes, newSize; std::size_t header; } cases[] = {{0, size / 2, 64}, {size, 0, 64}, {size, 3, 64}, {size + 8192, 3, 2}, {size + 4096, 4096, 64},
               {size + 3 * 4096, size / 2 + 3, 64}, {size + 3 * 4096, size - 1, 64}, {size + 4096, size + 10, 64}};
  for (const auto& c : cases) {
    Source src(body);
    ASSERT_TRUE(Succeeded(src.Split(u"1", u"3")));
    auto expected = testutil::Contents(src.Dir.Native(""));
    const TSplitLimits limits{.SourceBlock = 4096, .HeaderInMemory = c.header};
    platform::InjectReadFault(c.afterBytes, [&] { fs::resize_file(src.Dir.Native("data.txt"), c.newSize); });
    EXPECT_EQ(src.Split(u"1", u"3", &limits), "error: 拆分期间待拆分文件被改动, 请在它不再变化时重新拆分!")
        << c.afterBytes << " " << c.newSize;
    expected["data.txt"] = testutil::ReadFile(src.Dir.Native("data.txt"));
    EXPECT_TRUE(testutil::Contents(src.Dir.Native("")) == expected) << c.afterBytes << " " << c.newSize;
  }
}
#endif
