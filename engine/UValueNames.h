// The names of the pieces of a split by the value of a column: one pure function of the
// value's code units, the same on every platform, so that every value has a piece of its
// own on any disk, case-insensitive ones included.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// How a source's values are read as text.
struct TValueEncoding {
  enum class TKind { Utf8, Utf16Le, Utf16Be, CodePage };
  TKind Kind = TKind::Utf8;
  std::uint32_t CodePage = 0;  // for CodePage: the code page, 0 for the system's
};

// From the source's encoding as its mark tells (teNone ... teUtf16BE, support/UkxFile.h),
// its first MiB, and the code page the run was given (0: the system's): UTF-16 by its
// mark, UTF-8 with a mark or where Head is valid UTF-8, else the code page.
[[nodiscard]] TValueEncoding ValueEncodingOf(std::uint8_t Encoding, std::string_view Head, std::uint32_t CodePage);

// A value's code units (a field's, its quotes removed) as text: what does not decode as
// U+FFFD, nothing else changed. For the names of columns.
[[nodiscard]] std::u16string DecodeValue(const TValueEncoding& Encoding, std::string_view Units);

// A value's code units (a field's, its quotes removed) as a part of a name: decoded, and
// each of \ / : * ? " < > |, each control character and each byte or unit that does not
// decode made '_'. Not cut, and empty for an empty value.
[[nodiscard]] std::u16string NamePart(const TValueEncoding& Encoding, std::string_view Units);

// A value as a message shows it: decoded, control characters as '_', what does not decode
// as U+FFFD, cut to 60 characters (never inside a surrogate pair).
[[nodiscard]] std::u16string ShownValue(const TValueEncoding& Encoding, std::string_view Units);

// The names given so far, in the order their values first appeared. A name is
// <Base>-<parts joined by '-'>.<Extension> (no dot without an extension), an empty part
// being "(空)"; cut at a character boundary so that it fits the limits with 10 units to
// spare; never ending in a dot or a blank. Two values whose names are equal under the
// built-in simple uppercase table take the lowest free " (2)", " (3)", ... before the
// extension, in the order they come.
class TValueNames {
 public:
  // NameLimit: the longest name in platform::NameUnits, or -1 for none. PathRoom: the
  // UTF-16 units a name may take in a whole path (Windows' 259 less the folder's), or -1.
  TValueNames(std::u16string Base, std::u16string Extension, std::int64_t NameLimit, std::int64_t PathRoom);
  ~TValueNames();
  TValueNames(const TValueNames&) = delete;
  TValueNames& operator=(const TValueNames&) = delete;

  // Names the next value from its columns' NameParts; answers its number, from 1.
  std::int64_t Add(const std::vector<std::u16string>& Parts);
  [[nodiscard]] std::int64_t Count() const;
  // Name I (from 1). Names never move once added: another thread may read those it was told of.
  [[nodiscard]] std::u16string_view Name(std::int64_t I) const;
  // Whether name I shows its value as it stands: no part changed, cut, emptied or suffixed.
  [[nodiscard]] bool AsValue(std::int64_t I) const;
  // The number of the name equal to Name under the uppercase table, or 0.
  [[nodiscard]] std::int64_t Find(std::u16string_view Name) const;

 private:
  struct TState;
  std::unique_ptr<TState> FState;
};
