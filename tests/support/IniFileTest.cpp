// The settings file: what the dialog reads and writes, and whatever a user, a crash or
// another program may leave in its place.
#include "support/UkxIniFile.h"

#include "tests/TestUtil.h"

#include <gtest/gtest.h>

#include <random>

namespace {

class IniFile : public testing::Test {
 protected:
  // The main dialog's reads, with defaults no file holds.
  void ExpectDefaults() const {
    EXPECT_EQ(ini.ReadInteger(u"Program", u"WindowTop", -7), -7);
    EXPECT_EQ(ini.ReadString(u"Memory", u"LastPath", u"C:\\tools\\"), u"C:\\tools\\");
    EXPECT_EQ(ini.ReadString(u"Memory", u"HeaderLine", u"1"), u"1");
  }

  testutil::TempDir temp;
  const std::filesystem::path file = temp.Native("Rowdeal.ini");
  const TkxIniFile ini{temp.Path("Rowdeal.ini")};
};

}  // namespace

TEST_F(IniFile, WritesCreateTheFileAndReadBackAsStored) {
  ExpectDefaults();
  EXPECT_FALSE(std::filesystem::exists(file)) << "reading creates nothing";
  ini.WriteString(u"Memory", u"LastPath", u"D:\\work\\");
  ini.WriteString(u"Memory", u"HeaderLine", u"");
  struct { const char16_t* Key; std::int32_t Value; const char* Stored; } const numbers[] = {
      {u"WindowTop", -5, "WindowTop=-5"}, {u"Zero", 0, "Zero=0"}, {u"Min", INT32_MIN, "Min=-2147483648"},
  };
  for (const auto& n : numbers) ini.WriteInteger(u"Program", n.Key, n.Value);

  const TkxIniFile other(temp.Path("Rowdeal.ini"));  // nothing is kept in an object
  EXPECT_EQ(other.ReadString(u"Memory", u"LastPath", u"x"), u"D:\\work\\");
  EXPECT_EQ(other.ReadString(u"Memory", u"HeaderLine", u"1"), u"") << "an empty value is no missing key";
  EXPECT_EQ(other.ReadString(u"Memory", u"CycleLine", u"5"), u"5");
  const std::string content = testutil::ReadFile(file);
  for (const auto& n : numbers) {
    EXPECT_EQ(other.ReadInteger(u"Program", n.Key, 99), n.Value);
    EXPECT_NE(content.find(n.Stored), std::string::npos) << n.Stored << " in\n" << content;
  }
}

TEST_F(IniFile, DamagedFilesGiveTheDefaults) {
  std::mt19937 random(7);
  std::string noise;
  for (int i = 0; i < 20000; ++i) noise += static_cast<char>(random() % 200 + 1);
  std::erase_if(noise, [](char c) { return c == '[' || c == '='; });  // no section can begin by chance
  const std::string files[] = {
      noise, "", "]]]][[[[ = = ==\r\n=\r\n[\r\n[Program\r\nWindowTop 5\r\n", std::string(100000, 'a'),
      std::string("\0\0\0[Program]\0WindowTop=5", 24), "[Other]\r\nWindowTop=5\r\n[Program]\r\n[Memory]\r\n",
      "[Memory]\r\nLast Path=x\r\n[Program]\r\nWindow Top=5\r\n",
  };
  for (const std::string& bytes : files) {
    testutil::WriteFile(file, bytes);
    ExpectDefaults();
  }
}

// Integers are read by the platform, whatever the text; texts come back as typed, cut to
// 499 code units (the file in UTF-16, so that every character can stand in it).
TEST_F(IniFile, OddValuesComeBackAsThePlatformReadsThemAndLongOnesCut) {
  const std::u16string emoji = [] {
    std::u16string text;
    for (int i = 0; i < 300; ++i) text += u"😀";
    return text;
  }();
  const std::u16string text = u"[Program]\r\nA=-2147483648\r\nB=99999999999999999999999\r\nC=12abc\r\nD=abc\r\n"
                              u"[Memory]\r\nHeaderLine=-3\r\nLastPath=" + emoji + u"\r\nCycleLine=" +
                              std::u16string(600, u'表') + u"\r\n";
  std::string bytes = "\xFF\xFE";
  for (char16_t unit : text) bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  testutil::WriteFile(file, bytes);
  for (const wchar_t* key : {L"A", L"B", L"C", L"D"}) {
    EXPECT_EQ(ini.ReadInteger(u"Program", reinterpret_cast<const char16_t*>(key), 42),
              static_cast<std::int32_t>(GetPrivateProfileIntW(L"Program", key, 42, file.wstring().c_str())));
  }
  EXPECT_EQ(ini.ReadInteger(u"Program", u"C", 0), 12);
  EXPECT_EQ(ini.ReadString(u"Memory", u"HeaderLine", u"1"), u"-3");
  EXPECT_EQ(ini.ReadString(u"Memory", u"LastPath", u"x"), emoji.substr(0, 499));
  EXPECT_EQ(ini.ReadString(u"Memory", u"CycleLine", u"5"), std::u16string(499, u'表'));
}

TEST_F(IniFile, AFolderInThePlaceOfTheFileIsLeftAlone) {
  std::filesystem::create_directory(file);
  ini.WriteString(u"Memory", u"HeaderLine", u"9");
  ini.WriteInteger(u"Program", u"WindowTop", 100);
  EXPECT_TRUE(std::filesystem::is_directory(file));
  ExpectDefaults();
}
