// Finds lines in the raw code units of a text file.
#pragma once

#include "support/UkxByteStream.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

// What ends a line: CR LF (the text file's only line end), or LF alone (tables from
// Unix-style exports, split as such).
enum class TLineEnd { CrLf, Lf };

// CR LF in the code units of Layout; the LF alone is its second half.
std::string_view CrLfOf(TkxUnitLayout Layout);

// The line ends of a table, counted over its first blocks fed one after another (each
// whole code units, from offset 0 or from just after the mark): CR LF unless bare LFs
// outnumber CR LFs.
struct TEndTally {
  std::int64_t AfterCr = 0;
  std::int64_t Bare = 0;
  bool Cr = false;      // a CR anywhere in what was fed
  bool LastCr = false;  // the last unit fed was a CR
  [[nodiscard]] bool Any() const { return AfterCr + Bare > 0; }
  [[nodiscard]] TLineEnd Ends() const { return Bare > AfterCr ? TLineEnd::Lf : TLineEnd::CrLf; }
};
// The offset of the first code unit from From (whole units) that is the ASCII character
// Low, or npos: searched a memchr at a time, so that a block without it costs little.
[[nodiscard]] std::size_t NextUnit(std::string_view Block, TkxUnitLayout Layout, char Low, std::size_t From);
// Every LF ends a line.
void TallyLineEnds(std::string_view Block, TkxUnitLayout Layout, TEndTally& Tally);

// The lines at the start of Data (Size bytes, whole code units, a line's start): at most
// Max of them and, with StopAtQuote, only those that end before the first quote. Lines
// is how many, Bytes where the last one's line end ends. Line ends are those of
// TLineReader. Pieces of many lines are cut from such counts, a run at a time.
struct TLineRun {
  std::int64_t Lines = 0;
  std::size_t Bytes = 0;
};
[[nodiscard]] TLineRun LeadingLines(const char* Data, std::size_t Size, TkxUnitLayout Layout, TLineEnd Ends,
                                    bool StopAtQuote, std::int64_t Max);

// Moves lines out of a reader as they stand in the file, without decoding them.
// The code units are compared at their own alignment (a UTF-16 character whose bytes
// happen to read 0D 0A, such as U+0A0D, ends nothing). With CR LF line ends, of
// CR CR LF only the last CR belongs to the line end and a CR that is the file's last
// code unit is dropped; with LF line ends a CR stays in its line. A line longer than
// the reader's block passes through in pieces.
class TLineReader {
 public:
  TLineReader(TkxByteReader& Reader, TkxUnitLayout Layout, TLineEnd Ends);
  // Hands the next line's bytes to Sink and consumes its line end. With WithLineEnd the
  // line end follows the line in the same code units (a line found whole in the block
  // goes as one piece, with the line end it has in the file), and a last line without
  // one gains it, after a lone byte at the end of a UTF-16 file is made a whole code
  // unit with a zero byte. Without, that lone byte stays as it is.
  void MoveLine(TkxRawSink& Sink, bool WithLineEnd);
  // The lines that follow one another whole in the block, up to Max: the offset (from
  // the reader's Data) just past each one's line end goes into Ends; answers how many.
  std::size_t WholeLines(std::size_t* Ends, std::size_t Max) const;

 private:
  // The offset of the LF that ends the first line in Data, or Size when there is none.
  std::size_t FindLineEnd(const char* Data, std::size_t Size) const;

  TkxByteReader& FReader;
  TkxUnitLayout FLayout;
  bool FCrLf;
  char FEnd[4];  // CR LF in the file's code units; the LF alone is its second half
};
