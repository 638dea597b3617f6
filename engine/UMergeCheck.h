// The check of a merge against its source: the merge's data records, as they come,
// compared byte for byte with the source's, and the first difference found again by
// records, so that it is told as the user sees it.
#pragma once

#include "engine/UMergeReader.h"
#include "engine/UValueNames.h"
#include "support/UkxByteStream.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The merge differs from the source from byte Offset of their data records on (where
// one of them ends, SourceEnded or MergeEnded).
struct TFirstDifference {
  std::int64_t Offset = 0;
  bool SourceEnded = false;
  bool MergeEnded = false;
};

// Compares the bytes put into it with the data records the source reader hands on;
// raises TFirstDifference where they part.
class TStreamCheck final : public TkxRawSink {
 public:
  TStreamCheck(TInputReader& Source, const std::u16string& Shown, TSplitControl& Control)
      : FSource(Source), FShown(Shown), FControl(Control) {}
  void PutBytes(const char* Data, std::size_t Size) override;
  // At the merge's end: raises TFirstDifference where the source goes on.
  void End();
  [[nodiscard]] std::int64_t Compared() const { return FCompared; }

 private:
  // The source's next bytes, none at its end.
  std::string_view Next();

  TInputReader& FSource;
  const std::u16string& FShown;
  TSplitControl& FControl;
  std::string_view FPending;
  TStringSink FWhole;
  std::int64_t FCompared = 0;
};

// A record as a message shows it: decoded, line ends and other control characters
// escaped (\r, \n, \t, \xNN), cut to 200 characters.
[[nodiscard]] std::u16string ShownRecord(const TValueEncoding& Encoding, std::string_view Record, TkxUnitLayout Layout);

// Where a record of an input or source lies: the line it begins on and its bytes.
struct TFoundRecord {
  std::int64_t Line = 0;
  std::string Bytes;
};
// The data record of In (from its data start) that holds byte Offset of its data records.
[[nodiscard]] TFoundRecord RecordAt(TInputReader& In, std::int64_t Offset, const TMergeRule& Rule,
                                    TSplitControl& Control);

// Records tallied by two hashes of their bytes in buckets, those of the source added and
// the merge's taken away: where every bucket comes out even, the two hold the same
// records as many times each (but for a collision of both 64-bit sums). The records of
// uneven buckets are few, and are compared whole in a second pass.
class TRecordBalance {
 public:
  TRecordBalance() : FBuckets(std::size_t{1} << BucketBits) {}
  void Add(std::string_view Record, bool Source);
  [[nodiscard]] bool Even() const;
  [[nodiscard]] bool Uneven(std::string_view Record) const;

 private:
  static constexpr int BucketBits = 16;
  struct TBucket {
    std::uint64_t A = 0;
    std::uint64_t B = 0;
  };
  std::vector<TBucket> FBuckets;
};
