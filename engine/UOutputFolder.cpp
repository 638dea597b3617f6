#include "engine/UOutputFolder.h"

#include "engine/UEngineTexts.h"
#include "engine/UKeyLines.h"
#include "engine/UReplacement.h"
#include "support/UkxFunctions.h"
#include "support/UkxStrUtils.h"
#include "support/UkxTexts.h"

#include <algorithm>
#include <utility>

TOutputFolder::TOutputFolder(std::u16string Dir, std::u16string Base, std::u16string Extension, std::u16string Shown)
    : FDir(std::move(Dir)), FShown(std::move(Shown)), FJournal{std::move(Base), std::move(Extension), TJournalState::Writing, 0, nullptr},
      FJournalFile(FDir),
      FManifestFile(FDir) {}

TOutputFolder::~TOutputFolder() {
  // A temporary that cannot be removed stays named by the journal: the next run removes it.
  if (FJournalStarted && !FCommitted) {
    (void)TReplacement(FDir, FJournal, FKept, FJournalFile, FByRename).Discard(FCreated);
  }
  FLock.Unlock();
  while (!FReplaced && !FMade.empty()) {
    (void)platform::RemoveEmptyDirectory(FMade.back());  // not empty: something stays
    FMade.pop_back();
  }
}

std::int64_t TOutputFolder::PathRoom() const {
  const std::int64_t longest = platform::LongestPath();
  return longest < 0 ? -1 : longest - static_cast<std::int64_t>(FDir.size());
}

std::u16string TOutputFolder::TemporaryPath(std::int64_t I) const { return FDir + FJournal.Output(I).Temporary; }

void TOutputFolder::Prepare(const TKeptFiles& Kept, const TManifest& Record, std::int64_t BytesNeeded,
                            std::int64_t Count) {
  FKept = Kept;
  FRecord = Record;
  FJournal.Names = Record.Names;
  MakeFolders();
  Lock();
  Recover();
  if (!MadeByThisRun()) {
    if (KeepsRecord()) FLastRecord = FManifestFile.Load();
    if (platform::KindOf(FManifestFile.Path(true)) != platform::PathKind::None) FileOpenError(FManifestFile.Path(true));
  }
  const std::int64_t free = platform::FreeSpace(FDir);
  if (free >= 0 && free < BytesNeeded) throw TkxException(DiskFullText);
  FNameLimit = platform::NameLimit(FDir);
  for (std::int64_t i = 1; i <= Count; ++i) CheckOutput(i);
  if (Count == 0) CheckNoTemporaries();
  FJournal.Count = Count;
  FJournalFile.Store(FJournal);
  FJournalStarted = true;
}

void TOutputFolder::MakeFolders() {
  std::vector<std::u16string> missing;
  for (std::u16string path = FDir; !path.empty() && platform::KindOf(path) == platform::PathKind::None;
       path = FilePathOf(path.substr(0, path.size() - 1))) {
    missing.push_back(path);
  }
  for (auto folder = missing.rbegin(); folder != missing.rend() && platform::MakeDirectory(*folder); ++folder) {
    FMade.push_back(*folder);
  }
  // A read-only parent, or a file or link holding the name. (Beside the source the lock
  // file tells: it cannot be made.)
  if (!FShown.empty() && platform::KindOf(FDir) != platform::PathKind::Directory) {
    throw TkxException(FillIn(CannotMakeFolderText, {FShown}));
  }
}

void TOutputFolder::Lock() {
  switch (FLock.Lock(FDir)) {
    case platform::LockResult::Locked: return;
    case platform::LockResult::Held: throw TkxException(FolderBusyText);
    case platform::LockResult::CannotCreate: FileOpenError(FDir + u"~R.lock");
    case platform::LockResult::Failed: throw TkxException(FillIn(CannotLockText, {FDir}));
  }
}

// What a killed run left, as its journal names it: finished the way it was going, or,
// when it was writing, its temporaries removed. Without a journal nothing is touched.
void TOutputFolder::Recover() {
  TJournal left;
  if (!FMade.empty() || !FJournalFile.Load(left)) return;
  if (left.Count == 0) {
    // No count: the run found no temporary's name taken and made every one there since
    // (a count is stored before any temporary of a run that makes its files in any
    // order). A recovery killed meanwhile may have removed any of them already.
    platform::ForEachName(FDir, [&left](const std::u16string& name) {
      left.Count = std::max(left.Count, TJournal::TemporaryIndex(name));
    });
    // A folder that cannot be listed: those up to the first missing.
    while (platform::KindOf(FDir + left.Output(left.Count + 1).Temporary) != platform::PathKind::None) ++left.Count;
  }
  TReplacement steps(FDir, left, FKept, FJournalFile, FByRename);
  steps.CheckNotKept(left.Count);
  switch (left.State) {
    case TJournalState::Writing: (void)steps.Discard(left.Count); break;
    case TJournalState::Replacing:
      steps.Commit(true, nullptr);
      steps.Finish();
      break;
    case TJournalState::Undoing: steps.Undo(); break;
  }
  // An old copy or a temporary that cannot be removed: the journal stays for a later run.
  if (FJournalFile.Exists()) FileOpenError(steps.Left().empty() ? FJournalFile.Path() : steps.Left());
}

void TOutputFolder::CheckNoTemporaries() const {
  if (MadeByThisRun()) return;
  std::u16string taken;
  platform::ForEachName(FDir, [&taken](const std::u16string& name) {
    if (taken.empty() && TJournal::TemporaryIndex(name) != 0) taken = name;
  });
  if (!taken.empty()) FileOpenError(FDir + taken);
}

void TOutputFolder::CheckOutput(std::int64_t I) const {
  const TOutputName names = FJournal.Output(I);
  const std::u16string& name = names.Final;
  if (FNameLimit >= 0 && platform::NameUnits(name) > FNameLimit) {
    throw TkxException(FillIn(NameTooLongText, {name}));
  }
  // A folder this run made held only its lock: nothing to look for (three looks an output
  // add up to seconds at a million outputs). What appears there meanwhile is set aside
  // at the commit like any old output.
  if (MadeByThisRun()) return;
  platform::FileId id;
  bool writable = false;
  const platform::PathKind kind = platform::KindOf(FDir + name, &id, &writable);
  if (kind == platform::PathKind::File) FKept.CheckOutput(id);
  if (kind == platform::PathKind::File && !writable) throw TkxException(FillIn(ReadOnlyOutputText, {name}));
  if (kind != platform::PathKind::None && kind != platform::PathKind::File) {
    throw TkxException(FillIn(CannotReplaceText, {name}));
  }
  // Someone else's files: not ours to remove or replace.
  for (const std::u16string& path : {FDir + names.Temporary, FDir + names.Aside}) {
    if (platform::KindOf(path) != platform::PathKind::None) FileOpenError(path);
  }
}

platform::TFile TOutputFolder::CreateTemporary(std::int64_t I) {
  if (FJournal.Count == 0) CheckOutput(I);
  platform::TFile file = platform::CreateNewFile(TemporaryPath(I));
  if (!file) FileOpenError(TemporaryPath(I));
  FCreated = std::max(FCreated, I);
  return file;
}

void TOutputFolder::Replace(TSplitControl& Control) {
  Control.Commit();
  Commit(Control);
  // Only now: a run that fails or is cancelled leaves a lock file it found.
  FLock.ClaimLeftover();
}

void TOutputFolder::Commit(TSplitControl& Control) {
  FRecord.Pieces = FCreated;
  if (KeepsRecord()) FManifestFile.Prepare(FRecord);
  FJournal.State = TJournalState::Replacing;
  FJournal.Count = FCreated;
  FJournalFile.Store(FJournal);
  FCommitted = true;
  TReplacement steps(FDir, FJournal, FKept, FJournalFile, FByRename);
  steps.Commit(false, [&Control] { ++Control.FilesDone; });
  FReplaced = true;
  steps.Finish();
}

void TOutputFolder::FindStale(TSplitResult& Result) const {
  const std::u16string prefix = FJournal.Base + u"-";
  const std::u16string suffix = FJournal.Extension.empty() ? u"" : u"." + FJournal.Extension;
  // This run's names: by rule, or for pieces by value those its list holds.
  const auto ours = [this](const std::u16string& Name, std::int64_t Number) {
    if (!FJournal.Names) return Number >= 1 && Number <= FJournal.Count;
    const std::int64_t found = FJournal.Names->Find(Name);
    return found != 0 && platform::SameName(FJournal.Names->Name(found), Name);
  };
  std::int64_t first = 0;
  platform::ForEachName(FDir, [&](const std::u16string& name) {
    const std::int64_t k = NumberBetween(name, prefix, suffix);
    if (k == 0 || ours(name, k)) return;
    ++Result.StaleCount;
    if (first == 0 || k < first) {
      first = k;
      Result.FirstStale = name;
    }
  });
  // The last split's pieces under other names (another source into the same folder):
  // those numbered as this one's are counted above.
  if (!FLastRecord) return;
  for (std::int64_t i = 1; i <= FLastRecord->Pieces; ++i) {
    const std::u16string name = FLastRecord->PieceName(i);
    if (NumberBetween(name, prefix, suffix) != 0 || ours(name, 0) ||
        platform::KindOf(FDir + name) == platform::PathKind::None) {
      continue;
    }
    if (Result.StaleCount++ == 0) Result.FirstStale = name;
  }
}
