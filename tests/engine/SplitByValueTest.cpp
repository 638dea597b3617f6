// The split by the value of columns: each key's records in its own piece, in source order,
// with the names of the pieces, any number of them past the open-file limit, several key
// columns, the errors of the columns, and the recovery of a killed run that named its pieces.
#include "engine/USplitJob.h"

#include "tests/SplitRequests.h"
#include "tests/TestUtil.h"

#include <gtest/gtest.h>

#include <map>

namespace fs = std::filesystem;

using testutil::TempDir;

namespace {

// The files of a folder by their names in UTF-8, the same on every platform.
std::map<std::string, std::string> FilesIn(const fs::path& Folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::directory_iterator(Folder)) {
    const std::u8string name = entry.path().filename().u8string();
    files[std::string(name.begin(), name.end())] = testutil::ReadFile(entry.path());
  }
  return files;
}

struct TRun {
  std::string Error;
  TSplitResult Result;
  std::map<std::string, std::string> Pieces;  // by name, the record of the split left out
};

// The file name.ext holding Bytes, split by Columns beside it.
TRun SplitBy(const TempDir& Dir, const std::string& Name, const std::string& Bytes, std::vector<TKeyColumn> Columns,
            const std::u16string& H = u"1", TSplitLimits Limits = {}, TRecordMode Records = TRecordMode::Auto) {
  testutil::WriteFile(Dir.Native(Name), Bytes);
  TSplitRequest request = testutil::Request(Dir.Path(Name), H, u"", TSplitMode::ByValue);
  request.Columns = std::move(Columns);
  request.Records = Records;
  TRun run;
  if (Limits.OpenOutputs == 0) Limits.OpenOutputs = 64;
  run.Error = testutil::Outcome([&] {
    run.Result = RunSplitRequestWith(request, Limits);
    return std::u16string();
  });
  const fs::path folder = Dir.Native(Name.substr(0, Name.rfind('.')));
  if (fs::exists(folder)) run.Pieces = FilesIn(folder);
  run.Pieces.erase("~R.manifest");
  return run;
}

}  // namespace

// Keys in quotes, with delimiters and line ends inside; letter case, forbidden characters
// and the empty value in the names; a UTF-16 source and its mark; the success list.
TEST(SplitByValue, EachKeyInItsOwnPieceInSourceOrder) {
  TempDir dir;
  const std::string csv = "id,city,n\r\n1,CO,a\r\n2,\"Co\",b\r\n3,\"A/B, \"\"x\"\"\",c\r\n4,CO,\"d\r\ne\"\r\n5,,f\r\n6\r\n";
  TRun run = SplitBy(dir, "s.csv", csv, {{0, u"CITY"}});
  ASSERT_EQ(run.Error, "");
  const std::map<std::string, std::string> expected = {
      {"s-CO.csv", "id,city,n\r\n1,CO,a\r\n4,CO,\"d\r\ne\"\r\n"},
      {"s-Co (2).csv", "id,city,n\r\n2,\"Co\",b\r\n"},
      {"s-A_B, _x_.csv", "id,city,n\r\n3,\"A/B, \"\"x\"\"\",c\r\n"},
      {"s-(空).csv", "id,city,n\r\n5,,f\r\n6\r\n"},
  };
  EXPECT_TRUE(run.Pieces == expected);
  EXPECT_EQ(testutil::Utf8(SuccessText(run.Result)),
            "文件拆分成功! 在原始文件所在路径的 " + testutil::Utf8(run.Result.OutputDir) +
                " 子路径下自动生成了如下 4 个新文件:\r\n\r\ns-CO.csv\r\ns-Co (2).csv  (Co)\r\ns-A_B, _x_.csv  (A/B, \"x\")\r\n"
                "s-(空).csv\r\n");
  // Line ends inside the quotes of a key in the record's last field are the key's, also
  // in a last record without a line end; the record's own line end is not.
  run = SplitBy(dir, "e.csv", "id,k\n1,\"x\n\"\n2,x\n3,\"\r\"\n4,\n5,\"x\n\"", {{2, {}}});
  EXPECT_TRUE(run.Pieces == (std::map<std::string, std::string>{{"e-x_.csv", "id,k\n1,\"x\n\"\n5,\"x\n\"\n"},
                                                               {"e-x.csv", "id,k\n2,x\n"},
                                                               {"e-_.csv", "id,k\n3,\"\r\"\n"},
                                                               {"e-(空).csv", "id,k\n4,\n"}}))
      << run.Error << run.Pieces.size();

  // UTF-16 LE by its mark, tab-separated by its extension; read by lines, a quote
  // still holds a delimiter.
  const auto wide = [](const std::string& ascii) {
    std::string units;
    for (char c : ascii) units += std::string{c, '\0'};
    return units;
  };
  TRun tsv = SplitBy(dir, "t.tsv", "\xFF\xFE" + wide("k\tv\n\"x\ty\"\t1\nz\t2\n\"x\ty\"\t3\n"), {{1, {}}});
  ASSERT_EQ(tsv.Error, "");
  EXPECT_EQ(tsv.Pieces["t-x_y.tsv"], "\xFF\xFE" + wide("k\tv\n\"x\ty\"\t1\n\"x\ty\"\t3\n"));
  EXPECT_EQ(tsv.Pieces["t-z.tsv"], "\xFF\xFE" + wide("k\tv\nz\t2\n"));

  // Fields by '|': a quote after one opens a field that holds a line end for the record too.
  TRun bar = SplitBy(dir, "b.csv", "a|b\n\"x\ny\"|1\nz|2\n\"x\ny\"|3\n", {{1, {}}});
  ASSERT_EQ(bar.Error, "");
  EXPECT_TRUE(bar.Pieces == (std::map<std::string, std::string>{{"b-x_y.csv", "a|b\n\"x\ny\"|1\n\"x\ny\"|3\n"},
                                                                {"b-z.csv", "a|b\nz|2\n"}}));
}

// Several key columns in the order given; more keys than files may be open, in an order
// that makes every piece be closed and opened again, with blocks cut smaller as they come.
TEST(SplitByValue, SeveralColumnsAndMoreKeysThanOpenFiles) {
  TempDir dir;
  std::string csv = "a;b;c\n";
  std::map<std::string, std::string> expected;
  for (int k = 0; k < 3000; ++k) {
    const std::string a = std::to_string(k % 7), b = std::to_string(k % 11 == 0 ? 1 : k % 13);
    const std::string record = a + ";" + std::string(k % 5 * 300, 'p') + ";" + b + "\n";
    csv += record;
    std::string& piece = expected["m-" + b + "-" + a + ".txt"];
    if (piece.empty()) piece = "a;b;c\n";
    piece += record;
  }
  TSplitLimits limits;
  limits.OpenOutputs = 3;
  limits.OutputBudget = 64 << 10;
  limits.SourceBlock = 4096;
  TRun run = SplitBy(dir, "m.txt", csv, {{3, {}}, {0, u"a"}}, u"1", limits);
  ASSERT_EQ(run.Error, "");
  EXPECT_EQ(run.Result.Count, static_cast<std::int64_t>(expected.size()));
  EXPECT_TRUE(run.Pieces == expected);
}

// The columns of the first header record decide, before anything is written.
// The first header record, as the split reads it, decides the delimiter and the columns,
// before anything is written.
TEST(SplitByValue, TheFirstRecordsFieldsDecide) {
  TempDir dir;
  const std::string csv = "日期,省份,城市,金额,金额\r\n1,广东,广州,3,4\r\n";
  const struct {
    std::string source;
    std::vector<TKeyColumn> columns;
    std::u16string h;
    std::string error;
    std::size_t pieces;
  } cases[] = {
      {csv, {{0, u"省分"}}, u"1", "error: 表头中没有名为 省分 的列! 表头中的列: 日期, 省份, 城市, 金额, 金额", 0},
      {csv, {{7, {}}}, u"1", "error: 第 7 列超出了表头的列数 (5)!", 0},
      {csv, {{0, u"金额"}}, u"1", "error: 表头中有两个名为 金额 的列 (第 4 列和第 5 列)!", 0},
      {csv, {{1, {}}, {0, u"省份"}}, u"0", "error: 没有表头时只能用列号指定依据的列!", 0},
      {csv, {{7, {}}}, u"0", "", 1},  // without a header, a record that is short of it has an empty value
      {"h,k\r\n", {{1, {}}}, u"1", "", 0},  // no record, no value, no piece
      // A bare LF inside the first record of a CR LF table; a "" pair inside quotes.
      {"a\nb,c\r\n1,x\r\n2,y\r\n", {{2, {}}}, u"1", "", 2},
      {"\"a\"\",,,\",b;c;d\r\n1;x\r\n2;y\r\n1;z\r\n", {{2, {}}}, u"1", "", 3},
  };
  for (const auto& c : cases) {
    fs::remove_all(dir.Native("v"));
    const TRun run = SplitBy(dir, "v.txt", c.source, c.columns, c.h);
    EXPECT_EQ(run.Error, c.error);
    EXPECT_EQ(run.Pieces.size(), c.pieces) << c.error << c.source;
  }
}

// A run killed while it put its named pieces in place is finished by the next run into
// the folder, by the names its journal lists; a journal of the version before still counts.
TEST(SplitByValue, AKilledRunIsFinishedByTheNamesOfItsJournal) {
  TempDir dir;
  const fs::path d = dir.Native("data");
  fs::create_directories(d);
  testutil::WriteFile(d / "~S1~", "old");  // set aside for the first piece
  testutil::WriteFile(d / "~R1~", "new 1");
  testutil::WriteFile(d / "~R2~", "new 2");
  testutil::WriteFile(d / "~R.journal", "Rowdeal journal\nversion 2\nbase data\nextension txt\nstate replacing\ncount 2\n"
                                        "name data-广东.txt\nname data-(空).txt\n");
  testutil::WriteFile(dir.Native("data.txt"), "h\r\n1\r\n");
  TSplitRequest request = testutil::Request(dir.Path("data.txt"), u"1", u"1", TSplitMode::Rows);
  ASSERT_EQ(testutil::Outcome([&] { return SuccessText(RunSplitRequest(request)).substr(0, 0); }), "");
  std::map<std::string, std::string> left = FilesIn(d);
  left.erase("~R.manifest");
  const std::map<std::string, std::string> expected = {
      {"data-广东.txt", "new 1"}, {"data-(空).txt", "new 2"}, {"data-1.txt", "h\r\n1\r\n"}};
  EXPECT_TRUE(left == expected);
}
