#include "engine/URecordPump.h"

#include "engine/UOutputFiles.h"
#include "engine/UPieceFiles.h"
#include "engine/URouter.h"

#include "engine/UEngineTexts.h"
#include "support/UkxFunctions.h"
#include "support/UkxStrUtils.h"

#include <algorithm>
#include <limits>

namespace {

// Records found at a time where they lie whole in the block.
constexpr std::size_t Batch = 256;

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

namespace {

// Records that ran into the end of the source inside a quoted field.
void RaiseIfUnclosed(const TRecordReader& Records) {
  if (Records.UnclosedQuoteLine() != 0) throw TUnclosedQuote(Records.UnclosedQuoteLine());
}

}  // namespace

TRecordPump::TRecordPump(const platform::TFile& Source, std::int64_t Size, std::size_t MarkSize, TkxUnitLayout Layout,
                         TLineEnd Ends, bool Quoted, std::size_t Block, std::size_t HeaderInMemory)
    : FFile(Source), FSize(Size), FMarkSize(MarkSize), FLayout(Layout), FEnds(Ends), FQuoted(Quoted), FBlock(Block),
      FHeaderInMemory(HeaderInMemory), FReader(Source, Block, std::int64_t{0}), FRecords(FReader, Layout, Ends, Quoted) {}

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
  TRecordReader records(reader, FLayout, FEnds, FQuoted);
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
  TRecordReader records(again, FLayout, FEnds, FQuoted);
  for (std::int64_t j = 0; j < FHeaderCount; ++j) records.MoveRecord(Sink);
}


std::int64_t TRecordPump::Measure(bool& Unclosed) const {
  TkxByteReader again(FFile, FBlock, FReader.Position());
  TRecordReader record(again, FLayout, FEnds, FQuoted);
  TByteCount size;
  record.MoveRecord(size);
  Unclosed = record.UnclosedQuoteLine() != 0;
  return size.Total;
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




template <class Outputs>
void TRecordPump::MoveTo(Outputs& Outputs_, TMade& Made, std::int64_t Key, TSplitControl& Control) {
  for (; Made.Count <= Key; ++Made.Count) {
    if (Control.Cancelled()) throw TSplitCancelled();
    Outputs_.Start(Made.Count);
    WriteHeader(Outputs_.Sink(Made.Count));
  }
  Made.Current = Key;
}

template <class Router, class Outputs>
void TRecordPump::PutWholeRecords(Router& Router_, Outputs& Outputs_, TMade& Made, TSplitControl& Control) {
  // Runs of records go to their outputs, each run one write.
  const char* run = FReader.Data();
  std::size_t length = 0;
  std::size_t ends[Batch];
  if constexpr (Router::InTurn) {
    // Each record to its own output, in one tight loop.
    for (std::size_t found; (found = FRecords.WholeRecords(ends, Batch)) != 0;) {
      const char* data = FReader.Data();
      std::size_t start = 0;
      for (std::size_t k = 0; k < found; ++k) {
        Outputs_.Put(Router_.Next(0), data + start, ends[k] - start);
        start = ends[k];
      }
      FReader.Consume(start);
    }
    return;
  }
  for (;;) {
    // Plain lines that fit the output go in at once, where the router can tell ahead.
    const TRoom room = Router_.Room();
    if (room.Records > 0) {
      const TLineRun plain =
          FRecords.PlainRecords(static_cast<std::size_t>(std::min<std::int64_t>(room.Bytes, FBlock)), room.Records);
      if (plain.Lines > 0) {
        Router_.Add(plain.Lines, static_cast<std::int64_t>(plain.Bytes));
        length += plain.Bytes;
        FReader.Consume(plain.Bytes);
        FRecordsRead += plain.Lines;
        continue;
      }
    }
    // Any other record is asked for alone, found a batch at a time; where sizes decide,
    // one at a time, so that the line of one that fits nowhere is known.
    const std::int64_t before = FRecords.LinesPassed();
    const std::size_t found = FRecords.WholeRecords(ends, Router_.NeedsSize() ? 1 : Batch);
    if (found == 0) break;
    std::size_t start = 0;
    for (std::size_t k = 0; k < found; ++k) {
      const std::size_t size = ends[k] - start;
      const std::int64_t key = Router_.Next(static_cast<std::int64_t>(size));
      if (key != Made.Current) {
        Outputs_.Put(Made.Current, run, length);
        if (key == TRouter::TooLarge) {
          FReader.Consume(ends[k]);
          TooLarge(LineOf(before));
        }
        MoveTo(Outputs_, Made, key, Control);
        run = FReader.Data() + start;
        length = 0;
      }
      length += size;
      start = ends[k];
      ++FRecordsRead;
    }
    FReader.Consume(start);
  }
  Outputs_.Put(Made.Current, run, length);
}

template <class Router, class Outputs>
std::int64_t TRecordPump::Run(Router& Router_, Outputs& Outputs_, TSplitControl& Control, std::int64_t Done) {
  TMade made;
  // Outputs dealt in turn are all made first, with their headers.
  MoveTo(Outputs_, made, Router::InTurn ? Router_.Outputs() - 1 : 0, Control);
  made.Current = 0;
  for (;;) {
    PutWholeRecords(Router_, Outputs_, made, Control);
    if (Control.Cancelled()) throw TSplitCancelled();
    Control.BytesDone.store(Done + FReader.Position());
    // A record that crossed the block's end is mostly whole once the block is topped up.
    const std::size_t held = FReader.Available();
    const std::size_t now = FReader.Fill(held + 1);
    if (now > held) continue;
    if (now == 0 && !FMarkOnly) break;
    // The last record, or one longer than the block: the record reader moves it in pieces.
    const std::int64_t before = FRecords.LinesPassed();
    bool unclosed = false;
    const std::int64_t size = Router_.NeedsSize() ? Measure(unclosed) : 0;
    // A record that runs into the end inside a quoted field fails the run as such, whatever its size.
    const std::int64_t key = unclosed ? made.Current : Router_.Next(size);
    if (key == TRouter::TooLarge) TooLarge(LineOf(before));
    MoveTo(Outputs_, made, key, Control);
    FRecords.MoveRecord(Outputs_.Sink(key));
    FMarkOnly = false;
    ++FRecordsRead;
  }
  MoveTo(Outputs_, made, Router_.Outputs() - 1, Control);
  Control.BytesDone.store(Done + FReader.Position());
  RaiseIfUnclosed(FRecords);
  return made.Count;
}

// Each way's router with the outputs it writes through.
template std::int64_t TRecordPump::Run(TCycleRouter&, TOutputFiles&, TSplitControl&, std::int64_t);
template std::int64_t TRecordPump::Run(TRowsRouter&, TPieceFiles&, TSplitControl&, std::int64_t);
template std::int64_t TRecordPump::Run(TPartsRouter&, TPieceFiles&, TSplitControl&, std::int64_t);
template std::int64_t TRecordPump::Run(TSizeRouter&, TPieceFiles&, TSplitControl&, std::int64_t);

bool TRecordPump::SourceChanged() const { return FReader.Position() != FSize || FReader.FileSize() != FSize; }
