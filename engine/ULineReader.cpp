#include "engine/ULineReader.h"

#include <bit>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// The first LF byte in [From, End), or null. The Windows C library searches a byte at a
// time, which made the search a third of a split's processor time there; 32 bytes a
// step come close to the best C libraries.
const char* FindLf(const char* From, const char* End) {
#if defined(__SSE2__)
  const __m128i lf = _mm_set1_epi8('\n');
  for (; End - From >= 32; From += 32) {
    const __m128i low = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(From)), lf);
    const __m128i high = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(From + 16)), lf);
    const unsigned hits = static_cast<unsigned>(_mm_movemask_epi8(low)) |
                          static_cast<unsigned>(_mm_movemask_epi8(high)) << 16;
    if (hits != 0) return From + __builtin_ctz(hits);
  }
  for (; From < End; ++From) {
    if (*From == '\n') return From;
  }
  return nullptr;
#else
  return static_cast<const char*>(std::memchr(From, '\n', static_cast<std::size_t>(End - From)));
#endif
}

// 64 bytes of code units, loaded once and compared with several characters.
template <std::size_t Unit, bool Big>
class TStep {
 public:
  explicit TStep(const char* From) : FFrom(From) {
#if defined(__SSE2__)
    for (std::size_t k = 0; k < 4; ++k) FBytes[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(From + 16 * k));
#endif
  }
  // Bit i set where a unit equal to the ASCII character Ch begins at i.
  std::uint64_t UnitsOf(char Ch) const {
#if defined(__SSE2__)
    const __m128i want = Unit == 1 ? _mm_set1_epi8(Ch) : _mm_set1_epi16(static_cast<short>(Big ? Ch << 8 : Ch));
    const auto hitsAt = [&](std::size_t K) {
      const __m128i found = Unit == 1 ? _mm_cmpeq_epi8(FBytes[K], want) : _mm_cmpeq_epi16(FBytes[K], want);
      return static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm_movemask_epi8(found))) << 16 * K;
    };
    const std::uint64_t hits = hitsAt(0) | hitsAt(1) | hitsAt(2) | hitsAt(3);
    return Unit == 1 ? hits : hits & 0x5555555555555555u;
#else
    std::uint64_t hits = 0;
    for (std::size_t i = 0; i < 64; i += Unit) {
      if (IsUnit(FFrom + i, {Unit, Big}, Ch)) hits |= std::uint64_t{1} << i;
    }
    return hits;
#endif
  }

 private:
  const char* FFrom;
#if defined(__SSE2__)
  __m128i FBytes[4];
#endif
};

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
template <std::size_t Unit, bool Big>
TLineRun LeadingLinesOf(const char* Data, std::size_t Size, bool CrLf, bool StopAtQuote, std::int64_t Max) {
  constexpr TkxUnitLayout layout{Unit, Big};
  TLineRun run;
  std::uint64_t crBefore = 0;  // the last unit of the step before was a CR
  std::size_t at = 0;
  for (; Size - at >= 64 && run.Lines < Max; at += 64) {
    const TStep<Unit, Big> step(Data + at);
    std::uint64_t ends = step.UnitsOf('\n');
    if (CrLf) {
      const std::uint64_t crs = step.UnitsOf('\r');
      ends &= crs << Unit | crBefore;
      crBefore = crs >> (64 - Unit);
    }
    const std::uint64_t quotes = StopAtQuote ? step.UnitsOf('"') : 0;
    if (quotes != 0) ends &= (quotes & (0 - quotes)) - 1;
    const std::int64_t found = BitsIn(ends);
    if (found >= Max - run.Lines) {
      for (std::int64_t k = Max - run.Lines; k > 1; --k) ends &= ends - 1;
      run.Lines = Max;
      run.Bytes = at + static_cast<std::size_t>(std::countr_zero(ends)) + Unit;
      return run;
    }
    if (ends != 0) {
      run.Lines += found;
      run.Bytes = at + 63 - static_cast<std::size_t>(std::countl_zero(ends)) + Unit;
    }
    if (quotes != 0) return run;
  }
  for (; at + Unit <= Size && run.Lines < Max; at += Unit) {
    if (StopAtQuote && IsUnit(Data + at, layout, '"')) break;
    if (!IsUnit(Data + at, layout, '\n')) continue;
    if (CrLf && (at == 0 || !IsUnit(Data + at - Unit, layout, '\r'))) continue;
    ++run.Lines;
    run.Bytes = at + Unit;
  }
  return run;
}

}  // namespace

TLineRun LeadingLines(const char* Data, std::size_t Size, TkxUnitLayout Layout, TLineEnd Ends, bool StopAtQuote,
                      std::int64_t Max) {
  const bool crLf = Ends == TLineEnd::CrLf;
  if (Layout.Size == 1) return LeadingLinesOf<1, false>(Data, Size, crLf, StopAtQuote, Max);
  if (Layout.BigEndian) return LeadingLinesOf<2, true>(Data, Size, crLf, StopAtQuote, Max);
  return LeadingLinesOf<2, false>(Data, Size, crLf, StopAtQuote, Max);
}

void TallyLineEnds(std::string_view Block, TkxUnitLayout Layout, TEndTally& Tally) {
  const std::size_t unit = Layout.Size;
  for (std::size_t at = 0; at + unit <= Block.size(); at += unit) {
    if (IsUnit(Block.data() + at, Layout, '\n')) ++(Tally.LastCr ? Tally.AfterCr : Tally.Bare);
    Tally.LastCr = IsUnit(Block.data() + at, Layout, '\r');
    Tally.Cr = Tally.Cr || Tally.LastCr;
  }
}

std::size_t TLineReader::FindLineEnd(const char* Data, std::size_t Size) const {
  if (Size == 0) return 0;  // before the first read Data is null, which must not be searched
  const std::size_t unit = FLayout.Size;
  if (unit == 1) {  // the common case, kept short
    if (!FCrLf) {
      const char* hit = FindLf(Data, Data + Size);
      return hit ? static_cast<std::size_t>(hit - Data) : Size;
    }
    const char* at = Data + 1;  // an LF at the very start has no CR before it in this block
    const char* end = Data + Size;
    while (at < end && (at = FindLf(at, end))) {
      if (at[-1] == '\r') return static_cast<std::size_t>(at - Data);
      ++at;
    }
    return Size;
  }
  const std::size_t lowByte = FLayout.BigEndian ? 1 : 0;
  std::size_t from = FCrLf ? unit : 0;
  while (from + lowByte < Size) {
    const char* hit = FindLf(Data + from + lowByte, Data + Size);
    if (!hit) break;
    std::size_t at = static_cast<std::size_t>(hit - Data) - lowByte;
    if (at % unit != 0) {  // a 0A byte inside another character
      from = at + 1;
      continue;
    }
    if (IsUnit(Data + at, FLayout, '\n') && (!FCrLf || IsUnit(Data + at - unit, FLayout, '\r'))) return at;
    from = at + unit;
  }
  return Size;
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
