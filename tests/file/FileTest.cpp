// The text file: line finding, encoding recognition, decoding and encoding, failures.
// Line finding and recognition are also checked against models by the fuzz targets.
#include "support/UkxFile.h"

#include "tests/TestUtil.h"

#include <gtest/gtest.h>

using testutil::TempDir;

using testutil::FaultGuard;
using testutil::Outcome;

namespace {

using namespace std::string_literals;

std::vector<std::u16string> Lines(const TempDir& dir, const std::string& bytes, std::uint8_t encoding = teNone) {
  testutil::WriteFile(dir.Native("t.txt"), bytes);
  TkxFile file(dir.Path("t.txt"), encoding == teNone ? fmReadDetect : fmRead, encoding);
  std::vector<std::u16string> lines;
  while (!file.EndOfFile()) lines.push_back(file.ReadLine());
  return lines;
}

}  // namespace

// Only CR LF ends a line, in UTF-16 only when aligned; malformed UTF-8 is mended, not
// dropped. teNone: the encoding is recognised from the mark.
TEST(TextFile, ReadsTheLinesOfEachEncoding) {
  struct Case {
    std::string bytes;
    std::uint8_t encoding;
    std::vector<std::u16string> lines;
  } cases[] = {
      {"a\nb\r\r\nc\r", teAnsi, {u"a\nb\r", u"c"}},
      {"\r\n\r\n", teAnsi, {u"", u""}},
      {"", teAnsi, {}},
      {"a\0b\r\nc"s, teAnsi, {std::u16string(u"a\0b", 3), u"c"}},
      // U+0A0D is the bytes 0D 0A in little-endian order; U+0D0A is 0D 0A in big-endian.
      {"\xFF\xFE" "a\0\x0D\x0A" "b\0\x0A\x0D\r\0\n\0c\0"s, teNone, {u"a\u0A0Db\u0D0A", u"c"}},
      {"\xFE\xFF" "\0a\x0D\x0A" "\x0A\x0D\0\r\0\n\0c"s, teNone, {u"a\u0D0A\u0A0D", u"c"}},
      {"\xFF\xFE" "a\0\r\0Z"s, teNone, {u"a\r\uFFFD"}},
      {"\xFE\xFF", teNone, {u""}},  // nothing but the mark: one empty line
      {"\xEF\xBB\xBF\xF0\x9F\x98\x80!\r\n\xC3\x41" "bc", teNone, {u"\U0001F600!", u"\uFFFD" "Abc"}},
      {"\xEF\xBB\xBF" "end\xE4\xB8\r\n\xF4\x90\x80\x80", teNone, {u"end\uFFFD", u"\uFFFD"}},
  };
  TempDir dir;
  for (const Case& c : cases) EXPECT_EQ(Lines(dir, c.bytes, c.encoding), c.lines) << c.bytes;
}

TEST(TextFile, RecognisesUtf8AcrossItsBlocks) {
  const std::pair<std::string, int> cases[] = {
      {"", 1},
      // A sequence cut by the 1 MiB block, and a late byte that fails the test.
      {std::string((1 << 20) - 2, 'x') + "\xC3\xA9\x80", 1},
      {std::string((1 << 20) - 1, 'x') + "\xE4\xB8\xAD", 2},
  };
  TempDir dir;
  for (const auto& [bytes, encoding] : cases) {
    testutil::WriteFile(dir.Native("r.txt"), bytes);
    EXPECT_EQ(TkxFile(dir.Path("r.txt"), fmReadDetect, teNone).Encoding, encoding) << bytes.substr(0, 40);
  }
  std::int64_t last = 0;
  TkxFile::RecogniseEncoding(dir.Path("r.txt"), [&](std::int64_t done, std::int64_t) { last = done; });
  EXPECT_EQ(last, static_cast<std::int64_t>(std::end(cases)[-1].first.size()));  // the whole file read
}

TEST(TextFile, ReadingAMissingFileCreatesItWithOneFolderLevel) {
  TempDir dir;
  const std::u16string sep(1, platform::PathSeparator());
  TkxFile file(dir.Path("new") + sep + u"f.txt", fmReadDetect, teNone);
  EXPECT_EQ(file.Encoding, teAnsi);
  EXPECT_TRUE(file.EndOfFile());
  EXPECT_TRUE(std::filesystem::exists(dir.Native("new") / "f.txt"));
  EXPECT_EQ(Outcome([&] { TkxFile(dir.Path("a") + sep + u"b" + sep + u"f.txt", fmWriteUnicode, teNone); return u""; }),
            "error: File Open Error!");
}

TEST(TextFile, WritesTheBytesOfEachEncoding) {
  struct Case {
    std::uint8_t encoding;
    std::u16string text;
    std::string bytes;
  } cases[] = {
      {teNone, u"a", "\xFF\xFE" "a\0\r\0\n\0"s},
      {teUtf16BE, u"a", "\xFE\xFF" "\0a\0\r\0\n"s},
      {teUtf8Bom, u"", "\xEF\xBB\xBF\r\n"},
      {teAnsi, u"abc", "abc\r\n"},
  };
  TempDir dir;
  testutil::WriteFile(dir.Native("w.txt"), "an older and longer file");
  for (const Case& c : cases) {
    TkxFile(dir.Path("w.txt"), fmWriteUnicode, c.encoding).WriteLine(c.text);
    EXPECT_EQ(testutil::ReadFile(dir.Native("w.txt")), c.bytes) << int(c.encoding);
  }
  TkxFile file(dir.Path("w.txt"), fmWrite, teUtf8Bom);  // Size and Position count the mark
  file.Write(u"ab");
  EXPECT_TRUE(file.Size() == 5 && file.Position() == 5);
  file.Close();
  EXPECT_EQ(testutil::ReadFile(dir.Native("w.txt")), "\xEF\xBB\xBF" "ab");
}

TEST(TextFile, FailuresRaiseAtTheCallThatMeetsThem) {
  FaultGuard guard;
  TempDir dir;
  std::filesystem::create_directory(dir.Native("sub"));
  for (std::uint8_t mode : {fmRead, fmWrite, fmReadDetect, fmWriteUnicode}) {
    EXPECT_EQ(Outcome([&] { TkxFile(dir.Path("sub"), mode, teAnsi); return u""; }), "error: File Open Error!");
  }
  // A read that fails is never the end of the file.
  std::string content;
  for (int i = 0; i < 5000; ++i) content += "line " + std::to_string(i) + "\r\n";
  testutil::WriteFile(dir.Native("f.txt"), content);
  TkxFile file(dir.Path("f.txt"), fmRead, teAnsi, 4096);
  platform::InjectReadFault(10000);
  EXPECT_EQ(Outcome([&] { while (!file.EndOfFile()) file.ReadLine(); return u""; }), "error: File Read Error!");
  EXPECT_LT(file.Position(), static_cast<std::int64_t>(content.size()));
  // A write that fails raises at its own WriteLine, even if the file is then destroyed
  // without Close; what was written before stays.
  TkxFile out(dir.Path("w.txt"), fmWriteUnicode, teUtf8);
  platform::InjectWriteFault(14);
  out.WriteLine(u"row 1");
  out.WriteLine(u"row 2");
  EXPECT_EQ(Outcome([&] { out.WriteLine(u"row 3"); return u""; }), "error: File Write Error!");
  EXPECT_EQ(testutil::ReadFile(dir.Native("w.txt")), "row 1\r\nrow 2\r\n");
}
