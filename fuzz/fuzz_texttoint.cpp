// TextToInt against a plain model: trimming, one leading minus, decimal digits only,
// the full 64-bit range and nothing beyond it, and the exact failure messages; every
// value it reads comes back from IntToText.
#include "fuzz/FuzzScratch.h"
#include "support/UkxFunctions.h"
#include "support/UkxException.h"

#include <cstdint>
#include <string>

namespace {

// Small alphabets find the interesting texts quickly; the raw form reaches every unit.
std::u16string TextOf(const std::uint8_t* data, std::size_t size) {
  std::u16string text;
  if (size == 0) return text;
  if (data[0] & 1) {
    static const char16_t alphabet[] = {u'0', u'1', u'2', u'5', u'7', u'8', u'9', u'9', u'-', u' ', u'\t',
                                        u'\0', u'+', u'a', u'\u00A0', u'\u3000', u'\u0660', u'\uFF11', u'\n', u'9'};
    for (std::size_t i = 1; i < size; ++i) text += alphabet[data[i] % (sizeof alphabet / sizeof alphabet[0])];
  } else {
    for (std::size_t i = 1; i + 1 < size; i += 2) text += static_cast<char16_t>(data[i] | data[i + 1] << 8);
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string text = TextOf(data, size);

  // The model.
  std::size_t begin = 0, end = text.size();
  while (begin < end && text[begin] <= u' ') ++begin;
  while (end > begin && text[end - 1] <= u' ') --end;
  std::u16string body = text.substr(begin, end - begin);
  std::u16string expectedMessage;
  __int128 value = 0;
  if (body.empty()) {
    expectedMessage = u" is empty!";
  } else {
    const bool negative = body[0] == u'-';
    if (negative) body.erase(0, 1);
    for (char16_t ch : body) {
      if (ch < u'0' || ch > u'9') {
        expectedMessage = body + u" is not a valid integer!";
        break;
      }
      value = value * 10 + (ch - u'0');
      if (value > (static_cast<__int128>(1) << 64)) value = static_cast<__int128>(1) << 64;  // far out of range
    }
    if (negative) value = -value;
    if (expectedMessage.empty() && (value > INT64_MAX || value < INT64_MIN)) {
      expectedMessage = body + u" is not a valid integer!";
    }
  }

  try {
    const std::int64_t got = TextToInt(text);
    FUZZ_CHECK(expectedMessage.empty());
    FUZZ_CHECK(got == static_cast<std::int64_t>(value));
    FUZZ_CHECK(TextToInt(IntToText(0, got)) == got);
    const std::u16string padded = IntToText(25, got);
    FUZZ_CHECK(padded.size() == (got < 0 ? 26u : 25u));
    FUZZ_CHECK(TextToInt(padded) == got);
  } catch (const TkxException& e) {
    FUZZ_CHECK(e.Message == expectedMessage);
  }
  FUZZ_CHECK(TextToIntDef(text, -77) == (expectedMessage.empty() ? static_cast<std::int64_t>(value) : -77));
  return 0;
}
