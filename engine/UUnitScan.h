// Finds ASCII characters among raw code units, 64 bytes a step: the one compare behind
// the line search, the runs of lines and the record scan.
#pragma once

#include "support/UkxByteStream.h"

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Code units of UnitSize bytes, of two with the high byte first when BigEndian.
template <std::size_t UnitSize, bool BigEndian>
struct TUnits {
  static constexpr std::size_t Size = UnitSize;
  static constexpr bool Big = BigEndian;
  // The unit at At when it is an ASCII character, else 0.
  static char Ascii(const char* At) {
    if constexpr (UnitSize == 1) {
      return At[0];
    } else {
      return At[BigEndian ? 0 : 1] == '\0' ? At[BigEndian ? 1 : 0] : '\0';
    }
  }
};

// Answers Scan(TUnits) for the units of Layout: each scanner is compiled once per width
// and order, its compares in line.
template <class TScan>
decltype(auto) WithUnits(TkxUnitLayout Layout, TScan&& Scan) {
  if (Layout.Size == 1) return Scan(TUnits<1, false>{});
  if (Layout.BigEndian) return Scan(TUnits<2, true>{});
  return Scan(TUnits<2, false>{});
}

// Bit i set where a unit equal to one of Chars (ASCII, not NUL) begins at From + i, among
// the Size bytes from From (at most 64, whole units): a unit at a time, where there is
// no SSE2.
template <class Units>
[[nodiscard]] std::uint64_t UnitsAmong(const char* From, std::size_t Size, std::same_as<char> auto... Chars) {
  std::uint64_t hits = 0;
  for (std::size_t i = 0; i + Units::Size <= Size; i += Units::Size) {
    const char unit = Units::Ascii(From + i);
    if (((unit == Chars) || ...)) hits |= std::uint64_t{1} << i;
  }
  return hits;
}

// 64 bytes of units, loaded once and compared with as many characters as asked.
template <class Units>
class TUnitBlock {
 public:
  static constexpr std::size_t Bytes = 64;

  // The Bytes bytes from From.
#if defined(__SSE2__)
  explicit TUnitBlock(const char* From) : FLanes{Load(From), Load(From + 16), Load(From + 32), Load(From + 48)} {}
#else
  explicit TUnitBlock(const char* From) : FFrom(From) {}
#endif

  // The block from From, or where fewer bytes are Left (whole units, at least one), those
  // followed by zeros, which are none of the characters asked for: the end of a buffer is
  // never read past.
  [[nodiscard]] static TUnitBlock Within(const char* From, std::size_t Left) {
#if defined(__SSE2__)
    // One load for both cases, from the bytes or from their padded copy, keeps the lanes
    // in registers.
    char padded[Bytes];
    if (Left < Bytes) {
      std::memset(padded, 0, Bytes);
      std::memcpy(padded, From, Left);
      From = padded;
    }
    return TUnitBlock(From);
#else
    TUnitBlock block(From);
    block.FSize = Left < Bytes ? Left : Bytes;
    return block;
#endif
  }

  // Bit i set where a unit equal to one of Chars (ASCII, not NUL) begins at i.
  [[nodiscard]] std::uint64_t UnitsOf(std::same_as<char> auto... Chars) const {
#if defined(__SSE2__)
    // Written out lane by lane: a loop over the lanes was left a loop, its lanes in memory.
    const auto hitsAt = [&](std::size_t K) {
      __m128i found = _mm_setzero_si128();
      ((found = _mm_or_si128(found, Equal(FLanes[K], Chars))), ...);
      return static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm_movemask_epi8(found))) << 16 * K;
    };
    const std::uint64_t hits = hitsAt(0) | hitsAt(1) | hitsAt(2) | hitsAt(3);
    // A two-byte unit matches in both its bytes: the bit of its first one stands for it.
    return Units::Size == 1 ? hits : hits & 0x5555555555555555u;
#else
    return UnitsAmong<Units>(FFrom, FSize, Chars...);
#endif
  }

 private:
#if defined(__SSE2__)
  static __m128i Load(const char* From) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(From)); }
  // All ones in the units of Lane that are Ch.
  static __m128i Equal(__m128i Lane, char Ch) {
    if constexpr (Units::Size == 1) {
      return _mm_cmpeq_epi8(Lane, _mm_set1_epi8(Ch));
    } else {
      // The unit as a little-endian load sees it.
      return _mm_cmpeq_epi16(Lane, _mm_set1_epi16(static_cast<short>(Units::Big ? Ch << 8 : Ch)));
    }
  }
  __m128i FLanes[4];
#else
  const char* FFrom;
  std::size_t FSize = Bytes;
#endif
};
