#include "engine/URecordPump.h"

#include "engine/UEngineTexts.h"
#include "support/UkxFunctions.h"
#include "support/UkxStrUtils.h"
#include "support/UkxTexts.h"

#include <algorithm>
#include <limits>

namespace {

// The header lines with their line ends, as long as they fit in the memory allowed.
class THeaderCapture : public TkxRawSink {
 public:
  THeaderCapture(std::string& Bytes, bool& Kept, std::int64_t& Total, std::size_t Limit)
      : FBytes(Bytes), FKept(Kept), FTotal(Total), FLimit(Limit) {}
  void PutBytes(const char* Data, std::size_t Size) override {
    FTotal += static_cast<std::int64_t>(Size);
    if (!FKept) return;
    if (FBytes.size() + Size > FLimit) {
      FKept = false;
      std::string().swap(FBytes);
      return;
    }
    FBytes.append(Data, Size);
  }

 private:
  std::string& FBytes;
  bool& FKept;
  std::int64_t& FTotal;
  std::size_t FLimit;
};

// Counts what passes: a record measured, or one read past.
class TByteCount : public TkxRawSink {
 public:
  void PutBytes(const char*, std::size_t Size) override { Total += static_cast<std::int64_t>(Size); }
  std::int64_t Total = 0;
};

}  // namespace

TUnclosedQuote::TUnclosedQuote(std::int64_t QuoteLine)
    : TkxException(FillIn(UnclosedQuoteText, {IntToText(0, QuoteLine)})),
      Line(QuoteLine) {}

void TRecordPump::RaiseIfUnclosed(const TRecordReader& Records) {
  if (Records.UnclosedQuoteLine() != 0) throw TUnclosedQuote(Records.UnclosedQuoteLine());
}

TRecordPump::TRecordPump(const platform::TFile& Source, std::int64_t Size, std::size_t MarkSize, TkxUnitLayout Layout,
                         TLineEnd Ends, bool Quoted, char Opener, std::size_t Block, std::size_t HeaderInMemory)
    : FFile(Source), FSize(Size), FMarkSize(MarkSize), FLayout(Layout), FEnds(Ends), FQuoted(Quoted), FOpener(Opener),
      FBlock(Block), FHeaderInMemory(HeaderInMemory), FReader(Source, Block, std::int64_t{0}),
      FRecords(FReader, Layout, Ends, Quoted, Opener) {}

void TRecordPump::ReadHeader(std::int64_t Count) {
  const std::size_t available = FReader.Fill(FMarkSize);
  FReader.Consume(std::min(available, FMarkSize));
  FHeaderStart = FReader.Position();
  FHeaderCount = Count;
  // A file of nothing but its mark holds one empty line, as the text file reads it.
  FMarkOnly = FMarkSize > 0 && FSize == static_cast<std::int64_t>(FMarkSize);
  THeaderCapture capture(FHeader, FHeaderKept, FHeaderSize, FHeaderInMemory);
  for (std::int64_t j = 0; j < Count; ++j) {
    if (FReader.Fill() == 0 && !FMarkOnly) {
      // An end before the size the run began with is another program's doing.
      throw TkxException(FReader.Position() < FSize ? SourceChangedText : NotEnoughDataText);
    }
    FRecords.MoveRecord(capture);
    FMarkOnly = false;
    RaiseIfUnclosed(FRecords);
  }
  FRecordsRead = Count;
}

std::int64_t TRecordPump::CountRecords(TSplitControl& Control) const {
  TkxByteReader reader(FFile, FBlock, static_cast<std::int64_t>(FMarkSize));
  TRecordReader records(reader, FLayout, FEnds, FQuoted, FOpener);
  TByteCount past;
  bool markOnly = FMarkSize > 0 && FSize == static_cast<std::int64_t>(FMarkSize);
  std::int64_t count = 0;
  for (;;) {
    // Plain lines are counted a run at a time, any other record alone.
    for (;;) {
      const TLineRun plain = records.PlainRecords(FBlock, std::numeric_limits<std::int64_t>::max());
      if (plain.Lines > 0) {
        reader.Consume(plain.Bytes);
        count += plain.Lines;
        continue;
      }
      const std::size_t size = records.WholeRecordSize();
      if (size == 0) break;
      reader.Consume(size);
      ++count;
    }
    if (reader.Fill() == 0 && !markOnly) break;
    if (Control.Cancelled()) throw TSplitCancelled();
    Control.BytesDone.store(reader.Position());
    records.MoveRecord(past);
    markOnly = false;
    ++count;
  }
  RaiseIfUnclosed(records);
  return count;
}

void TRecordPump::WriteHeader(TkxRawSink& Sink) {
  if (FHeaderKept) {
    Sink.PutBytes(FHeader.data(), FHeader.size());
    return;
  }
  TkxByteReader again(FFile, FBlock, FHeaderStart);
  TRecordReader records(again, FLayout, FEnds, FQuoted, FOpener);
  for (std::int64_t j = 0; j < FHeaderCount; ++j) records.MoveRecord(Sink);
}

std::int64_t TRecordPump::Measure(bool& Unclosed) const {
  TByteCount size;
  Look(size, Unclosed);
  return size.Total;
}

void TRecordPump::Look(TkxRawSink& Sink, bool& Unclosed) const {
  TkxByteReader again(FFile, FBlock, FReader.Position());
  TRecordReader record(again, FLayout, FEnds, FQuoted, FOpener);
  record.MoveRecord(Sink);
  Unclosed = record.UnclosedQuoteLine() != 0;
}

void TRecordPump::TooLarge(std::int64_t Line) {
  // Without header records only the mark goes before the record.
  const bool markOnly = FHeaderSize == 0 && FMarkSize > 0;
  FailUnlessUnclosed(FillIn(markOnly ? RecordWithMarkTooLargeText : RecordTooLargeText, {IntToText(0, Line)}));
}

void TRecordPump::FailUnlessUnclosed(const std::u16string& Message) {
  if (FQuoted) {
    TByteCount past;
    for (;;) {
      for (std::size_t size; (size = FRecords.WholeRecordSize()) != 0;) FReader.Consume(size);
      if (FReader.Fill() == 0) break;
      FRecords.MoveRecord(past);
    }
    RaiseIfUnclosed(FRecords);
  }
  throw TkxException(Message);
}

bool TRecordPump::SourceChanged() const { return FReader.Position() != FSize || FReader.FileSize() != FSize; }

TEndTally JudgeLineEnds(const platform::TFile& File, std::int64_t Size, std::size_t MarkSize, TkxUnitLayout Layout,
                        bool Quoted, char Opener, char* Block, std::size_t BlockSize, TSplitControl& Control) {
  TEndTally tally;
  TQuoteState quotes;
  for (std::int64_t at = Quoted ? static_cast<std::int64_t>(MarkSize) : 0;;) {
    std::size_t got = 0;
    if (!platform::ReadBytesAt(File, at, Block, BlockSize, got)) throw TkxException(FileReadErrorText);
    const std::string_view block(Block, got);
    if (Quoted) {
      TallyRecordEnds(block, Layout, quotes, tally, Opener);
    } else {
      TallyLineEnds(block, Layout, tally);
    }
    at += static_cast<std::int64_t>(got);
    if (tally.Any() || got < BlockSize || at >= Size) return tally;
    if (Control.Cancelled()) throw TSplitCancelled();
  }
}
