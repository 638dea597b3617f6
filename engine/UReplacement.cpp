#include "engine/UReplacement.h"

#include "engine/UEngineTexts.h"
#include "engine/UKeyLines.h"
#include "engine/UManifest.h"
#include "support/UkxException.h"
#include "support/UkxStrUtils.h"
#include "support/UkxTexts.h"

#include <algorithm>

namespace {

// More lines would not fit a message box; the journal names every copy all the same.
constexpr int MaxKeptLines = 10;

std::u16string CannotReplace(const std::u16string& Name) { return FillIn(CannotReplaceText, {Name}); }

bool Exists(const std::u16string& Path) { return platform::KindOf(Path) != platform::PathKind::None; }

}  // namespace

void TKeptFiles::CheckOutput(const platform::FileId& Id) const {
  if (Id == FSource) throw TkxException(SourceIsOutputText);
  for (const TOtherSource& other : FOthers) {
    if (Id == other.Id) throw TkxException(FillIn(OtherSourceIsOutputText, {other.Name, FSourceName}));
  }
}

bool TKeptFiles::Holds(const platform::FileId& Id) const {
  return Id == FSource || std::any_of(FOthers.begin(), FOthers.end(), [&](const TOtherSource& o) { return o.Id == Id; });
}

TReplacement::TReplacement(const std::u16string& Dir, const TJournal& Journal, const TKeptFiles& Kept,
                           TJournalFile& File, bool& ByRename)
    : FDir(Dir), FJournal(Journal), FKept(Kept), FFile(File), FByRename(ByRename) {}

void TReplacement::Commit(bool Resuming, const std::function<void()>& Moved) {
  FResuming = Resuming;
  FAnyAside = Resuming;
  try {
    for (std::int64_t i = 1; i <= FJournal.Count; ++i) SetAside(i);
    for (std::int64_t i = 1; i <= FJournal.Count; ++i) {
      if (!platform::MoveReplacing(Temporary(i), Final(i)) && !(Resuming && !Exists(Temporary(i)))) {
        throw TkxException(CannotReplace(FJournal.Output(i).Final));
      }
      if (Moved) Moved();
    }
  } catch (TkxException& failure) {
    std::int64_t stuck = 0;
    failure.Message += UndoSteps(stuck);
    throw;
  } catch (...) {
    std::int64_t stuck = 0;
    (void)UndoSteps(stuck);
    throw;
  }
}

// Output I's old file keeps a second name: a hard link, so that the output's own name
// never goes missing, or where the file system has none, the file itself moved there.
void TReplacement::SetAside(std::int64_t I) {
  if (FResuming && !Exists(Temporary(I))) return;  // moved in already
  platform::FileId id;
  bool writable = false;
  const platform::PathKind kind = platform::KindOf(Final(I), &id, &writable);
  if (kind == platform::PathKind::None) return;
  if (kind == platform::PathKind::File) FKept.CheckOutput(id);
  if (kind == platform::PathKind::File && !writable) {
    throw TkxException(FillIn(ReadOnlyOutputText, {FJournal.Output(I).Final}));
  }
  bool done = false;
  if (kind == platform::PathKind::File && writable) {
    if (!FByRename) {
      const platform::LinkResult linked = platform::MakeLink(Final(I), Aside(I));
      done = linked == platform::LinkResult::Linked;
      FByRename = linked == platform::LinkResult::Unsupported;
    }
    if (FByRename && !done) done = platform::MoveToNewName(Final(I), Aside(I));
    platform::FileId aside;
    // A killed run's link: the same file under both names.
    if (!done && FResuming) done = platform::KindOf(Aside(I), &aside) == platform::PathKind::File && aside == id;
  }
  if (!done) throw TkxException(CannotReplace(FJournal.Output(I).Final));
  FAnyAside = true;
}

void TReplacement::Finish() {
  bool all = true;
  // Into a folder without earlier outputs nothing was set aside: a million outputs
  // would otherwise cost a million removals of names that do not exist.
  // The record of the split goes in with its pieces, before any old copy goes.
  const TManifestFile manifest(FDir);
  if (!manifest.Commit()) {
    FLeft = manifest.Path(true);
    return;
  }
  for (std::int64_t i = 1; FAnyAside && i <= FJournal.Count; ++i) all = Remove(Aside(i)) && all;
  // Else the next run finishes: its journal still says replacing.
  if (all && !FFile.Remove()) FLeft = FFile.Path();
}

bool TReplacement::Remove(const std::u16string& Path) {
  if (platform::RemoveFile(Path) || !Exists(Path)) return true;
  if (FLeft.empty()) FLeft = Path;
  return false;
}

// Output I as it was before: a temporary moved in goes back to its name, then the old
// file to its own. Each step leaves a state the next run recognises, so a run killed
// meanwhile is taken up where it stopped.
bool TReplacement::PutBack(std::int64_t I) const {
  platform::FileId final;
  platform::PathKind finalKind = platform::KindOf(Final(I), &final);
  if (!Exists(Temporary(I)) && finalKind == platform::PathKind::File) {
    if (!platform::MoveToNewName(Final(I), Temporary(I))) return false;
    finalKind = platform::PathKind::None;
  }
  platform::FileId aside;
  if (platform::KindOf(Aside(I), &aside) != platform::PathKind::File) return true;
  // A hard link whose output was never replaced: the same file under both names.
  if (finalKind == platform::PathKind::File && final == aside) return platform::RemoveFile(Aside(I));
  return platform::MoveToNewName(Aside(I), Final(I));
}

bool TReplacement::Record(TJournalState State) {
  FJournal.State = State;
  try {
    FFile.Store(FJournal);
    return true;
  } catch (const TkxException&) {
    return false;
  }
}

std::u16string TReplacement::UndoSteps(std::int64_t& Stuck) {
  const bool recorded = Record(TJournalState::Undoing);
  std::u16string kept;
  int lines = 0;
  for (std::int64_t i = FJournal.Count; i >= 1; --i) {
    if (PutBack(i)) continue;
    Stuck = i;
    if (platform::KindOf(Aside(i)) != platform::PathKind::File || ++lines > MaxKeptLines) continue;
    kept += FillIn(KeptAsideText, {FJournal.Output(i).Final, FJournal.Output(i).Aside});
  }
  if (Stuck != 0) {
    // The next run must undo, not finish: one more try at saying so.
    if (!recorded) (void)Record(TJournalState::Undoing);
    return kept;
  }
  // Every output is as it was and every temporary there: what a run that is writing leaves.
  if (Record(TJournalState::Writing)) (void)Discard(FJournal.Count);
  return kept;
}

void TReplacement::Undo() {
  std::int64_t stuck = 0;
  const std::u16string kept = UndoSteps(stuck);
  if (stuck != 0) throw TkxException(CannotReplace(FJournal.Output(stuck).Final) + kept);
}

bool TReplacement::Discard(std::int64_t Created) {
  bool all = true;
  // Every temporary goes before the journal: a run killed meanwhile leaves a journal
  // that names what is left.
  for (std::int64_t i = 1; i <= Created; ++i) all = Remove(Temporary(i)) && all;
  const TManifestFile manifest(FDir);
  if (!manifest.Discard()) {
    if (FLeft.empty()) FLeft = manifest.Path(true);
    all = false;
  }
  if (!all) return false;
  if (FFile.Remove()) return true;
  FLeft = FFile.Path();
  return false;
}

void TReplacement::CheckNotKept(std::int64_t Count) const {
  for (std::int64_t i = 1; i <= Count; ++i) {
    for (const std::u16string& path : {Temporary(i), Aside(i)}) {
      platform::FileId id;
      if (platform::KindOf(path, &id) == platform::PathKind::File && FKept.Holds(id)) FileOpenError(path);
    }
  }
}
