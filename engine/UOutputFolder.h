// The output folder of one run, which changes all at once or not at all: the outputs
// are written as temporaries and take their final names only when every one of them is
// complete; a run that fails or is cancelled leaves everything as it found it. A journal
// in the folder says what the run is doing, so that the next run finishes or undoes
// what a killed one left, and touches nothing the journal does not name.
#pragma once

#include "engine/UJournal.h"
#include "engine/UManifest.h"
#include "engine/UReplacement.h"
#include "engine/USplitControl.h"
#include "engine/USplitResult.h"
#include "platform/Platform.h"

#include <cstdint>
#include <string>
#include <vector>

class TOutputFolder {
 public:
  // Dir ends with the platform's separator. Shown is how a folder the user chose is
  // shown to the user, empty for the folder beside the source. Nothing on disk is touched yet.
  TOutputFolder(std::u16string Dir, std::u16string Base, std::u16string Extension, std::u16string Shown = {});
  // Unless Replace has begun: removes every temporary and the journal. Lets go of the
  // lock, removing the lock file this run made, and once Replace has succeeded also one
  // that was there before and holds the lock's mark or nothing (a killed run's). Unless
  // Replace has succeeded: removes the folders this run made, deepest first, where they
  // are empty again.
  ~TOutputFolder();
  TOutputFolder(const TOutputFolder&) = delete;
  TOutputFolder& operator=(const TOutputFolder&) = delete;

  // Makes the folder, and any missing above it (a folder the user chose that cannot be
  // made raises "无法创建输出路径 <Shown>!"), and takes its lock; finishes what a killed run left by
  // its journal; checks that the volume has BytesNeeded free; then starts this run's
  // journal. Count is the number of outputs when it is known before writing: each of
  // them is checked now (CheckOutput). With Count 0 each output is checked as its
  // temporary is made, and the number is the temporaries made when Replace begins; the
  // folder must then hold no temporary's name at all, so that every one there while
  // the journal stands is this run's. No output may replace or set aside a Kept file.
  // Record describes the split (its pieces are counted at Replace) for the folder's
  // ~R.manifest, which changes with the pieces; its names, where it has them, name the
  // outputs. A Record without a way (a merge's one output) leaves the record alone.
  void Prepare(const TKeptFiles& Kept, const TManifest& Record, std::int64_t BytesNeeded, std::int64_t Count);
  // Creates temporary I; I counts from 1, one after another. Raises "File Open Error!".
  [[nodiscard]] platform::TFile CreateTemporary(std::int64_t I);
  std::u16string TemporaryPath(std::int64_t I) const;
  // After Prepare: the longest name the folder takes (platform::NameLimit), and the units
  // a name may take within the longest whole path, where there is one; -1 for none.
  [[nodiscard]] std::int64_t NameLimit() const { return FNameLimit; }
  [[nodiscard]] std::int64_t PathRoom() const;
  // Gives every temporary its final name, setting aside the files that had them first;
  // any failure undoes every step and raises the name that could not be replaced. Once
  // it has succeeded, a lock file that a killed run left goes with the lock.
  void Replace(TSplitControl& Control);
  // Counts the pieces of earlier splits that this one did not replace: those numbered
  // past this one's under its names, and those the last split's record names under others.
  void FindStale(TSplitResult& Result) const;

 private:
  [[nodiscard]] bool KeepsRecord() const { return !FRecord.Way.empty(); }
  void MakeFolders();
  void Lock();
  void Recover();
  // Output I may be made and may replace what has its name: the name fits the file
  // system, and is a file that may be written and is not kept, or nothing; its
  // temporary's and its set-aside name are free.
  void CheckOutput(std::int64_t I) const;
  // A folder this run made holds nothing of anyone else's.
  [[nodiscard]] bool MadeByThisRun() const { return !FMade.empty() && FMade.back() == FDir; }
  // Raises "File Open Error!" for a temporary's name that is taken.
  void CheckNoTemporaries() const;
  void Commit(TSplitControl& Control);

  const std::u16string FDir;
  const std::u16string FShown;
  TJournal FJournal;  // this run's
  TJournalFile FJournalFile;
  TManifestFile FManifestFile;
  TManifest FRecord;                    // this run's
  std::optional<TManifest> FLastRecord;  // the split's before it, where it left one
  platform::FolderLock FLock;
  TKeptFiles FKept;
  std::int64_t FNameLimit = -1;
  bool FByRename = false;
  std::vector<std::u16string> FMade;  // the folders this run made, outermost first
  bool FJournalStarted = false;
  bool FCommitted = false;  // the temporaries are Replace's: in place, undone or kept under the journal
  bool FReplaced = false;
  std::int64_t FCreated = 0;  // temporaries 1 to FCreated may exist (made in order)
};
