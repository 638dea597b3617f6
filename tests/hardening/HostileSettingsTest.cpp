// Settings files that a user, a crash or another program may leave behind: whatever
// they hold, reading gives a value or the default, never a failure, and a refused write
// changes nothing.
#include "support/UkxIniFile.h"

#include "tests/TestText.h"
#include "tests/file/FileBytes.h"
#include "tests/support/TempDir.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace fs = std::filesystem;

namespace {

class HostileSettings : public testing::Test {
 protected:
  TempDir temp;
  const fs::path file = temp.Native("Rowdeal.ini");
  TkxIniFile ini{temp.Path("Rowdeal.ini")};

  // The reads of the main dialog, with their defaults.
  void ExpectDefaults() const {
    EXPECT_EQ(ini.ReadInteger(u"Program", u"WindowTop", -7), -7);
    EXPECT_EQ(ini.ReadInteger(u"Program", u"WindowLeft", -8), -8);
    EXPECT_EQ(ini.ReadString(u"Memory", u"LastPath", u"C:\\tools\\"), u"C:\\tools\\");
    EXPECT_EQ(ini.ReadString(u"Memory", u"HeaderLine", u"1"), u"1");
    EXPECT_EQ(ini.ReadString(u"Memory", u"CycleLine", u"5"), u"5");
  }
};

}  // namespace

TEST_F(HostileSettings, GarbageGivesTheDefaults) {
  std::mt19937 random(7);
  std::string noise;
  for (int i = 0; i < 20000; ++i) {
    char byte = static_cast<char>(random());
    noise += byte == '[' || byte == '=' ? 'x' : byte;  // no section can begin by chance
  }
  const std::string garbage[] = {
      noise,
      "]]]][[[[ = = ==\r\n=\r\n[\r\n[Program\r\nWindowTop 5\r\n",
      std::string(100000, 'a') + "\r\n",
      std::string("\0\0\0[Program]\0WindowTop=5", 24),
  };
  for (const std::string& bytes : garbage) {
    filebytes::Write(file, bytes);
    ExpectDefaults();
  }
}

TEST_F(HostileSettings, MissingSectionsAndKeysGiveTheDefaults) {
  for (std::string bytes : {"", "[Other]\r\nWindowTop=5\r\n", "[Program]\r\n[Memory]\r\n",
                            "[Memory]\r\nLast Path=x\r\n[Program]\r\nWindow Top=5\r\n"}) {
    filebytes::Write(file, bytes);
    ExpectDefaults();
  }
}

// Numbers are read by the platform: values in range come back, others as it reads them,
// and nothing fails. Texts (the counts) come back as typed, for the split to check.
TEST_F(HostileSettings, HugeAndNegativeNumbers) {
  filebytes::Write(file,
                   "[Program]\r\nWindowTop=-5\r\nWindowLeft=2147483647\r\nA=-2147483648\r\n"
                   "B=99999999999999999999999\r\nC=-99999999999999999999999\r\nD=12abc\r\nE=abc\r\n"
                   "[Memory]\r\nHeaderLine=-3\r\nCycleLine=99999999999999999999999\r\n");
  EXPECT_EQ(ini.ReadInteger(u"Program", u"WindowTop", 0), -5);
  EXPECT_EQ(ini.ReadInteger(u"Program", u"WindowLeft", 0), 2147483647);
  EXPECT_EQ(ini.ReadInteger(u"Program", u"A", 0), -2147483647 - 1);
  for (const char16_t* key : {u"B", u"C", u"D", u"E"}) {
    const std::int32_t value = ini.ReadInteger(u"Program", key, 42);
    std::printf("settings: %s read as the integer %d\n", testtext::Utf8(key).c_str(), value);
  }
  EXPECT_EQ(ini.ReadInteger(u"Program", u"D", 0), 12);
  EXPECT_EQ(ini.ReadString(u"Memory", u"HeaderLine", u"1"), u"-3");
  EXPECT_EQ(ini.ReadString(u"Memory", u"CycleLine", u"5"), u"99999999999999999999999");
}

// Values of 600 characters written into the file by hand: the reading buffer keeps
// 499 code units. A cut between the two halves of an emoji leaves half of it; nothing
// overflows. (The file in UTF-16 with its mark, as the platform reads every character
// from it; an ANSI file holds only what the code page can say.)
TEST_F(HostileSettings, SixHundredCharacterValues) {
  std::u16string emoji;
  for (int i = 0; i < 300; ++i) emoji += u"😀";
  const std::u16string chinese(600, u'表');
  const std::u16string text = u"[Memory]\r\nLastPath=" + emoji + u"\r\nHeaderLine=" + chinese + u"\r\n";
  std::string bytes = "\xFF\xFE";
  for (char16_t unit : text) bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  filebytes::Write(file, bytes);
  EXPECT_EQ(ini.ReadString(u"Memory", u"LastPath", u"x"), emoji.substr(0, 499));
  EXPECT_EQ(ini.ReadString(u"Memory", u"HeaderLine", u"x"), chinese.substr(0, 499));
  filebytes::Write(file, "[Memory]\r\nCycleLine=" + std::string(600, '7') + "\r\n");
  EXPECT_EQ(ini.ReadString(u"Memory", u"CycleLine", u"5"), std::u16string(499, u'7'));
}

// A read-only settings file: read as it is; the writes of the closing dialog are
// dropped and the file stays as it was. Wine run by root writes read-only files all
// the same (the permission check is the Unix one), so there the row cannot be shown.
TEST_F(HostileSettings, ReadOnlyFileIsReadAndLeftAsItIs) {
  const std::string bytes = "[Memory]\r\nCycleLine=7\r\n";
  filebytes::Write(file, bytes);
  const std::wstring path = file.wstring();
  ASSERT_TRUE(::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
  HANDLE probe = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (probe != INVALID_HANDLE_VALUE) {
    ::CloseHandle(probe);
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    GTEST_SKIP() << "this system lets read-only files be written (Wine run by root)";
  }
  EXPECT_EQ(ini.ReadString(u"Memory", u"CycleLine", u"5"), u"7");
  ini.WriteString(u"Memory", u"CycleLine", u"9");
  ini.WriteInteger(u"Program", u"WindowTop", 100);
  ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(filebytes::Read(file), bytes);
}

TEST_F(HostileSettings, FolderWhereTheFileShouldBe) {
  fs::create_directory(file);
  filebytes::Write(file / "inside.txt", "kept");
  ExpectDefaults();
  ini.WriteString(u"Memory", u"CycleLine", u"9");
  ini.WriteInteger(u"Program", u"WindowTop", 100);
  EXPECT_TRUE(fs::is_directory(file));
  EXPECT_EQ(filebytes::Read(file / "inside.txt"), "kept");
  ExpectDefaults();
}
