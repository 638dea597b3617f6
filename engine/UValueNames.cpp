#include "engine/UValueNames.h"

#include "platform/Platform.h"
#include "support/UkxFile.h"
#include "support/UkxUpperCase.h"

#include <algorithm>
#include <array>
#include <bit>

namespace {

// What a byte or a code unit that decodes to no character is handed on as.
constexpr char32_t Undecodable = 0xFFFFFFFF;
constexpr std::size_t ShownLength = 60;
// Units every name leaves free for a suffix " (k)" and for what the folder adds.
constexpr std::int64_t SpareUnits = 10;
constexpr std::u16string_view EmptyPart = u"(空)";
constexpr std::u16string_view Forbidden = u"\\/:*?\"<>|";

bool IsHighSurrogate(char32_t C) { return C >= 0xD800 && C <= 0xDBFF; }
bool IsLowSurrogate(char32_t C) { return C >= 0xDC00 && C <= 0xDFFF; }
bool IsControl(char32_t C) { return C < 0x20 || (C >= 0x7F && C <= 0x9F); }
bool IsForbidden(char32_t C) {
  return C < 0x80 && Forbidden.find(static_cast<char16_t>(C)) != std::u16string_view::npos;
}

void Append(std::u16string& Text, char32_t C) {
  if (C < 0x10000) {
    Text += static_cast<char16_t>(C);
  } else {
    Text += static_cast<char16_t>(0xD800 + ((C - 0x10000) >> 10));
    Text += static_cast<char16_t>(0xDC00 + ((C - 0x10000) & 0x3FF));
  }
}

std::size_t CharLength(std::u16string_view Text, std::size_t At) {
  return IsHighSurrogate(Text[At]) && At + 1 < Text.size() && IsLowSurrogate(Text[At + 1]) ? 2 : 1;
}

// The bytes of the well-formed UTF-8 sequence at the start of Bytes and its character;
// 0 for none, with Cut set where Bytes end inside a sequence well formed so far.
std::size_t Utf8Char(std::string_view Bytes, char32_t& Char, bool& Cut) {
  const auto lead = static_cast<unsigned char>(Bytes[0]);
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead < 0x80) {
    Char = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    Char = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    Char = lead & 0x0F;
    low = lead == 0xE0 ? 0xA0 : 0x80;  // no overlong forms
    high = lead == 0xED ? 0x9F : 0xBF;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    Char = lead & 0x07;
    low = lead == 0xF0 ? 0x90 : 0x80;
    high = lead == 0xF4 ? 0x8F : 0xBF;  // nothing past U+10FFFF
  } else {
    return 0;
  }
  for (std::size_t i = 1; i < length; ++i) {
    if (i == Bytes.size()) {
      Cut = true;
      return 0;
    }
    const auto next = static_cast<unsigned char>(Bytes[i]);
    if (next < low || next > high) return 0;
    Char = (Char << 6) | (next & 0x3F);
    low = 0x80;
    high = 0xBF;
  }
  return length;
}

// A head cut by the size of a read may end inside a character.
bool IsUtf8(std::string_view Head) {
  while (!Head.empty()) {
    char32_t c = 0;
    bool cut = false;
    const std::size_t length = Utf8Char(Head, c, cut);
    if (length == 0) return cut;
    Head.remove_prefix(length);
  }
  return true;
}

char32_t Utf16Unit(std::string_view Units, std::size_t At, bool BigEndian) {
  const auto first = static_cast<unsigned char>(Units[At]);
  const auto second = static_cast<unsigned char>(Units[At + 1]);
  return BigEndian ? (first << 8) | second : (second << 8) | first;
}

template <class Emit>
void DecodeUtf16(std::string_view Units, bool BigEndian, Emit&& EmitChar) {
  const std::size_t units = Units.size() / 2;
  for (std::size_t i = 0; i < units; ++i) {
    const char32_t unit = Utf16Unit(Units, 2 * i, BigEndian);
    const char32_t next = i + 1 < units ? Utf16Unit(Units, 2 * i + 2, BigEndian) : 0;
    if (IsHighSurrogate(unit) && IsLowSurrogate(next)) {
      EmitChar(0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
      ++i;
    } else {
      EmitChar(IsHighSurrogate(unit) || IsLowSurrogate(unit) ? Undecodable : unit);
    }
  }
  if (Units.size() % 2 != 0) EmitChar(Undecodable);
}

// Hands each character of Units to EmitChar, and Undecodable for each byte or unit that
// starts none.
template <class Emit>
void DecodeEach(const TValueEncoding& Encoding, std::string_view Units, Emit&& EmitChar) {
  using TKind = TValueEncoding::TKind;
  if (Encoding.Kind == TKind::Utf16Le || Encoding.Kind == TKind::Utf16Be) {
    DecodeUtf16(Units, Encoding.Kind == TKind::Utf16Be, EmitChar);
    return;
  }
  while (!Units.empty()) {
    char32_t c = 0;
    bool cut = false;
    const std::size_t length = Encoding.Kind == TKind::Utf8 ? Utf8Char(Units, c, cut)
                                                            : platform::DecodeCodePageChar(Encoding.CodePage, Units, c);
    EmitChar(length == 0 ? Undecodable : c);
    Units.remove_prefix(std::max<std::size_t>(length, 1));
  }
}

std::uint64_t HashOf(std::u16string_view Text) {
  std::uint64_t hash = 0xCBF29CE484222325ull;
  for (const char16_t unit : Text) hash = (hash ^ unit) * 0x100000001B3ull;
  // The table's slot comes from the low bits, which FNV leaves poorly mixed.
  hash = (hash ^ (hash >> 30)) * 0xBF58476D1CE4E5B9ull;
  hash = (hash ^ (hash >> 27)) * 0x94D049BB133111EBull;
  return hash ^ (hash >> 31);
}

}  // namespace

TValueEncoding ValueEncodingOf(std::uint8_t Encoding, std::string_view Head, std::uint32_t CodePage) {
  using TKind = TValueEncoding::TKind;
  switch (Encoding) {
    case teUtf16LE:
      return {TKind::Utf16Le, 0};
    case teUtf16BE:
      return {TKind::Utf16Be, 0};
    case teUtf8:
    case teUtf8Bom:
      return {TKind::Utf8, 0};
    case teAnsi:
      return {TKind::CodePage, CodePage};
    default:
      return IsUtf8(Head) ? TValueEncoding{TKind::Utf8, 0} : TValueEncoding{TKind::CodePage, CodePage};
  }
}

std::u16string DecodeValue(const TValueEncoding& Encoding, std::string_view Units) {
  std::u16string text;
  DecodeEach(Encoding, Units, [&](char32_t C) { Append(text, C == Undecodable ? U'\uFFFD' : C); });
  return text;
}

std::u16string NamePart(const TValueEncoding& Encoding, std::string_view Units) {
  std::u16string part;
  DecodeEach(Encoding, Units, [&](char32_t C) {
    Append(part, C == Undecodable || IsControl(C) || IsForbidden(C) ? U'_' : C);
  });
  return part;
}

std::u16string ShownValue(const TValueEncoding& Encoding, std::string_view Units) {
  std::u16string shown;
  std::size_t chars = 0;
  DecodeEach(Encoding, Units, [&](char32_t C) {
    if (chars++ < ShownLength) Append(shown, C == Undecodable ? U'\uFFFD' : IsControl(C) ? U'_' : C);
  });
  return shown;
}

namespace {

// A name as kept: its units never move once written. Packed, since there may be millions.
struct TNameRecord {
  const char16_t* Units;
  std::uint32_t SizeAndAsValue;  // the top bit: shown as it stands; written once
  // For a name that others had to be suffixed against, the k their next one starts from:
  // the lowest free k only grows, as names are never taken back.
  std::uint32_t NextSuffix;
};
constexpr std::uint32_t AsValueBit = 0x80000000u;

// Records in blocks that double in size, so that none moves when the count grows: block
// k holds 2^(FirstBits + k) records.
class TNameRecords {
 public:
  [[nodiscard]] TNameRecord& operator[](std::uint32_t Index) { return FBlocks[BlockOf(Index)][OffsetOf(Index)]; }
  [[nodiscard]] const TNameRecord& operator[](std::uint32_t Index) const {
    return FBlocks[BlockOf(Index)][OffsetOf(Index)];
  }
  void Push(std::uint32_t Index, const TNameRecord& Record) {
    std::unique_ptr<TNameRecord[]>& block = FBlocks[BlockOf(Index)];
    if (!block) block = std::make_unique<TNameRecord[]>(std::uint64_t{1} << (FirstBits + BlockOf(Index)));
    block[OffsetOf(Index)] = Record;
  }

 private:
  static constexpr int FirstBits = 10;
  [[nodiscard]] static int BlockOf(std::uint32_t Index) {
    return std::bit_width(Index + (std::uint64_t{1} << FirstBits)) - 1 - FirstBits;
  }
  [[nodiscard]] static std::uint64_t OffsetOf(std::uint32_t Index) {
    return Index + (std::uint64_t{1} << FirstBits) - (std::uint64_t{1} << (FirstBits + BlockOf(Index)));
  }
  std::array<std::unique_ptr<TNameRecord[]>, 33 - FirstBits> FBlocks;
};

struct TNameSlot {
  std::uint64_t Hash;    // of the uppercased name
  std::uint64_t Number;  // the name's, 0 for a free slot
};

// Names are kept in chunks of this many units; a longer one has a chunk of its own.
constexpr std::size_t ArenaChunk = 1u << 17;

}  // namespace

struct TValueNames::TState {
  std::u16string Base;       // with the '-' that follows it
  std::u16string Extension;  // with its dot, or empty
  std::int64_t NameLimit;
  std::int64_t PathRoom;
  std::int64_t FixedUnits;  // of Base and Extension, in platform::NameUnits

  TNameRecords Records;
  std::int64_t Count = 0;
  std::vector<TNameSlot> Slots = std::vector<TNameSlot>(1024, TNameSlot{0, 0});
  std::vector<std::unique_ptr<char16_t[]>> Arena;
  char16_t* ArenaAt = nullptr;
  std::size_t ArenaLeft = 0;

  [[nodiscard]] std::u16string_view NameOf(std::int64_t I) const {
    const TNameRecord& record = Records[static_cast<std::uint32_t>(I - 1)];
    return {record.Units, record.SizeAndAsValue & ~AsValueBit};
  }

  // The joined parts; AsValue turns false where a part is empty.
  [[nodiscard]] static std::u16string Joined(const std::vector<std::u16string>& Parts, bool& AsValue) {
    std::u16string value;
    for (const std::u16string& part : Parts) {
      if (&part != &Parts.front()) value += u'-';
      AsValue = AsValue && !part.empty();
      value += part.empty() ? EmptyPart : part;
    }
    return value;
  }

  [[nodiscard]] bool Fits(std::int64_t ValueUnits, std::size_t ValueSize) const {
    const auto size = static_cast<std::int64_t>(Base.size() + Extension.size() + ValueSize);
    return (NameLimit < 0 || FixedUnits + ValueUnits + SpareUnits <= NameLimit) &&
           (PathRoom < 0 || size + SpareUnits <= PathRoom);
  }

  // Cuts Value at a character boundary to the longest start whose name fits the limits
  // with units to spare; true when it was cut.
  [[nodiscard]] bool CutToFit(std::u16string& Value) const {
    if (Fits(platform::NameUnits(Value), Value.size())) return false;
    std::int64_t units = 0;
    for (std::size_t at = 0; at < Value.size();) {
      const std::size_t length = CharLength(Value, at);
      units += platform::NameUnits(std::u16string_view(Value).substr(at, length));
      if (!Fits(units, at + length)) {
        Value.resize(at);
        return true;
      }
      at += length;
    }
    return false;
  }

  [[nodiscard]] std::u16string NameWith(std::u16string_view Value, std::uint32_t Suffix) const {
    std::u16string name = Base;
    name += Value;
    if (Suffix != 0) {
      const std::string digits = std::to_string(Suffix);
      name += u" (";
      name.append(digits.begin(), digits.end());
      name += u')';
    }
    return name + Extension;
  }

  // The number of the name equal to one whose uppercase is Upper, or 0; Slot is where
  // it is or would go.
  [[nodiscard]] std::int64_t Lookup(std::u16string_view Upper, std::uint64_t Hash, std::size_t& Slot) const {
    const std::size_t mask = Slots.size() - 1;
    for (Slot = Hash & mask; Slots[Slot].Number != 0; Slot = (Slot + 1) & mask) {
      const TNameSlot& slot = Slots[Slot];
      if (slot.Hash == Hash && UpperText(NameOf(static_cast<std::int64_t>(slot.Number))) == Upper) {
        return static_cast<std::int64_t>(slot.Number);
      }
    }
    return 0;
  }

  [[nodiscard]] const char16_t* Keep(std::u16string_view Name) {
    if (Name.size() > ArenaChunk / 4) {
      Arena.push_back(std::make_unique<char16_t[]>(Name.size()));
      std::copy(Name.begin(), Name.end(), Arena.back().get());
      return Arena.back().get();
    }
    if (Name.size() > ArenaLeft) {
      Arena.push_back(std::make_unique<char16_t[]>(ArenaChunk));
      ArenaAt = Arena.back().get();
      ArenaLeft = ArenaChunk;
    }
    const char16_t* kept = ArenaAt;
    ArenaAt = std::copy(Name.begin(), Name.end(), ArenaAt);
    ArenaLeft -= Name.size();
    return kept;
  }

  std::int64_t Insert(std::u16string_view Name, std::uint64_t Hash, std::size_t Slot, bool AsValue) {
    const std::uint64_t number = static_cast<std::uint64_t>(++Count);
    const auto size = static_cast<std::uint32_t>(Name.size());
    Records.Push(static_cast<std::uint32_t>(number - 1), TNameRecord{Keep(Name), size | (AsValue ? AsValueBit : 0), 0});
    Slots[Slot] = TNameSlot{Hash, number};
    if (static_cast<std::size_t>(Count) * 3 > Slots.size() * 2) Grow();
    return Count;
  }

  void Grow() {
    std::vector<TNameSlot> slots(Slots.size() * 2, TNameSlot{0, 0});
    const std::size_t mask = slots.size() - 1;
    for (const TNameSlot& slot : Slots) {
      if (slot.Number == 0) continue;
      std::size_t at = slot.Hash & mask;
      while (slots[at].Number != 0) at = (at + 1) & mask;
      slots[at] = slot;
    }
    Slots.swap(slots);
  }
};

TValueNames::TValueNames(std::u16string Base, std::u16string Extension, std::int64_t NameLimit, std::int64_t PathRoom)
    : FState(std::make_unique<TState>()) {
  FState->Base = std::move(Base) + u'-';
  FState->Extension = Extension.empty() ? std::u16string() : u'.' + Extension;
  FState->NameLimit = NameLimit;
  FState->PathRoom = PathRoom;
  FState->FixedUnits = platform::NameUnits(FState->Base + FState->Extension);
}

TValueNames::~TValueNames() = default;

std::int64_t TValueNames::Add(const std::vector<std::u16string>& Parts) {
  TState& state = *FState;
  bool asValue = true;
  std::u16string value = TState::Joined(Parts, asValue);
  asValue = !state.CutToFit(value) && asValue;
  if (state.Extension.empty()) {
    // The system drops a name's trailing dots and blanks.
    for (auto end = value.rbegin(); end != value.rend() && (*end == u'.' || *end == u' '); ++end) {
      *end = u'_';
      asValue = false;
    }
  }
  std::u16string name = state.NameWith(value, 0);
  std::u16string upper = UpperText(name);
  std::uint64_t hash = HashOf(upper);
  std::size_t slot = 0;
  if (const std::int64_t taken = state.Lookup(upper, hash, slot)) {
    asValue = false;
    TNameRecord& owner = state.Records[static_cast<std::uint32_t>(taken - 1)];
    std::uint32_t suffix = std::max<std::uint32_t>(owner.NextSuffix, 2);
    for (;; ++suffix) {
      name = state.NameWith(value, suffix);
      upper = UpperText(name);
      hash = HashOf(upper);
      if (state.Lookup(upper, hash, slot) == 0) break;
    }
    owner.NextSuffix = suffix + 1;
  }
  return state.Insert(name, hash, slot, asValue);
}

std::int64_t TValueNames::Count() const { return FState->Count; }

std::u16string_view TValueNames::Name(std::int64_t I) const { return FState->NameOf(I); }

bool TValueNames::AsValue(std::int64_t I) const {
  return (FState->Records[static_cast<std::uint32_t>(I - 1)].SizeAndAsValue & AsValueBit) != 0;
}

std::int64_t TValueNames::Find(std::u16string_view Name) const {
  const std::u16string upper = UpperText(Name);
  std::size_t slot = 0;
  return FState->Lookup(upper, HashOf(upper), slot);
}
