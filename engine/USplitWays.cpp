#include "engine/USplitWays.h"

#include "engine/UEngineTexts.h"
#include "support/UkxException.h"
#include "support/UkxFunctions.h"
#include "support/UkxStrUtils.h"

#include <algorithm>
#include <string_view>

namespace {

constexpr std::int64_t MaxBytes = std::numeric_limits<std::int64_t>::max();

// The size's suffix, in any case, and what it multiplies by; 0 for none of them.
std::int64_t SuffixFactor(std::u16string Suffix) {
  for (char16_t& c : Suffix) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  if (Suffix.empty()) return 1;
  const std::u16string_view units = u"KMG";
  const std::size_t power = units.find(Suffix[0]) + 1;
  if (power == 0 || Suffix.size() > 2 || (Suffix.size() == 2 && Suffix[1] != u'B')) return 0;
  std::int64_t factor = 1;
  for (std::size_t i = 0; i < power; ++i) factor *= Suffix.size() == 2 ? 1000 : 1024;
  return factor;
}

// A count as typed, converted and checked against its range.
TTypedCount CountOf(const std::u16string& Text, std::int64_t Least, std::int64_t Most, const char16_t* Refusal) {
  try {
    const std::int64_t value = TextToInt(Text);
    if (value < Least || value > Most) return TTypedCount{0, Refusal};
    return TTypedCount{value, {}};
  } catch (const TkxException& refused) {
    return TTypedCount{0, refused.Message};
  }
}

}  // namespace

bool ReadsRecords(TRecordMode Records, const std::u16string& Extension) {
  std::u16string lower = Extension;
  for (char16_t& c : lower) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return Records == TRecordMode::Csv || (Records == TRecordMode::Auto && lower == u"csv");
}

const TSplitWay& WayOf(TSplitMode Mode) { return SplitWays[static_cast<std::size_t>(Mode)]; }

TTypedCount ReadHeaderCount(const std::u16string& Text) { return CountOf(Text, 0, MaxCount, HeaderCountText); }

TTypedCount ReadWayCount(TSplitMode Mode, const std::u16string& Text) {
  const TSplitWay& way = WayOf(Mode);
  if (way.Column) return TTypedCount{0, {}};
  if (!way.Bytes) return CountOf(Text, way.Least, way.Most, way.Refusal);
  try {
    return TTypedCount{ReadSize(Text), {}};
  } catch (const TkxException& refused) {
    return TTypedCount{0, refused.Message};
  }
}

std::int64_t ReadSize(const std::u16string& Text) {
  const std::u16string text = TrimText(Text);
  const std::size_t start = !text.empty() && text[0] == u'-' ? 1 : 0;
  const std::size_t end = std::min(text.find_first_not_of(u"0123456789", start), text.size());
  // Not even a digit in front: no number at all, refused as any count is.
  if (end == start) (void)TextToInt(text);
  const std::int64_t factor = SuffixFactor(text.substr(end));
  std::int64_t value = 0;
  try {
    value = TextToInt(text.substr(0, end));
  } catch (const TkxException&) {
    throw TkxException(MaxSizeText);  // beyond 64 bits
  }
  if (factor == 0 || value < 1 || value > MaxBytes / factor) throw TkxException(MaxSizeText);
  return value * factor;
}
