#include "app/USplitControl.h"

#include <chrono>
#include <thread>

int TSplitControl::Percent() const {
  constexpr std::int64_t FileWeight = 64 << 10;
  const double total = static_cast<double>(BytesTotal.load()) + static_cast<double>(FilesTotal.load()) * FileWeight;
  const double done = static_cast<double>(BytesDone.load()) + static_cast<double>(FilesDone.load()) * FileWeight;
  if (total <= 0) return 0;
  const int percent = static_cast<int>(100.0 * done / total);
  return percent < 0 ? 0 : percent > 100 ? 100 : percent;
}

void TSplitControl::WaitWhileHeld() const {
  while (FHeld.load() && !FCancelled.load()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
}
