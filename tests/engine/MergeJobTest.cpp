// The merge: the inverse of every split, folders with and without the record of their
// split, the inputs that do not fit one another, and the check against a source.
#include "engine/UMergeJob.h"
#include "engine/USplitJob.h"

#include "tests/SplitRequests.h"
#include "tests/TestUtil.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

using testutil::TempDir;

namespace {

TMergeRequest MergeOf(std::vector<std::u16string> Inputs, const std::u16string& Output) {
  TMergeRequest request;
  request.Inputs = std::move(Inputs);
  request.Output = Output;
  return request;
}

// The merge's answer: the success or check text, or "error: " and the message.
std::string Merged(const TMergeRequest& Request) {
  return testutil::Outcome([&] {
    const TMergeResult result = RunMergeRequest(Request);
    return Request.Check.empty() ? MergeSuccessText(result) : CheckText(result, Request.Check);
  });
}

void Split(const TempDir& Dir, const std::string& Name, TSplitMode Mode, const std::u16string& N,
           std::vector<TKeyColumn> Columns = {}) {
  TSplitRequest request = testutil::Request(Dir.Path(Name), u"1", N, Mode);
  request.Columns = std::move(Columns);
  (void)RunSplitRequest(request);
}

}  // namespace

// Every way's pieces, merged from their folder, give the source back (a last line gains
// its line end), and the check agrees; pieces by value hold it in any order.
TEST(MergeJob, GivesBackWhatEveryWaySplit) {
  const std::string utf16 = std::string("\xFF\xFE", 2) + std::string("h\0\r\0\n\0a\0\r\0\n\0b\0\r\0\n\0c\0", 20);
  const struct {
    std::string Name, Bytes, Merged;
  } sources[] = {
      {"q.csv", "k,v\r\n1,\"a\r\nb\"\r\n2,x\r\n1,y\r\n3,z\r\n2,w", "k,v\r\n1,\"a\r\nb\"\r\n2,x\r\n1,y\r\n3,z\r\n2,w\r\n"},
      {"l.txt", "h\na\r\nb\n\nc\nd\ne\n", "h\na\r\nb\n\nc\nd\ne\n"},
      {"u.txt", utf16, utf16 + std::string("\r\0\n\0", 4)},
  };
  const struct {
    TSplitMode Mode;
    std::u16string N;
  } ways[] = {{TSplitMode::Cycle, u"3"}, {TSplitMode::Rows, u"2"}, {TSplitMode::Parts, u"4"}, {TSplitMode::MaxSize, u"24"}};
  for (const auto& source : sources) {
    for (const auto& way : ways) {
      TempDir dir;
      testutil::WriteFile(dir.Native(source.Name), source.Bytes);
      Split(dir, source.Name, way.Mode, way.N);
      const std::string base = source.Name.substr(0, 1);
      TMergeRequest merge = MergeOf({dir.Path(base)}, dir.Path("m.out"));
      EXPECT_EQ(Merged(merge).rfind("合并成功!", 0), 0u) << source.Name << " " << static_cast<int>(way.Mode);
      EXPECT_EQ(testutil::ReadFile(dir.Native("m.out")), source.Merged) << source.Name << " " << static_cast<int>(way.Mode);
      merge.Check = dir.Path(source.Name);
      EXPECT_EQ(Merged(merge).rfind("一致: ", 0), 0u) << source.Name << " " << static_cast<int>(way.Mode);
    }
  }
  TempDir dir;
  testutil::WriteFile(dir.Native("v.csv"), sources[0].Bytes);
  Split(dir, "v.csv", TSplitMode::ByValue, u"", {{1, {}}});
  TMergeRequest check = MergeOf({dir.Path("v")}, {});
  check.Check = dir.Path("v.csv");
  check.AnyOrder = true;
  EXPECT_EQ(Merged(check), "一致: 5 条数据记录与 " + testutil::Utf8(check.Check) + " 相同。");
  check.AnyOrder = false;
  EXPECT_EQ(Merged(check).rfind("不一致: ", 0), 0u);
}

// Inputs that do not fit one another fail before anything is written; a folder without a
// record gives its pieces of one base by number, and notes what it leaves out.
TEST(MergeJob, TakesOnlyInputsThatFit) {
  const struct {
    std::map<std::string, std::string> Files;
    std::vector<std::string> Inputs;
    bool Interleave;
    std::string Answer, Merged;
  } cases[] = {
      {{{"a.csv", "h\r\n1\r\n"}, {"b.csv", "H\r\n2\r\n"}}, {"a.csv", "b.csv"}, false,
       "error: b.csv 的表头与 a.csv 的表头不同, 未做任何改动!", ""},
      {{{"a.txt", "\xEF\xBB\xBFh\r\n1\r\n"}, {"b.txt", std::string("\xFF\xFEh\0", 4)}}, {"a.txt", "b.txt"}, false,
       "error: b.txt 的编码 (UTF-16 LE) 与 a.txt 的编码 (UTF-8) 不同, 未做任何改动!", ""},
      {{{"a.csv", "h\r\n1\r\n"}, {"b.csv", "h\r\n2\r\n3\r\n"}}, {"a.csv", "b.csv"}, true,
       "error: b.csv 的数据记录数与轮流拆分的结果不符, 未做任何改动!", ""},
      {{{"a.csv", "h\r\n1\r\n3\r\n5\r\n"}, {"b.csv", "h\r\n2\r\n"}}, {"a.csv", "b.csv"}, true,
       "error: b.csv 的数据记录数与轮流拆分的结果不符, 未做任何改动!", ""},
      // The empty piece of a deal adds nothing; a last record gains its line end.
      {{{"a.csv", "h\r\n1"}, {"b.csv", "h\r\n2\r\n"}, {"c.csv", ""}}, {"a.csv", "b.csv", "c.csv"}, true,
       "合并成功! 生成了 m.csv, 共 2 条数据记录。", "h\r\n1\r\n2\r\n"},
      {{{"a.csv", "h\n1"}, {"b.csv", "h\n2\n"}}, {"a.csv", "b.csv"}, false, "合并成功! 生成了 m.csv, 共 2 条数据记录。",
       "h\n1\n2\n"},
      // Read with CR LF the whole table is one record whose quote runs to its end: that
      // reading does not hold, and records are read with LF, no quote left open.
      {{{"a.csv", "h,c\n1\n\"d,\"x\n"}}, {"a.csv"}, false, "合并成功! 生成了 m.csv, 共 2 条数据记录。", "h,c\n1\n\"d,\"x\n"},
      {{{"p/d-1.csv", "h\r\n1\r\n"}, {"p/d-2.csv", "h\r\n2\r\n"}, {"p/d-10.csv", "h\r\n10\r\n"}}, {"p"}, false,
       "error: p 中缺少 d-3.csv, 未做任何改动!", ""},
      {{{"p/d-1.csv", "h\r\n1\r\n"}, {"p/e-1.csv", "h\r\n2\r\n"}}, {"p"}, false,
       "error: p 中有几组拆分得到的文件 (d-N.csv, e-N.csv), 请指定其中一组!", ""},
      {{{"d/d-2.csv", "h\r\n2\r\n"}, {"d/d-1.csv", "h\r\n1\r\n"}, {"d/e-1.csv", "x"}, {"d/notes.txt", "x"}}, {"d"}, false,
       "合并成功! 生成了 m.csv, 共 2 条数据记录。\r\n注意: d 中有 2 个文件不是拆分得到的, 没有合并 (e-1.csv 等)。",
       "h\r\n1\r\n2\r\n"},
      {{{"d-10.csv", "h\r\n10\r\n"}, {"d-2.csv", "h\r\n2\r\n"}}, {"d-10.csv", "d-2.csv"}, false,
       "合并成功! 生成了 m.csv, 共 2 条数据记录。\r\n注意: d-2.csv 排在 d-10.csv 之后, 不是按编号的顺序。",
       "h\r\n10\r\n2\r\n"},
      {{{"p/d-1.csv", "h\r\n1\r\n"}, {"p/~R.journal", "x"}}, {"p"}, false,
       "error: p 中有未完成的拆分 (~R.journal), 请先拆分一次以恢复, 未做任何改动!", ""},
      {{{"m.csv", "h\r\n1\r\n"}}, {"m.csv"}, false, "error: 合并结果 m.csv 同时是一个待合并文件, 未做任何改动!", "h\r\n1\r\n"},
      // A folder of pieces merged into a file of its own: its lock is the output's.
      {{{"m-1.csv", "h\r\n1\r\n"}, {"m-2.csv", "h\r\n2\r\n"}}, {"."}, false,
       "合并成功! 生成了 m.csv, 共 2 条数据记录。", "h\r\n1\r\n2\r\n"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    fs::create_directories(dir.Native("p"));
    fs::create_directories(dir.Native("d"));
    for (const auto& [name, bytes] : c.Files) testutil::WriteFile(dir.Native(name), bytes);
    const fs::path before = fs::current_path();
    fs::current_path(dir.Native());
    std::vector<std::u16string> inputs;
    for (const std::string& input : c.Inputs) inputs.emplace_back(input.begin(), input.end());
    TMergeRequest request = MergeOf(inputs, u"m.csv");
    request.Interleave = c.Interleave;
    const std::string answer = Merged(request);
    fs::current_path(before);
    EXPECT_EQ(answer, c.Answer);
    EXPECT_EQ(fs::exists(dir.Native("m.csv")) ? testutil::ReadFile(dir.Native("m.csv")) : "", c.Merged) << c.Answer;
  }
}

// The check names the first record that differs, where it comes from, or which side ended
// first; as a multiset, the record that one side lacks.
TEST(MergeJob, CheckTellsTheFirstDifference) {
  const struct {
    std::string Source, A, B;
    bool AnyOrder;
    std::string Answer;
  } cases[] = {
      {"h\r\n1\r\n2\r\n3\r\n", "h\r\n1\r\n", "h\r\n2\r\n3\r\n", false, "一致: 3 条数据记录与 s.csv 相同。"},
      {"h\r\n1\r\n2\r\n3\r\n", "h\r\n1\r\n", "h\r\n2\r\nx\r\n", false,
       "不一致: s.csv 第 4 行开始的记录是\r\n  3\\r\\n\r\n合并结果在此处是 b.csv 第 3 行开始的记录\r\n  x\\r\\n"},
      {"h\r\n1\r\n2\r\n3\r\n", "h\r\n1\r\n", "h\r\n2\r\n", false,
       "不一致: 合并结果在 s.csv 第 4 行开始的记录之前就结束了:\r\n  3\\r\\n"},
      {"h\r\n1\r\n", "h\r\n1\r\n", "h\r\n\"2\r\n\"\r\n", false,
       "不一致: s.csv 已经结束, 合并结果还有 b.csv 第 2 行开始的记录\r\n  \"2\\r\\n\"\\r\\n"},
      {"h\r\n1\r\n2\r\n3\r\n", "h\r\n3\r\n1\r\n", "h\r\n2\r\n", true, "一致: 3 条数据记录与 s.csv 相同。"},
      {"h\r\n1\r\n2\r\n3\r\n", "h\r\n3\r\n1\r\n", "h\r\n1\r\n", true, "不一致: s.csv 第 3 行开始的记录不在合并结果中:\r\n  2\\r\\n"},
      {"h\r\n1\r\n2\r\n", "h\r\n2\r\n1\r\n", "h\r\n9\r\n", true,
       "不一致: 合并结果中 b.csv 第 2 行开始的记录不在 s.csv 中:\r\n  9\\r\\n"},
      {"H\r\n1\r\n", "h\r\n1\r\n", "", false, "error: a.csv 的表头与 s.csv 的表头不同, 未做任何改动!"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    testutil::WriteFile(dir.Native("s.csv"), c.Source);
    testutil::WriteFile(dir.Native("a.csv"), c.A);
    testutil::WriteFile(dir.Native("b.csv"), c.B);
    const fs::path before = fs::current_path();
    fs::current_path(dir.Native());
    TMergeRequest request = MergeOf({u"a.csv", u"b.csv"}, {});
    request.Check = u"s.csv";
    request.AnyOrder = c.AnyOrder;
    const std::string answer = Merged(request);
    fs::current_path(before);
    EXPECT_EQ(answer, c.Answer);
  }
}

// Files picked together go pieces of a base by number, then the others by name; the
// merged file's name by default comes from the pieces' base, beside their folder.
TEST(MergeJob, OrdersPickedFilesAndNamesTheMergedOne) {
  EXPECT_EQ(OrderedForMerge({u"z.txt", u"d-10.csv", u"a.txt", u"d-2.csv", u"d-1.csv"}),
            (std::vector<std::u16string>{u"d-1.csv", u"d-2.csv", u"d-10.csv", u"a.txt", u"z.txt"}));
  TempDir dir;
  fs::create_directories(dir.Native("p"));
  testutil::WriteFile(dir.Native("p/x.txt"), "x");
  testutil::WriteFile(dir.Native("p/sales-1.csv"), "h\r\n");
  const std::u16string sep(1, fs::path::preferred_separator);
  EXPECT_EQ(DefaultMergeOutput({dir.Path("p")}), dir.Path() + sep + u"sales-合并.csv");
  EXPECT_EQ(DefaultMergeOutput({(dir.Native("p") / "sales-1.csv").u16string()}), dir.Path("p") + sep + u"sales-合并.csv");
  EXPECT_EQ(DefaultMergeOutput({(dir.Native("p") / "x.txt").u16string()}), dir.Path("p") + sep + u"x-合并.txt");
}
