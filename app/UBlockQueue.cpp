#include "app/UBlockQueue.h"

#include <utility>

TBlockQueue::TBlockQueue(TWrite Write, std::vector<char*> Free)
    : FWrite(std::move(Write)), FFree(std::move(Free)), FThread([this] { Run(); }) {}

TBlockQueue::~TBlockQueue() {
  {
    std::lock_guard<std::mutex> lock(FMutex);
    FStopping = true;
  }
  FChanged.notify_all();
  FThread.join();
}

void TBlockQueue::RaiseFailure() {
  if (FFailure) std::rethrow_exception(FFailure);
}

char* TBlockQueue::Take() {
  std::unique_lock<std::mutex> lock(FMutex);
  FChanged.wait(lock, [this] { return !FFree.empty() || FFailure; });
  RaiseFailure();
  char* block = FFree.back();
  FFree.pop_back();
  return block;
}

void TBlockQueue::Hand(std::size_t Output, char* Block, std::size_t Size) {
  {
    std::lock_guard<std::mutex> lock(FMutex);
    RaiseFailure();
    FJobs.push_back({Output, Block, Size});
  }
  FChanged.notify_all();
}

void TBlockQueue::Drain() {
  std::unique_lock<std::mutex> lock(FMutex);
  FChanged.wait(lock, [this] { return (FJobs.empty() && !FWriting) || FFailure; });
  RaiseFailure();
}

void TBlockQueue::Run() {
  std::unique_lock<std::mutex> lock(FMutex);
  for (;;) {
    FChanged.wait(lock, [this] { return !FJobs.empty() || FStopping; });
    if (FStopping) return;
    const TJob job = FJobs.front();
    FJobs.pop_front();
    if (!FFailure) {
      FWriting = true;
      lock.unlock();
      std::exception_ptr failure;
      try {
        FWrite(job.Output, job.Block, job.Size);
      } catch (...) {
        failure = std::current_exception();
      }
      lock.lock();
      FWriting = false;
      if (failure && !FFailure) FFailure = failure;
    }
    FFree.push_back(job.Block);
    FChanged.notify_all();
  }
}
