// Finds the records of a table in its raw code units: lines, except that a line end
// inside a quoted field belongs to its record, which goes on.
#pragma once

#include "engine/ULineReader.h"
#include "support/UkxByteStream.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

// Where the quote tracking stands inside a record. Before is the ASCII character of the
// code unit before the next one to scan (0 for any other), a comma at a record's start.
struct TQuoteState {
  bool InQuote = false;
  bool QuoteSeen = false;  // inside a quoted field the last unit scanned was a quote: the next decides
  char Before = ',';
  std::int64_t Lines = 0;      // line ends passed since the reader began
  std::int64_t QuoteLine = 0;  // the line on which the open quoted field began
};

// The line ends of a table read by records (TallyLineEnds, from the first code unit
// after the mark): every LF outside a quoted field, bare or after a CR, may end a
// record. Line ends inside quoted fields, however many, count for nothing. Quotes
// carries the quoted field from one block to the next. Opener as TRecordReader's.
void TallyRecordEnds(std::string_view Block, TkxUnitLayout Layout, TQuoteState& Quotes, TEndTally& Tally,
                     char Opener = ',');

// Moves records out of a reader as they stand in the file, without decoding them. With
// Quoted, a field that begins with a quote (at the start of a record, or right after a
// comma, a semicolon, a TAB or Opener: '|' where the fields go by it) runs to the next
// quote that is not followed by another
// ("" stands for a quote inside it), and line ends inside it belong to the record; a
// quote anywhere else is an ordinary character. Without, records are the line reader's
// lines. Line ends are those of the line reader, compared at the code units' own
// alignment; a record longer than the reader's block passes through in pieces.
class TRecordReader {
 public:
  TRecordReader(TkxByteReader& Reader, TkxUnitLayout Layout, TLineEnd Ends, bool Quoted, char Opener = ',');
  // Hands the next record's bytes to Sink, followed by its line end as the line reader's
  // MoveLine hands a line with WithLineEnd.
  void MoveRecord(TkxRawSink& Sink);
  // The size of the next record with its line end when the block holds both whole, else
  // 0 (the record is then moved by MoveRecord). A record so answered counts as read: the
  // caller consumes its bytes.
  [[nodiscard]] std::size_t WholeRecordSize() {
    std::size_t end = 0;
    return WholeRecords(&end, 1) == 1 ? end : 0;
  }
  // The records that follow one another whole in the block, up to Max: the offset (from
  // the reader's Data) just past each one's line end goes into Ends; answers how many.
  // They count as read: the caller consumes their bytes.
  [[nodiscard]] std::size_t WholeRecords(std::size_t* Ends, std::size_t Max);
  // The records at the start of the block that lie whole in its first Bytes bytes and are
  // plain lines (with Quoted, those before the block's first quote), at most Max. They
  // count as read: the caller consumes their bytes.
  [[nodiscard]] TLineRun PlainRecords(std::size_t Bytes, std::int64_t Max);
  // The line ends passed inside and after the quoted records read so far (the first
  // line is 1 plus this where the next record begins); 0 without Quoted.
  [[nodiscard]] std::int64_t LinesPassed() const { return FState.Lines; }
  // Once a record has run into the end of the file inside a quoted field: the line on
  // which that field began (the first line after the mark is 1); else 0.
  [[nodiscard]] std::int64_t UnclosedQuoteLine() const { return FUnclosedLine; }

 private:
  TkxByteReader& FReader;
  TLineReader FLines;
  TkxUnitLayout FLayout;
  bool FCrLf;
  bool FQuoted;
  char FOpener;
  TQuoteState FState;
  std::int64_t FUnclosedLine = 0;
};
