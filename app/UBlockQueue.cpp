#include "app/UBlockQueue.h"

#include <utility>

TBlockQueue::TBlockQueue(TWrite Write, std::vector<char*> Free, std::size_t WakeAt)
    : FWrite(std::move(Write)), FWakeAt(WakeAt), FFree(std::move(Free)), FThread([this] { Run(); }) {}

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

char* TBlockQueue::Take() {
  platform::THeld held(FLock);
  if (FFree.empty()) WakeWriter();
  FDone.Wait(FLock, [this] { return !FFree.empty() || FFailure; });
  RaiseFailure();
  char* block = FFree.back();
  FFree.pop_back();
  return block;
}

bool TBlockQueue::Behind() {
  platform::THeld held(FLock);
  RaiseFailure();
  return FFree.empty();
}

void TBlockQueue::Hand(std::size_t Output, char* Block, std::size_t Size) {
  platform::THeld held(FLock);
  RaiseFailure();
  FJobs.push_back({Output, Block, Size});
  // A writer at work takes this block with the others when it is done.
  if (FJobs.size() >= FWakeAt) WakeWriter();
}

void TBlockQueue::Drain() {
  platform::THeld held(FLock);
  WakeWriter();
  FDone.Wait(FLock, [this] { return (FJobs.empty() && !FWriting) || FFailure; });
  RaiseFailure();
}

void TBlockQueue::Run() {
  platform::THeld held(FLock);
  std::deque<TJob> batch;
  for (;;) {
    FWork.Wait(FLock, [this] { return !FJobs.empty() || FStopping; });
    if (FStopping) return;
    batch.swap(FJobs);
    FWriting = true;
    // After a failure nothing more is written: the blocks only go back.
    const bool failed = FFailure != nullptr;
    FLock.Unlock();
    std::exception_ptr failure;
    for (const TJob& job : batch) {
      if (failed || failure) break;
      try {
        FWrite(job.Output, job.Block, job.Size);
      } catch (...) {
        failure = std::current_exception();
      }
    }
    FLock.Lock();
    FWriting = false;
    if (failure && !FFailure) FFailure = failure;
    for (const TJob& job : batch) {
      if (job.Block) FFree.push_back(job.Block);
    }
    batch.clear();
    FDone.NotifyAll();
  }
}
