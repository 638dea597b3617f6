// The text, number, path and small platform routines of support/.
#include "platform/Platform.h"
#include "support/UkxException.h"
#include "support/UkxFunctions.h"
#include "support/UkxStrUtils.h"
#include "tests/TestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <limits>

using namespace std::string_literals;
using testutil::Utf8;

namespace {

constexpr std::int64_t Min64 = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t Max64 = std::numeric_limits<std::int64_t>::max();

// The message TextToInt raises for S, or its value as text.
std::string Read(const std::u16string& S) {
  try {
    return std::to_string(TextToInt(S));
  } catch (const TkxException& e) {
    return Utf8(e.Message);
  }
}

}  // namespace

TEST(Text, EqualsComparesWholeTextsWithOrWithoutCase) {
  struct { std::u16string A, B; bool CaseSensitive, Equal; } const cases[] = {
      {u"Default", u"DEFAULT", false, true}, {u"Default", u"DEFAULT", true, false}, {u"abc", u"abcd", false, false},
      {u"abcd", u"abc", false, false},       {u"", u"", true, true},               {u"", u"a", false, false},
  };
  for (const auto& c : cases) EXPECT_EQ(TextEquals(c.A, c.B, c.CaseSensitive), c.Equal) << Utf8(c.A) << " " << Utf8(c.B);
}

TEST(Text, SearchesGiveOneBasedPositions) {
  EXPECT_EQ(FindChar(u"abcb", u'b'), 2);
  EXPECT_EQ(FindChar(u"abc", u'x'), 0);
  EXPECT_EQ(FindChar(u"abc", u'\0'), 4) << "the terminator is found too";
  struct { std::u16string Sub, S; int From, First, Last; } const cases[] = {
      // First: PosFrom(Sub, S, From); Last: LastPos(Sub, S, From).
      {u"b", u"abcb", 1, 2, 0},   {u"b", u"abcb", 3, 4, 2},   {u"b", u"abcb", 5, 0, 4}, {u"b", u"abcb", 0, 2, 4},
      {u"cb", u"abcb", 1, 3, 0},  {u"abcbx", u"abcb", 1, 0, 0}, {u"abcb", u"abcb", 1, 1, 1}, {u"aa", u"xaaa", 1, 2, 0},
      {u"aa", u"xaaa", 9, 0, 3},  {u"x", u"", 1, 0, 0},       {u"", u"abc", 1, 0, 0},   {u".", u"a.b.c", 3, 4, 2},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PosFrom(c.Sub, c.S, c.From), c.First) << Utf8(c.Sub) << " in " << Utf8(c.S) << " from " << c.From;
    EXPECT_EQ(LastPos(c.Sub, c.S, c.From), c.Last) << Utf8(c.Sub) << " in " << Utf8(c.S) << " up to " << c.From;
  }
}

TEST(Text, CutsStayWithinTheText) {
  EXPECT_EQ(LeftText(u"abc", -1), u"abc");
  EXPECT_EQ(LeftText(u"abc", 0), u"");
  EXPECT_EQ(LeftText(u"abc", 2), u"ab");
  struct { int Start, Count; std::u16string Expected; } const cases[] = {
      {2, 3, u"bcd"}, {0, 2, u"ab"}, {-4, 2, u"ab"}, {5, 10, u"ef"}, {6, 1, u"f"}, {7, 1, u""}, {3, -1, u"cdef"},
  };
  for (const auto& c : cases) EXPECT_EQ(MidText(u"abcdef", c.Start, c.Count), c.Expected) << c.Start << " " << c.Count;
  struct { std::u16string S, Trimmed; } const trims[] = {
      {u"  a b \t\r\n", u"a b"}, {u"\0\x01x\x1F\x20"s, u"x"}, {u"\u00A0x\u3000", u"\u00A0x\u3000"}, {u" \t ", u""},
      {u"!", u"!"},
  };
  for (const auto& c : trims) EXPECT_EQ(TrimText(c.S), c.Trimmed) << Utf8(c.S);
}

TEST(Text, ReplaceAllGoesLeftToRightWithoutOverlapOrRescanning) {
  struct { std::u16string S, From, To, Expected; } const cases[] = {
      {u"aaa", u"aa", u"b", u"ba"}, {u"abcabc", u"bc", u"x", u"axax"}, {u"abc", u"b", u"bb", u"abbc"},
      {u"aXa", u"a", u"", u"X"},    {u"ABC", u"b", u"x", u"ABC"},      {u"", u"x", u"y", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(ReplaceAll(c.S, c.From, c.To), c.Expected) << Utf8(c.S);
  EXPECT_EQ(AnsiToText("Hello, 1!"), u"Hello, 1!");
}

TEST(Numbers, TextToIntReadsStrictDecimalOrRaisesWithTheText) {
  struct { std::u16string S; std::string Result; } const cases[] = {
      {u"0", "0"}, {u"007", "7"}, {u"-0", "0"}, {u"-", "0"}, {u"\t42\n", "42"}, {u"  -15 ", "-15"},
      {u"2147483648", "2147483648"}, {u"9223372036854775807", "9223372036854775807"},
      {u"-9223372036854775808", "-9223372036854775808"},
      {u" 12x ", "12x is not a valid integer!"}, {u"-3a", "3a is not a valid integer!"},
      {u"--1", "-1 is not a valid integer!"},    {u"+5", "+5 is not a valid integer!"},
      {u"", " is empty!"},                       {u"\0\t"s, " is empty!"},
      // Beyond 64 bits: refused instead of wrapping around.
      {u"9223372036854775808", "9223372036854775808 is not a valid integer!"},
      {u"-9223372036854775809", "9223372036854775809 is not a valid integer!"},
      {u"18446744073709551617", "18446744073709551617 is not a valid integer!"},
  };
  for (const auto& c : cases) EXPECT_EQ(Read(c.S), c.Result) << Utf8(c.S);
  EXPECT_EQ(TextToIntDef(u"x", -3), -3);
  EXPECT_EQ(TextToIntDef(u"9223372036854775808", 7), 7);
  EXPECT_EQ(TextToIntDef(u" 12 ", 5), 12);
}

TEST(Numbers, IntToTextPadsToTheWidthWithTheSignOutside) {
  struct { int Width; std::int64_t Value; std::u16string Text; } const cases[] = {
      {0, 0, u"0"},   {0, -15, u"-15"},  {3, -7, u"-007"}, {5, 42, u"00042"}, {3, 1234, u"1234"},
      {-1, 5, u"5"},  {2, 0, u"00"},     {0, Max64, u"9223372036854775807"}, {0, Min64, u"-9223372036854775808"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IntToText(c.Width, c.Value), c.Text) << c.Width << " " << c.Value;
    EXPECT_EQ(TextToInt(c.Text), c.Value);
  }
}

// Rows of one platform only: on Windows "\", "/" and ":" end a directory, on POSIX "/".
TEST(Paths, DirectoryNameAndExtension) {
  struct { std::u16string S, Path, Name, Base, Ext; } const cases[] = {
      {u"/d/archive.tar.gz", u"/d/", u"archive.tar.gz", u"archive.tar", u"gz"},
      {u"/d.x/name", u"/d.x/", u"name", u"name", u""},
      {u"dir/.profile", u"dir/", u".profile", u"", u"profile"},
      {u"report.", u"", u"report.", u"report", u""},
      {u"dir/", u"dir/", u"", u"", u""},
#ifdef _WIN32
      {u"C:\\d.x\\t.TXT", u"C:\\d.x\\", u"t.TXT", u"t", u"TXT"},
      {u"C:file", u"C:", u"file", u"file", u""},
      {u"C:\\a/b.c", u"C:\\a/", u"b.c", u"b", u"c"},
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
  EXPECT_EQ(FindLastOf(u"/", u"a/b\0c"s), 2) << "a zero in S is no delimiter";
}

TEST(Paths, SettingsFileIsBesideTheProgramNeverTheProgram) {
  struct { std::u16string Program, Settings; } const cases[] = {
      {u"C:\\a.exe.d\\b.exe", u"C:\\a.exe.d\\b.ini"}, {u"C:\\t\\TOOL.EXE", u"C:\\t\\TOOL.ini"},
      {u"/opt/tool", u"/opt/tool.ini"},               {u"C:\\t\\Tool.com", u"C:\\t\\Tool.com.ini"},
  };
  for (const auto& c : cases) EXPECT_EQ(SettingsPathFor(c.Program), c.Settings) << Utf8(c.Program);
  const std::u16string program = AnsiToText(platform::ProgramPathAnsi());
  EXPECT_EQ(SettingsFilePath(), SettingsPathFor(program));
  EXPECT_EQ(ProgramDir(), FilePathOf(program));
  EXPECT_EQ(FileNameOf(program, false), u"support_tests");
}

TEST(Paths, MakeDirCreatesOneLevelAndPathExistsSeesFilesAndFolders) {
  testutil::TempDir temp;
  const std::u16string parent = temp.Path("parent");
  const std::u16string child = parent + platform::PathSeparator() + u"\u6570\u636E";
  EXPECT_FALSE(MakeDir(child)) << "no missing parents";
  EXPECT_TRUE(MakeDir(parent));
  EXPECT_FALSE(MakeDir(parent)) << "already there";
  EXPECT_TRUE(MakeDir(child));
  EXPECT_TRUE(PathExists(child));
  testutil::WriteFile(temp.Native("file.txt"), "x");
  EXPECT_TRUE(PathExists(temp.Path("file.txt")));
  EXPECT_FALSE(PathExists(temp.Path("missing.txt")));
}

TEST(Memory, FreeAndClearEmptiesTheVariableFirstAndBlocksComeZeroed) {
  struct TWitness {
    TWitness*& Variable;
    bool& ClearedFirst;
    ~TWitness() { ClearedFirst = Variable == nullptr; }
  };
  bool clearedFirst = false;
  TWitness* held = nullptr;
  held = new TWitness{held, clearedFirst};
  FreeAndClear(held);
  EXPECT_TRUE(clearedFirst);
  auto* block = static_cast<unsigned char*>(AllocZeroed(4096));
  EXPECT_EQ(std::count(block, block + 4096, 0), 4096);
  std::free(block);
  EXPECT_EQ(BoolToWin(true), 1);
  EXPECT_EQ(BoolToWin(false), 0);
  EXPECT_TRUE(WinToBool(-1));
  EXPECT_FALSE(WinToBool(0));
}
