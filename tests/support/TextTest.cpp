// The text, number, path and small platform routines of support/. Searching, replacing,
// trimming and reading numbers are also checked against models by the fuzz targets,
// whose seeds replay as tests; the rows here pin what a model does not.
#include "platform/Platform.h"
#include "support/UkxException.h"
#include "support/UkxFunctions.h"
#include "support/UkxStrUtils.h"
#include "tests/TestUtil.h"

#include <gtest/gtest.h>

#include <limits>

using namespace std::string_literals;
using testutil::Utf8;

TEST(Text, ComparesSearchesAndCuts) {
  EXPECT_TRUE(TextEquals(u"Default", u"DEFAULT", false));
  EXPECT_FALSE(TextEquals(u"Default", u"DEFAULT", true));
  EXPECT_FALSE(TextEquals(u"abc", u"abcd", false));
  EXPECT_TRUE(FindChar(u"abcb", u'b') == 2 && FindChar(u"abc", u'x') == 0);
  EXPECT_EQ(PosFrom(u"b", u"abcb", 3), 4);
  EXPECT_EQ(LastPos(u"b", u"abcb", 3), 2);
  EXPECT_EQ(PosFrom(u"", u"ab", 1) + LastPos(u"", u"ab", 0), 0) << "nothing is found nowhere";
  struct { int Start, Count; std::u16string Expected; } const cases[] = {
      {2, 3, u"bcd"}, {-4, 2, u"ab"}, {5, 10, u"ef"}, {7, 1, u""}, {3, -1, u"cdef"},
  };
  for (const auto& c : cases) EXPECT_EQ(MidText(u"abcdef", c.Start, c.Count), c.Expected) << c.Start << " " << c.Count;
  EXPECT_EQ(TrimText(u"\0\x01x\x1F\x20"s), u"x");
  EXPECT_EQ(ReplaceAll(u"aaa", u"aa", u"b"), u"ba");
  EXPECT_EQ(FillIn(u"%2/%1%0 %3%", {u"%2", u"b"}), u"b/%2%0 %3%") << "one pass; numbers without a value stay";
}

TEST(Numbers, TextToIntAndIntToText) {
  struct { std::u16string S; std::string Result; } const cases[] = {
      {u"  -15 ", "-15"}, {u"-", "0"}, {u"-3a", "error: 3a is not a valid integer!"}, {u"\0\t"s, "error:  is empty!"},
      {u"9223372036854775808", "error: 9223372036854775808 is not a valid integer!"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(testutil::Outcome([&] { return IntToText(0, TextToInt(c.S)); }), c.Result) << Utf8(c.S);
  }
  EXPECT_TRUE(TextToIntDef(u"x", -3) == -3 && TextToIntDef(u" 12 ", 5) == 12);
  EXPECT_TRUE(WinToBool(2) && WinToBool(-1) && !WinToBool(0) && BoolToWin(true) == 1 && BoolToWin(false) == 0);
  struct { int Width; std::int64_t Value; std::u16string Text; } const texts[] = {
      {0, -15, u"-15"}, {3, -7, u"-007"}, {3, 1234, u"1234"}, {-1, 5, u"5"},
      {0, std::numeric_limits<std::int64_t>::min(), u"-9223372036854775808"},
  };
  for (const auto& c : texts) EXPECT_EQ(IntToText(c.Width, c.Value), c.Text) << c.Width << " " << c.Value;
}

// Rows of one platform only: on Windows "\", "/" and ":" end a directory, on POSIX "/".
TEST(Paths, DirectoryNameAndExtension) {
  struct { std::u16string S, Path, Name, Base, Ext; } const cases[] = {
      {u"/d/archive.tar.gz", u"/d/", u"archive.tar.gz", u"archive.tar", u"gz"},
      {u"dir/.profile", u"dir/", u".profile", u"", u"profile"},
#ifdef _WIN32
      {u"C:\\d.x\\t.TXT", u"C:\\d.x\\", u"t.TXT", u"t", u"TXT"},
      {u"C:file", u"C:", u"file", u"file", u""},
#else
      {u"C:\\d.x\\name", u"", u"C:\\d.x\\name", u"C:\\d", u"x\\name"},
#endif
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FilePathOf(c.S), c.Path) << Utf8(c.S);
    EXPECT_EQ(FileNameOf(c.S, true), c.Name) << Utf8(c.S);
    EXPECT_EQ(FileNameOf(c.S, false), c.Base) << Utf8(c.S);
    EXPECT_EQ(FileExtOf(c.S), c.Ext) << Utf8(c.S);
  }
}

TEST(Paths, SettingsFileIsBesideTheProgramNeverTheProgram) {
  EXPECT_EQ(SettingsPathFor(u"C:\\a.exe.d\\TOOL.EXE"), u"C:\\a.exe.d\\TOOL.ini");
  EXPECT_EQ(SettingsPathFor(u"C:\\t\\Tool.com"), u"C:\\t\\Tool.com.ini");
  const std::u16string program = AnsiToText(platform::ProgramPathAnsi());
  EXPECT_EQ(SettingsFilePath(), SettingsPathFor(program));
  EXPECT_EQ(ProgramDir(), FilePathOf(program));
  EXPECT_EQ(FileNameOf(program, false), u"support_tests");
}

TEST(Paths, MakeDirCreatesOneLevelAndPathExistsSeesFilesAndFolders) {
  testutil::TempDir temp;
  const std::u16string parent = temp.Path("parent");
  const std::u16string child = parent + platform::PathSeparator() + u"\u6570\u636E";
  // No missing parents; once each; evaluated in order.
  EXPECT_EQ((std::vector<bool>{MakeDir(child), MakeDir(parent), MakeDir(parent), MakeDir(child), PathExists(child)}),
            (std::vector<bool>{false, true, false, true, true}));
  testutil::WriteFile(temp.Native("file.txt"), "x");
  EXPECT_TRUE(PathExists(temp.Path("file.txt")) && !PathExists(temp.Path("missing.txt")) && !PathExists(u""));
}
