// The names of the pieces of a split by value: decoding, the characters a name may not
// hold, the limits, the suffixes of names a disk would take for one another; and the
// uppercase table they are compared by.
#include "engine/UValueNames.h"

#include "platform/Platform.h"
#include "support/UkxFile.h"
#include "support/UkxUpperCase.h"
#include "tests/TestUtil.h"

#include <gtest/gtest.h>

using testutil::Utf8;
using TKind = TValueEncoding::TKind;

namespace {

const TValueEncoding AsUtf8{TKind::Utf8, 0};
const TValueEncoding AsGbk{TKind::CodePage, 936};
const TValueEncoding AsUtf16Le{TKind::Utf16Le, 0};

struct TNamed {
  std::u16string Name;
  bool AsValue;
};

}  // namespace

TEST(ValueNames, NamesTheirLimitsAndSuffixes) {
  // A name that takes the limit to the unit, its spare units included, in this system's units.
  const std::int64_t exactly = platform::NameUnits(u"d-a\U0001F600.csv") + 10;
  struct TCase {
    const char* What;
    std::u16string Extension;
    std::int64_t NameLimit;
    std::int64_t PathRoom;
    TValueEncoding Encoding;
    std::vector<std::vector<std::string>> Values;  // each one's parts
    std::vector<TNamed> Names;
  };
  // Base d, so that the fixed units are "d-" and ".csv": 6, and 16 with the spare ones.
  const std::vector<TCase> cases = {
      {"case", u"csv", -1, -1, AsUtf8, {{"CO"}, {"Co"}, {"co"}},
       {{u"d-CO.csv", true}, {u"d-Co (2).csv", false}, {u"d-co (3).csv", false}}},
      {"non-ASCII case", u"csv", -1, -1, AsUtf8, {{"é"}, {"É"}, {"σ"}, {"Σ"}, {"д"}, {"Д"}, {"ß"}, {"SS"}},
       {{u"d-é.csv", true}, {u"d-É (2).csv", false}, {u"d-σ.csv", true}, {u"d-Σ (2).csv", false},
        {u"d-д.csv", true}, {u"d-Д (2).csv", false}, {u"d-ß.csv", true}, {u"d-SS.csv", true}}},
      {"GBK", u"csv", -1, -1, AsGbk, {{"\xB9\xE3\xB6\xAB"}, {"\xB9\xE3\xFF"}}, {{u"d-广东.csv", true}, {u"d-广_.csv", true}}},
      {"UTF-16", u"csv", -1, -1, AsUtf16Le, {{std::string("A\0\x00\xD8" "B\0", 6)}}, {{u"d-A_B.csv", true}}},
      // A byte of UTF-8 too many for the name limit, or a unit too many for the path.
      {"name limit", u"csv", 18, -1, AsUtf8, {{"a😀b"}}, {{u"d-a.csv", false}}},
      {"name limit to the unit", u"csv", exactly, -1, AsUtf8, {{"a😀b"}}, {{u"d-a😀.csv", false}}},
      {"path room in a pair", u"csv", -1, 18, AsUtf8, {{"a😀b"}}, {{u"d-a.csv", false}}},
      {"path room", u"csv", -1, 19, AsUtf8, {{"a😀b"}}, {{u"d-a😀.csv", false}}},
      {"forbidden", u"csv", -1, -1, AsUtf8, {{"AC/DC"}, {"a\\/:*?\"<>|b"}}, {{u"d-AC_DC.csv", true}, {u"d-a_________b.csv", true}}},
      {"control", u"csv", -1, -1, AsUtf8, {{"a\tb\x7F\xC2\x85" "c"}}, {{u"d-a_b__c.csv", true}}},
      {"malformed UTF-8", u"csv", -1, -1, AsUtf8, {{"x\xFFy"}, {"\xC0\xAF\xED\xA0\x80"}, {"z\xE4\xB8"}},
       {{u"d-x_y.csv", true}, {u"d-_____.csv", true}, {u"d-z__.csv", true}}},
      {"empty", u"csv", -1, -1, AsUtf8, {{""}, {"a", ""}}, {{u"d-(空).csv", false}, {u"d-a-(空).csv", false}}},
      {"literal suffix after", u"csv", -1, -1, AsUtf8, {{"a"}, {"A"}, {"A (2)"}},
       {{u"d-a.csv", true}, {u"d-A (2).csv", false}, {u"d-A (2) (2).csv", false}}},
      {"literal suffix before", u"csv", -1, -1, AsUtf8, {{"a"}, {"A (2)"}, {"A"}},
       {{u"d-a.csv", true}, {u"d-A (2).csv", true}, {u"d-A (3).csv", false}}},
      {"without extension", u"", -1, -1, AsUtf8, {{"x."}, {"y. "}, {"X_"}},
       {{u"d-x_", false}, {u"d-y__", false}, {u"d-X_ (2)", false}}},
      {"dot before extension", u"csv", -1, -1, AsUtf8, {{"z."}}, {{u"d-z..csv", true}}},
  };
  for (const TCase& c : cases) {
    TValueNames names(u"d", c.Extension, c.NameLimit, c.PathRoom);
    for (std::size_t i = 0; i < c.Values.size(); ++i) {
      std::vector<std::u16string> parts;
      for (const std::string& value : c.Values[i]) parts.push_back(NamePart(c.Encoding, value));
      const std::int64_t number = names.Add(parts);
      ASSERT_EQ(number, static_cast<std::int64_t>(i + 1)) << c.What;
      EXPECT_EQ(Utf8(names.Name(number)), Utf8(c.Names[i].Name)) << c.What;
      EXPECT_EQ(names.AsValue(number), c.Names[i].AsValue) << c.What << " " << i;
      EXPECT_EQ(names.Find(UpperText(c.Names[i].Name)), number) << c.What;
    }
    EXPECT_EQ(names.Count(), static_cast<std::int64_t>(c.Names.size())) << c.What;
    EXPECT_EQ(names.Find(u"d-unknown.csv"), 0) << c.What;
  }
}

TEST(ValueNames, ShownAndDecodedValues) {
  const std::string longValue = std::string(59, 'a') + "😀b";
  EXPECT_EQ(Utf8(ShownValue(AsUtf8, longValue)), std::string(59, 'a') + "😀");
  EXPECT_EQ(Utf8(ShownValue(AsUtf8, "a\tb\xFF")), "a_b\xEF\xBF\xBD");
  EXPECT_EQ(Utf8(DecodeValue(AsUtf8, "a\tb\xFF")), "a\tb\xEF\xBF\xBD");
  EXPECT_EQ(Utf8(DecodeValue(AsGbk, "\xB9\xE3/")), "广/");
}

TEST(ValueNames, EncodingByMarkThenByTheHead) {
  struct TCase {
    std::uint8_t Mark;
    std::string Head;
    TKind Kind;
  };
  const std::vector<TCase> cases = {
      {teUtf16LE, "\xFF\xFE" "a\0", TKind::Utf16Le},
      {teUtf16BE, "\xFE\xFF\0a", TKind::Utf16Be},
      {teUtf8Bom, "\xEF\xBB\xBF\xB9\xE3", TKind::Utf8},
      {teNone, "plain,ascii\n", TKind::Utf8},
      {teNone, "广东,1\n", TKind::Utf8},
      {teNone, "a,\xE5\xB9", TKind::Utf8},  // cut inside its last character
      {teNone, "\xB9\xE3\xB6\xAB,1\n", TKind::CodePage},
      {teNone, "\xC0\xAF", TKind::CodePage},      // overlong
      {teNone, "\xED\xA0\x80", TKind::CodePage},  // a surrogate
  };
  for (const TCase& c : cases) {
    const TValueEncoding encoding = ValueEncodingOf(c.Mark, c.Head, 936);
    EXPECT_EQ(encoding.Kind, c.Kind) << c.Head;
    EXPECT_EQ(encoding.CodePage, c.Kind == TKind::CodePage ? 936u : 0u) << c.Head;
  }
}

TEST(UpperCase, SimpleMappingOnly) {
  const std::vector<std::pair<char32_t, char32_t>> cases = {
      {U'a', U'A'}, {U'1', U'1'}, {U'ß', U'ß'}, {U'ǆ', U'Ǆ'}, {U'ǅ', U'Ǆ'}, {U'ﬃ', U'ﬃ'},
      {U'ÿ', U'Ÿ'}, {U'ı', U'I'}, {U'ᾳ', U'ᾼ'}, {U'\U00010428', U'\U00010400'}};
  for (const auto& [lower, upper] : cases) EXPECT_EQ(SimpleUpper(lower), upper) << static_cast<std::uint32_t>(lower);
  EXPECT_EQ(UpperText(u"aß\U00010428\xD801z"), u"Aß\U00010400\xD801Z");
}
