// What a successful split made, and the message that tells the user.
#pragma once

#include <cstdint>
#include <string>

struct TSplitResult {
  std::u16string OutputDir;  // as built from the path the job was given, with a separator at the end
  std::u16string Base;
  std::u16string Extension;
  std::int64_t Count = 0;
  // Files <Base>-k.<Extension> with k above Count that an earlier split left in the folder.
  std::int64_t StaleCount = 0;
  std::u16string FirstStale;
};

// The name of output file I (from 1): <Base>-<I>.<Extension>, the dot always there.
std::u16string OutputName(const std::u16string& Base, const std::u16string& Extension, std::int64_t I);

// The success message, with CR LF line ends: the sentence, an empty line, every name on
// a line of its own, and a note on stale files where there are any. With MaxNames and
// more names than that, the list keeps its first MaxNames - 2 names, a line "……" and
// the last name, so that a box can show it.
std::u16string SuccessText(const TSplitResult& Result, std::int64_t MaxNames = 0);
// The message in three parts, for a caller that writes a long list name by name.
std::u16string SuccessHead(const TSplitResult& Result);
std::u16string SuccessNote(const TSplitResult& Result);
