// The settings file: what the dialog reads and writes. Parsing damaged files is the
// platform's profile reader, not ours; what we add is the defaults, the integer text and
// the cut of long values.
#include "support/UkxIniFile.h"

#include "tests/TestUtil.h"

#include <gtest/gtest.h>

TEST(IniFile, WritesReadBackAsStoredLongValuesAreCutAndAFolderIsLeftAlone) {
  testutil::TempDir temp;
  const TkxIniFile ini{temp.Path("Rowdeal.ini")};
  EXPECT_EQ(ini.ReadInteger(u"Program", u"WindowTop", -7), -7);
  EXPECT_EQ(ini.ReadString(u"Memory", u"LastPath", u"C:\\tools\\"), u"C:\\tools\\");
  EXPECT_FALSE(std::filesystem::exists(temp.Native("Rowdeal.ini"))) << "reading creates nothing";
  ini.WriteString(u"Memory", u"HeaderLine", u"");
  ini.WriteString(u"Memory", u"CycleLine", std::u16string(600, u'x'));
  ini.WriteInteger(u"Program", u"WindowTop", INT32_MIN);
  EXPECT_EQ(TkxIniFile(temp.Path("Rowdeal.ini")).ReadInteger(u"Program", u"WindowTop", 99), INT32_MIN);
  EXPECT_EQ(ini.ReadString(u"Memory", u"HeaderLine", u"1"), u"") << "an empty value is no missing key";
  EXPECT_EQ(ini.ReadString(u"Memory", u"CycleLine", u"5"), std::u16string(499, u'x'));

  const TkxIniFile blocked{temp.Path("folder.ini")};
  std::filesystem::create_directory(temp.Native("folder.ini"));
  blocked.WriteInteger(u"Program", u"WindowTop", 100);
  EXPECT_TRUE(std::filesystem::is_directory(temp.Native("folder.ini")));
  EXPECT_EQ(blocked.ReadInteger(u"Program", u"WindowTop", -7), -7);
}
