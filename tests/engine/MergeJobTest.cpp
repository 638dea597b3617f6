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
