#include "engine/UOutputFiles.h"

#include "support/UkxTexts.h"

#include <algorithm>

namespace {

// Blocks smaller than this save too few writes to be worth their memory.
constexpr std::size_t MinBlock = 512;
constexpr std::size_t MaxBlock = 1u << 20;
// Blocks this large or larger are whole pages.
constexpr std::size_t Page = 4096;
// Blocks beyond one per output, on their way to the disk: a quarter as many as outputs,
// and this many more. The writer is woken when half of them wait, not for each block:
// a wake-up costs a system call and another core's attention, which on a virtual
// machine is dearer than writing a megabyte (a fifth of a run at five outputs).
constexpr std::size_t MinSpareBlocks = 16;

[[noreturn]] void WriteError() { throw TkxException(FileWriteErrorText); }

}  // namespace

TOutputFiles::TOutputFiles(TOutputFolder& Folder, std::int64_t Count, std::string_view Mark, std::size_t Budget,
                           std::int64_t OpenLimit, TSplitControl& Control)
    : FFolder(Folder), FMark(Mark), FOpenLimit(OpenLimit), FControl(Control),
      FOutputs(static_cast<std::size_t>(Count)) {
  const std::size_t count = FOutputs.size();
  const std::size_t blocks = count + count / 4 + MinSpareBlocks;
  FBlockSize = std::min(Budget / blocks, MaxBlock);
  if (FBlockSize >= Page) FBlockSize -= FBlockSize % Page;
  if (FBlockSize < MinBlock) {
    FBlockSize = 0;
    return;
  }
  FQueue = std::make_unique<TBlockQueue>([this](std::size_t I, const char* Data, std::size_t Size) { WriteOut(I, Data, Size); },
                                         [this](std::size_t I) { Open(I); }, count, FBlockSize, blocks,
                                         (blocks - count) / 2);
}

// The writer stops before the files close.
TOutputFiles::~TOutputFiles() { FQueue.reset(); }

// With a writer the files are made on its thread, each just before its first block:
// making a thousand of them then overlaps with dealing, and every file made can take
// its blocks from either thread while the others are still being made.
void TOutputFiles::Start(std::int64_t I) {
  const std::size_t at = static_cast<std::size_t>(I);
  if (FQueue) {
    FOutputs[at].ToMake = true;
  } else {
    Open(at);
  }
}

void TOutputFiles::AskToMake(std::size_t I) {
  TOutput& out = FOutputs[I];
  if (!out.ToMake) return;
  out.ToMake = false;
  FQueue->HandMake(I);
}

void TOutputFiles::Open(std::size_t I) {
  if (FControl.Cancelled()) throw TSplitCancelled();
  platform::TFile file = FFolder.CreateTemporary(static_cast<std::int64_t>(I) + 1);
  if (static_cast<std::int64_t>(I) < FOpenLimit) {
    FOutputs[I].File = std::move(file);
  } else if (!file.Close()) {
    WriteError();
  }
  ++FControl.FilesDone;
}

TkxRawSink& TOutputFiles::Sink(std::int64_t I) {
  FSink.Index = I;
  return FSink;
}

void TOutputFiles::PutSlowly(std::size_t I, const char* Data, std::size_t Size) {
  if (Size == 0) return;
  TOutput& out = FOutputs[I];
  if (!out.Started) {
    out.Started = true;
    if (FQueue) {
      out.Block = FQueue->Take();
      // Lines are dealt round robin, so blocks of the same size would all fill at once and
      // queue up for the writer together; first blocks of staggered sizes keep the
      // writer's work even.
      std::size_t limit = FBlockSize - FBlockSize * I / FOutputs.size();
      if (FBlockSize >= Page) limit = std::max(Page, limit - limit % Page);
      out.Limit = static_cast<std::uint32_t>(limit);
    }
    if (!FMark.empty()) Put(I, FMark.data(), FMark.size());
  }
  if (!FQueue) {
    WriteOut(I, Data, Size);
    return;
  }
  // Blocks are filled to the brim, lines split across them, so that every write but a
  // file's last ends at a page boundary: the system writes whole pages much faster.
  for (;;) {
    const std::size_t room = out.Limit - out.Used;
    if (Size <= room) {
      std::memcpy(out.Block + out.Used, Data, Size);
      out.Used += static_cast<std::uint32_t>(Size);
      return;
    }
    std::memcpy(out.Block + out.Used, Data, room);
    out.Used = out.Limit;
    Data += room;
    Size -= room;
    Flush(I);
    if (Size >= FBlockSize) {
      // Whole blocks of a long piece go straight through, after what was handed before.
      const std::size_t whole = Size - Size % FBlockSize;
      FQueue->Drain();
      WriteOut(I, Data, whole);
      Data += whole;
      Size -= whole;
    }
  }
}

void TOutputFiles::Flush(std::size_t I) {
  TOutput& out = FOutputs[I];
  out.Limit = static_cast<std::uint32_t>(FBlockSize);
  if (out.Used == 0) return;
  AskToMake(I);
  // Rather than wait for a block, this thread does the writer's work, unless the writer
  // still holds earlier bytes of the same file.
  if (FQueue->BehindAndClear(I)) {
    WriteOut(I, out.Block, out.Used);
    out.Used = 0;
    return;
  }
  FQueue->Hand(I, out.Block, out.Used);
  out.Used = 0;
  out.Block = FQueue->Take();
}

void TOutputFiles::WriteOut(std::size_t I, const char* Data, std::size_t Size) {
  if (FControl.Cancelled()) throw TSplitCancelled();
  const TOutput& out = FOutputs[I];
  if (out.File) {
    if (!platform::WriteBytes(out.File, Data, Size)) WriteError();
    return;
  }
  platform::TFile file = platform::OpenForAppending(FFolder.TemporaryPath(static_cast<std::int64_t>(I) + 1));
  if (!file || !platform::WriteBytes(file, Data, Size) || !file.Close()) WriteError();
}

void TOutputFiles::CloseAll() {
  if (FQueue) {
    for (std::size_t i = 0; i < FOutputs.size(); ++i) {
      AskToMake(i);
      if (FOutputs[i].Used > 0) FQueue->Hand(i, FOutputs[i].Block, FOutputs[i].Used);
    }
    FQueue->Drain();
  }
  for (TOutput& out : FOutputs) {
    if (!out.File.Close()) WriteError();
  }
}
