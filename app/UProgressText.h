// The line under the dialog's progress bar: how much of the run is done, how fast it goes
// and how long it still needs. Portable, so that its figures are tested natively.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>

#include "engine/USplitControl.h"

// The rate of the last few seconds of a run, from samples of its bytes done: a run slows
// down and speeds up (a cache fills, another program reads), and the time left follows.
class TRecentRate {
 public:
  // The bytes done at Seconds since the run began, in the order taken.
  void Add(double Seconds, std::int64_t Done);
  // Bytes per second over the last few seconds; none before the samples span a second,
  // nor while nothing moves (a run putting its files in place, or held).
  [[nodiscard]] std::optional<double> Rate() const;

 private:
  struct TSample {
    double Seconds;
    std::int64_t Done;
  };
  std::deque<TSample> FSamples;
};

// "已处理 1.2 / 4.0 GB (30%), 380 MB/s, 还需约 7 秒": both sizes in the total's unit, the
// percentage the bar shows, and, with a rate, the rate and the time for what is left.
[[nodiscard]] std::u16string ProgressText(TSplitControl::TFigures Figures, int Percent, std::optional<double> Rate);
