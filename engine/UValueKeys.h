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
  // (Asked for every record: in line up to a new key.)
  [[nodiscard]] std::int64_t IndexOf(std::string_view Key) {
    const std::uint64_t hash = HashOf(Key);
    const std::uint64_t tag = hash >> 32 << 32;
    const std::size_t mask = FSlots.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
      const std::uint64_t entry = FSlots[slot];
      if (entry == 0) return Add(Key, slot, tag);
      const std::size_t number = static_cast<std::uint32_t>(entry) - std::size_t{1};
      if ((entry >> 32 << 32) == tag && IsKey(FKeys[number], Key)) return static_cast<std::int64_t>(number);
    }
  }
  [[nodiscard]] static std::uint64_t HashOf(std::string_view Key) {
    std::uint64_t hash = 0x9E3779B97F4A7C15ull ^ Key.size();
    std::size_t at = 0;
    for (; at + 8 <= Key.size(); at += 8) {
      std::uint64_t word;
      std::memcpy(&word, Key.data() + at, 8);
      hash = (hash ^ word) * 0xFF51AFD7ED558CCDull;
      hash ^= hash >> 32;
    }
    hash = (hash ^ TailOf(Key.data() + at, Key.size() - at)) * 0xC4CEB9FE1A85EC53ull;
    return hash ^ (hash >> 29);
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

  [[nodiscard]] TKeyReader& Reader() { return FReader; }

  [[nodiscard]] std::int64_t Count() const override { return static_cast<std::int64_t>(FKeys.size()); }
  [[nodiscard]] std::u16string Name(std::int64_t I) const override;
  [[nodiscard]] std::u16string Shown(std::int64_t I) const override;
  // The number of the piece named Name under the names' uppercase table, or 0.
  [[nodiscard]] std::int64_t Find(std::u16string_view Name) const override { return FNames ? FNames->Find(Name) : 0; }

 private:
  struct TKey {
    const char* Units;
    std::uint64_t Word;  // the units of a key of up to 8 bytes (TailOf), which is then compared by it alone
    std::uint32_t Size;
  };
  // Whether Known is Key.
  [[nodiscard]] static bool IsKey(const TKey& Known, std::string_view Key) {
    if (Known.Size != Key.size()) return false;
    if (Key.size() <= 8) return Known.Word == TailOf(Key.data(), Key.size());
    return std::memcmp(Known.Units, Key.data(), Key.size()) == 0;
  }
  [[nodiscard]] std::string_view KeyAt(std::int64_t I) const {
    const TKey& key = FKeys[static_cast<std::size_t>(I)];
    return {key.Units, key.Size};
  }
  // Adds Key, which takes the empty Slot with the hash's Tag.
  [[nodiscard]] std::int64_t Add(std::string_view Key, std::size_t Slot, std::uint64_t Tag);
  [[nodiscard]] const char* Keep(std::string_view Key);
  void Grow();

  TKeyReader FReader;
  const TValueEncoding FEncoding;
  const std::u16string FBase;
  const std::u16string FExtension;
  std::unique_ptr<TValueNames> FNames;
  std::vector<TKey> FKeys;
  std::vector<bool> FChanged;        // a value that its name does not show as it stands
  // Open addressing: the high half of the key's hash, and its number + 1 below; 0 for none.
  std::vector<std::uint64_t> FSlots;
  std::vector<std::unique_ptr<char[]>> FArena;
  std::size_t FArenaLeft = 0;
  char* FArenaAt = nullptr;
};
