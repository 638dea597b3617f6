// What a running split shares with whoever watches it: the dialog's timer, the command
// line's progress line, a cancel button or Ctrl+C. Every member may be used from any thread.
#pragma once

#include "support/UkxException.h"

#include <atomic>
#include <cstdint>

class TSplitControl {
 public:
  // How far the run has come: bytes of the source dealt, and output files made (written
  // and then put in place), each out of its total.
  std::atomic<std::int64_t> BytesDone{0};
  std::atomic<std::int64_t> BytesTotal{0};
  std::atomic<std::int64_t> FilesDone{0};
  std::atomic<std::int64_t> FilesTotal{0};

  // The whole run in percent, 0 to 100: a file counts as much as 64 KiB of the source,
  // so that a run with a huge N moves too.
  int Percent() const;

  // Asks the run to stop at its next block; it then removes what it wrote and raises
  // TSplitCancelled. Safe in a signal handler.
  void Cancel() { FCancelled.store(true); }
  bool Cancelled() const { return FCancelled.load(); }

  // While held, the run waits before it replaces any file (a question is on screen).
  void Hold() { FHeld.store(true); }
  void Release() { FHeld.store(false); }
  void WaitWhileHeld() const;

 private:
  std::atomic<bool> FCancelled{false};
  std::atomic<bool> FHeld{false};
};

// A run stopped by TSplitControl::Cancel: nothing that existed before was changed.
class TSplitCancelled : public TkxException {
 public:
  TSplitCancelled() : TkxException(u"拆分已取消, 没有改动任何文件。") {}
};
