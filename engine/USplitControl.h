// What a running split shares with whoever watches it: the dialog's timer, the command
// line's progress line, a cancel button or Ctrl+C. Every member may be used from any thread.
#pragma once

#include "support/UkxException.h"

#include <atomic>
#include <cstdint>
#include <mutex>

class TSplitControl {
 public:
  // Where the run stands. It moves from Running to Committed in one step when it begins
  // to replace files, and from then on it completes: a hold or a cancel is a step against
  // that one, so exactly one of them happens first.
  enum class TState { Running, Held, Committed, Cancelled };

  // How far the run has come: bytes of the source dealt, and output files made (written
  // and then put in place), each out of its total.
  std::atomic<std::int64_t> BytesDone{0};
  std::atomic<std::int64_t> BytesTotal{0};
  std::atomic<std::int64_t> FilesDone{0};
  std::atomic<std::int64_t> FilesTotal{0};

  // The bytes read and to read over every pass of the run: a pass given up (StartOver)
  // stays counted, so that neither figure goes back when a table is read again.
  struct TFigures {
    std::int64_t Done = 0;
    std::int64_t Total = 0;
  };
  [[nodiscard]] TFigures Figures() const;

  // The whole run in percent, 0 to 100: a file counts as much as 64 KiB of the source,
  // so that a run with a huge N moves too. It never goes back, though the totals grow
  // while pieces are cut and a run read again after all starts its bytes again.
  int Percent() const;

  // The pass so far is given up and read again from the start: its bytes stay done, its
  // outputs (removed) are made again.
  void StartOver();

  // Asks the run to stop: unless it has committed, it stops at its next block, removes
  // what it wrote and raises TSplitCancelled. Lock-free, so safe in a signal handler.
  void Cancel();
  bool Cancelled() const { return FState.load() == TState::Cancelled; }

  // Holds a run that has not committed (a question is on screen): it goes on writing but
  // replaces nothing until Release or Cancel. The state after the attempt: Held when the
  // run is held, else Committed or Cancelled.
  [[nodiscard]] TState Hold();
  void Release();

  // The run's step into replacing files: waits while held, raises TSplitCancelled when
  // cancelled, and otherwise commits.
  void Commit();

 private:
  std::atomic<TState> FState{TState::Running};
  mutable std::atomic<int> FShown{0};
  // The bytes of the passes given up; with BytesDone under one lock, so that a pass that
  // starts over is seen before or after, never half.
  mutable std::mutex FPassLock;
  std::int64_t FEarlier = 0;
  static_assert(std::atomic<TState>::is_always_lock_free);
};

// A run stopped by TSplitControl::Cancel: nothing that existed before was changed.
class TSplitCancelled : public TkxException {
 public:
  TSplitCancelled();
};
