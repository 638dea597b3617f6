#include "engine/UMergeResult.h"

#include "engine/UEngineTexts.h"
#include "support/UkxFunctions.h"
#include "support/UkxStrUtils.h"

namespace {

std::u16string WithNotes(std::u16string Text, const TMergeResult& Result) {
  for (const std::u16string& note : Result.Notes) Text += u"\r\n" + note;
  return Text;
}

}  // namespace

std::u16string MergeSuccessText(const TMergeResult& Result) {
  return WithNotes(FillIn(MergeDoneText, {Result.Output, IntToText(0, Result.Records)}), Result);
}

std::u16string CheckText(const TMergeResult& Result, const std::u16string& SourceShown) {
  if (!Result.Same) return WithNotes(Result.Difference, Result);
  return WithNotes(FillIn(CheckSameText, {IntToText(0, Result.Records), SourceShown}), Result);
}
