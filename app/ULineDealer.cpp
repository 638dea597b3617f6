#include "app/ULineDealer.h"

#include "support/UkxFunctions.h"

namespace {

// The header lines with their line ends, as long as they fit in the memory allowed.
class THeaderCapture : public TkxRawSink {
 public:
  THeaderCapture(std::string& Bytes, bool& Kept, std::size_t Limit) : FBytes(Bytes), FKept(Kept), FLimit(Limit) {}
  void PutBytes(const char* Data, std::size_t Size) override {
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
  std::size_t FLimit;
};

}  // namespace

TUnclosedQuote::TUnclosedQuote(std::int64_t QuoteLine)
    : TkxException(u"第 " + IntToText(0, QuoteLine) + u" 行开始的引号直到文件末尾都没有闭合, 未做任何改动!"),
      Line(QuoteLine) {}

TLineDealer::TLineDealer(const platform::TFile& Source, std::int64_t Size, std::size_t MarkSize, TkxUnitLayout Layout,
                         TkxLineEnd Ends, bool Quoted, std::size_t Block, std::size_t HeaderInMemory)
    : FFile(Source), FSize(Size), FMarkSize(MarkSize), FLayout(Layout), FEnds(Ends), FQuoted(Quoted), FBlock(Block),
      FHeaderInMemory(HeaderInMemory), FReader(Source, Block, std::int64_t{0}), FRecords(FReader, Layout, Ends, Quoted) {}

void TLineDealer::ReadHeader(std::int64_t Count) {
  const std::size_t available = FReader.Fill(FMarkSize);
  FReader.Consume(available < FMarkSize ? available : FMarkSize);
  FHeaderStart = FReader.Position();
  FHeaderCount = Count;
  // A file of nothing but its mark holds one empty line, as the text file reads it.
  FMarkOnly = FMarkSize > 0 && FSize == static_cast<std::int64_t>(FMarkSize);
  THeaderCapture capture(FHeader, FHeaderKept, FHeaderInMemory);
  for (std::int64_t j = 0; j < Count; ++j) {
    if (FReader.Fill() == 0 && !FMarkOnly) {
      // An end before the size the run began with is another program's doing.
      throw TkxException(FReader.Position() < FSize ? u"拆分期间待拆分文件被改动, 请在它不再变化时重新拆分!"
                                                    : u"文件中不包含足够的数据!");
    }
    FRecords.MoveRecord(capture);
    FMarkOnly = false;
    if (FRecords.UnclosedQuoteLine() != 0) throw TUnclosedQuote(FRecords.UnclosedQuoteLine());
  }
  FHeaderEnd = FReader.Position();
}

std::int64_t TLineDealer::HeaderBytes() const {
  // A header not kept ends where its last record ends in the source, give or take the
  // line end that a last record lacking one gains.
  return FHeaderKept ? static_cast<std::int64_t>(FHeader.size()) : FHeaderEnd - FHeaderStart + 4;
}

void TLineDealer::WriteHeader(TOutputFiles& Outputs, std::size_t I) {
  if (FHeaderKept) {
    Outputs.Put(I, FHeader.data(), FHeader.size());
    return;
  }
  TkxByteReader again(FFile, FBlock, FHeaderStart);
  TkxRecordReader records(again, FLayout, FEnds, FQuoted);
  for (std::int64_t j = 0; j < FHeaderCount; ++j) records.MoveRecord(Outputs.Sink(I));
}

void TLineDealer::Deal(TOutputFiles& Outputs, TSplitControl& Control) {
  const std::size_t count = Outputs.Count();
  for (std::size_t i = 0; i < count; ++i) {
    if (Control.Cancelled()) throw TSplitCancelled();
    Outputs.Create(i);
    WriteHeader(Outputs, i);
  }
  std::size_t next = 0;
  for (;;) {
    // The records that the block holds whole go in one tight loop; a record that crosses
    // the block's end goes through the record reader, which reads on.
    for (std::size_t size; (size = FRecords.WholeRecordSize()) != 0;) {
      Outputs.Put(next, FReader.Data(), size);
      FReader.Consume(size);
      if (++next == count) next = 0;
    }
    if (FReader.Fill() == 0 && !FMarkOnly) break;
    if (Control.Cancelled()) throw TSplitCancelled();
    Control.BytesDone.store(FReader.Position());
    FRecords.MoveRecord(Outputs.Sink(next));
    FMarkOnly = false;
    if (++next == count) next = 0;
  }
  Control.BytesDone.store(FReader.Position());
  if (FRecords.UnclosedQuoteLine() != 0) throw TUnclosedQuote(FRecords.UnclosedQuoteLine());
}

bool TLineDealer::SourceChanged() const { return FReader.Position() != FSize || FReader.FileSize() != FSize; }
