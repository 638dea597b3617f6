#include "support/UkxLineReader.h"

#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

TkxLineReader::TkxLineReader(TkxByteReader& Reader, TkxUnitLayout Layout, TkxLineEnd Ends)
    : FReader(Reader), FLayout(Layout), FCrLf(Ends == TkxLineEnd::CrLf) {
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

}  // namespace

TkxLineEnd LineEndsOf(std::string_view Head, TkxUnitLayout Layout) {
  std::int64_t crLf = 0;
  std::int64_t bareLf = 0;
  const std::size_t unit = Layout.Size;
  for (std::size_t at = 0; at + unit <= Head.size(); at += unit) {
    if (!IsUnit(Head.data() + at, Layout, '\n')) continue;
    if (at >= unit && IsUnit(Head.data() + at - unit, Layout, '\r')) {
      ++crLf;
    } else {
      ++bareLf;
    }
  }
  return bareLf > crLf ? TkxLineEnd::Lf : TkxLineEnd::CrLf;
}

std::size_t TkxLineReader::FindLineEnd(const char* Data, std::size_t Size) const {
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

std::size_t TkxLineReader::WholeLines(std::size_t* Ends, std::size_t Max) const {
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

void TkxLineReader::MoveLine(TkxRawSink& Sink, bool WithLineEnd) {
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
