#include "engine/URecordReader.h"

#include "engine/UUnitScan.h"

#include <algorithm>
#include <bit>

namespace {

constexpr std::size_t NotFound = static_cast<std::size_t>(-1);

// Scans Size bytes (whole units) of records from where State stands, and puts the offset
// just past each line end that ends a record into Ends, at most Max of them; answers how
// many. State is left at the start of the record after the last one put, unless the
// bytes ran out first: then it stands where they end (Partial), or else at the start of
// the unfinished record again (its lines not counted), for a scan that begins there.
// (The state is worked on in locals: stores into it could alias the bytes scanned.)
template <class Units>
std::size_t ScanRecords(const char* Data, std::size_t Size, bool CrLf, char Opener, TQuoteState& State,
                        std::size_t* Ends, std::size_t Max, bool Partial) {
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
  // Only the quotes and LFs go through the quote rule, a block of units at a time: a line
  // of a typical table takes one or two.
  for (std::size_t window = at; window < Size; window += TUnitBlock<Units>::Bytes) {
    std::uint64_t hits = TUnitBlock<Units>::Within(Data + window, Size - window).UnitsOf('"', '\n');
    for (; hits != 0; hits &= hits - 1) {
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
      } else if (before == ',' || before == ';' || before == '\t' || before == Opener) {
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

std::size_t Scan(const char* Data, std::size_t Size, TkxUnitLayout Layout, bool CrLf, char Opener, TQuoteState& State,
                 std::size_t* Ends, std::size_t Max, bool Partial) {
  return WithUnits(Layout, [&]<class Units>(Units) {
    return ScanRecords<Units>(Data, Size, CrLf, Opener, State, Ends, Max, Partial);
  });
}

// The offset just past the line end that ends the record from where State stands, or
// NotFound when the record goes on past Size bytes; State then stands where they end.
std::size_t ScanRecord(const char* Data, std::size_t Size, TkxUnitLayout Layout, bool CrLf, char Opener,
                       TQuoteState& State) {
  std::size_t end = NotFound;
  return Scan(Data, Size, Layout, CrLf, Opener, State, &end, 1, true) == 1 ? end : NotFound;
}

}  // namespace

void TallyRecordEnds(std::string_view Block, TkxUnitLayout Layout, TQuoteState& Quotes, TEndTally& Tally,
                     char Opener) {
  // Read as LF records, every LF outside a quoted field ends one.
  const std::size_t unit = Layout.Size;
  const std::size_t whole = Block.size() - Block.size() % unit;
  const std::string_view crLf = CrLfOf(Layout);
  const bool crBefore = Tally.LastCr;  // the last unit of the block before
  Tally.Cr = Tally.Cr || NextUnit(Block, Layout, '\r', 0) != std::string_view::npos;
  for (std::size_t at = 0; at < whole;) {
    const std::size_t end = ScanRecord(Block.data() + at, whole - at, Layout, false, Opener, Quotes);
    if (end == NotFound) break;
    at += end;
    const bool afterCr = at >= 2 * unit ? Block.compare(at - 2 * unit, 2 * unit, crLf) == 0 : crBefore;
    ++(afterCr ? Tally.AfterCr : Tally.Bare);
  }
  // A block that ends inside a record leaves its last unit as the one before the next.
  Tally.LastCr = whole > 0 && Quotes.Before == '\r';
}

TRecordReader::TRecordReader(TkxByteReader& Reader, TkxUnitLayout Layout, TLineEnd Ends, bool Quoted, char Opener)
    : FReader(Reader), FLines(Reader, Layout, Ends), FLayout(Layout), FCrLf(Ends == TLineEnd::CrLf),
      FQuoted(Quoted), FOpener(Opener) {}

std::size_t TRecordReader::WholeRecords(std::size_t* Ends, std::size_t Max) {
  if (!FQuoted) return FLines.WholeLines(Ends, Max);
  const std::size_t available = FReader.Available();
  const std::size_t whole = available & ~(FLayout.Size - 1);  // units of one or two bytes
  if (whole == 0) return 0;  // before the first read Data is null, which must not be scanned
  // A record that goes on past the block is scanned again, from its start, by MoveRecord.
  return Scan(FReader.Data(), whole, FLayout, FCrLf, FOpener, FState, Ends, Max, false);
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
    const std::size_t end = ScanRecord(data, whole, FLayout, FCrLf, FOpener, FState);
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
