#include "engine/UMergeInputs.h"

#include "engine/UEngineTexts.h"
#include "engine/UJournal.h"
#include "engine/UKeyLines.h"
#include "engine/UManifest.h"
#include "engine/UMergeJob.h"
#include "engine/USplitJob.h"
#include "engine/USplitResult.h"
#include "support/UkxFunctions.h"
#include "support/UkxStrUtils.h"

#include <algorithm>
#include <map>
#include <tuple>

namespace {

std::u16string WithoutSeparator(std::u16string Path) {
  while (Path.size() > 1 && platform::PathDelimiters().find(Path.back()) != std::u16string_view::npos) Path.pop_back();
  return Path;
}

std::u16string ShownIn(const TMergeRequest& Request, const std::u16string& Folder, const std::u16string& Name) {
  return Request.NamesOnly ? Name : WithSeparator(Folder) + Name;
}

// A folder that the split which made its pieces recorded: those pieces, in its order,
// read under the folder's lock so that no split changes them meanwhile.
void AddRecorded(const TMergeRequest& Request, const std::u16string& Given, const TManifest& Record,
                 TMergePlan& Plan) {
  const std::u16string dir = WithSeparator(Given);
  for (std::int64_t i = 1; i <= Record.Pieces; ++i) {
    const std::u16string name = Record.PieceName(i);
    if (platform::KindOf(dir + name) != platform::PathKind::File) {
      throw TkxException(FillIn(PieceMissingText, {Given, name}));
    }
    Plan.Files.push_back({dir + name, ShownIn(Request, Given, name)});
  }
  if (!Plan.Header) Plan.Header = Record.Header;
  Plan.Interleave = Plan.Interleave || Record.Way == WayOf(TSplitMode::Cycle).Option + 2;
}

// A folder without a record: the numbered pieces of its one base (its own name decides
// between several), 1 to the highest without a gap. Other files are left out with a note.
void AddNumbered(const TMergeRequest& Request, const std::u16string& Given, TMergePlan& Plan) {
  const std::u16string dir = WithSeparator(Given);
  std::map<std::pair<std::u16string, std::u16string>, std::vector<std::int64_t>> groups;
  std::vector<std::u16string> others;
  platform::ForEachName(dir, [&](const std::u16string& name) {
    if (name.starts_with(u"~R.")) return;  // the lock and the record of our own splits
    const TPieceName piece = PieceNameOf(name);
    if (piece.Number == 0) {
      // Folders inside are no files left out.
      if (platform::KindOf(dir + name) != platform::PathKind::Directory) others.push_back(name);
    } else {
      groups[{piece.Base, piece.Extension}].push_back(piece.Number);
    }
  });
  if (groups.empty()) throw TkxException(FillIn(NoPiecesText, {Given}));
  auto chosen = groups.begin();
  if (groups.size() > 1) {
    const std::u16string own = FileNameOf(WithoutSeparator(Given), true);
    chosen = std::find_if(groups.begin(), groups.end(), [&own](const auto& group) {
      const std::u16string& base = group.first.first;
      return base == own || (group.first.second.empty() && base + NoExtensionFolderSuffix == own);
    });
    if (chosen == groups.end()) {
      std::u16string bases;
      for (const auto& group : groups) {
        const auto& [base, extension] = group.first;
        bases += (bases.empty() ? u"" : u", ") + base + u"-N" + (extension.empty() ? u"" : u"." + extension);
      }
      throw TMergeUsage(FillIn(SeveralBasesText, {Given, bases}));
    }
  }
  for (auto group = groups.begin(); group != groups.end(); ++group) {
    if (group == chosen) continue;
    for (std::int64_t number : group->second) others.push_back(OutputName(group->first.first, group->first.second, number));
  }
  std::vector<std::int64_t>& numbers = chosen->second;
  std::sort(numbers.begin(), numbers.end());
  const auto& [base, extension] = chosen->first;
  for (std::size_t k = 0; k < numbers.size(); ++k) {
    const std::int64_t expected = static_cast<std::int64_t>(k) + 1;
    if (numbers[k] != expected) throw TkxException(FillIn(PieceMissingText, {Given, OutputName(base, extension, expected)}));
    const std::u16string name = OutputName(base, extension, expected);
    Plan.Files.push_back({dir + name, ShownIn(Request, Given, name)});
  }
  if (!others.empty()) {
    std::sort(others.begin(), others.end());
    Plan.Notes.push_back(FillIn(LeftOutNoteText, {Given, IntToText(0, static_cast<std::int64_t>(others.size())), others.front()}));
  }
}

// Whether Dir is the folder the merged table goes to, which the output's own lock guards.
bool HoldsOutput(const TMergeRequest& Request, const std::u16string& Dir) {
  if (!Request.Check.empty()) return false;
  const std::u16string outputDir = FilePathOf(Request.Output);
  platform::FileId output, id;
  return platform::KindOf(outputDir.empty() ? u"." : outputDir, &output) == platform::PathKind::Directory &&
         platform::KindOf(Dir, &id) == platform::PathKind::Directory && id == output;
}

void AddFolder(const TMergeRequest& Request, const std::u16string& Given, TMergePlan& Plan) {
  const std::u16string dir = WithSeparator(Given);
  auto lock = std::make_unique<platform::FolderLock>();
  switch (HoldsOutput(Request, dir) ? platform::LockResult::CannotCreate : lock->Lock(dir)) {
    case platform::LockResult::Locked: break;
    case platform::LockResult::Held: throw TkxException(FolderBusyText);
    // A folder that cannot take a lock file (read-only, a CD) has no split writing into
    // it; the output's folder is locked as the output is written.
    case platform::LockResult::CannotCreate: lock.reset(); break;
    case platform::LockResult::Failed: throw TkxException(FillIn(CannotLockText, {Given}));
  }
  if (platform::KindOf(TJournalFile(dir).Path()) != platform::PathKind::None) {
    throw TkxException(FillIn(SplitUnfinishedText, {Given}));
  }
  const std::optional<TManifest> record = TManifestFile(dir).Load();
  if (record) {
    AddRecorded(Request, Given, *record, Plan);
  } else {
    AddNumbered(Request, Given, Plan);
  }
  if (lock) Plan.Locks.push_back(std::move(lock));
}

// Numbered pieces of one base given one by one out of their order (a shell's data-*
// gives data-1, data-10, data-2): the first such is noted.
void NoteOutOfOrder(const std::vector<TMergeInput>& Given, TMergePlan& Plan) {
  for (std::size_t k = 1; k < Given.size(); ++k) {
    const TPieceName before = PieceNameOf(FileNameOf(Given[k - 1].Path, true));
    const TPieceName piece = PieceNameOf(FileNameOf(Given[k].Path, true));
    if (piece.Number != 0 && before.Number > piece.Number && piece.Base == before.Base &&
        piece.Extension == before.Extension && FilePathOf(Given[k].Path) == FilePathOf(Given[k - 1].Path)) {
      Plan.Notes.push_back(FillIn(OutOfOrderNoteText, {Given[k].Shown, Given[k - 1].Shown}));
      return;
    }
  }
}

}  // namespace

TPieceName PieceNameOf(const std::u16string& Name) {
  TPieceName piece;
  piece.Extension = FileExtOf(Name);
  const std::u16string stem = piece.Extension.empty() ? Name : Name.substr(0, Name.size() - piece.Extension.size() - 1);
  const std::size_t dash = stem.rfind(u'-');
  if (dash == std::u16string::npos || dash == 0) return {};
  const std::u16string digits = stem.substr(dash + 1);
  if (digits.empty() || digits.size() > 18 || digits[0] == u'0' ||
      digits.find_first_not_of(u"0123456789") != std::u16string::npos) {
    return {};
  }
  piece.Base = stem.substr(0, dash);
  piece.Number = TextToInt(digits);
  return piece;
}

TMergePlan PlanMerge(const TMergeRequest& Request) {
  TMergePlan plan;
  std::vector<TMergeInput> given;  // the files given one by one
  for (const std::u16string& input : Request.Inputs) {
    switch (platform::KindOf(input)) {
      case platform::PathKind::None: throw TkxException(FillIn(InputMissingText, {input}));
      case platform::PathKind::Other: throw TkxException(FillIn(InputNotAFileText, {input}));
      case platform::PathKind::Directory: AddFolder(Request, input, plan); break;
      case platform::PathKind::File: {
        const TMergeInput file{input, Request.NamesOnly ? FileNameOf(input, true) : input};
        plan.Files.push_back(file);
        given.push_back(file);
        break;
      }
    }
  }
  NoteOutOfOrder(given, plan);
  if (plan.Files.empty()) throw TkxException(NoInputsText);
  return plan;
}

std::vector<std::u16string> MergeFilesOf(const TMergeRequest& Request) {
  const TMergePlan plan = PlanMerge(Request);
  std::vector<std::u16string> files;
  for (const TMergeInput& file : plan.Files) files.push_back(file.Path);
  return files;
}

std::vector<std::u16string> OrderedForMerge(std::vector<std::u16string> Files) {
  const auto key = [](const std::u16string& Path) {
    const std::u16string name = FileNameOf(Path, true);
    const TPieceName piece = PieceNameOf(name);
    return std::make_tuple(piece.Number == 0, piece.Base, piece.Extension, piece.Number, name);
  };
  std::stable_sort(Files.begin(), Files.end(),
                   [&key](const std::u16string& A, const std::u16string& B) { return key(A) < key(B); });
  return Files;
}

std::u16string DefaultMergeOutput(const std::vector<std::u16string>& Inputs) {
  if (Inputs.empty()) return {};
  const std::u16string first = WithoutSeparator(Inputs.front());
  std::u16string base, extension;
  if (platform::KindOf(first) == platform::PathKind::Directory) {
    const std::optional<TManifest> record = [&first]() -> std::optional<TManifest> {
      try {
        return TManifestFile(WithSeparator(first)).Load();
      } catch (const TkxException&) {
        return std::nullopt;
      }
    }();
    base = record ? record->Base : FileNameOf(first, true);
    if (record) extension = record->Extension;
    if (!record) {
      // The pieces' base, from the first of them the folder lists.
      platform::ForEachName(WithSeparator(first), [&](const std::u16string& name) {
        const TPieceName piece = PieceNameOf(name);
        if (extension.empty() && piece.Number != 0) {
          base = piece.Base;
          extension = piece.Extension;
        }
      });
    }
  } else {
    const std::u16string name = FileNameOf(first, true);
    const TPieceName piece = PieceNameOf(name);
    base = piece.Number != 0 ? piece.Base : FileNameOf(first, false);
    extension = piece.Number != 0 ? piece.Extension : FileExtOf(name);
  }
  return FilePathOf(first) + base + MergedSuffix + (extension.empty() ? u"" : u"." + extension);
}
