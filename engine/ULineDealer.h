// The split's byte pipeline: reads the source, finds its records (lines, or CSV records
// that keep quoted line ends), and deals them over the output files as the raw code
// units of its encoding, never decoded.
#pragma once

#include "engine/ULineReader.h"
#include "engine/UOutputFiles.h"
#include "engine/UPieceCut.h"
#include "engine/UPieceFiles.h"
#include "engine/URecordReader.h"
#include "engine/USplitControl.h"
#include "platform/Platform.h"
#include "support/UkxByteStream.h"
#include "support/UkxException.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// A source that ends inside a quoted field: it is no table of records. The message is
// the failure of a run that was told to read records.
class TUnclosedQuote : public TkxException {
 public:
  explicit TUnclosedQuote(std::int64_t QuoteLine);
  std::int64_t Line;  // where the field began, the first line after the mark being 1
};

class TLineDealer {
 public:
  // Reads Source, which its owner holds open, and whose size was Size when the run
  // began. Records are the lines, or with Quoted the records of TRecordReader.
  TLineDealer(const platform::TFile& Source, std::int64_t Size, std::size_t MarkSize, TkxUnitLayout Layout,
              TLineEnd Ends, bool Quoted, std::size_t Block, std::size_t HeaderInMemory);

  // Reads past the mark and the first Count records; raises "文件中不包含足够的数据!"
  // when the source has fewer, the changed-source text when it ends before its size, or
  // TUnclosedQuote when it ends inside a quoted field.
  // Header records beyond HeaderInMemory bytes are not kept but read again for each
  // output, through the same handle.
  void ReadHeader(std::int64_t Count);
  // The bytes that the header records take in each output.
  [[nodiscard]] std::int64_t HeaderBytes() const { return FHeaderSize; }
  // Reads the whole source through a reader of its own and answers how many records it
  // holds, the header's included; raises TUnclosedQuote as Deal would. Moves BytesDone
  // from 0 to the source's size.
  [[nodiscard]] std::int64_t CountRecords(TSplitControl& Control) const;
  // Creates every output with its header records, then deals every further record to
  // the next output in turn, each with its line end (a last one without it gains it);
  // raises TUnclosedQuote when the source ends inside a quoted field.
  void Deal(TOutputFiles& Outputs, TSplitControl& Control);
  // Starts a piece, then puts every further record in the piece Cut places it in, the
  // header records beginning each piece, and ends with the pieces that Cut still owes.
  // A record that fits no piece raises "第 L 行开始的记录连同表头超过了每个文件的大小上限,
  // 未做任何改动!", unless the source ends inside a quoted field (TUnclosedQuote).
  // BytesDone moves from Done on.
  void DealPieces(TPieceFiles& Pieces, TPieceCut& Cut, TSplitControl& Control, std::int64_t Done);
  // A failure that a source ending inside a quoted field overrides: records are read on
  // to the end to find out (TUnclosedQuote), then Message is raised.
  [[noreturn]] void FailUnlessUnclosed(const std::u16string& Message);
  // True when the source is not the size it had when the run began, or was not read to
  // its end: another program changed it meanwhile.
  [[nodiscard]] bool SourceChanged() const;

 private:
  void WriteHeader(TkxRawSink& Sink);
  void StartPiece(TPieceFiles& Pieces);
  // Puts the records that the block holds whole into the pieces Cut places them in.
  void PutWholeRecords(TPieceFiles& Pieces, TPieceCut& Cut);
  // The bytes that the record at the reader's position takes in a piece, read through a
  // reader of its own; Unclosed when it runs into the end of the source inside a quoted field.
  [[nodiscard]] std::int64_t Measure(bool& Unclosed) const;
  // The line where the next record begins, given the record reader's line count before it.
  [[nodiscard]] std::int64_t LineOf(std::int64_t LinesBefore) const {
    return FQuoted ? LinesBefore + 1 : FRecordsRead + 1;
  }
  [[noreturn]] void TooLarge(std::int64_t Line);

  const platform::TFile& FFile;
  std::int64_t FSize;
  std::size_t FMarkSize;
  TkxUnitLayout FLayout;
  TLineEnd FEnds;
  bool FQuoted;
  std::size_t FBlock;
  std::size_t FHeaderInMemory;
  TkxByteReader FReader;
  TRecordReader FRecords;
  std::int64_t FHeaderCount = 0;
  std::int64_t FHeaderStart = 0;
  std::string FHeader;
  std::int64_t FHeaderSize = 0;
  std::int64_t FRecordsRead = 0;  // counted only where pieces are cut
  bool FHeaderKept = true;
  bool FMarkOnly = false;  // the one empty line of a file that holds only its mark is still to come
};
