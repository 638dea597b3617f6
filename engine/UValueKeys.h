// The distinct keys of a split by value, in the order they first come, each with the
// name of its piece: fixed memory and a few dozen bytes a key beside its own, never any
// per record.
#pragma once

#include "engine/UKeyFields.h"
#include "engine/UPieceNames.h"
#include "engine/UValueNames.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TValueKeys : public TPieceNames {
 public:
  TValueKeys(TKeyReader Reader, TValueEncoding Encoding, std::u16string Base, std::u16string Extension);
  // Names are made to fit these limits (TValueNames), from the first key on.
  void Open(std::int64_t NameLimit, std::int64_t PathRoom);

  // The output of Key, from 0: a key not seen before takes the next one, and its name.
  [[nodiscard]] std::int64_t IndexOf(std::string_view Key) {
    if (Key.size() == FLastSize && FLast >= 0 && SameKey(Key.data(), KeyAt(FLast).data(), Key.size())) return FLast;
    return Look(Key);
  }
  // The last Size bytes of a key (fewer than 8) as one word, by loads of fixed sizes:
  // keys are mostly a few bytes, and a call per record costs more than the rest.
  [[nodiscard]] static std::uint64_t TailOf(const char* At, std::size_t Size) {
    const auto byte = [At](std::size_t i) { return static_cast<std::uint64_t>(static_cast<unsigned char>(At[i])); };
    if (Size >= 4) {
      std::uint32_t first, last;
      std::memcpy(&first, At, 4);
      std::memcpy(&last, At + Size - 4, 4);
      return first | static_cast<std::uint64_t>(last) << 32;
    }
    return Size == 0 ? 0 : byte(0) | byte(Size / 2) << 8 | byte(Size - 1) << 16;
  }
  // Whether the Size bytes at A and B are the same, short ones compared in line.
  [[nodiscard]] static bool SameKey(const char* A, const char* B, std::size_t Size) {
    if (Size > 8) return std::memcmp(A, B, Size) == 0;
    return TailOf(A, Size) == TailOf(B, Size);
  }
  [[nodiscard]] TKeyReader& Reader() { return FReader; }

  [[nodiscard]] std::int64_t Count() const override { return static_cast<std::int64_t>(FKeys.size()); }
  [[nodiscard]] std::u16string Name(std::int64_t I) const override;
  [[nodiscard]] std::u16string Shown(std::int64_t I) const override;
  // The number of the piece named Name under the names' uppercase table, or 0.
  [[nodiscard]] std::int64_t Find(std::u16string_view Name) const override { return FNames ? FNames->Find(Name) : 0; }

 private:
  struct TKey {
    const char* Units;
    std::uint32_t Size;
    std::uint32_t Hash;
  };
  [[nodiscard]] std::string_view KeyAt(std::int64_t I) const {
    const TKey& key = FKeys[static_cast<std::size_t>(I)];
    return {key.Units, key.Size};
  }
  [[nodiscard]] std::int64_t Look(std::string_view Key);
  [[nodiscard]] std::int64_t Add(std::string_view Key, std::uint64_t Hash);
  [[nodiscard]] const char* Keep(std::string_view Key);
  void Grow();

  TKeyReader FReader;
  const TValueEncoding FEncoding;
  const std::u16string FBase;
  const std::u16string FExtension;
  std::unique_ptr<TValueNames> FNames;
  std::vector<TKey> FKeys;
  std::vector<bool> FChanged;        // a value that its name does not show as it stands
  std::vector<std::uint32_t> FSlots;  // open addressing: key number + 1, 0 for none
  std::vector<std::unique_ptr<char[]>> FArena;
  std::size_t FArenaLeft = 0;
  char* FArenaAt = nullptr;
  std::int64_t FLast = -1;  // the key looked up last: records of one key often follow one another
  std::size_t FLastSize = 0;
};
