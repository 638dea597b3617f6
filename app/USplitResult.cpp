#include "app/USplitResult.h"

#include "support/UkxFunctions.h"

std::u16string OutputName(const std::u16string& Base, const std::u16string& Extension, std::int64_t I) {
  return Base + u"-" + IntToText(0, I) + u"." + Extension;
}

std::u16string SuccessHead(const TSplitResult& Result) {
  if (!Result.OutDirShown.empty()) {
    return u"文件拆分成功! 在 " + Result.OutDirShown + u" 路径下自动生成了如下 " + IntToText(0, Result.Count) +
           u" 个新文件:\r\n\r\n";
  }
  return u"文件拆分成功! 在原始文件所在路径的 " + Result.OutputDir + u" 子路径下自动生成了如下 " +
         IntToText(0, Result.Count) + u" 个新文件:\r\n\r\n";
}

std::u16string SuccessNote(const TSplitResult& Result) {
  std::u16string note;
  if (Result.StaleCount > 0) {
    note = u"注意: 子路径下还有 " + IntToText(0, Result.StaleCount) + u" 个以前拆分留下的文件 (" + Result.FirstStale +
           u" 等), 它们不属于本次拆分。\r\n";
  }
  if (Result.UnclosedQuoteLine > 0) note += QuoteNote(Result) + u"\r\n";
  return note;
}

std::u16string QuoteNote(const TSplitResult& Result) {
  if (Result.UnclosedQuoteLine == 0) return {};
  return u"注意: 第 " + IntToText(0, Result.UnclosedQuoteLine) + u" 行开始的引号直到文件末尾都没有闭合, 本次按行拆分。";
}

std::u16string SuccessText(const TSplitResult& Result, std::int64_t MaxNames) {
  std::u16string text = SuccessHead(Result);
  const bool elided = MaxNames >= 3 && Result.Count > MaxNames;
  const std::int64_t head = elided ? MaxNames - 2 : Result.Count;
  for (std::int64_t i = 1; i <= head; ++i) text += OutputName(Result.Base, Result.Extension, i) + u"\r\n";
  if (elided) text += u"……\r\n" + OutputName(Result.Base, Result.Extension, Result.Count) + u"\r\n";
  return text + SuccessNote(Result);
}
