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
  return TPlan{std::max<std::size_t>(Block, 16), BlocksOneAtATime, BlocksOneAtATime / 2, 0};
}

TOutputSet::TOutputSet(TOutputFolder& Folder, std::string_view Mark, const TPlan& Plan, std::int64_t OpenLimit,
                       TSplitControl& Control)
    : FFolder(Folder), FMark(Mark), FPlan(Plan), FOpenLimit(std::max<std::int64_t>(OpenLimit, 1)), FControl(Control),
      FInTurn(Plan.InTurn), FTogether(std::make_unique<TOutput[]>(static_cast<std::size_t>(Plan.InTurn))) {
  if (Plan.BlockSize == 0) return;
  FQueue = std::make_unique<TBlockQueue>(
      [this](TBlockQueue::TTarget& Out, const char* Data, std::size_t Size) {
        WriteOut(static_cast<TOutput&>(Out), Data, Size);
      },
      [this](TBlockQueue::TTarget& Out) { Open(static_cast<TOutput&>(Out)); }, Plan.BlockSize, Plan.Blocks,
      Plan.WakeAt);
}

TOutputSet::~TOutputSet() { FQueue.reset(); }

// With a writer the files are made on its thread, each just before its first block:
// making a thousand of them then overlaps with dealing, and every file made can take
// its blocks from either thread while the others are still being made.
void TOutputSet::Start(std::int64_t I) {
  if (I >= FInTurn && ((I - FInTurn) & ChunkMask) == 0) FChunks.push_back(std::make_unique<TOutput[]>(ChunkMask + 1));
  TOutput& out = At(I);
  out.Index = I;
  FCount = I + 1;
  if (FQueue) {
    out.ToMake = true;
  } else {
    Open(out);
  }
}

void TOutputSet::AskToMake(const TOutput& Out) {
  while (FAsked <= Out.Index) {
    if (FAsked - FMade.load() >= MakesAhead) FQueue->Drain();
    TOutput& next = At(FAsked++);
    if (!next.ToMake) continue;
    next.ToMake = false;
    FQueue->HandMake(next);
  }
}

void TOutputSet::Open(TOutput& Out) {
  if (FControl.Cancelled()) throw TSplitCancelled();
  {
    platform::THeld held(FFilesLock);
    MakeRoom();
    Out.File = FFolder.CreateTemporary(Out.Index + 1);
    Link(Out);
  }
  ++FMade;
  // Each output is made and then put in place; a growing set knows how many at its end.
  FControl.FilesTotal.store(std::max(FControl.FilesTotal.load(), 2 * (Out.Index + 1)));
  ++FControl.FilesDone;
}

void TOutputSet::MakeRoom() {
  if (FOpen < FOpenLimit) return;
  // A file that a thread writes into stays: with a limit of one, both threads hold one.
  TOutput* least = FOldest;
  while (least && least->Writing) least = least->Newer;
  if (!least) return;
  Unlink(*least);
  if (!least->File.Close()) WriteError();
}

void TOutputSet::Link(TOutput& Out) {
  Out.Older = FNewest;
  Out.Newer = nullptr;
  (FNewest ? FNewest->Newer : FOldest) = &Out;
  FNewest = &Out;
  ++FOpen;
}

void TOutputSet::Unlink(TOutput& Out) {
  (Out.Newer ? Out.Newer->Older : FNewest) = Out.Older;
  (Out.Older ? Out.Older->Newer : FOldest) = Out.Newer;
  Out.Newer = Out.Older = nullptr;
  --FOpen;
}

TkxRawSink& TOutputSet::Sink(std::int64_t I) {
  FSink.Output = &At(I);
  return FSink;
}

void TOutputSet::TakeBlock(TOutput& Out) {
  if (FHolders.size() >= FPlan.Blocks - FPlan.WakeAt) {
    TOutput& longest = *FHolders.front();
    FHolders.pop_front();
    AskToMake(longest);
    FQueue->Hand(longest, longest.Block, longest.Used);
    longest.Block = nullptr;
    longest.Used = 0;
  }
  Out.Block = FQueue->Take();
  FHolders.push_back(&Out);
  // Records dealt in turn would fill blocks of the same size all at once and queue up for
  // the writer together; first blocks of staggered sizes keep the writer's work even.
  std::size_t limit = FPlan.BlockSize;
  if (!Out.Started && FInTurn > 0) {
    limit -= FPlan.BlockSize * static_cast<std::size_t>(Out.Index) / static_cast<std::size_t>(FInTurn);
    if (FPlan.BlockSize >= Page) limit = std::max(Page, limit - limit % Page);
  }
  Out.Limit = static_cast<std::uint32_t>(limit);
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
  {
    platform::THeld held(FFilesLock);
    if (Out.File) {
      Unlink(Out);  // to go first again, as the most recently used
    } else {
      MakeRoom();
      Out.File = platform::OpenForAppending(FFolder.TemporaryPath(Out.Index + 1));
      if (!Out.File) WriteError();
    }
    Link(Out);
    Out.Writing = true;
  }
  const bool written = platform::WriteBytes(Out.File, Data, Size);
  {
    platform::THeld held(FFilesLock);
    Out.Writing = false;
  }
  if (!written) WriteError();
}

void TOutputSet::CloseAll() {
  if (FQueue) {
    if (FCount > 0) AskToMake(At(FCount - 1));
    for (TOutput* out : FHolders) {
      if (out->Used > 0) FQueue->Hand(*out, out->Block, out->Used);
    }
    FQueue->Drain();
  }
  while (FOldest) {
    TOutput& out = *FOldest;
    Unlink(out);
    if (!out.File.Close()) WriteError();
  }
}
