#include "support/UkxFunctions.h"

#include "platform/Platform.h"
#include "support/UkxStrUtils.h"
#include "tests/TestText.h"
#include "tests/support/TempDir.h"
#include "support/UkxException.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <string>

using namespace std::string_literals;
using testtext::Utf8;

namespace {

constexpr std::int64_t Min64 = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t Max64 = std::numeric_limits<std::int64_t>::max();

// The message TextToInt raises for S, or "(no raise)".
std::u16string RaisedBy(const std::u16string& S) {
  try {
    TextToInt(S);
  } catch (const TkxException& e) {
    return e.Message;
  }
  return u"(no raise)";
}

}  // namespace

TEST(TextToInt, ReadsDecimalText) {
  struct Case {
    std::u16string s;
    std::int64_t expected;
  };
  const Case cases[] = {
      {u"0", 0},
      {u"007", 7},
      {u"-0", 0},
      {u"-", 0},
      {u"\t42\n", 42},
      {u"  -15 ", -15},
      {u"2147483647", 2147483647},
      {u"2147483648", 2147483648LL},
      {u"9223372036854775807", Max64},
      {u"-9223372036854775808", Min64},
      {u"000000000000000000000000009", 9},
  };
  for (const Case& c : cases) {
    try {
      EXPECT_EQ(TextToInt(c.s), c.expected) << Utf8(c.s);
    } catch (const TkxException& e) {
      ADD_FAILURE() << Utf8(c.s) << " raised " << Utf8(e.Message);
    }
  }
}

TEST(TextToInt, RaisesWithTheOffendingText) {
  struct Case {
    std::u16string s, message;
  };
  const Case cases[] = {
      {u" 12x ", u"12x is not a valid integer!"},
      {u"-3a", u"3a is not a valid integer!"},
      {u"--1", u"-1 is not a valid integer!"},
      {u"+5", u"+5 is not a valid integer!"},
      {u"1 2", u"1 2 is not a valid integer!"},
      {u"\uFF11", u"\uFF11 is not a valid integer!"},
      {u"", u" is empty!"},
      {u"   ", u" is empty!"},
      {u"\0\t"s, u" is empty!"},
      // Beyond 64 bits: refused instead of wrapping around.
      {u"9223372036854775808", u"9223372036854775808 is not a valid integer!"},
      {u"-9223372036854775809", u"9223372036854775809 is not a valid integer!"},
      {u"18446744073709551617", u"18446744073709551617 is not a valid integer!"},
      {u"99999999999999999999999", u"99999999999999999999999 is not a valid integer!"},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf8(RaisedBy(c.s)), Utf8(c.message)) << Utf8(c.s);
}

TEST(TextToInt, ReadsBackWhatIntToTextWrites) {
  for (std::int64_t v : {Min64, Min64 + 1, std::int64_t{-2147483648LL}, std::int64_t{-1}, std::int64_t{0},
                         std::int64_t{9}, std::int64_t{10}, std::int64_t{2147483647}, Max64 - 1, Max64}) {
    EXPECT_EQ(TextToInt(IntToText(0, v)), v);
  }
}

TEST(TextToIntDef, GivesTheDefaultOnlyForBadText) {
  EXPECT_EQ(TextToIntDef(u"", 5), 5);
  EXPECT_EQ(TextToIntDef(u"x", -3), -3);
  EXPECT_EQ(TextToIntDef(u"9223372036854775808", 7), 7);
  EXPECT_EQ(TextToIntDef(u" 12 ", 5), 12);
  EXPECT_EQ(TextToIntDef(u"-", 5), 0);
  EXPECT_EQ(TextToIntDef(u"", std::numeric_limits<std::int32_t>::min()), -2147483648LL);
}

TEST(IntToText, WritesDecimalWithTheSignOutsideTheWidth) {
  struct Case {
    int width;
    std::int64_t value;
    std::u16string expected;
  };
  const Case cases[] = {
      {0, 0, u"0"},
      {0, -15, u"-15"},
      {0, 2147483647, u"2147483647"},
      {0, -2147483648LL, u"-2147483648"},
      {3, -7, u"-007"},
      {5, 42, u"00042"},
      {3, 1234, u"1234"},
      {-1, 5, u"5"},
      {2, 0, u"00"},
      {0, Max64, u"9223372036854775807"},
      {0, Min64, u"-9223372036854775808"},
  };
  for (const Case& c : cases) EXPECT_EQ(IntToText(c.width, c.value), c.expected) << c.width << " " << c.value;
}

// Path rows that belong to one platform only are compiled on that platform: on
// Windows "\", "/" and ":" end a directory, on POSIX only "/".
TEST(Paths, FilePathOfKeepsTheDelimiter) {
  struct Case {
    std::u16string s, expected;
  };
  const Case cases[] = {
      {u"/usr/dir/file.txt", u"/usr/dir/"},
      {u"file.txt", u""},
      {u"dir/", u"dir/"},
      {u"", u""},
#ifdef _WIN32
      {u"C:\\dir\\file.txt", u"C:\\dir\\"},
      {u"C:file.txt", u"C:"},
      {u"C:\\a/b.txt", u"C:\\a/"},
      {u"C:\\a\\b/c:d", u"C:\\a\\b/c:"},
#else
      {u"C:\\dir\\file.txt", u""},
      {u"a:b/c\\d", u"a:b/"},
#endif
  };
  for (const Case& c : cases) EXPECT_EQ(FilePathOf(c.s), c.expected) << Utf8(c.s);
}

TEST(Paths, FileNameOfDropsOnlyTheLastExtension) {
  struct Case {
    std::u16string s;
    bool keepExt;
    std::u16string expected;
  };
  const Case cases[] = {
      {u"/d/archive.tar.gz", true, u"archive.tar.gz"},
      {u"/d/archive.tar.gz", false, u"archive.tar"},
      {u"/d.x/name", false, u"name"},
      {u".profile", false, u""},
      {u"report.", false, u"report"},
      {u"plain", true, u"plain"},
      {u"dir/", true, u""},
#ifdef _WIN32
      {u"C:\\dir\\archive.tar.gz", true, u"archive.tar.gz"},
      {u"C:\\dir\\archive.tar.gz", false, u"archive.tar"},
      {u"C:x.txt", true, u"x.txt"},
      {u"C:\\d.x/name", false, u"name"},
#else
      {u"dir\\x.txt", true, u"dir\\x.txt"},
      {u"C:\\d.x\\name", false, u"C:\\d"},
#endif
  };
  for (const Case& c : cases) EXPECT_EQ(FileNameOf(c.s, c.keepExt), c.expected) << Utf8(c.s) << " " << c.keepExt;
}

TEST(Paths, FileExtOfIgnoresDotsInDirectories) {
  struct Case {
    std::u16string s, expected;
  };
  const Case cases[] = {
      {u"data.csv", u"csv"},
      {u"report.", u""},
      {u"archive.tar.gz", u"gz"},
      {u"/dir.d/file", u""},
      {u"/dir/.hidden", u"hidden"},
      {u"", u""},
#ifdef _WIN32
      {u"C:\\dir.d\\file", u""},
      {u"C:\\dir.d\\file.TXT", u"TXT"},
      {u"x.d:file", u""},
#else
      {u"dir.d\\file", u"d\\file"},
#endif
  };
  for (const Case& c : cases) EXPECT_EQ(FileExtOf(c.s), c.expected) << Utf8(c.s);
}

TEST(Paths, FindLastOfSkipsZeroCharacters) {
  EXPECT_EQ(FindLastOf(u"\\:", u"C:\\a\\b"), 5);
  EXPECT_EQ(FindLastOf(u"\\:", u"C:b"), 2);
  EXPECT_EQ(FindLastOf(u"/", u"abc"), 0);
  // A zero in S must not match the terminator of Delims.
  EXPECT_EQ(FindLastOf(u"/", u"a/b\0c"s), 2);
  EXPECT_EQ(FindLastOf(u"", u"abc"), 0);
}

TEST(SettingsPath, IsNeverTheProgramItself) {
  struct Case {
    std::u16string program, expected;
  };
  const Case cases[] = {
      {u"C:\\tools\\tool.exe", u"C:\\tools\\tool.ini"},
      {u"C:\\a.exe.d\\b.exe", u"C:\\a.exe.d\\b.ini"},
      {u"C:\\tools\\TOOL.EXE", u"C:\\tools\\TOOL.ini"},
      {u"C:\\tools\\Tool.Exe", u"C:\\tools\\Tool.ini"},
      {u"/opt/tool", u"/opt/tool.ini"},
      {u"C:\\tools\\Tool.com", u"C:\\tools\\Tool.com.ini"},
      {u"/opt/toolexe", u"/opt/toolexe.ini"},
  };
  for (const Case& c : cases) EXPECT_EQ(SettingsPathFor(c.program), c.expected) << Utf8(c.program);
}

TEST(SettingsPath, SitsBesideTheRunningProgram) {
  const std::u16string program = AnsiToText(platform::ProgramPathAnsi());
  ASSERT_FALSE(program.empty());
  const std::u16string settings = SettingsFilePath();
  EXPECT_EQ(settings, SettingsPathFor(program));
  EXPECT_EQ(FilePathOf(settings), FilePathOf(program));
#ifdef _WIN32
  // The test program is an .exe, so its settings file is its own name with .ini.
  ASSERT_GE(program.size(), 4u);
  EXPECT_TRUE(TextEquals(program.substr(program.size() - 4), u".exe", false)) << Utf8(program);
  EXPECT_EQ(settings, program.substr(0, program.size() - 4) + u".ini");
#endif
}

TEST(ProgramDir, IsTheExistingFolderOfTheProgram) {
  const std::u16string dir = ProgramDir();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), platform::PathSeparator());
  EXPECT_EQ(dir, FilePathOf(AnsiToText(platform::ProgramPathAnsi())));
  EXPECT_TRUE(PathExists(dir));
  EXPECT_EQ(FileNameOf(AnsiToText(platform::ProgramPathAnsi()), false), u"support_tests");
}

TEST(Directories, MakeDirCreatesOneLevelAndPathExistsSeesFilesAndFolders) {
  TempDir temp;
  const std::u16string sep(1, platform::PathSeparator());
  const std::u16string parent = temp.Path("parent");
  const std::u16string child = parent + sep + u"child";
  EXPECT_FALSE(PathExists(parent));
  EXPECT_FALSE(MakeDir(child));  // no missing parents
  EXPECT_FALSE(PathExists(child));
  EXPECT_TRUE(MakeDir(parent));
  EXPECT_TRUE(PathExists(parent));
  EXPECT_FALSE(MakeDir(parent));  // already there
  EXPECT_TRUE(MakeDir(child));
  EXPECT_TRUE(PathExists(child));
  std::ofstream(temp.Native("file.txt")) << "x";
  EXPECT_TRUE(PathExists(temp.Path("file.txt")));
  EXPECT_FALSE(PathExists(temp.Path("missing.txt")));
  EXPECT_FALSE(PathExists(u""));
  // Non-ASCII names go through to the system unchanged.
  const std::u16string chinese = temp.Path() + sep + u"\u6570\u636E";
  EXPECT_TRUE(MakeDir(chinese));
  EXPECT_TRUE(PathExists(chinese));
  EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(chinese)));
}

namespace {

// Records, from its destructor, what the variable held when it was destroyed.
struct TWitness {
  TWitness*& variable;
  bool& clearedFirst;
  ~TWitness() { clearedFirst = variable == nullptr; }
};

}  // namespace

TEST(FreeAndClear, ClearsTheVariableBeforeDestroying) {
  bool clearedFirst = false;
  TWitness* held = nullptr;
  held = new TWitness{held, clearedFirst};
  FreeAndClear(held);
  EXPECT_EQ(held, nullptr);
  EXPECT_TRUE(clearedFirst);
  FreeAndClear(held);  // null: nothing happens
  EXPECT_EQ(held, nullptr);
}

TEST(AllocZeroed, GivesZeroedBlocks) {
  for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{4096}}) {
    auto* block = static_cast<unsigned char*>(AllocZeroed(size));
    ASSERT_NE(block, nullptr);
    for (std::size_t i = 0; i < size; ++i) ASSERT_EQ(block[i], 0) << i;
    std::free(block);
  }
}

TEST(WinBool, MapsToAndFromThePlatformsBool) {
  EXPECT_EQ(BoolToWin(true), 1);
  EXPECT_EQ(BoolToWin(false), 0);
  for (std::int32_t v : {1, -1, 2, std::numeric_limits<std::int32_t>::min()}) EXPECT_TRUE(WinToBool(v)) << v;
  EXPECT_FALSE(WinToBool(0));
}
