#include "engine/UMergeReader.h"

#include "engine/UEngineTexts.h"
#include "support/UkxFunctions.h"
#include "support/UkxStrUtils.h"

TInputUnclosed::TInputUnclosed(const std::u16string& Shown, std::int64_t Line)
    : TkxException(FillIn(InputQuoteText, {Shown, IntToText(0, Line)})),
      Note(FillIn(MergeQuoteNoteText, {Shown, IntToText(0, Line)})) {}

bool TInputHead::SameAs(const TInputHead& Other, const TMergeRule& Rule) const {
  if (Records.size() != Other.Records.size()) return false;
  // Every record read ends with its line end, one unit or two.
  const std::size_t end = Rule.Layout.Size * (Rule.Ends == TLineEnd::CrLf ? 2 : 1);
  for (std::size_t k = 0; k < Records.size(); ++k) {
    const std::string_view mine(Records[k]), theirs(Other.Records[k]);
    if (mine.substr(0, mine.size() - end) != theirs.substr(0, theirs.size() - end)) return false;
  }
  return true;
}

std::string TInputHead::Bytes() const {
  std::string bytes;
  for (const std::string& record : Records) bytes += record;
  return bytes;
}

TInputHead ReadHead(const platform::TFile& File, std::size_t MarkSize, std::int64_t Header, const TMergeRule& Rule,
                    const std::u16string& Shown) {
  TInputReader in(File, static_cast<std::int64_t>(MarkSize), Rule, Rule.Block);
  TInputHead head;
  TStringSink record;
  for (std::int64_t k = 0; k < Header && in.Bytes.Fill() != 0; ++k) {
    record.Text.clear();
    in.Records.MoveRecord(record);
    head.Records.push_back(std::move(record.Text));
  }
  in.RaiseIfUnclosed(Shown);
  head.DataStart = in.Bytes.Position();
  head.Lines = Rule.Quoted ? in.Records.LinesPassed() : static_cast<std::int64_t>(head.Records.size());
  return head;
}
