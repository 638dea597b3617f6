#include "engine/USplitControl.h"

#include "engine/UEngineTexts.h"

#include <chrono>
#include <thread>

TSplitControl::TFigures TSplitControl::Figures() const {
  const std::lock_guard lock(FPassLock);
  return {FEarlier + BytesDone.load(), FEarlier + BytesTotal.load()};
}

void TSplitControl::StartOver() {
  const std::lock_guard lock(FPassLock);
  FEarlier += BytesDone.exchange(0);
  FilesDone.store(0);
}

int TSplitControl::Percent() const {
  constexpr std::int64_t FileWeight = 64 << 10;
  const TFigures bytes = Figures();
  const double total = static_cast<double>(bytes.Total) + static_cast<double>(FilesTotal.load()) * FileWeight;
  const double done = static_cast<double>(bytes.Done) + static_cast<double>(FilesDone.load()) * FileWeight;
  int percent = total <= 0 ? 0 : static_cast<int>(100.0 * done / total);
  percent = percent > 100 ? 100 : percent;
  int shown = FShown.load();
  while (percent > shown && !FShown.compare_exchange_weak(shown, percent)) {
  }
  return percent > shown ? percent : shown;
}

void TSplitControl::Cancel() {
  for (TState state = FState.load(); state == TState::Running || state == TState::Held;) {
    if (FState.compare_exchange_weak(state, TState::Cancelled)) return;
  }
}

TSplitControl::TState TSplitControl::Hold() {
  TState state = TState::Running;
  return FState.compare_exchange_strong(state, TState::Held) ? TState::Held : state;
}

void TSplitControl::Release() {
  TState state = TState::Held;
  (void)FState.compare_exchange_strong(state, TState::Running);  // a run no longer held stays as it is
}

void TSplitControl::Commit() {
  for (TState state = TState::Running; !FState.compare_exchange_weak(state, TState::Committed);
       state = TState::Running) {
    if (state == TState::Cancelled) throw TSplitCancelled();
    if (state == TState::Committed) return;
    if (state == TState::Held) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

TSplitCancelled::TSplitCancelled() : TkxException(CancelledText) {}
