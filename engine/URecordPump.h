// The one road of a record: reads the source, finds its records (lines, or CSV records
// that keep quoted line ends), takes the header records, and hands every further record
// to the output its router answers, as the raw code units of its encoding, never decoded;
// it sees to cancel and progress, and counts the records first where a way asks.
#pragma once

#include "engine/ULineReader.h"
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

// The line ends of a source of Size bytes (lines, or with Quoted records by Opener),
// judged on its first BlockSize bytes, or where those hold none, read on through the
// same Block until one shows or the source ends.
[[nodiscard]] TEndTally JudgeLineEnds(const platform::TFile& File, std::int64_t Size, std::size_t MarkSize,
                                      TkxUnitLayout Layout, bool Quoted, char Opener, char* Block,
                                      std::size_t BlockSize, TSplitControl& Control);

class TRecordPump {
 public:
  // Reads Source, which its owner holds open, and whose size was Size when the run
  // began. Records are the lines, or with Quoted the records of TRecordReader (Opener its).
  TRecordPump(const platform::TFile& Source, std::int64_t Size, std::size_t MarkSize, TkxUnitLayout Layout,
              TLineEnd Ends, bool Quoted, char Opener, std::size_t Block, std::size_t HeaderInMemory);

  // Reads past the mark and the first Count records; raises "文件中不包含足够的数据!"
  // when the source has fewer, the changed-source text when it ends before its size, or
  // TUnclosedQuote when it ends inside a quoted field.
  // Header records beyond HeaderInMemory bytes are not kept but read again for each
  // output, through the same handle.
  void ReadHeader(std::int64_t Count);
  // The bytes that the header records take in each output.
  [[nodiscard]] std::int64_t HeaderBytes() const { return FHeaderSize; }
  // Reads the whole source through a reader of its own and answers how many records it
  // holds, the header's included; raises TUnclosedQuote as Run would. Moves BytesDone
  // from 0 to the source's size.
  [[nodiscard]] std::int64_t CountRecords(TSplitControl& Control) const;
  // Puts every further record into the output Router answers (Outputs' Start, Put and
  // Sink, by key), each with its line end (a last one without it gains it); an output
  // begins with the header records when it is made. Answers how many outputs were made.
  // Defined in engine/URecordPumpRun.h.
  // A record that fits no output raises "第 L 行开始的记录连同表头超过了每个文件的大小上限,
  // 未做任何改动!", unless the source ends inside a quoted field (TUnclosedQuote, also
  // raised at the end for such a source). BytesDone moves from Done on.
  template <class Router, class Outputs>
  [[nodiscard]] std::int64_t Run(Router& Router_, Outputs& Outputs_, TSplitControl& Control, std::int64_t Done);
  // A failure that a source ending inside a quoted field overrides: records are read on
  // to the end to find out (TUnclosedQuote), then Message is raised.
  [[noreturn]] void FailUnlessUnclosed(const std::u16string& Message);
  // True when the source is not the size it had when the run began, or was not read to
  // its end: another program changed it meanwhile.
  [[nodiscard]] bool SourceChanged() const;

 private:
  // The outputs made so far, and the one records go to.
  struct TMade {
    std::int64_t Count = 0;
    std::int64_t Current = 0;
  };
  void WriteHeader(TkxRawSink& Sink);
  // Makes the outputs up to Key, each with the header, and makes Key the current one.
  template <class Outputs>
  void MoveTo(Outputs& Outputs_, TMade& Made, std::int64_t Key, TSplitControl& Control);
  // Puts the records that the block holds whole into the outputs the router answers.
  template <class Router, class Outputs>
  void PutWholeRecords(Router& Router_, Outputs& Outputs_, TMade& Made, TSplitControl& Control);
  // The same for contiguous pieces: runs of records to one output at a time.
  template <class Router, class Outputs>
  void PutRunsOfRecords(Router& Router_, Outputs& Outputs_, TMade& Made, TSplitControl& Control);
  // The bytes that the record at the reader's position takes in an output, read through a
  // reader of its own; Unclosed when it runs into the end of the source inside a quoted field.
  [[nodiscard]] std::int64_t Measure(bool& Unclosed) const;
  // Hands the record at the reader's position to Sink, read through a reader of its own.
  void Look(TkxRawSink& Sink, bool& Unclosed) const;
  // The line where the next record begins, given the record reader's line count before it.
  [[nodiscard]] std::int64_t LineOf(std::int64_t LinesBefore) const {
    return FQuoted ? LinesBefore + 1 : FRecordsRead + 1;
  }
  [[noreturn]] void TooLarge(std::int64_t Line);
  // Raises TUnclosedQuote where Records ran into the end of the source inside a quoted field.
  static void RaiseIfUnclosed(const TRecordReader& Records);

  // Records found at a time where they lie whole in the block.
  static constexpr std::size_t Batch = 256;

  const platform::TFile& FFile;
  std::int64_t FSize;
  std::size_t FMarkSize;
  TkxUnitLayout FLayout;
  TLineEnd FEnds;
  bool FQuoted;
  char FOpener;
  std::size_t FBlock;
  std::size_t FHeaderInMemory;
  TkxByteReader FReader;
  TRecordReader FRecords;
  std::int64_t FHeaderCount = 0;
  std::int64_t FHeaderStart = 0;
  std::string FHeader;
  std::int64_t FHeaderSize = 0;
  std::int64_t FRecordsRead = 0;
  bool FHeaderKept = true;
  bool FMarkOnly = false;  // the one empty line of a file that holds only its mark is still to come
};
