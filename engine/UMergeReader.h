// How a merge reads its inputs: one record rule and one line-end mode for all of them,
// each input's header records taken apart from its data records, and the data records
// handed on in runs that lie whole in the block, as they stand in the file.
#pragma once

#include "engine/ULineReader.h"
#include "engine/URecordReader.h"
#include "engine/USplitControl.h"
#include "platform/Platform.h"
#include "support/UkxByteStream.h"
#include "support/UkxException.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

struct TMergeRule {
  TkxUnitLayout Layout;
  TLineEnd Ends = TLineEnd::CrLf;
  bool Quoted = false;
  std::size_t Block = 1u << 20;
};

// An input's records ran into its end inside a quoted field: the merge reads all by lines.
class TInputUnclosed : public TkxException {
 public:
  TInputUnclosed(const std::u16string& Shown, std::int64_t Line);
  std::u16string Note;  // what the merge by lines says of it
};

// What a header took in an input: its records, each with its line end (one gains it at
// the end of the input), where the data records begin and the lines before them.
struct TInputHead {
  std::vector<std::string> Records;
  std::int64_t DataStart = 0;
  std::int64_t Lines = 0;
  // The records without their line ends, as inputs are compared.
  [[nodiscard]] bool SameAs(const TInputHead& Other, const TMergeRule& Rule) const;
  [[nodiscard]] std::string Bytes() const;
};
// An input's records from Offset on (a record's start), Lines lines after the mark.
class TInputReader {
 public:
  TInputReader(const platform::TFile& File, std::int64_t Offset, const TMergeRule& Rule, std::size_t Block,
               std::int64_t Lines_ = 0)
      : Bytes(File, Block, Offset), Records(Bytes, Rule.Layout, Rule.Ends, Rule.Quoted), Lines(Lines_) {}
  // Its data records.
  TInputReader(const platform::TFile& File, const TInputHead& Head, const TMergeRule& Rule, std::size_t Block)
      : TInputReader(File, Head.DataStart, Rule, Block, Head.Lines) {}
  // Once no more records lie whole in the block: tops it up. Grew: look again; Ended: the
  // input has no more; Long: the next record is the last or longer than the block, for
  // the record reader to move in pieces.
  enum class TTopUp { Grew, Ended, Long };
  [[nodiscard]] TTopUp TopUp() {
    const std::size_t held = Bytes.Available();
    const std::size_t now = Bytes.Fill(held + 1);
    return now > held ? TTopUp::Grew : now == 0 ? TTopUp::Ended : TTopUp::Long;
  }
  // Raises TInputUnclosed with Shown once a record ran into the end inside a quoted field.
  void RaiseIfUnclosed(const std::u16string& Shown) const {
    if (Records.UnclosedQuoteLine() != 0) throw TInputUnclosed(Shown, Lines + Records.UnclosedQuoteLine());
  }
  TkxByteReader Bytes;
  TRecordReader Records;
  const std::int64_t Lines;
};

// The first Header records after the mark (fewer where the input has fewer). Raises
// TInputUnclosed with Shown.
[[nodiscard]] TInputHead ReadHead(const platform::TFile& File, std::size_t MarkSize, std::int64_t Header,
                                  const TMergeRule& Rule, const std::u16string& Shown);

// Hands the data records from the reader's position to the end to Run(data, size,
// records) as runs that lie whole in the block, and any record longer than the block,
// or the last one, to Sink() in pieces, counted by Run(nullptr, 0, 1) before it (the
// last gains its line end). Answers the records; raises TInputUnclosed with Shown.
// Cancel and progress (Done plus the reader's position) at each block.
template <class Run, class Sink>
std::int64_t ForEachRun(TInputReader& In, const std::u16string& Shown, TSplitControl& Control, std::int64_t Done,
                        Run&& Run_, Sink&& Sink_) {
  std::int64_t count = 0;
  std::size_t ends[256];
  for (;;) {
    for (;;) {
      const TLineRun plain = In.Records.PlainRecords(In.Bytes.Available(), std::numeric_limits<std::int64_t>::max());
      std::size_t length = plain.Bytes;
      std::int64_t records = plain.Lines;
      if (plain.Lines == 0) {
        const std::size_t found = In.Records.WholeRecords(ends, 256);
        if (found == 0) break;
        length = ends[found - 1];
        records = static_cast<std::int64_t>(found);
      }
      Run_(In.Bytes.Data(), length, records);
      In.Bytes.Consume(length);
      count += records;
    }
    if (Control.Cancelled()) throw TSplitCancelled();
    Control.BytesDone.store(Done + In.Bytes.Position());
    const TInputReader::TTopUp topUp = In.TopUp();
    if (topUp == TInputReader::TTopUp::Grew) continue;
    if (topUp == TInputReader::TTopUp::Ended) break;
    Run_(nullptr, 0, 1);
    In.Records.MoveRecord(Sink_());
    ++count;
  }
  In.RaiseIfUnclosed(Shown);
  return count;
}

// Hands every data record from the reader's position on to Each(record, line), the
// record with its line end and the line it begins on (the first after the mark is 1),
// until Each answers false. Raises TInputUnclosed
// with Shown.
// A sink that keeps what passes, for a record that is not whole in the block.
class TStringSink : public TkxRawSink {
 public:
  void PutBytes(const char* Data, std::size_t Size) override { Text.append(Data, Size); }
  std::string Text;
};

template <class Each>
std::int64_t ForEachRecord(TInputReader& In, const TMergeRule& Rule, const std::u16string& Shown,
                           TSplitControl& Control, std::int64_t Done, Each&& Each_) {
  std::int64_t count = 0;
  TStringSink whole;
  for (;;) {
    const std::int64_t line = In.Lines + 1 + (Rule.Quoted ? In.Records.LinesPassed() : count);
    if (const std::size_t size = In.Records.WholeRecordSize(); size != 0) {
      const bool more = Each_(std::string_view(In.Bytes.Data(), size), line);
      In.Bytes.Consume(size);
      ++count;
      if (!more) return count;
      continue;
    }
    if (Control.Cancelled()) throw TSplitCancelled();
    Control.BytesDone.store(Done + In.Bytes.Position());
    const TInputReader::TTopUp topUp = In.TopUp();
    if (topUp == TInputReader::TTopUp::Grew) continue;
    if (topUp == TInputReader::TTopUp::Ended) break;
    whole.Text.clear();
    In.Records.MoveRecord(whole);
    ++count;
    if (!Each_(std::string_view(whole.Text), line)) return count;
  }
  In.RaiseIfUnclosed(Shown);
  return count;
}
