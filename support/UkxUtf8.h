// UTF-8 and UTF-16 texts, and the lax UTF-8 test that tells a UTF-8 file from an ANSI one.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Decodes UTF-8. Nothing is dropped: a 4-byte sequence becomes its surrogate pair,
// and every malformed or cut-off sequence becomes one U+FFFD while decoding goes on
// with the byte after it. Overlong forms are decoded as they stand.
std::u16string Utf8ToText(std::string_view Bytes);

// Encodes UTF-16 as UTF-8: a valid surrogate pair as one 4-byte sequence, every other
// code unit by itself (an unpaired surrogate as its own 3-byte form).
std::string TextToUtf8(std::u16string_view Text);

// The test that decides between UTF-8 and ANSI, fed with a file's bytes in pieces.
// It passes when the bytes hold at least one byte of 0x80 or more and every lead
// byte is followed by as many bytes 10xxxxxx as it has leading 1 bits minus one
// (so lead bytes F8 to FF are accepted, with 4 to 7 such bytes).
class TkxUtf8Test {
 public:
  // Feeds the next bytes; false once the test has failed, so the caller can stop.
  bool Feed(const unsigned char* Data, std::size_t Size);
  // The verdict after the last byte.
  bool Passed() const { return !FFailed && FPending == 0 && !FAscii; }

 private:
  int FPending = 0;
  bool FAscii = true;
  bool FFailed = false;
};
