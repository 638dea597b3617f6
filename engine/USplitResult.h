// What a successful split made, and the message that tells the user.
#pragma once

#include "engine/UPieceNames.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct TSplitResult {
  std::u16string OutputDir;  // as built from the path the job was given, with a separator at the end
  std::u16string Base;
  std::u16string Extension;
  std::int64_t Count = 0;
  // Files <Base>-k.<Extension> with k above Count that an earlier split left in the folder.
  std::int64_t StaleCount = 0;
  std::u16string FirstStale;
  // A source read by records that ended inside a quoted field, and was split by lines:
  // the line where that field began (from 1). 0 otherwise.
  std::int64_t UnclosedQuoteLine = 0;
  // The source holds a CR but no line end that a record could end with: it went whole.
  bool NoLineEnd = false;
  // The folder the user chose, as the user gave it with a separator at the end; empty
  // for the folder beside the source.
  std::u16string OutDirShown;
  // Pieces named otherwise than by number (by value), in order; none for names by rule.
  std::shared_ptr<const TPieceNames> Names;
};

// The name of output file I (from 1): <Base>-<I>.<Extension>, or <Base>-<I> without an
// extension (Windows would drop a dot at the end of a name).
std::u16string OutputName(const std::u16string& Base, const std::u16string& Extension, std::int64_t I);

// The success message, with CR LF line ends: the sentence, an empty line, every name on
// a line of its own, then the notes (SuccessNotes), each on a line of its own. With
// MaxNames and more names than that, the list keeps its first MaxNames - 2 names, a
// line "……" and the last name, so that a box can show it. Put takes it in parts, a
// thousand names at a time, so that a split into a million files is not held whole; false
// as soon as Put answers false.
[[nodiscard]] bool PutSuccessText(const TSplitResult& Result, std::int64_t MaxNames,
                                  const std::function<bool(const std::u16string&)>& Put);
[[nodiscard]] std::u16string SuccessText(const TSplitResult& Result, std::int64_t MaxNames = 0);
// The notes on stale files, on a quote left open and on a source without line ends,
// where there are such, without their line ends.
[[nodiscard]] std::vector<std::u16string> SuccessNotes(const TSplitResult& Result);
