#include "app/UMergeFileList.h"

#include "app/UAppTexts.h"
#include "engine/UMergeJob.h"
#include "support/UkxFunctions.h"
#include "support/UkxStrUtils.h"

std::u16string TMergeFileList::Take(std::vector<std::u16string> Files) {
  FFiles = OrderedForMerge(std::move(Files));
  FShown = FillIn(FilesCountText, {IntToText(0, static_cast<std::int64_t>(FFiles.size()))});
  return FShown;
}

void TMergeFileList::FieldChanged(const std::u16string& Text) {
  if (Text != FShown) FFiles.clear();
}

std::vector<std::u16string> TMergeFileList::Inputs(const std::u16string& Path) const {
  if (Kept()) return FFiles;
  if (Path.empty()) return {};
  std::u16string input = Path;
  // A drive's root ("D:\") keeps its separator.
  while (input.size() > 1 && (input.back() == u'\\' || input.back() == u'/') && input[input.size() - 2] != u':') {
    input.pop_back();
  }
  return {input};
}
