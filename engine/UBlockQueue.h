// A thread that writes full blocks while the caller goes on filling others, so that
// finding and dealing lines overlaps with the system's writes. The blocks come from a
// fixed set: the caller waits for one only when the writer is that far behind. An idle
// writer is woken once WakeAt blocks wait, not for each: waking a thread costs more
// than writing a small block. A caller that would wait for a block does a waiting job
// itself instead, when no earlier job of its output is left.
#pragma once

#include "platform/Platform.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <thread>
#include <vector>

class TBlockQueue {
 public:
  // What jobs are handed for: an output, which counts its jobs handed and not yet done,
  // whichever thread does them. It stays where it is while it has any.
  struct TTarget {
    std::atomic<std::uint32_t> Pending{0};
  };
  // Write puts a block's bytes into an output; Make makes an output's file. What either
  // raises is raised again to the caller at its next call, and nothing more is done after it.
  using TWrite = std::function<void(TTarget& Output, const char* Data, std::size_t Size)>;
  using TMake = std::function<void(TTarget& Output)>;
  // The blocks, Blocks of BlockSize bytes, come from memory of the queue's own.
  TBlockQueue(TWrite Write, TMake Make, std::size_t BlockSize, std::size_t Blocks, std::size_t WakeAt);
  // Stops the thread; blocks not yet written are dropped (the run has failed).
  ~TBlockQueue();
  TBlockQueue(const TBlockQueue&) = delete;
  TBlockQueue& operator=(const TBlockQueue&) = delete;

  // An empty block: a free one, or the block of a job this thread has just done.
  char* Take();
  // True when every block is on its way to the disk (the writer is woken to them) and
  // none holds Output's bytes: the caller may as well write Output's next block itself.
  [[nodiscard]] bool BehindAndClear(const TTarget& Output);
  // Hands a block over for writing Size bytes of it to Output.
  void Hand(TTarget& Output, char* Block, std::size_t Size);
  // Asks for Output's file to be made, in its turn: before the blocks handed after.
  // Files are made in the order asked.
  void HandMake(TTarget& Output) { Hand(Output, nullptr, 0); }
  // Waits until every block handed over is written.
  void Drain();
  // Once drained, with no block held by the caller: the same memory cut into Blocks of
  // BlockSize bytes (no more than before in all), so that pages already touched serve again.
  void Recut(std::size_t BlockSize, std::size_t Blocks, std::size_t WakeAt);

 private:
  struct TJob {
    TTarget* Output;
    char* Block;
    std::size_t Size;
  };
  void Run();
  void RaiseFailure();  // with the lock held
  void WakeWriter();    // with the lock held, when it may sleep on jobs
  // With the lock held: does the oldest waiting block whose output has no earlier job
  // left, on this thread, and answers the block; null when there is none.
  char* DoWaitingJob();
  void Do(const TJob& Job);

  TWrite FWrite;
  TMake FMake;
  std::size_t FWakeAt;
  // Left unset: a page of it is taken from the system only when a block first fills it.
  const platform::TLargeBuffer FMemory;
  platform::TLock FLock;
  platform::TCondition FWork;  // jobs for the writer, or the end
  platform::TCondition FDone;  // blocks free again, or a failure
  std::deque<TJob> FJobs;
  std::vector<char*> FFree;
  bool FWriting = false;
  bool FStopping = false;
  std::exception_ptr FFailure;
  std::thread FThread;
};
