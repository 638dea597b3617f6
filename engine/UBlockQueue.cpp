#include "engine/UBlockQueue.h"

#include <algorithm>
#include <utility>

namespace {

// Lets go of a held lock for its own lifetime: a job runs unlocked, whatever it raises.
class TUnheld {
 public:
  explicit TUnheld(platform::TLock& Lock) : FLock(Lock) { FLock.Unlock(); }
  ~TUnheld() { FLock.Lock(); }
  TUnheld(const TUnheld&) = delete;
  TUnheld& operator=(const TUnheld&) = delete;

 private:
  platform::TLock& FLock;
};

}  // namespace

TBlockQueue::TBlockQueue(TWrite Write, TMake Make, std::size_t BlockSize, std::size_t Blocks, std::size_t WakeAt)
    : FWrite(std::move(Write)), FMake(std::move(Make)), FWakeAt(WakeAt), FMemory(platform::AllocateLarge(BlockSize * Blocks)),
      FFree(Blocks) {
  // Taken from the back: the first blocks taken are the first in memory.
  for (std::size_t i = 0; i < Blocks; ++i) FFree[i] = FMemory.get() + (Blocks - 1 - i) * BlockSize;
  FThread = std::thread([this] { Run(); });
}

void TBlockQueue::Recut(std::size_t BlockSize, std::size_t Blocks, std::size_t WakeAt) {
  platform::THeld held(FLock);
  FWakeAt = WakeAt;
  FFree.resize(Blocks);
  for (std::size_t i = 0; i < Blocks; ++i) FFree[i] = FMemory.get() + (Blocks - 1 - i) * BlockSize;
}

TBlockQueue::~TBlockQueue() {
  {
    platform::THeld held(FLock);
    FStopping = true;
  }
  FWork.NotifyOne();
  FThread.join();
}

void TBlockQueue::RaiseFailure() {
  if (FFailure) std::rethrow_exception(FFailure);
}

void TBlockQueue::WakeWriter() {
  if (!FJobs.empty() && !FWriting) FWork.NotifyOne();
}

void TBlockQueue::Do(const TJob& Job) {
  // A job without a block makes its output's file.
  if (Job.Block) {
    FWrite(*Job.Output, Job.Block, Job.Size);
  } else {
    FMake(*Job.Output);
  }
  Job.Output->Pending.fetch_sub(1, std::memory_order_release);
}

char* TBlockQueue::DoWaitingJob() {
  if (FFailure) return nullptr;
  // A job is the only one of its output left when that output's count is one: the writer
  // has finished every earlier write there, so this one lands after them. Files are made
  // by the writer alone: two threads making files in one folder wait on each other.
  const auto job = std::find_if(FJobs.begin(), FJobs.end(), [](const TJob& Job) {
    return Job.Block && Job.Output->Pending.load(std::memory_order_acquire) == 1;
  });
  if (job == FJobs.end()) return nullptr;
  const TJob mine = *job;
  FJobs.erase(job);
  {
    TUnheld unheld(FLock);
    Do(mine);
  }
  return mine.Block;
}

char* TBlockQueue::Take() {
  platform::THeld held(FLock);
  for (;;) {
    RaiseFailure();
    if (!FFree.empty()) {
      char* free = FFree.back();
      FFree.pop_back();
      return free;
    }
    WakeWriter();
    if (char* block = DoWaitingJob()) return block;
    FDone.Wait(FLock, [this] { return !FFree.empty() || FFailure; });
  }
}

bool TBlockQueue::BehindAndClear(const TTarget& Output) {
  platform::THeld held(FLock);
  RaiseFailure();
  if (!FFree.empty()) return false;
  WakeWriter();
  return Output.Pending.load(std::memory_order_acquire) == 0;
}

void TBlockQueue::Hand(TTarget& Output, char* Block, std::size_t Size) {
  Output.Pending.fetch_add(1, std::memory_order_relaxed);
  platform::THeld held(FLock);
  RaiseFailure();
  FJobs.push_back({&Output, Block, Size});
  // A writer at work takes this block with the others when it is done.
  if (FJobs.size() >= FWakeAt) WakeWriter();
}

void TBlockQueue::Drain() {
  platform::THeld held(FLock);
  WakeWriter();
  // The jobs the writer has not taken yet are shared between the two threads.
  while (char* block = DoWaitingJob()) FFree.push_back(block);
  FDone.Wait(FLock, [this] { return (FJobs.empty() && !FWriting) || FFailure; });
  RaiseFailure();
}

void TBlockQueue::Run() {
  platform::THeld held(FLock);
  for (;;) {
    FWork.Wait(FLock, [this] { return !FJobs.empty() || FStopping; });
    if (FStopping) return;
    // One job at a time, each block free again at once, and what waits stays in the
    // queue where a caller short of blocks can share it.
    while (!FJobs.empty()) {
      const TJob job = FJobs.front();
      FJobs.pop_front();
      // After a failure nothing more is written: the blocks only go back.
      if (!FFailure) {
        FWriting = true;
        std::exception_ptr failure;
        {
          TUnheld unheld(FLock);
          try {
            Do(job);
          } catch (...) {
            failure = std::current_exception();
          }
        }
        FWriting = false;
        if (failure && !FFailure) FFailure = failure;
      }
      // The caller waits for a free block, or for the last job.
      if (job.Block) FFree.push_back(job.Block);
      if (job.Block || FJobs.empty() || FFailure) FDone.NotifyAll();
    }
  }
}
