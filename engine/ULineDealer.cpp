#include "engine/ULineDealer.h"

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

TLineDealer::TLineDealer(const platform::TFile& Source, std::int64_t Size, std::size_t MarkSize, TkxUnitLayout Layout,
                         TLineEnd Ends, bool Quoted, std::size_t Block, std::size_t HeaderInMemory)
    : FFile(Source), FSize(Size), FMarkSize(MarkSize), FLayout(Layout), FEnds(Ends), FQuoted(Quoted), FBlock(Block),
      FHeaderInMemory(HeaderInMemory), FReader(Source, Block, std::int64_t{0}), FRecords(FReader, Layout, Ends, Quoted) {}

void TLineDealer::ReadHeader(std::int64_t Count) {
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

std::int64_t TLineDealer::CountRecords(TSplitControl& Control) const {
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

void TLineDealer::WriteHeader(TkxRawSink& Sink) {
  if (FHeaderKept) {
    Sink.PutBytes(FHeader.data(), FHeader.size());
    return;
  }
  TkxByteReader again(FFile, FBlock, FHeaderStart);
  TRecordReader records(again, FLayout, FEnds, FQuoted);
  for (std::int64_t j = 0; j < FHeaderCount; ++j) records.MoveRecord(Sink);
}

void TLineDealer::StartPiece(TPieceFiles& Pieces) {
  Pieces.Start();
  WriteHeader(Pieces);
}

std::int64_t TLineDealer::Measure(bool& Unclosed) const {
  TkxByteReader again(FFile, FBlock, FReader.Position());
  TRecordReader record(again, FLayout, FEnds, FQuoted);
  TByteCount size;
  record.MoveRecord(size);
  Unclosed = record.UnclosedQuoteLine() != 0;
  return size.Total;
}

void TLineDealer::TooLarge(std::int64_t Line) {
  // Without header records only the mark goes before the record.
  const bool markOnly = FHeaderSize == 0 && FMarkSize > 0;
  FailUnlessUnclosed(FillIn(markOnly ? RecordWithMarkTooLargeText : RecordTooLargeText, {IntToText(0, Line)}));
}

void TLineDealer::FailUnlessUnclosed(const std::u16string& Message) {
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

void TLineDealer::PutWholeRecords(TPieceFiles& Pieces, TPieceCut& Cut) {
  // Runs of records go to their pieces, each run one write.
  const char* run = FReader.Data();
  std::size_t length = 0;
  for (;;) {
    // Plain lines that fit the piece go in at once; any other record is asked for alone.
    const TPieceCut::TRoom room = Cut.Room();
    const TLineRun plain =
        FRecords.PlainRecords(static_cast<std::size_t>(std::min<std::int64_t>(room.Bytes, FBlock)), room.Records);
    if (plain.Lines > 0) {
      Cut.Add(plain.Lines, static_cast<std::int64_t>(plain.Bytes));
      length += plain.Bytes;
      FReader.Consume(plain.Bytes);
      FRecordsRead += plain.Lines;
      continue;
    }
    const std::int64_t before = FRecords.LinesPassed();
    const std::size_t size = FRecords.WholeRecordSize();
    if (size == 0) break;
    const TPieceCut::TPlace place = Cut.Next(static_cast<std::int64_t>(size));
    if (place != TPieceCut::TPlace::Same) {
      Pieces.PutBytes(run, length);
      run += length;
      length = 0;
      if (place == TPieceCut::TPlace::TooLarge) {
        FReader.Consume(size);
        TooLarge(LineOf(before));
      }
      StartPiece(Pieces);
    }
    length += size;
    FReader.Consume(size);
    ++FRecordsRead;
  }
  Pieces.PutBytes(run, length);
}

void TLineDealer::DealPieces(TPieceFiles& Pieces, TPieceCut& Cut, TSplitControl& Control, std::int64_t Done) {
  StartPiece(Pieces);
  const bool sized = Cut.NeedsSize();
  for (;;) {
    PutWholeRecords(Pieces, Cut);
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
    const std::int64_t size = sized ? Measure(unclosed) : 0;
    // A record that runs into the end inside a quoted field fails the run as such, whatever its size.
    const TPieceCut::TPlace place = unclosed ? TPieceCut::TPlace::Same : Cut.Next(size);
    if (place == TPieceCut::TPlace::TooLarge) TooLarge(LineOf(before));
    if (place == TPieceCut::TPlace::New) StartPiece(Pieces);
    FRecords.MoveRecord(Pieces);
    FMarkOnly = false;
    ++FRecordsRead;
  }
  while (Pieces.Count() < Cut.Pieces()) StartPiece(Pieces);
  Control.BytesDone.store(Done + FReader.Position());
  RaiseIfUnclosed(FRecords);
}

void TLineDealer::Deal(TOutputFiles& Outputs, TSplitControl& Control) {
  const std::size_t count = Outputs.Count();
  for (std::size_t i = 0; i < count; ++i) {
    if (Control.Cancelled()) throw TSplitCancelled();
    Outputs.Create(i);
    WriteHeader(Outputs.Sink(i));
  }
  std::size_t next = 0;
  std::size_t ends[Batch];
  for (;;) {
    // The records that the block holds whole are found a batch at a time and go in one
    // tight loop; a record that crosses the block's end goes through the record reader,
    // which reads on.
    for (std::size_t found; (found = FRecords.WholeRecords(ends, Batch)) != 0;) {
      const char* data = FReader.Data();
      std::size_t start = 0;
      for (std::size_t k = 0; k < found; ++k) {
        Outputs.Put(next, data + start, ends[k] - start);
        start = ends[k];
        if (++next == count) next = 0;
      }
      FReader.Consume(start);
    }
    if (FReader.Fill() == 0 && !FMarkOnly) break;
    if (Control.Cancelled()) throw TSplitCancelled();
    Control.BytesDone.store(FReader.Position());
    FRecords.MoveRecord(Outputs.Sink(next));
    FMarkOnly = false;
    if (++next == count) next = 0;
  }
  Control.BytesDone.store(FReader.Position());
  RaiseIfUnclosed(FRecords);
}

bool TLineDealer::SourceChanged() const { return FReader.Position() != FSize || FReader.FileSize() != FSize; }
