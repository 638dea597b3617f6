#include "support/UkxStrUtils.h"

#include "tests/TestText.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;
using testtext::Utf8;

TEST(TextEquals, ComparesWholeTextsWithOrWithoutCase) {
  struct Case {
    std::u16string a, b;
    bool caseSensitive, expected;
  };
  const Case cases[] = {
      {u"Default", u"DEFAULT", false, true}, {u"Default", u"DEFAULT", true, false},
      {u"Default", u"Default", true, true},  {u"abc", u"abcd", false, false},
      {u"abcd", u"abc", false, false},       {u"", u"", true, true},
      {u"", u"a", false, false},             {u"Straße", u"STRASSE", true, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TextEquals(c.a, c.b, c.caseSensitive), c.expected) << Utf8(c.a) << " / " << Utf8(c.b) << " " << c.caseSensitive;
  }
}

TEST(FindChar, ScansUpToAndIncludingTheTerminator) {
  EXPECT_EQ(FindChar(u"abcb", u'b'), 2);
  EXPECT_EQ(FindChar(u"abc", u'x'), 0);
  EXPECT_EQ(FindChar(u"abc", u'\0'), 4);
  EXPECT_EQ(FindChar(u"", u'\0'), 1);
  EXPECT_EQ(FindChar(u"", u'a'), 0);
}

TEST(PosFrom, FindsTheFirstOccurrenceAtOrAfterStart) {
  struct Case {
    std::u16string sub, s;
    int start, expected;
  };
  const Case cases[] = {
      {u"b", u"abcb", 1, 2},   {u"b", u"abcb", 2, 2},     {u"b", u"abcb", 3, 4},  {u"b", u"abcb", 5, 0},
      {u"cb", u"abcb", 1, 3},  {u"abcbx", u"abcb", 1, 0}, {u"B", u"abcb", 1, 0},  {u"abcb", u"abcb", 1, 1},
      {u"aa", u"xaaa", 1, 2},  {u"x", u"", 1, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PosFrom(c.sub, c.s, c.start), c.expected) << Utf8(c.sub) << " in " << Utf8(c.s) << " from " << c.start;
  }
}

TEST(LastPos, FindsTheLastOccurrenceAtOrBeforeMaxStart) {
  struct Case {
    std::u16string sub, s;
    int maxStart, expected;
  };
  const Case cases[] = {
      {u".", u"a.b.c", 0, 4}, {u".", u"a.b.c", 4, 4}, {u".", u"a.b.c", 3, 2}, {u".", u"a.b.c", 1, 0},
      {u"bc", u"abc", 0, 2},  {u"bc", u"abc", 3, 2},  {u"bc", u"abc", 9, 2},  {u"abcd", u"abc", 0, 0},
      {u"x", u"", 0, 0},      {u"aa", u"aaa", 0, 2},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LastPos(c.sub, c.s, c.maxStart), c.expected) << Utf8(c.sub) << " in " << Utf8(c.s) << " up to " << c.maxStart;
  }
}

TEST(LeftAndMidText, CutWithinTheText) {
  EXPECT_EQ(LeftText(u"abc", -1), u"abc");
  EXPECT_EQ(LeftText(u"abc", 0), u"");
  EXPECT_EQ(LeftText(u"abc", 2), u"ab");
  EXPECT_EQ(LeftText(u"abc", 10), u"abc");

  struct Case {
    int start, count;
    std::u16string expected;
  };
  const Case cases[] = {
      {2, 3, u"bcd"}, {0, 2, u"ab"}, {-4, 2, u"ab"}, {5, 10, u"ef"}, {6, 1, u"f"},
      {7, 1, u""},    {3, -1, u"cdef"}, {6, 0, u""}, {1, -5, u"abcdef"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MidText(u"abcdef", c.start, c.count), c.expected) << c.start << " " << c.count;
  }
  EXPECT_EQ(MidText(u"", 1, 1), u"");
}

TEST(TrimText, RemovesControlCharactersAndBlanksOnlyAtTheEnds) {
  struct Case {
    std::u16string s, expected;
  };
  const Case cases[] = {
      {u"  a b \t\r\n", u"a b"},
      {u"\0\x01x\x1F\x20"s, u"x"},
      {u"\u00A0x\u3000", u"\u00A0x\u3000"},
      {u"!", u"!"},
      {u"", u""},
      {u" \t\n ", u""},
      {u"a\0b"s, u"a\0b"s},
  };
  for (const Case& c : cases) EXPECT_EQ(TrimText(c.s), c.expected) << Utf8(c.s);
}

TEST(ReplaceAll, ReplacesLeftToRightWithoutOverlapOrRescanning) {
  struct Case {
    std::u16string s, from, to, expected;
  };
  const Case cases[] = {
      {u"aaa", u"aa", u"b", u"ba"},
      {u"abcabc", u"bc", u"x", u"axax"},
      {u"abc", u"b", u"bb", u"abbc"},
      {u"aXa", u"a", u"", u"X"},
      {u"ABC", u"b", u"x", u"ABC"},
      {u"abc", u"x", u"y", u"abc"},
      {u"", u"x", u"y", u""},
      {u"C:\\a.exe.d\\b.exe", u".exe", u".ini", u"C:\\a.ini.d\\b.ini"},
  };
  for (const Case& c : cases) EXPECT_EQ(ReplaceAll(c.s, c.from, c.to), c.expected) << Utf8(c.s);
}

TEST(AnsiToText, ConvertsPlainAscii) {
  EXPECT_EQ(AnsiToText("Hello, 1!"), u"Hello, 1!");
  EXPECT_EQ(AnsiToText(""), u"");
}
