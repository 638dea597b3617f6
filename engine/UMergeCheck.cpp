#include "engine/UMergeCheck.h"

#include "support/UkxFunctions.h"

#include <algorithm>
#include <cstring>

void TStreamCheck::PutBytes(const char* Data, std::size_t Size) {
  while (Size > 0) {
    if (FPending.empty()) FPending = Next();
    if (FPending.empty()) throw TFirstDifference{FCompared, true, false};
    const std::size_t n = std::min(Size, FPending.size());
    if (std::memcmp(Data, FPending.data(), n) != 0) {
      const auto parted = std::mismatch(Data, Data + n, FPending.data());
      throw TFirstDifference{FCompared + (parted.first - Data), false, false};
    }
    FCompared += static_cast<std::int64_t>(n);
    FPending.remove_prefix(n);
    Data += n;
    Size -= n;
  }
}

void TStreamCheck::End() {
  if (!FPending.empty() || !Next().empty()) throw TFirstDifference{FCompared, false, true};
}

std::string_view TStreamCheck::Next() {
  TkxByteReader& bytes = FSource.Bytes;
  for (;;) {
    const TLineRun plain = FSource.Records.PlainRecords(bytes.Available(), std::numeric_limits<std::int64_t>::max());
    std::size_t length = plain.Bytes;
    if (plain.Lines == 0) {
      std::size_t end = 0;
      if (FSource.Records.WholeRecords(&end, 1) == 1) length = end;
    }
    if (length > 0) {
      // Valid until the next call, which consumes it before the block moves.
      bytes.Consume(length);
      return {bytes.Data() - length, length};
    }
    if (FControl.Cancelled()) throw TSplitCancelled();
    const TInputReader::TTopUp topUp = FSource.TopUp();
    if (topUp == TInputReader::TTopUp::Grew) continue;
    if (topUp == TInputReader::TTopUp::Ended) {
      FSource.RaiseIfUnclosed(FShown);
      return {};
    }
    FWhole.Text.clear();
    FSource.Records.MoveRecord(FWhole);
    return FWhole.Text;
  }
}

std::u16string ShownRecord(const TValueEncoding& Encoding, std::string_view Record, TkxUnitLayout Layout) {
  // Enough units for 200 characters, escapes aside.
  const std::u16string text = DecodeValue(Encoding, Record.substr(0, std::min(Record.size(), 800 * Layout.Size)));
  std::u16string shown;
  std::size_t characters = 0;
  std::size_t k = 0;
  for (; k < text.size() && characters < 200; ++k, ++characters) {
    const char16_t c = text[k];
    if (c == u'\r') {
      shown += u"\\r";
    } else if (c == u'\n') {
      shown += u"\\n";
    } else if (c == u'\t') {
      shown += u"\\t";
    } else if (c < 0x20 || c == 0x7F) {
      constexpr char16_t digits[] = u"0123456789ABCDEF";
      shown += {u'\\', u'x', digits[c >> 4], digits[c & 15]};
    } else {
      shown += c;
      if (c >= 0xD800 && c < 0xDC00 && k + 1 < text.size()) shown += text[++k];
    }
  }
  if (k < text.size()) shown += u"…";
  return shown;
}

TFoundRecord RecordAt(TInputReader& In, std::int64_t Offset, const TMergeRule& Rule,
                      TSplitControl& Control) {
  TFoundRecord found;
  std::int64_t at = 0;
  (void)ForEachRecord(In, Rule, u"", Control, 0, [&](std::string_view Record, std::int64_t Line) {
    at += static_cast<std::int64_t>(Record.size());
    if (at <= Offset) return true;
    found = {Line, std::string(Record)};
    return false;
  });
  return found;
}

namespace {

// 64 bits of Bytes under Seed, eight bytes a step.
std::uint64_t HashOf(std::string_view Bytes, std::uint64_t Seed) {
  constexpr std::uint64_t k = 0x9E3779B97F4A7C15u;
  std::uint64_t h = Seed ^ (Bytes.size() * k);
  std::size_t at = 0;
  for (; at + 8 <= Bytes.size(); at += 8) {
    std::uint64_t word;
    std::memcpy(&word, Bytes.data() + at, 8);
    h = (h ^ word) * k;
    h ^= h >> 29;
  }
  std::uint64_t tail = 0;
  if (at < Bytes.size()) std::memcpy(&tail, Bytes.data() + at, Bytes.size() - at);
  h = (h ^ tail) * k;
  h ^= h >> 32;
  h *= 0xD6E8FEB86659FD93u;
  return h ^ (h >> 32);
}

}  // namespace

void TRecordBalance::Add(std::string_view Record, bool Source) {
  const std::uint64_t a = HashOf(Record, 0x243F6A8885A308D3u);
  const std::uint64_t b = HashOf(Record, 0x13198A2E03707344u);
  TBucket& bucket = FBuckets[a >> (64 - BucketBits)];
  bucket.A += Source ? a : 0 - a;
  bucket.B += Source ? b : 0 - b;
}

bool TRecordBalance::Even() const {
  return std::all_of(FBuckets.begin(), FBuckets.end(), [](const TBucket& Bucket) { return Bucket.A == 0 && Bucket.B == 0; });
}

bool TRecordBalance::Uneven(std::string_view Record) const {
  const TBucket& bucket = FBuckets[HashOf(Record, 0x243F6A8885A308D3u) >> (64 - BucketBits)];
  return bucket.A != 0 || bucket.B != 0;
}
