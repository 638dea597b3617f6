#include "engine/ULineReader.h"

#include "engine/UUnitScan.h"

#include <bit>
#include <cstdint>
#include <cstring>

TLineReader::TLineReader(TkxByteReader& Reader, TkxUnitLayout Layout, TLineEnd Ends)
    : FReader(Reader), FLayout(Layout), FCrLf(Ends == TLineEnd::CrLf) {
  const std::string_view crLf = CrLfOf(Layout);
  std::memcpy(FEnd, crLf.data(), crLf.size());
}

std::string_view CrLfOf(TkxUnitLayout Layout) {
  using namespace std::string_view_literals;
  if (Layout.Size == 1) return "\r\n"sv;
  return Layout.BigEndian ? "\0\r\0\n"sv : "\r\0\n\0"sv;
}

namespace {

// True when the code unit at At is the ASCII character Low.
bool IsUnit(const char* At, TkxUnitLayout Layout, char Low) {
  if (Layout.Size == 1) return At[0] == Low;
  return Layout.BigEndian ? At[0] == '\0' && At[1] == Low : At[0] == Low && At[1] == '\0';
}

// The offset of the LF that ends the first line in Data (Size bytes, whole units), or
// Size. A block of units a step, not the C library's search: the Windows one goes a byte
// at a time, which made the search a third of a split's processor time there.
template <class Units>
std::size_t FindLineEndOf(const char* Data, std::size_t Size, bool CrLf) {
  constexpr std::size_t unit = Units::Size;
  constexpr std::size_t step = TUnitBlock<Units>::Bytes;
  // An LF at the very start has no CR before it in this block.
  for (std::size_t at = CrLf ? unit : 0; at < Size; at += step) {
    std::uint64_t lfs = TUnitBlock<Units>::Within(Data + at, Size - at).UnitsOf('\n');
    for (; lfs != 0; lfs &= lfs - 1) {
      const std::size_t lf = at + static_cast<std::size_t>(std::countr_zero(lfs));
      if (!CrLf || Units::Ascii(Data + lf - unit) == '\r') return lf;
    }
  }
  return Size;
}

// The bits set in Bits, counted in line: without a processor option the library's count
// is a call, which took a fifth of the time counting lines.
std::int64_t BitsIn(std::uint64_t Bits) {
  Bits -= Bits >> 1 & 0x5555555555555555u;
  Bits = (Bits & 0x3333333333333333u) + (Bits >> 2 & 0x3333333333333333u);
  Bits = (Bits + (Bits >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
  return static_cast<std::int64_t>(Bits * 0x0101010101010101u >> 56);
}

// Counted 64 bytes a step, the line ends of a step found at once: a piece of many lines
// then costs next to nothing beyond reading it.
template <class Units>
TLineRun LeadingLinesOf(const char* Data, std::size_t Size, bool CrLf, bool StopAtQuote, std::int64_t Max) {
  constexpr std::size_t unit = Units::Size;
  constexpr std::size_t step = TUnitBlock<Units>::Bytes;
  TLineRun run;
  std::uint64_t crBefore = 0;  // the last unit of the step before was a CR
  for (std::size_t at = 0; at < Size && run.Lines < Max; at += step) {
    const auto block = TUnitBlock<Units>::Within(Data + at, Size - at);
    std::uint64_t ends = block.UnitsOf('\n');
    if (CrLf) {
      const std::uint64_t crs = block.UnitsOf('\r');
      ends &= crs << unit | crBefore;
      crBefore = crs >> (step - unit);
    }
    const std::uint64_t quotes = StopAtQuote ? block.UnitsOf('"') : 0;
    if (quotes != 0) ends &= (quotes & (0 - quotes)) - 1;
    const std::int64_t found = BitsIn(ends);
    if (found >= Max - run.Lines) {
      for (std::int64_t k = Max - run.Lines; k > 1; --k) ends &= ends - 1;
      run.Lines = Max;
      run.Bytes = at + static_cast<std::size_t>(std::countr_zero(ends)) + unit;
      return run;
    }
    if (ends != 0) {
      run.Lines += found;
      run.Bytes = at + step - 1 - static_cast<std::size_t>(std::countl_zero(ends)) + unit;
    }
    if (quotes != 0) return run;
  }
  return run;
}

}  // namespace

TLineRun LeadingLines(const char* Data, std::size_t Size, TkxUnitLayout Layout, TLineEnd Ends, bool StopAtQuote,
                      std::int64_t Max) {
  const bool crLf = Ends == TLineEnd::CrLf;
  return WithUnits(Layout, [&]<class Units>(Units) {
    return LeadingLinesOf<Units>(Data, Size, crLf, StopAtQuote, Max);
  });
}

std::size_t NextUnit(std::string_view Block, TkxUnitLayout Layout, char Low, std::size_t From) {
  const std::size_t unit = Layout.Size;
  const std::size_t whole = Block.size() - Block.size() % unit;
  const std::size_t lowByte = Layout.BigEndian ? 1 : 0;
  for (std::size_t at = From; at < whole;) {
    const void* hit = std::memchr(Block.data() + at + lowByte, Low, whole - at - lowByte);
    if (!hit) break;
    const std::size_t found = static_cast<std::size_t>(static_cast<const char*>(hit) - Block.data()) - lowByte;
    if (found % unit == 0 && IsUnit(Block.data() + found, Layout, Low)) return found;
    at = found + 1;  // a byte of another unit
  }
  return std::string_view::npos;
}

void TallyLineEnds(std::string_view Block, TkxUnitLayout Layout, TEndTally& Tally) {
  const std::size_t unit = Layout.Size;
  const std::size_t whole = Block.size() - Block.size() % unit;
  if (whole == 0) return;
  Tally.Cr = Tally.Cr || NextUnit(Block, Layout, '\r', 0) != std::string_view::npos;
  for (std::size_t at = 0; (at = NextUnit(Block, Layout, '\n', at)) != std::string_view::npos; at += unit) {
    const bool afterCr = at == 0 ? Tally.LastCr : IsUnit(Block.data() + at - unit, Layout, '\r');
    ++(afterCr ? Tally.AfterCr : Tally.Bare);
  }
  Tally.LastCr = IsUnit(Block.data() + whole - unit, Layout, '\r');
}

std::size_t TLineReader::FindLineEnd(const char* Data, std::size_t Size) const {
  if (Size == 0) return 0;  // before the first read Data is null, which must not be searched
  return WithUnits(FLayout, [&]<class Units>(Units) { return FindLineEndOf<Units>(Data, Size, FCrLf); });
}

std::size_t TLineReader::WholeLines(std::size_t* Ends, std::size_t Max) const {
  const std::size_t available = FReader.Available();
  const std::size_t whole = available - available % FLayout.Size;
  const char* data = FReader.Data();
  std::size_t found = 0;
  // A line begins after an LF: a CR of the line before is never taken for its own.
  for (std::size_t from = 0; found < Max;) {
    const std::size_t lf = FindLineEnd(data + from, whole - from);
    if (lf == whole - from) break;
    from += lf + FLayout.Size;
    Ends[found++] = from;
  }
  return found;
}

void TLineReader::MoveLine(TkxRawSink& Sink, bool WithLineEnd) {
  const std::size_t unit = FLayout.Size;
  const char* lineEnd = FCrLf ? FEnd : FEnd + unit;
  const std::size_t lineEndSize = FCrLf ? 2 * unit : unit;
  bool heldCr = false;  // a CR at the end of a block: its LF may begin the next one
  for (;;) {
    std::size_t available = FReader.Fill(unit);
    if (available < unit) {
      // The end of the file: a held CR was its last code unit and is dropped.
      if (available > 0) {
        if (heldCr) Sink.PutBytes(FEnd, unit);
        Sink.PutBytes(FReader.Data(), available);
        FReader.Consume(available);
        if (WithLineEnd && available % unit != 0) Sink.PutBytes("\0", unit - available % unit);
      }
      if (WithLineEnd) Sink.PutBytes(lineEnd, lineEndSize);
      return;
    }
    const char* data = FReader.Data();
    if (heldCr) {
      if (IsUnit(data, FLayout, '\n')) {
        FReader.Consume(unit);
        if (WithLineEnd) Sink.PutBytes(FEnd, 2 * unit);
        return;
      }
      Sink.PutBytes(FEnd, unit);
      heldCr = false;
    }
    const std::size_t whole = available - available % unit;
    const std::size_t lf = FindLineEnd(data, whole);
    if (lf < whole) {
      const std::size_t piece = WithLineEnd ? lf + unit : lf - (FCrLf ? unit : 0);
      if (piece > 0) Sink.PutBytes(data, piece);
      FReader.Consume(lf + unit);
      return;
    }
    std::size_t piece = whole;
    if (FCrLf && IsUnit(data + whole - unit, FLayout, '\r')) {
      piece -= unit;
      heldCr = true;
    }
    if (piece > 0) Sink.PutBytes(data, piece);
    FReader.Consume(whole);
  }
}
