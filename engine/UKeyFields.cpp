#include "engine/UKeyFields.h"

#include "engine/UEngineTexts.h"
#include "engine/USplitWays.h"
#include "platform/Platform.h"
#include "support/UkxException.h"
#include "support/UkxFile.h"
#include "support/UkxFunctions.h"
#include "support/UkxStrUtils.h"
#include "support/UkxUpperCase.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

namespace {

constexpr char16_t Candidates[] = {u',', u';', u'\t', u'|'};

// The unit at At as a number, in the layout's order.
char16_t UnitAt(const char* At, TkxUnitLayout Layout) {
  const auto byte = [At](std::size_t i) { return static_cast<unsigned char>(At[i]); };
  if (Layout.Size == 1) return byte(0);
  return static_cast<char16_t>(Layout.BigEndian ? byte(0) << 8 | byte(1) : byte(1) << 8 | byte(0));
}

bool IsTsv(const std::u16string& Extension) {
  return Extension.size() == 3 && (Extension[0] | 0x20) == u't' && (Extension[1] | 0x20) == u's' &&
         (Extension[2] | 0x20) == u'v';
}

// The columns an unknown name's message lists.
constexpr std::size_t MaxFieldsListed = 20;

void PutLength(std::string& Key, std::size_t Length) {
  const auto length = static_cast<std::uint32_t>(Length);
  char bytes[4];
  std::memcpy(bytes, &length, 4);
  Key.append(bytes, 4);
}

bool IsCandidate(char16_t Unit) {
  return std::find(std::begin(Candidates), std::end(Candidates), Unit) != std::end(Candidates);
}

// Tells Each(unit, offset) every unit of Units outside quoted fields, as records read
// them: a field that begins with a quote (at the start or after any of the candidates)
// runs to the quote not followed by another. Each answers false to stop.
template <class TEach>
void ForUnitsOutsideQuotes(std::string_view Units, TkxUnitLayout Layout, TEach Each) {
  const std::size_t whole = Units.size() - Units.size() % Layout.Size;
  bool inQuote = false;
  bool fieldStart = true;
  for (std::size_t at = 0; at < whole; at += Layout.Size) {
    const char16_t unit = UnitAt(Units.data() + at, Layout);
    if (inQuote) {
      if (unit != u'"') continue;
      const std::size_t next = at + Layout.Size;
      if (next < whole && UnitAt(Units.data() + next, Layout) == u'"') {
        at = next;  // "" inside the field
      } else {
        inQuote = false;
      }
      continue;
    }
    if (unit == u'"' && fieldStart) {
      inQuote = true;
      continue;
    }
    fieldStart = IsCandidate(unit);
    if (!Each(unit, at)) return;
  }
}

}  // namespace

char16_t DelimiterOf(TDelimiter Delimiter, const std::u16string& Extension, std::string_view Record,
                     TkxUnitLayout Layout) {
  switch (Delimiter) {
    case TDelimiter::Comma: return u',';
    case TDelimiter::Semicolon: return u';';
    case TDelimiter::Tab: return u'\t';
    case TDelimiter::Bar: return u'|';
    case TDelimiter::Auto: break;
  }
  if (IsTsv(Extension)) return u'\t';
  std::array<std::int64_t, std::size(Candidates)> counts{};
  ForUnitsOutsideQuotes(Record, Layout, [&counts](char16_t Unit, std::size_t) {
    const auto found = std::find(std::begin(Candidates), std::end(Candidates), Unit);
    if (found != std::end(Candidates)) ++counts[static_cast<std::size_t>(found - std::begin(Candidates))];
    return true;
  });
  // The first of the most frequent: the comma on a tie.
  return Candidates[std::max_element(counts.begin(), counts.end()) - counts.begin()];
}

TKeyReader::TKeyReader(std::vector<std::int64_t> Columns, char16_t Delimiter, TkxUnitLayout Layout)
    : FColumns(std::move(Columns)), FLast(*std::max_element(FColumns.begin(), FColumns.end())),
      FDelimiter(Delimiter), FLayout(Layout),
      FValues(static_cast<std::size_t>(std::min<std::int64_t>(FLast, 1 << 10)) + 1) {}

void TKeyReader::Begin() {
  for (std::string& value : FValues) value.clear();
  FField = 0;
  FQuote = TQuote::Outside;
  FFieldStart = true;
  FTrailingEnds = 0;
  FPending.clear();
}

void TKeyReader::Feed(std::string_view Piece) {
  if (FField > FLast) return;
  if (!FPending.empty()) {
    const std::size_t need = std::min(FLayout.Size - FPending.size(), Piece.size());
    FPending.append(Piece.substr(0, need));
    Piece.remove_prefix(need);
    if (FPending.size() < FLayout.Size) return;
    TakeUnit(FPending.data());
    FPending.clear();
  }
  const std::size_t whole = Piece.size() - Piece.size() % FLayout.Size;
  FeedUnits(Piece.data(), whole);
  FPending.assign(Piece.substr(whole));
}

void TKeyReader::FeedUnits(const char* Data, std::size_t Size) {
  for (std::size_t at = 0; at < Size && FField <= FLast; at += FLayout.Size) TakeUnit(Data + at);
}

// A field that begins with a quote runs to the quote not followed by another, "" standing
// for one; what follows it up to the delimiter is taken as it stands, as is a quote
// anywhere else.
void TKeyReader::TakeUnit(const char* Unit) {
  const char16_t unit = UnitAt(Unit, FLayout);
  std::string& value = FValues[static_cast<std::size_t>(FField)];
  const bool start = std::exchange(FFieldStart, false);
  // The line ends taken last, with nothing after them: only those can be the record's.
  const std::size_t ends = std::exchange(FTrailingEnds, 0);
  const auto take = [&] {
    value.append(Unit, FLayout.Size);
    if (unit == u'\n' || unit == u'\r') FTrailingEnds = ends + 1;
  };
  if (FQuote == TQuote::Inside) {
    if (unit == u'"') {
      FQuote = TQuote::AfterQuote;
    } else {
      take();
    }
    return;
  }
  if (FQuote == TQuote::AfterQuote) {
    FQuote = TQuote::Outside;
    if (unit == u'"') {
      take();
      FQuote = TQuote::Inside;
      return;
    }
  }
  if (unit == FDelimiter) {
    EndField();
    return;
  }
  if (start && unit == u'"') {
    FQuote = TQuote::Inside;
    return;
  }
  take();
}

void TKeyReader::EndField() {
  if (++FField <= FLast && static_cast<std::size_t>(FField) == FValues.size()) FValues.emplace_back();
  FFieldStart = true;
  FQuote = TQuote::Outside;
}

std::string_view TKeyReader::Key() {
  // The record's line end is no part of its last field; a line end before the field's
  // closing quote is.
  if (FField <= FLast) {
    std::string& value = FValues[static_cast<std::size_t>(FField)];
    for (const char16_t end : {u'\n', u'\r'}) {
      if (FTrailingEnds > 0 && UnitAt(value.data() + value.size() - FLayout.Size, FLayout) == end) {
        value.resize(value.size() - FLayout.Size);
        --FTrailingEnds;
      }
    }
  }
  if (FColumns.size() == 1) return Value(FColumns[0]);
  FKey.clear();
  for (const std::int64_t column : FColumns) {
    const std::string_view value = Value(column);
    PutLength(FKey, value.size());
    FKey += value;
  }
  return FKey;
}

std::string_view TKeyReader::KeyOf(std::string_view Record) {
  // Most keys are one unquoted field of bytes: found a delimiter at a time, not copied.
  if (FLayout.Size == 1 && FColumns.size() == 1) {
    const char* at = Record.data();
    const char* end = at + Record.size();
    if (end > at && end[-1] == '\n') --end;
    if (end > at && end[-1] == '\r') --end;
    const char delimiter = static_cast<char>(FDelimiter);
    for (std::int64_t field = 0; at == end || *at != '"'; ++field) {
      // Fields are short: a loop in line beats a call.
      const char* next = at;
      while (next != end && *next != delimiter) ++next;
      if (field == FColumns[0]) return std::string_view(at, static_cast<std::size_t>(next - at));
      if (next == end) return {};
      at = next + 1;
    }
  }
  Begin();
  FeedUnits(Record.data(), Record.size() - Record.size() % FLayout.Size);
  return Key();
}

std::vector<std::string_view> TKeyReader::ValuesOf(std::string_view Key) const {
  if (FColumns.size() == 1) return {Key};
  std::vector<std::string_view> values;
  while (Key.size() >= 4) {
    std::uint32_t length = 0;
    std::memcpy(&length, Key.data(), 4);
    values.push_back(Key.substr(4, length));
    Key.remove_prefix(4 + length);
  }
  return values;
}

std::string_view FirstRecordIn(std::string_view Units, TkxUnitLayout Layout, bool Quoted, TLineEnd Ends) {
  std::size_t end = Units.size() - Units.size() % Layout.Size;
  const auto endsRecord = [&](char16_t Unit, std::size_t At) {
    if (Unit != u'\n') return false;
    return Ends == TLineEnd::Lf || (At >= Layout.Size && UnitAt(Units.data() + At - Layout.Size, Layout) == u'\r');
  };
  if (Quoted) {
    ForUnitsOutsideQuotes(Units, Layout, [&](char16_t Unit, std::size_t At) {
      if (!endsRecord(Unit, At)) return true;
      end = At + Layout.Size;
      return false;
    });
    return Units.substr(0, end);
  }
  for (std::size_t at = 0; at < end; at += Layout.Size) {
    if (endsRecord(UnitAt(Units.data() + at, Layout), at)) return Units.substr(0, at + Layout.Size);
  }
  return Units.substr(0, end);
}

std::vector<std::u16string> FieldsOf(std::string_view Record, char16_t Delimiter, TkxUnitLayout Layout,
                                     const TValueEncoding& Encoding, std::size_t MaxFields) {
  const std::int64_t last =
      MaxFields == 0 ? std::numeric_limits<std::int64_t>::max() - 1 : static_cast<std::int64_t>(MaxFields) - 1;
  TKeyReader reader({last}, Delimiter, Layout);
  reader.Begin();
  reader.Feed(Record);
  (void)reader.Key();
  std::vector<std::u16string> fields;
  for (std::int64_t i = 0; i < reader.Fields(); ++i) fields.push_back(DecodeValue(Encoding, reader.Value(i)));
  return fields;
}

namespace {

// Fields named Name: those equal to it, or else those equal ignoring letter case.
std::vector<std::int64_t> FieldsNamed(const std::u16string& Name, const std::vector<std::u16string>& Fields) {
  std::vector<std::int64_t> exact, anyCase;
  const std::u16string upper = UpperText(Name);
  for (std::size_t i = 0; i < Fields.size(); ++i) {
    if (Fields[i] == Name) exact.push_back(static_cast<std::int64_t>(i));
    if (UpperText(Fields[i]) == upper) anyCase.push_back(static_cast<std::int64_t>(i));
  }
  return exact.empty() ? anyCase : exact;
}

}  // namespace

std::vector<std::int64_t> KeyColumnsOf(const std::vector<TKeyColumn>& Columns,
                                       const std::vector<std::u16string>& Fields, std::int64_t Header) {
  std::vector<std::int64_t> numbers;
  for (const TKeyColumn& column : Columns) {
    if (column.Name.empty()) {
      const auto count = static_cast<std::int64_t>(Fields.size());
      if (Header > 0 && column.Number > count) {
        throw TkxException(FillIn(ColumnPastFieldsText, {IntToText(0, column.Number), IntToText(0, count)}));
      }
      numbers.push_back(column.Number - 1);
      continue;
    }
    if (Header == 0) throw TkxException(NamedWithoutHeaderText);
    const std::vector<std::int64_t> named = FieldsNamed(column.Name, Fields);
    if (named.size() > 1) {
      throw TkxException(
          FillIn(ColumnTwiceText, {column.Name, IntToText(0, named[0] + 1), IntToText(0, named[1] + 1)}));
    }
    if (named.empty()) {
      std::u16string list;
      for (std::size_t i = 0; i < Fields.size() && i < MaxFieldsListed; ++i) list += (i ? u", " : u"") + Fields[i];
      throw TkxException(FillIn(NoSuchColumnText, {column.Name, list}));
    }
    numbers.push_back(named[0]);
  }
  return numbers;
}

std::vector<std::u16string> HeaderFieldsOf(const std::u16string& Path, TDelimiter Delimiter, TRecordMode Records,
                                           std::uint32_t CodePage, std::size_t MaxBytes, std::size_t MaxFields) {
  platform::TFile file;
  if (platform::OpenExistingFile(Path, file) != platform::OpenResult::Opened) return {};
  std::string head(MaxBytes, '\0');
  std::size_t got = 0;
  if (!platform::ReadBytesAt(file, 0, head.data(), head.size(), got)) return {};
  head.resize(got);
  const std::u16string extension = FileExtOf(FileNameOf(Path, true));
  const std::uint8_t encoding = TkxFile::EncodingOfMark(head);
  const TkxUnitLayout layout = TkxFile::LayoutOf(encoding);
  const std::string_view units = std::string_view(head).substr(TkxFile::MarkOf(encoding).size());
  const std::string_view record = FirstRecordIn(units, layout, ReadsRecords(Records, extension), TLineEnd::Lf);
  return FieldsOf(record, DelimiterOf(Delimiter, extension, record, layout), layout,
                  ValueEncodingOf(encoding, head, CodePage), MaxFields);
}
