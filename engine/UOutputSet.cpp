#include "engine/UOutputSet.h"

#include "support/UkxTexts.h"

#include <algorithm>

namespace {

// Blocks smaller than this save too few writes to be worth their memory.
constexpr std::size_t MinBlock = 512;
constexpr std::size_t MaxBlock = 1u << 20;
// Blocks this large or larger are whole pages.
constexpr std::size_t Page = 4096;
// Blocks beyond one per output in turn, on their way to the disk: a quarter as many as
// outputs, and this many more. The writer is woken when half of them wait, not for each
// block: a wake-up costs a system call and another core's attention, which on a virtual
// machine is dearer than writing a megabyte (a fifth of a run at five outputs).
constexpr std::size_t MinSpareBlocks = 16;
// Blocks of outputs one at a time: a wake-up costs less than writing a block, but not nothing.
constexpr std::size_t BlocksOneAtATime = 8;
// Outputs in any order hold a block each, as many as the budget holds of this size: at
// 48 MiB, ten thousand outputs still write a page at a time.
constexpr std::size_t ShrinksTo = 4096;
// Temporaries asked of the writer and not made yet, each a job in the queue: outputs that
// get no bytes take no block, so nothing else would hold a million of them back.
constexpr std::int64_t MakesAhead = 1 << 14;

[[noreturn]] void WriteError() { throw TkxException(FileWriteErrorText); }

}  // namespace

TOutputSet::TPlan TOutputSet::TPlan::Together(std::int64_t Count, std::size_t Budget) {
  const auto count = static_cast<std::size_t>(Count);
  TPlan plan;
  plan.InTurn = Count;
  const std::size_t blocks = count + count / 4 + MinSpareBlocks;
  std::size_t size = std::min(Budget / blocks, MaxBlock);
  if (size >= Page) size -= size % Page;
  if (size < MinBlock) return plan;
  plan.BlockSize = size;
  plan.Blocks = blocks;
  plan.WakeAt = (blocks - count) / 2;
  return plan;
}

TOutputSet::TPlan TOutputSet::TPlan::OneAtATime(std::size_t Block) {
  return TPlan{std::max<std::size_t>(Block, 16), BlocksOneAtATime, BlocksOneAtATime / 2, 0, true, false};
}

TOutputSet::TPlan TOutputSet::TPlan::AnyOrder(std::size_t Budget) {
  const std::size_t blocks = std::max<std::size_t>(Budget / MaxBlock, BlocksOneAtATime);
  return TPlan{MaxBlock, blocks, blocks / 8, 0, false, true};
}

TOutputSet::TOutputSet(TOutputFolder& Folder, std::string_view Mark, const TPlan& Plan, std::int64_t OpenLimit,
                       TSplitControl& Control)
    : FFolder(Folder), FMark(Mark), FPlan(Plan), FControl(Control), FInTurn(Plan.InTurn),
      FTogether(std::make_unique<TOutput[]>(static_cast<std::size_t>(Plan.InTurn))), FFiles(OpenLimit) {
  if (Plan.BlockSize == 0) return;
  FQueue = std::make_unique<TBlockQueue>(
      [this](TBlockQueue::TTarget& Out, const char* Data, std::size_t Size) {
        WriteOut(static_cast<TOutput&>(Out), Data, Size);
      },
      [this](TBlockQueue::TTarget& Out) { Open(static_cast<TOutput&>(Out)); }, FPlan.BlockSize, FPlan.Blocks,
      FPlan.WakeAt);
}

TOutputSet::~TOutputSet() { FQueue.reset(); }

// With a writer the files are made on its thread, each just before its first block:
// making a thousand of them then overlaps with dealing, and every file made can take
// its blocks from either thread while the others are still being made.
void TOutputSet::Start(std::int64_t I) {
  if (I >= FInTurn) {
    const std::int64_t k = I - FInTurn;
    if ((k & ChunkMask) == 0) {
      const std::size_t chunk = static_cast<std::size_t>(k >> ChunkBits);
      // A chunk before the one before is far enough behind for its writes to be done.
      if (FPlan.OneAfterAnother && chunk >= 2) Release(chunk - 2);
      FChunks.push_back(std::make_unique<TGrown[]>(ChunkMask + 1));
    }
    FChunks.back()[static_cast<std::size_t>(k & ChunkMask)].Index = I;
  }
  TOutput& out = At(I);
  FCount = I + 1;
  if (FQueue) {
    out.ToMake = true;
  } else {
    Open(out);
  }
}

void TOutputSet::AskToMake(const TOutput& Out) {
  const std::int64_t index = IndexOf(Out);
  while (FAsked <= index) {
    if (FAsked - FMade.load() >= MakesAhead) FQueue->Drain();
    TOutput& next = At(FAsked++);
    if (!next.ToMake) continue;
    next.ToMake = false;
    FQueue->HandMake(next);
  }
}

void TOutputSet::Open(TOutput& Out) {
  if (FControl.Cancelled()) throw TSplitCancelled();
  const std::int64_t index = IndexOf(Out);
  FFiles.Make(Out.File, [&] { return FFolder.CreateTemporary(index + 1); });
  ++FMade;
  // Each output is made and then put in place; a growing set knows how many at its end.
  FControl.FilesTotal.store(std::max(FControl.FilesTotal.load(), 2 * (index + 1)));
  ++FControl.FilesDone;
}

TkxRawSink& TOutputSet::Sink(std::int64_t I) {
  FSink.Output = &At(I);
  return FSink;
}

void TOutputSet::TakeBlock(TOutput& Out) {
  if (FPlan.Shrinks && FHolders.size() >= FPlan.Blocks - FPlan.WakeAt && FPlan.BlockSize / 4 >= ShrinksTo) Shrink();
  if (FHolders.size() >= FPlan.Blocks - FPlan.WakeAt) {
    TOutput& longest = *FHolders.front();
    FHolders.pop_front();
    HandOver(longest);
  }
  Out.Block = FQueue->Take();
  FHolders.push_back(&Out);
  // Records dealt in turn would fill blocks of the same size all at once and queue up for
  // the writer together; first blocks of staggered sizes keep the writer's work even.
  std::size_t limit = FPlan.BlockSize;
  if (!Out.Started && FInTurn > 0) {
    limit -= FPlan.BlockSize * static_cast<std::size_t>(IndexOf(Out)) / static_cast<std::size_t>(FInTurn);
    if (FPlan.BlockSize >= Page) limit = std::max(Page, limit - limit % Page);
  }
  Out.Limit = static_cast<std::uint32_t>(limit);
}

void TOutputSet::Shrink() {
  for (TOutput* out : FHolders) HandOver(*out);
  FHolders.clear();
  FQueue->Drain();
  FPlan.BlockSize /= 4;
  FPlan.Blocks *= 4;
  FPlan.WakeAt *= 4;
  FQueue->Recut(FPlan.BlockSize, FPlan.Blocks, FPlan.WakeAt);
}

void TOutputSet::HandOver(TOutput& Out) {
  AskToMake(Out);
  FQueue->Hand(Out, Out.Block, Out.Used);
  Out.Block = nullptr;
  Out.Used = 0;
}

void TOutputSet::Release(std::size_t Chunk) {
  TGrown* outputs = FChunks[Chunk].get();
  if (FQueue) {
    AskToMake(outputs[ChunkMask]);
    const auto inChunk = [&](const TOutput* Out) { return Out >= outputs && Out <= outputs + ChunkMask; };
    for (TOutput* out : FHolders) {
      if (inChunk(out)) HandOver(*out);
    }
    FHolders.erase(std::remove_if(FHolders.begin(), FHolders.end(), inChunk), FHolders.end());
    FQueue->Drain();
  }
  for (std::int64_t i = 0; i <= ChunkMask; ++i) FFiles.Close(outputs[i].File);
  FChunks[Chunk].reset();
}

void TOutputSet::PutSlowly(TOutput& Out, const char* Data, std::size_t Size) {
  if (Size == 0) return;
  if (FQueue && !Out.Block) TakeBlock(Out);
  if (!Out.Started) {
    Out.Started = true;
    if (!FMark.empty()) Put(Out, FMark.data(), FMark.size());
  }
  if (!FQueue) {
    WriteOut(Out, Data, Size);
    return;
  }
  // Blocks are filled to the brim, records split across them, so that every write but a
  // file's last ends at a page boundary: the system writes whole pages much faster.
  for (;;) {
    const std::size_t room = Out.Limit - Out.Used;
    if (Size <= room) {
      std::memcpy(Out.Block + Out.Used, Data, Size);
      Out.Used += static_cast<std::uint32_t>(Size);
      return;
    }
    std::memcpy(Out.Block + Out.Used, Data, room);
    Out.Used = Out.Limit;
    Data += room;
    Size -= room;
    Flush(Out);
    if (Size >= FPlan.BlockSize) {
      // Whole blocks of a long record go straight through, after what was handed before.
      const std::size_t whole = Size - Size % FPlan.BlockSize;
      FQueue->Drain();
      WriteOut(Out, Data, whole);
      Data += whole;
      Size -= whole;
    }
  }
}

void TOutputSet::Flush(TOutput& Out) {
  Out.Limit = static_cast<std::uint32_t>(FPlan.BlockSize);
  if (Out.Used == 0) return;
  AskToMake(Out);
  // Rather than wait for a block, this thread does the writer's work, unless the writer
  // still holds earlier bytes of the same file.
  if (FQueue->BehindAndClear(Out)) {
    WriteOut(Out, Out.Block, Out.Used);
    Out.Used = 0;
    return;
  }
  FQueue->Hand(Out, Out.Block, Out.Used);
  Out.Used = 0;
  Out.Block = FQueue->Take();
}

void TOutputSet::WriteOut(TOutput& Out, const char* Data, std::size_t Size) {
  if (FControl.Cancelled()) throw TSplitCancelled();
  if (Size == 0) return;
  const platform::TFile& file = FFiles.Use(Out.File, [&] {
    return platform::OpenForAppending(FFolder.TemporaryPath(IndexOf(Out) + 1));
  });
  const bool written = platform::WriteBytes(file, Data, Size);
  FFiles.Done(Out.File);
  if (!written) WriteError();
}

void TOutputSet::CloseAll() {
  if (FQueue) {
    if (FCount > 0) AskToMake(At(FCount - 1));
    for (TOutput* out : FHolders) {
      if (out->Used > 0) FQueue->Hand(*out, out->Block, out->Used);
    }
    FQueue->Drain();
    // Nothing is written after this: the blocks' memory goes before the pieces are put in place.
    FHolders.clear();
    FQueue.reset();
  }
  FFiles.CloseAll();
}
