#include "engine/UValueKeys.h"

#include <algorithm>
#include <cstring>

namespace {

// Keys are kept in chunks of this size that never move; a larger key has one of its own.
constexpr std::size_t ArenaChunk = 1u << 20;

}  // namespace

TValueKeys::TValueKeys(TKeyReader Reader, TValueEncoding Encoding, std::u16string Base, std::u16string Extension)
    : FReader(std::move(Reader)), FEncoding(Encoding), FBase(std::move(Base)), FExtension(std::move(Extension)),
      FSlots(1024, 0) {}

void TValueKeys::Open(std::int64_t NameLimit, std::int64_t PathRoom) {
  FNames = std::make_unique<TValueNames>(FBase, FExtension, NameLimit, PathRoom);
}

std::int64_t TValueKeys::Add(std::string_view Key, std::size_t Slot, std::uint64_t Tag) {
  FSlots[Slot] = Tag | (FKeys.size() + 1);
  FKeys.push_back(TKey{Keep(Key), TailOf(Key.data(), std::min<std::size_t>(Key.size(), 8)),
                       static_cast<std::uint32_t>(Key.size())});
  std::vector<std::u16string> parts;
  bool changed = false;
  for (const std::string_view value : FReader.ValuesOf(Key)) {
    parts.push_back(NamePart(FEncoding, value));
    changed = changed || parts.back() != DecodeValue(FEncoding, value);
  }
  const std::int64_t number = FNames->Add(parts);
  FChanged.push_back(changed || !FNames->AsValue(number));
  if (FKeys.size() * 2 > FSlots.size()) Grow();
  return static_cast<std::int64_t>(FKeys.size()) - 1;
}

const char* TValueKeys::Keep(std::string_view Key) {
  if (Key.size() > ArenaChunk / 4) {
    FArena.push_back(std::make_unique<char[]>(Key.size()));
    std::memcpy(FArena.back().get(), Key.data(), Key.size());
    return FArena.back().get();
  }
  if (Key.size() > FArenaLeft) {
    FArena.push_back(std::make_unique<char[]>(ArenaChunk));
    FArenaAt = FArena.back().get();
    FArenaLeft = ArenaChunk;
  }
  char* kept = FArenaAt;
  if (Key.empty()) return kept;  // the empty key: nothing to keep, and maybe nowhere yet
  std::memcpy(kept, Key.data(), Key.size());
  FArenaAt += Key.size();
  FArenaLeft -= Key.size();
  return kept;
}

void TValueKeys::Grow() {
  std::vector<std::uint64_t> slots(FSlots.size() * 2, 0);
  const std::size_t mask = slots.size() - 1;
  for (std::size_t k = 0; k < FKeys.size(); ++k) {
    const TKey& key = FKeys[k];
    const std::uint64_t hash = HashOf(std::string_view(key.Units, key.Size));
    std::size_t slot = hash & mask;
    while (slots[slot] != 0) slot = (slot + 1) & mask;
    slots[slot] = (hash >> 32 << 32) | (k + 1);
  }
  FSlots.swap(slots);
}

std::u16string TValueKeys::Name(std::int64_t I) const { return std::u16string(FNames->Name(I)); }

std::u16string TValueKeys::Shown(std::int64_t I) const {
  if (!FChanged[static_cast<std::size_t>(I - 1)]) return {};
  std::u16string shown;
  for (const std::string_view value : FReader.ValuesOf(KeyAt(I - 1))) {
    if (!shown.empty()) shown += u'-';
    shown += ShownValue(FEncoding, value);
  }
  return shown;
}
