// What a successful merge or check found, and the messages that tell the user.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TMergeResult {
  std::u16string Output;  // as the request shows it
  std::int64_t Inputs = 0;   // files merged, empty ones included
  std::int64_t Records = 0;  // data records
  // Files of a folder that are not among its pieces, and numbered pieces given out of
  // their order: one line each, without a line end.
  std::vector<std::u16string> Notes;
  // With a check: whether the merge holds SOURCE's records, and where it does not, the
  // message that says the first difference.
  bool Same = true;
  std::u16string Difference;
};

// "合并成功! ..." with the merged file and its record count, then the notes; CR LF line ends.
[[nodiscard]] std::u16string MergeSuccessText(const TMergeResult& Result);
// The check's outcome: "一致: <n> 条数据记录与 SOURCE 相同。" or the difference, then the notes.
[[nodiscard]] std::u16string CheckText(const TMergeResult& Result, const std::u16string& SourceShown);
