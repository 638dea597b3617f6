// The journal of an output folder: what a run is doing there, so that the next run into
// the folder can finish or undo what a killed one left, and touch nothing else. It names
// files by rule, relative to the folder: temporary i is ~R<i>~, the file set aside for
// output i is ~S<i>~, output i is <base>-<i>.<ext> (<base>-<i> without an extension), or
// the name of a list for pieces named otherwise, written from the replacing on. Both
// builds write and read the same bytes: UTF-8 lines "key value" after a signature line.
#pragma once

#include "engine/UPieceNames.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

enum class TJournalState {
  Writing,    // temporaries are being made: the next run removes them
  Replacing,  // outputs are being set aside and replaced: the next run finishes that
  Undoing,    // a failure is putting everything back: the next run finishes that
};

// The names an output goes by in its folder: its own, its temporary's while it is
// written, and the one its old file is set aside under while it replaces it.
struct TOutputName {
  std::u16string Final;
  std::u16string Temporary;
  std::u16string Aside;
};

struct TJournal {
  std::u16string Base;
  std::u16string Extension;
  TJournalState State = TJournalState::Writing;
  std::int64_t Count = 0;  // the number of outputs; 0 while not known
  std::shared_ptr<const TPieceNames> Names;  // none: by rule

  // Output I (from 1).
  [[nodiscard]] TOutputName Output(std::int64_t I) const;
  // I when Name is temporary I's, else 0.
  static std::int64_t TemporaryIndex(std::u16string_view Name);
};

// I when Name is Prefix, I in decimal from 1 without leading zeros, then Suffix, the two
// compared as the file system compares names; else 0.
[[nodiscard]] std::int64_t NumberBetween(std::u16string_view Name, std::u16string_view Prefix, std::u16string_view Suffix);

std::string JournalText(const TJournal& Journal);
// False when Text is not a journal of this version or the one before.
[[nodiscard]] bool ReadJournalText(std::string_view Text, TJournal& Journal);

// The journal file ~R.journal in one folder, replaced whole at every change: written to
// ~R.journal.new and moved over it, never rewritten in place.
class TJournalFile {
 public:
  explicit TJournalFile(std::u16string Dir) : FDir(std::move(Dir)) {}

  // Reads what a killed run left; false when there is nothing. A half-written
  // ~R.journal.new of one is removed. A file of either name that is no journal raises
  // "File Open Error!" with its path: it is someone else's.
  [[nodiscard]] bool Load(TJournal& Journal);
  // Makes or replaces the journal; raises "File Open Error!" or "File Write Error!",
  // with the journal as it was.
  void Store(const TJournal& Journal);
  // False when the journal stays.
  [[nodiscard]] bool Remove();
  bool Exists() const { return FExists; }
  std::u16string Path(bool New = false) const;

 private:
  const std::u16string FDir;
  bool FExists = false;
};
