// Finds lines in the raw code units of a text file: only CR LF ends a line.
#pragma once

#include "support/UkxByteStream.h"

#include <cstddef>

// How the code units of an encoding are laid out: one byte each, or two in either order.
struct TkxUnitLayout {
  std::size_t Size = 1;
  bool BigEndian = false;
};

// Moves lines out of a reader as they stand in the file, without decoding them.
// The code units are compared at their own alignment (a UTF-16 character whose bytes
// happen to read 0D 0A, such as U+0A0D, ends nothing). Of CR CR LF only the last CR
// belongs to the line end; a CR that is the file's last code unit is dropped. A line
// longer than the reader's block passes through in pieces.
class TkxLineReader {
 public:
  TkxLineReader(TkxByteReader& Reader, TkxUnitLayout Layout);
  // Hands the next line's bytes to Sink and consumes its line end. With WithLineEnd the
  // line end follows the line as CR LF in the same code units (a line found whole in the
  // block goes as one piece, with the CR LF it has in the file). A lone byte left at the
  // end of a UTF-16 file is kept as part of the last line.
  void MoveLine(TkxRawSink& Sink, bool WithLineEnd);
  // The size of the next line with its CR LF when the block holds both whole (MoveLine
  // would hand them over as one piece), else 0: such a line is moved by MoveLine.
  std::size_t WholeLineSize() const {
    const std::size_t available = FReader.Available();
    const std::size_t whole = available - available % FLayout.Size;
    const std::size_t lf = FindLineEnd(FReader.Data(), whole);
    return lf < whole ? lf + FLayout.Size : 0;
  }

 private:
  bool IsUnit(const char* At, char Low) const;
  // The offset of the LF of the first CR LF in Data, or Size when there is none.
  std::size_t FindLineEnd(const char* Data, std::size_t Size) const;

  TkxByteReader& FReader;
  TkxUnitLayout FLayout;
  char FCrLf[4];
};
