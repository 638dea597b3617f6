#include "app/ULineDealer.h"

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

TLineDealer::TLineDealer(const platform::TFile& Source, std::int64_t Size, std::size_t MarkSize, TkxUnitLayout Layout,
                         TkxLineEnd Ends, std::size_t Block, std::size_t HeaderInMemory)
    : FFile(Source), FSize(Size), FMarkSize(MarkSize), FLayout(Layout), FEnds(Ends), FBlock(Block),
      FHeaderInMemory(HeaderInMemory), FReader(Source, Block, std::int64_t{0}), FLines(FReader, Layout, Ends) {}

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
    FLines.MoveLine(capture, true);
    FMarkOnly = false;
  }
  FHeaderEnd = FReader.Position();
}

std::int64_t TLineDealer::HeaderBytes() const {
  // A header not kept ends where its last line ends in the source, give or take the
  // line end that a last line lacking one gains.
  return FHeaderKept ? static_cast<std::int64_t>(FHeader.size()) : FHeaderEnd - FHeaderStart + 4;
}

void TLineDealer::WriteHeader(TOutputFiles& Outputs, std::size_t I) {
  if (FHeaderKept) {
    Outputs.Put(I, FHeader.data(), FHeader.size());
    return;
  }
  TkxByteReader again(FFile, FBlock, FHeaderStart);
  TkxLineReader lines(again, FLayout, FEnds);
  for (std::int64_t j = 0; j < FHeaderCount; ++j) lines.MoveLine(Outputs.Sink(I), true);
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
    // The lines that the block holds whole go in one tight loop; a line that crosses
    // the block's end goes through the line reader, which reads on.
    for (std::size_t size; (size = FLines.WholeLineSize()) != 0;) {
      Outputs.Put(next, FReader.Data(), size);
      FReader.Consume(size);
      if (++next == count) next = 0;
    }
    if (FReader.Fill() == 0 && !FMarkOnly) break;
    if (Control.Cancelled()) throw TSplitCancelled();
    Control.BytesDone.store(FReader.Position());
    FLines.MoveLine(Outputs.Sink(next), true);
    FMarkOnly = false;
    if (++next == count) next = 0;
  }
  Control.BytesDone.store(FReader.Position());
}

bool TLineDealer::SourceChanged() const { return FReader.Position() != FSize || FReader.FileSize() != FSize; }
