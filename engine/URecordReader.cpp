#include "engine/URecordReader.h"

#include <algorithm>
#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr std::size_t NotFound = static_cast<std::size_t>(-1);

// Code units of one byte, or of two in little- or big-endian order.
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

// Bytes looked at in one step: a line of a typical table takes one or two.
constexpr std::size_t Window = 64;

// The quotes and LFs among the Window bytes from From (fewer where End comes first, whole
// units): bit i stands for the unit that begins at From + i. Only these units go through
// the quote rule.
template <class Units>
std::uint64_t QuotesAndLfs(const char* From, const char* End) {
#if defined(__SSE2__)
  if (static_cast<std::size_t>(End - From) >= Window) {
    __m128i quote, lf;
    if constexpr (Units::Size == 1) {
      quote = _mm_set1_epi8('"');
      lf = _mm_set1_epi8('\n');
    } else {
      // The units as a little-endian load sees them.
      quote = _mm_set1_epi16(static_cast<short>(Units::Big ? 0x2200 : 0x0022));
      lf = _mm_set1_epi16(static_cast<short>(Units::Big ? 0x0A00 : 0x000A));
    }
    const auto hitsAt = [&](std::size_t K) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(From + K));
      __m128i found;
      if constexpr (Units::Size == 1) {
        found = _mm_or_si128(_mm_cmpeq_epi8(bytes, quote), _mm_cmpeq_epi8(bytes, lf));
      } else {
        found = _mm_or_si128(_mm_cmpeq_epi16(bytes, quote), _mm_cmpeq_epi16(bytes, lf));
      }
      return static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm_movemask_epi8(found))) << K;
    };
    const std::uint64_t hits = hitsAt(0) | hitsAt(16) | hitsAt(32) | hitsAt(48);
    return Units::Size == 1 ? hits : hits & 0x5555555555555555u;
  }
#endif
  std::uint64_t hits = 0;
  const std::size_t size = std::min(static_cast<std::size_t>(End - From), Window);
  for (std::size_t i = 0; i < size; i += Units::Size) {
    const char ch = Units::Ascii(From + i);
    if (ch == '"' || ch == '\n') hits |= std::uint64_t{1} << i;
  }
  return hits;
}

// Scans Size bytes (whole units) of records from where State stands, and puts the offset
// just past each line end that ends a record into Ends, at most Max of them; answers how
// many. State is left at the start of the record after the last one put, unless the
// bytes ran out first: then it stands where they end (Partial), or else at the start of
// the unfinished record again (its lines not counted), for a scan that begins there.
// (The state is worked on in locals: stores into it could alias the bytes scanned.)
template <class Units>
std::size_t ScanRecords(const char* Data, std::size_t Size, bool CrLf, TQuoteState& State, std::size_t* Ends,
                        std::size_t Max, bool Partial) {
  constexpr std::size_t unit = Units::Size;
  bool inQuote = State.InQuote;
  std::int64_t lines = State.Lines;
  std::int64_t quoteLine = State.QuoteLine;
  std::int64_t linesAtStart = lines;  // before the record being scanned
  std::size_t begin = 0;              // where it began, and the character taken to stand before it
  char beforeBegin = State.Before;
  std::size_t found = 0;
  std::size_t at = 0;  // the units before it have gone through the rule
  if (State.QuoteSeen && Size > 0) {
    State.QuoteSeen = false;
    if (Units::Ascii(Data) == '"') {
      at = unit;  // "" inside the field
    } else {
      inQuote = false;
    }
  }
  for (std::size_t window = at; window < Size; window += Window) {
    for (std::uint64_t hits = QuotesAndLfs<Units>(Data + window, Data + Size); hits != 0; hits &= hits - 1) {
      const std::size_t p = window + static_cast<std::size_t>(std::countr_zero(hits));
      if (p < at) continue;  // the second quote of a pair
      const char before = p == begin ? beforeBegin : Units::Ascii(Data + p - unit);
      at = p + unit;
      if (Units::Ascii(Data + p) == '\n') {
        if (CrLf && before != '\r') continue;
        ++lines;
        if (inQuote) continue;
        Ends[found++] = at;
        begin = at;
        beforeBegin = ',';
        linesAtStart = lines;
        if (found == Max) {
          State = TQuoteState{.Lines = lines};
          return found;
        }
        continue;
      }
      if (inQuote) {
        if (at == Size) {
          State.QuoteSeen = true;
        } else if (Units::Ascii(Data + at) == '"') {
          at += unit;
        } else {
          inQuote = false;
        }
      } else if (before == ',' || before == ';' || before == '\t') {
        inQuote = true;
        quoteLine = lines + 1;
      }
    }
  }
  if (!Partial || begin == Size) {
    State = TQuoteState{.Lines = linesAtStart};
    return found;
  }
  if (Size >= unit) State.Before = Units::Ascii(Data + Size - unit);
  State.InQuote = inQuote;
  State.Lines = lines;
  State.QuoteLine = quoteLine;
  return found;
}

std::size_t Scan(const char* Data, std::size_t Size, TkxUnitLayout Layout, bool CrLf, TQuoteState& State,
                 std::size_t* Ends, std::size_t Max, bool Partial) {
  if (Layout.Size == 1) return ScanRecords<TUnits<1, false>>(Data, Size, CrLf, State, Ends, Max, Partial);
  if (Layout.BigEndian) return ScanRecords<TUnits<2, true>>(Data, Size, CrLf, State, Ends, Max, Partial);
  return ScanRecords<TUnits<2, false>>(Data, Size, CrLf, State, Ends, Max, Partial);
}

// The offset just past the line end that ends the record from where State stands, or
// NotFound when the record goes on past Size bytes; State then stands where they end.
std::size_t ScanRecord(const char* Data, std::size_t Size, TkxUnitLayout Layout, bool CrLf, TQuoteState& State) {
  std::size_t end = NotFound;
  return Scan(Data, Size, Layout, CrLf, State, &end, 1, true) == 1 ? end : NotFound;
}

}  // namespace

void TallyRecordEnds(std::string_view Block, TkxUnitLayout Layout, TQuoteState& Quotes, TEndTally& Tally) {
  // Read as LF records, every LF outside a quoted field ends one.
  const std::size_t unit = Layout.Size;
  const std::size_t whole = Block.size() - Block.size() % unit;
  const std::string_view crLf = CrLfOf(Layout);
  const bool crBefore = Tally.LastCr;  // the last unit of the block before
  for (std::size_t at = 0; at < whole && !Tally.Cr; at += unit) Tally.Cr = Block.compare(at, unit, crLf, 0, unit) == 0;
  for (std::size_t at = 0; at < whole;) {
    const std::size_t end = ScanRecord(Block.data() + at, whole - at, Layout, false, Quotes);
    if (end == NotFound) break;
    at += end;
    const bool afterCr = at >= 2 * unit ? Block.compare(at - 2 * unit, 2 * unit, crLf) == 0 : crBefore;
    ++(afterCr ? Tally.AfterCr : Tally.Bare);
  }
  // A block that ends inside a record leaves its last unit as the one before the next.
  Tally.LastCr = whole > 0 && Quotes.Before == '\r';
}

TRecordReader::TRecordReader(TkxByteReader& Reader, TkxUnitLayout Layout, TLineEnd Ends, bool Quoted)
    : FReader(Reader), FLines(Reader, Layout, Ends), FLayout(Layout), FCrLf(Ends == TLineEnd::CrLf),
      FQuoted(Quoted) {}

std::size_t TRecordReader::WholeRecords(std::size_t* Ends, std::size_t Max) {
  if (!FQuoted) return FLines.WholeLines(Ends, Max);
  const std::size_t available = FReader.Available();
  const std::size_t whole = available & ~(FLayout.Size - 1);  // units of one or two bytes
  if (whole == 0) return 0;  // before the first read Data is null, which must not be scanned
  // A record that goes on past the block is scanned again, from its start, by MoveRecord.
  return Scan(FReader.Data(), whole, FLayout, FCrLf, FState, Ends, Max, false);
}

TLineRun TRecordReader::PlainRecords(std::size_t Bytes, std::int64_t Max) {
  const std::size_t whole = std::min(FReader.Available(), Bytes) & ~(FLayout.Size - 1);
  if (whole == 0) return {};  // before the first read Data is null
  const TLineRun run = LeadingLines(FReader.Data(), whole, FLayout, FCrLf ? TLineEnd::CrLf : TLineEnd::Lf,
                                    FQuoted, Max);
  if (FQuoted) FState.Lines += run.Lines;
  return run;
}

void TRecordReader::MoveRecord(TkxRawSink& Sink) {
  if (!FQuoted) return FLines.MoveLine(Sink, true);
  const std::size_t unit = FLayout.Size;
  const std::string_view crLf = CrLfOf(FLayout);
  const std::string_view lineEnd = FCrLf ? crLf : crLf.substr(unit);
  bool heldCr = false;  // a CR at the end of a block: it is dropped if it is the file's last unit
  for (;;) {
    const std::size_t available = FReader.Fill(unit);
    if (available < unit) {
      // A quote just before the end closes its field; an open one makes the table unfit.
      if (FState.InQuote && !FState.QuoteSeen) FUnclosedLine = FState.QuoteLine;
      if (available > 0) {
        if (heldCr) Sink.PutBytes(crLf.data(), unit);
        Sink.PutBytes(FReader.Data(), available);
        FReader.Consume(available);
        Sink.PutBytes("\0", unit - available);
      }
      Sink.PutBytes(lineEnd.data(), lineEnd.size());
      FState = TQuoteState{.Lines = FState.Lines};
      return;
    }
    if (heldCr) Sink.PutBytes(crLf.data(), unit);  // the record's, as content or with its LF
    heldCr = false;
    const char* data = FReader.Data();
    const std::size_t whole = available - available % unit;
    const std::size_t end = ScanRecord(data, whole, FLayout, FCrLf, FState);
    if (end != NotFound) {
      Sink.PutBytes(data, end);
      FReader.Consume(end);
      return;
    }
    std::size_t piece = whole;
    if (FCrLf && FState.Before == '\r') {
      piece -= unit;
      heldCr = true;
    }
    if (piece > 0) Sink.PutBytes(data, piece);
    FReader.Consume(whole);
  }
}
