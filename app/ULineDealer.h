// The split's byte pipeline: reads the source once, finds its lines, and deals them
// over the output files as the raw code units of its encoding, never decoded.
#pragma once

#include "app/UOutputFiles.h"
#include "app/USplitControl.h"
#include "platform/Platform.h"
#include "support/UkxByteStream.h"
#include "support/UkxLineReader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class TLineDealer {
 public:
  // Reads Source, which its owner holds open, and whose size was Size when the run began.
  TLineDealer(const platform::TFile& Source, std::int64_t Size, std::size_t MarkSize, TkxUnitLayout Layout,
              TkxLineEnd Ends, std::size_t Block, std::size_t HeaderInMemory);

  // Reads past the mark and the first Count lines; raises "文件中不包含足够的数据!"
  // when the source has fewer, or the changed-source text when it ends before its size.
  // Header lines beyond HeaderInMemory bytes are not kept but read again for each
  // output, through the same handle.
  void ReadHeader(std::int64_t Count);
  // The bytes that the header lines take in each output.
  std::int64_t HeaderBytes() const;
  // Creates every output with its header lines, then deals every further line to the
  // next output in turn, each with its line end (a last line without one gains it).
  void Deal(TOutputFiles& Outputs, TSplitControl& Control);
  // True when the source is not the size it had when the run began, or was not read to
  // its end: another program changed it meanwhile.
  bool SourceChanged() const;

 private:
  void WriteHeader(TOutputFiles& Outputs, std::size_t I);

  const platform::TFile& FFile;
  std::int64_t FSize;
  std::size_t FMarkSize;
  TkxUnitLayout FLayout;
  TkxLineEnd FEnds;
  std::size_t FBlock;
  std::size_t FHeaderInMemory;
  TkxByteReader FReader;
  TkxLineReader FLines;
  std::int64_t FHeaderCount = 0;
  std::int64_t FHeaderStart = 0;
  std::int64_t FHeaderEnd = 0;
  std::string FHeader;
  bool FHeaderKept = true;
  bool FMarkOnly = false;  // the one empty line of a file that holds only its mark is still to come
};
