#include "support/UkxUtf8.h"

#include "platform/Utf8Encoding.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace {

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

}  // namespace

std::u16string Utf8ToText(std::string_view Bytes) {
  std::u16string out;
  out.reserve(Bytes.size());
  const auto* p = reinterpret_cast<const unsigned char*>(Bytes.data());
  const std::size_t size = Bytes.size();
  std::size_t i = 0;
  while (i < size) {
    unsigned char lead = p[i];
    if (lead < 0x80) {
      out += static_cast<char16_t>(lead);
      ++i;
      continue;
    }
    int extra = lead >= 0xF8 ? -1 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
    if (extra < 0) {  // a continuation byte in lead position, or a lead beyond F7
      out += u'\uFFFD';
      ++i;
      continue;
    }
    char32_t value = lead & (0x3F >> extra);
    std::size_t j = i + 1;
    while (j < size && j <= i + static_cast<std::size_t>(extra) && IsContinuation(p[j])) {
      value = (value << 6) | (p[j] & 0x3F);
      ++j;
    }
    if (j != i + 1 + static_cast<std::size_t>(extra) || value > 0x10FFFF) {
      out += u'\uFFFD';  // cut off, or beyond Unicode: one replacement for what was taken
    } else if (value >= 0x10000) {
      value -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (value >> 10));
      out += static_cast<char16_t>(0xDC00 + (value & 0x3FF));
    } else {
      out += static_cast<char16_t>(value);
    }
    i = j;
  }
  return out;
}

std::string TextToUtf8(std::u16string_view Text) { return platform::Utf16ToUtf8(Text); }

bool TkxUtf8Test::Feed(const unsigned char* Data, std::size_t Size) {
  if (FFailed) return false;
  std::size_t i = 0;
  while (i < Size) {
    if (FPending == 0) {
      // Plain ASCII between sequences, sixteen and then eight bytes at a time.
      while (i + 16 <= Size) {
        std::uint64_t a, b;
        std::memcpy(&a, Data + i, 8);
        std::memcpy(&b, Data + i + 8, 8);
        if ((a | b) & 0x8080808080808080ULL) break;
        i += 16;
      }
      while (i + 8 <= Size) {
        std::uint64_t a;
        std::memcpy(&a, Data + i, 8);
        if (a & 0x8080808080808080ULL) break;
        i += 8;
      }
      while (i < Size && Data[i] < 0x80) ++i;
      if (i == Size) break;
      FAscii = false;
      FPending = std::countl_one(Data[i++]) - 1;
      if (FPending == 0) FFailed = true;  // a byte 10xxxxxx in lead position
    }
    for (; FPending > 0 && i < Size && !FFailed; ++i, --FPending) {
      if (!IsContinuation(Data[i])) FFailed = true;
    }
    if (FFailed) return false;
  }
  return true;
}
