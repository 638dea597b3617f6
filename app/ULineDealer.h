// The split's byte pipeline: reads the source, finds its records (lines, or CSV records
// that keep quoted line ends), and deals them over the output files as the raw code
// units of its encoding, never decoded.
#pragma once

#include "app/UOutputFiles.h"
#include "app/USplitControl.h"
#include "platform/Platform.h"
#include "support/UkxByteStream.h"
#include "support/UkxException.h"
#include "support/UkxLineReader.h"
#include "support/UkxRecordReader.h"

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
  // began. Records are the lines, or with Quoted the records of TkxRecordReader.
  TLineDealer(const platform::TFile& Source, std::int64_t Size, std::size_t MarkSize, TkxUnitLayout Layout,
              TkxLineEnd Ends, bool Quoted, std::size_t Block, std::size_t HeaderInMemory);

  // Reads past the mark and the first Count records; raises "文件中不包含足够的数据!"
  // when the source has fewer, the changed-source text when it ends before its size, or
  // TUnclosedQuote when it ends inside a quoted field.
  // Header records beyond HeaderInMemory bytes are not kept but read again for each
  // output, through the same handle.
  void ReadHeader(std::int64_t Count);
  // The bytes that the header records take in each output.
  [[nodiscard]] std::int64_t HeaderBytes() const;
  // Creates every output with its header records, then deals every further record to
  // the next output in turn, each with its line end (a last one without it gains it);
  // raises TUnclosedQuote when the source ends inside a quoted field.
  void Deal(TOutputFiles& Outputs, TSplitControl& Control);
  // True when the source is not the size it had when the run began, or was not read to
  // its end: another program changed it meanwhile.
  [[nodiscard]] bool SourceChanged() const;

 private:
  void WriteHeader(TOutputFiles& Outputs, std::size_t I);

  const platform::TFile& FFile;
  std::int64_t FSize;
  std::size_t FMarkSize;
  TkxUnitLayout FLayout;
  TkxLineEnd FEnds;
  bool FQuoted;
  std::size_t FBlock;
  std::size_t FHeaderInMemory;
  TkxByteReader FReader;
  TkxRecordReader FRecords;
  std::int64_t FHeaderCount = 0;
  std::int64_t FHeaderStart = 0;
  std::int64_t FHeaderEnd = 0;
  std::string FHeader;
  bool FHeaderKept = true;
  bool FMarkOnly = false;  // the one empty line of a file that holds only its mark is still to come
};
