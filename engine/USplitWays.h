// The ways of cutting, one row each: what the command line, the dialog, its settings and
// the fuzz target know of a way comes from here. And the one reading of the counts as
// typed, which the front ends give the engine as numbers or as refusals.
#pragma once

#include "engine/UEngineTexts.h"
#include "engine/USplitRequest.h"

#include <cstdint>
#include <limits>
#include <string>

// Which label and list entry a front end shows for a way; the texts are the front end's.
enum class TWayLabel { Cycle, Rows, Parts, MaxSize, ByValue };

struct TSplitWay {
  TSplitMode Mode;
  const char16_t* Option;       // on the command line
  const char16_t* SettingsKey;  // the dialog's number for the way, in section Memory
  const char16_t* Default;      // that number before the user gave one
  std::int64_t Least;           // the counts accepted
  std::int64_t Most;
  std::int32_t ArrowsMost;      // the dialog's arrows count from 1 up to this
  TWayLabel Label;
  const char16_t* Refusal;      // the message for a count out of range
  bool Bytes;                   // a size, read with a suffix (ReadSize)
  bool Column = false;          // no count: the key columns (TSplitRequest::Columns)
};

// In the order of TSplitMode, of the dialog's list and of its settings.
inline constexpr std::int64_t MaxCount = 2147483647;
inline constexpr TSplitWay SplitWays[] = {
    {TSplitMode::Cycle, u"--cycle", u"CycleLine", u"5", 1, MaxCount, 50, TWayLabel::Cycle, CycleCountText, false},
    {TSplitMode::Rows, u"--rows", u"RowsPerFile", u"10000", 1, MaxCount, 99999999, TWayLabel::Rows, RowsCountText, false},
    {TSplitMode::Parts, u"--parts", u"Parts", u"5", 1, MaxCount, 99999999, TWayLabel::Parts, PartsCountText, false},
    {TSplitMode::MaxSize, u"--max-size", u"MaxSizeMB", u"20", 1, std::numeric_limits<std::int64_t>::max(), 99999999,
     TWayLabel::MaxSize, MaxSizeText, true},
    {TSplitMode::ByValue, u"--by", u"ByColumn", u"", 0, 0, 0, TWayLabel::ByValue, u"", false, true},
};
[[nodiscard]] const TSplitWay& WayOf(TSplitMode Mode);

// Whether a source with Extension is read by CSV records, whose quoted fields keep their
// line ends, rather than by lines.
[[nodiscard]] bool ReadsRecords(TRecordMode Records, const std::u16string& Extension);

// H as typed: TextToInt's reading, from 0 to 2147483647.
[[nodiscard]] TTypedCount ReadHeaderCount(const std::u16string& Text);
// The way's count as typed: N, K, or a size in bytes as ReadSize reads it.
[[nodiscard]] TTypedCount ReadWayCount(TSplitMode Mode, const std::u16string& Text);

// A size as typed: a whole number of bytes from 1, directly followed by nothing or by
// K, M, G (powers of 1024) or KB, MB, GB (powers of 1000) in any case, at most 2^63-1
// bytes in all. Text that is no number at all keeps TextToInt's message. Raises the refusal.
[[nodiscard]] std::int64_t ReadSize(const std::u16string& Text);
