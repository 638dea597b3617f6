// The steps that give a run's temporaries the names of its outputs, all or none, and the
// steps back. What each step has done is seen in the files themselves (a temporary that
// is gone has been moved in; a set-aside file is the output's old copy), so the next run
// can take up a killed run's steps from its journal alone.
#pragma once

#include "engine/UJournal.h"
#include "engine/USplitRequest.h"
#include "platform/Platform.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The files that outputs must never replace nor set aside: the source, by the name the
// user gave, and the other FILEs of its command.
class TKeptFiles {
 public:
  TKeptFiles() = default;
  TKeptFiles(const platform::FileId& Source, std::u16string SourceName, std::vector<TOtherSource> Others)
      : FSource(Source), FSourceName(std::move(SourceName)), FOthers(std::move(Others)) {}
  // Raises the refusal when the file Id at an output's name is one of them.
  void CheckOutput(const platform::FileId& Id) const;
  [[nodiscard]] bool Holds(const platform::FileId& Id) const;

 private:
  platform::FileId FSource;
  std::u16string FSourceName;
  std::vector<TOtherSource> FOthers;
};

class TReplacement {
 public:
  // Journal names the outputs and their count, and is stored in File at each change of
  // state. ByRename: set aside by moving instead of linking; switched on for the rest of
  // the run the first time the file system refuses a hard link.
  TReplacement(const std::u16string& Dir, const TJournal& Journal, const TKeptFiles& Kept, TJournalFile& File,
               bool& ByRename);

  // Sets aside every output that exists, then moves every temporary in, calling Moved
  // after each. A failure undoes every step and raises the output that could not be
  // replaced, with a line for each old copy that could not be put back. Resuming: the
  // steps a killed run took are recognised and not taken again.
  void Commit(bool Resuming, const std::function<void()>& Moved);
  // After Commit: removes the old copies, and then the journal.
  void Finish();
  // Puts back whatever Commit did, step by step backwards; when all is back, removes the
  // temporaries and the journal. Raises the output that could not be put back, with a
  // line for each old copy that stays set aside under the journal.
  void Undo();
  // Removes temporaries 1 to Created and then the journal; false when any stays.
  [[nodiscard]] bool Discard(std::int64_t Created);
  // Raises "File Open Error!" when one of the first Count temporaries or set-aside files
  // is a kept file: the journal is not acted on.
  void CheckNotKept(std::int64_t Count) const;
  // The first file that Finish or Discard could not remove (the journal last); empty
  // while all went.
  const std::u16string& Left() const { return FLeft; }

 private:
  std::u16string Final(std::int64_t I) const { return FDir + FJournal.Output(I).Final; }
  std::u16string Temporary(std::int64_t I) const { return FDir + FJournal.Output(I).Temporary; }
  std::u16string Aside(std::int64_t I) const { return FDir + FJournal.Output(I).Aside; }
  void SetAside(std::int64_t I);
  [[nodiscard]] bool PutBack(std::int64_t I) const;
  // The lines for the copies that stay set aside, and the first output not put back.
  std::u16string UndoSteps(std::int64_t& Stuck);
  [[nodiscard]] bool Record(TJournalState State);
  // Removes Path unless it is gone already; false, and Left set, when it stays.
  [[nodiscard]] bool Remove(const std::u16string& Path);

  const std::u16string FDir;
  TJournal FJournal;
  const TKeptFiles& FKept;
  TJournalFile& FFile;
  bool& FByRename;
  bool FResuming = false;
  bool FAnyAside = false;
  std::u16string FLeft;
};
