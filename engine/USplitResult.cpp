#include "engine/USplitResult.h"

#include "engine/UEngineTexts.h"
#include "support/UkxFunctions.h"
#include "support/UkxStrUtils.h"

#include <utility>

std::u16string OutputName(const std::u16string& Base, const std::u16string& Extension, std::int64_t I) {
  return Base + u"-" + IntToText(0, I) + (Extension.empty() ? u"" : u"." + Extension);
}

namespace {

// Piece I as the list shows it: its name, and its value where the name does not show it.
std::u16string ListedName(const TSplitResult& Result, std::int64_t I) {
  if (!Result.Names) return OutputName(Result.Base, Result.Extension, I);
  const std::u16string shown = Result.Names->Shown(I);
  return shown.empty() ? Result.Names->Name(I) : FillIn(ShownValueText, {Result.Names->Name(I), shown});
}

std::u16string SuccessHead(const TSplitResult& Result) {
  if (!Result.OutDirShown.empty()) {
    return FillIn(SuccessHeadInText, {Result.OutDirShown, IntToText(0, Result.Count)});
  }
  return FillIn(SuccessHeadText, {Result.OutputDir, IntToText(0, Result.Count)});
}

}  // namespace

std::vector<std::u16string> SuccessNotes(const TSplitResult& Result) {
  std::vector<std::u16string> notes;
  if (Result.StaleCount > 0) {
    notes.push_back(FillIn(StaleNoteText, {IntToText(0, Result.StaleCount), Result.FirstStale}));
  }
  if (Result.UnclosedQuoteLine > 0) notes.push_back(FillIn(QuoteNoteText, {IntToText(0, Result.UnclosedQuoteLine)}));
  if (Result.NoLineEnd) notes.push_back(NoLineEndNoteText);
  return notes;
}

bool PutSuccessText(const TSplitResult& Result, std::int64_t MaxNames,
                    const std::function<bool(const std::u16string&)>& Put) {
  std::u16string text = SuccessHead(Result);
  const bool elided = MaxNames >= 3 && Result.Count > MaxNames;
  const std::int64_t head = elided ? MaxNames - 2 : Result.Count;
  for (std::int64_t i = 1; i <= head; ++i) {
    text += ListedName(Result, i) + u"\r\n";
    if (i % 1000 == 0 && !Put(std::exchange(text, {}))) return false;
  }
  if (elided) {
    text += std::u16string(ElidedNamesText) + u"\r\n" + ListedName(Result, Result.Count) + u"\r\n";
  }
  for (const std::u16string& note : SuccessNotes(Result)) text += note + u"\r\n";
  return Put(text);
}

std::u16string SuccessText(const TSplitResult& Result, std::int64_t MaxNames) {
  std::u16string whole;
  (void)PutSuccessText(Result, MaxNames, [&whole](const std::u16string& part) { return whole += part, true; });
  return whole;
}
