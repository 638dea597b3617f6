// The line under the dialog's progress bar: sizes in the total's unit, the rate and the
// time left once known; and the rate of the last few seconds it is given.
#include "app/UProgressText.h"

#include <gtest/gtest.h>

#include "tests/TestUtil.h"

TEST(ProgressText, SizesRateAndTimeLeft) {
  constexpr std::int64_t KiB = 1 << 10, MiB = 1 << 20, GiB = std::int64_t{1} << 30, TiB = GiB << 10;
  const struct {
    std::int64_t Done, Total;
    int Percent;
    std::optional<double> Rate;
    const char* Text;
  } cases[] = {
      {0, 4 * GiB, 0, {}, "已处理 0.0 / 4.0 GB (0%)"},
      // 2.75 GiB at 400 MiB/s: 7.04 seconds, told as 8.
      {5 * GiB / 4, 4 * GiB, 31, 400.0 * MiB, "已处理 1.2 / 4.0 GB (31%), 400 MB/s, 还需约 8 秒"},
      {33, 33, 50, {}, "已处理 33 / 33 字节 (50%)"},
      {10, 100, 10, 9.0, "已处理 10 / 100 字节 (10%), 9 字节/s, 还需约 10 秒"},
      {512, 2 * KiB, 25, 12.5 * KiB, "已处理 0.5 / 2.0 KB (25%), 12.5 KB/s, 还需约 1 秒"},
      // Every byte read, the files still being put in place: no time to tell.
      {MiB, MiB, 99, 2.0 * MiB, "已处理 1.0 / 1.0 MB (99%), 2.0 MB/s"},
      // From 100 of the unit on, whole numbers.
      {0, 100 * MiB, 0, 1.0 * MiB, "已处理 0 / 100 MB (0%), 1.0 MB/s, 还需约 1 分 40 秒"},
      {0, 60 * MiB, 0, 1.0 * MiB, "已处理 0.0 / 60.0 MB (0%), 1.0 MB/s, 还需约 1 分 0 秒"},
      {0, 200 * MiB, 0, 1.0 * MiB, "已处理 0 / 200 MB (0%), 1.0 MB/s, 还需约 3 分 20 秒"},
      {0, 600 * MiB, 0, 1.0 * MiB, "已处理 0 / 600 MB (0%), 1.0 MB/s, 还需约 10 分钟"},
      {0, 601 * MiB, 0, 1.0 * MiB, "已处理 0 / 601 MB (0%), 1.0 MB/s, 还需约 11 分钟"},
      {0, 3599 * MiB, 0, 1.0 * MiB, "已处理 0.0 / 3.5 GB (0%), 1.0 MB/s, 还需约 1 小时 0 分"},
      {0, 7265 * MiB, 0, 1.0 * MiB, "已处理 0.0 / 7.1 GB (0%), 1.0 MB/s, 还需约 2 小时 2 分"},
      {0, 36000 * MiB, 0, 1.0 * MiB, "已处理 0.0 / 35.2 GB (0%), 1.0 MB/s, 还需约 10 小时"},
      {0, 36001 * MiB, 0, 1.0 * MiB, "已处理 0.0 / 35.2 GB (0%), 1.0 MB/s, 还需约 11 小时"},
      {TiB, 2 * TiB, 50, {}, "已处理 1.0 / 2.0 TB (50%)"},
      {GiB, 3 * GiB, 33, 1.5 * GiB, "已处理 1.0 / 3.0 GB (33%), 1.5 GB/s, 还需约 2 秒"},
      {0, 1023 * GiB, 0, 150.0 * MiB * 1024, "已处理 0 / 1023 GB (0%), 150 GB/s, 还需约 7 秒"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(testutil::Utf8(ProgressText({c.Done, c.Total}, c.Percent, c.Rate)), c.Text);
  }
}

TEST(RecentRate, OverTheLastFewSecondsOnceASecondIsSeen) {
  const struct {
    std::vector<std::pair<double, std::int64_t>> Samples;
    std::optional<double> Rate;
  } cases[] = {
      {{}, {}},
      {{{0, 0}}, {}},
      {{{0, 0}, {0.5, 500}, {0.75, 800}}, {}},  // the first second: none yet
      {{{0, 0}, {0.5, 500}, {1.0, 1000}}, 1000.0},
      {{{0, 0}, {2, 500}}, 250.0},
      {{{0, 100}, {1, 100}, {2, 100}}, {}},  // nothing moves
      // Fast, then slow: the last three seconds alone count.
      {{{0, 0}, {1, 1000}, {2, 2000}, {3, 3000}, {4, 4000}, {5, 4010}, {6, 4020}, {7, 4030}}, 10.0},
  };
  for (const auto& c : cases) {
    TRecentRate rate;
    for (const auto& [seconds, done] : c.Samples) rate.Add(seconds, done);
    EXPECT_EQ(rate.Rate(), c.Rate) << c.Samples.size();
  }
}
