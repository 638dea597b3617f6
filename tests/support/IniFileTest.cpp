#include "support/UkxIniFile.h"

#include "support/UkxFunctions.h"
#include "tests/TestText.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <limits>
#include <string>

namespace {

class IniFile : public testing::Test {
 protected:
  TempDir temp;
  const std::u16string path = temp.Path("settings.ini");

  std::string FileContent() const {
    std::ifstream in(temp.Native("settings.ini"), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
};

}  // namespace

TEST_F(IniFile, MissingFileGivesDefaultsAndTheFirstWriteCreatesIt) {
  TkxIniFile ini(path);
  EXPECT_EQ(ini.FileName, path);
  EXPECT_EQ(ini.ReadString(u"Program", u"Dir", u"C:\\default\\"), u"C:\\default\\");
  EXPECT_EQ(ini.ReadInteger(u"Memory", u"Head", 3), 3);
  EXPECT_EQ(ini.ReadInteger(u"Memory", u"Head", -7), -7);
  EXPECT_FALSE(PathExists(path));  // reading creates nothing

  ini.WriteString(u"Program", u"Dir", u"C:\\data\\");
  EXPECT_TRUE(PathExists(path));
  EXPECT_EQ(ini.ReadString(u"Program", u"Dir", u"x"), u"C:\\data\\");
  // Other keys and sections are still missing.
  EXPECT_EQ(ini.ReadString(u"Program", u"Other", u"d"), u"d");
  EXPECT_EQ(ini.ReadString(u"Memory", u"Dir", u"d"), u"d");
}

TEST_F(IniFile, AnEmptyValueIsNotAMissingKey) {
  TkxIniFile ini(path);
  ini.WriteString(u"Program", u"Dir", u"");
  EXPECT_EQ(ini.ReadString(u"Program", u"Dir", u"default"), u"");
  EXPECT_EQ(ini.ReadString(u"Program", u"Missing", u"default"), u"default");
  ini.WriteString(u"Program", u"Dir", u"set");
  ini.WriteString(u"Program", u"Dir", u"");  // empties the value, keeps the key
  EXPECT_EQ(ini.ReadString(u"Program", u"Dir", u"default"), u"");
}

TEST_F(IniFile, LongValuesReadBackCutTo499Characters) {
  TkxIniFile ini(path);
  std::u16string value;
  for (int i = 0; i < 600; ++i) value += static_cast<char16_t>(u'a' + i % 26);
  ini.WriteString(u"Program", u"Long", value);
  EXPECT_EQ(ini.ReadString(u"Program", u"Long", u""), value.substr(0, 499));
  const std::u16string fits = value.substr(0, 499);
  ini.WriteString(u"Program", u"Fits", fits);
  EXPECT_EQ(ini.ReadString(u"Program", u"Fits", u""), fits);
}

TEST_F(IniFile, IntegersAreStoredAsDecimalText) {
  TkxIniFile ini(path);
  struct Case {
    const char16_t* key;
    std::int32_t value;
    const char* stored;
  };
  const Case cases[] = {
      {u"Neg", -5, "Neg=-5"},
      {u"Zero", 0, "Zero=0"},
      {u"Big", 2147483647, "Big=2147483647"},
      {u"Small", std::numeric_limits<std::int32_t>::min(), "Small=-2147483648"},
  };
  for (const Case& c : cases) ini.WriteInteger(u"Memory", c.key, c.value);
  const std::string content = FileContent();
  for (const Case& c : cases) {
    EXPECT_NE(content.find(c.stored), std::string::npos) << c.stored << " in\n" << content;
    EXPECT_EQ(ini.ReadInteger(u"Memory", c.key, 99), c.value) << c.stored;
    EXPECT_EQ(ini.ReadString(u"Memory", c.key, u""), IntToText(0, c.value));
  }
  // Text written by hand is read as an integer by the platform too.
  ini.WriteString(u"Memory", u"Typed", u"42");
  EXPECT_EQ(ini.ReadInteger(u"Memory", u"Typed", 0), 42);
}

TEST_F(IniFile, AnotherObjectOnTheSameFileSeesTheWrites) {
  {
    TkxIniFile first(path);
    first.WriteString(u"Program", u"Dir", u"D:\\work\\");
    first.WriteInteger(u"Memory", u"Count", 12);
  }
  TkxIniFile second(path);
  EXPECT_EQ(second.ReadString(u"Program", u"Dir", u""), u"D:\\work\\");
  EXPECT_EQ(second.ReadInteger(u"Memory", u"Count", 0), 12);
  TkxIniFile third(path);
  third.WriteInteger(u"Memory", u"Count", 13);
  EXPECT_EQ(second.ReadInteger(u"Memory", u"Count", 0), 13);
  const std::string content = FileContent();
  EXPECT_NE(content.find("[Program]"), std::string::npos) << content;
  EXPECT_NE(content.find("[Memory]"), std::string::npos) << content;
}
