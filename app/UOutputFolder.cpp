#include "app/UOutputFolder.h"

#include "support/UkxFunctions.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

// A temporary's name: short, plain ASCII, and never longer than the final name
// <base>-<i>.<ext>, so that a path that fits for the output fits for it too.
const std::u16string TemporaryPrefix = u"~R";
// A final set aside while its temporary takes its place: the final's name behind this.
const std::u16string AsidePrefix = u"~R~";

bool IsTemporaryName(const std::u16string& Name) {
  if (Name.size() < 4 || Name.compare(0, 2, TemporaryPrefix) != 0 || Name.back() != u'~') return false;
  return std::all_of(Name.begin() + 2, Name.end() - 1, [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

[[noreturn]] void CannotReplace(const std::u16string& Name) {
  throw TkxException(u"无法替换输出文件 " + Name + u", 它可能正被其他程序打开!");
}

}  // namespace

TOutputFolder::TOutputFolder(std::u16string Dir, std::u16string Base, std::u16string Extension, std::int64_t Count)
    : FDir(std::move(Dir)), FBase(std::move(Base)), FExtension(std::move(Extension)), FCount(Count) {}

TOutputFolder::~TOutputFolder() {
  if (!FReplaced) {
    for (std::int64_t i = 1; i <= FCreated; ++i) platform::RemoveFile(TemporaryPath(i));
  }
  platform::UnlockDirectory(FLock);
  if (!FReplaced && FMadeDir) platform::RemoveEmptyDirectory(FDir);
}

std::u16string TOutputFolder::FinalPath(std::int64_t I) const { return FDir + OutputName(FBase, FExtension, I); }

std::u16string TOutputFolder::TemporaryPath(std::int64_t I) const {
  return FDir + TemporaryPrefix + IntToText(0, I) + u"~";
}

std::u16string TOutputFolder::AsidePath(std::int64_t I) const {
  return FDir + AsidePrefix + OutputName(FBase, FExtension, I);
}

void TOutputFolder::Prepare(const platform::FileId& Source, std::int64_t BytesNeeded) {
  if (platform::KindOf(FDir) == platform::PathKind::None) FMadeDir = platform::MakeDirectory(FDir);
  if (platform::LockDirectory(FDir, FLock) == platform::LockResult::Held) {
    throw TkxException(u"另一个拆分正在写入同一个子路径, 请稍后再试!");
  }
  CleanLeftovers();
  const std::int64_t free = platform::FreeSpace(FDir);
  if (free >= 0 && free < BytesNeeded) throw TkxException(u"磁盘空间不足!");
  CheckExisting(Source);
}

// A killed run leaves temporaries, and finals set aside whose own name may be empty.
void TOutputFolder::CleanLeftovers() const {
  // Changed only after the listing: a folder being read is not changed under it.
  std::vector<std::u16string> temporaries;
  std::vector<std::u16string> asides;
  platform::ForEachName(FDir, [&](const std::u16string& Name) {
    if (IsTemporaryName(Name)) temporaries.push_back(Name);
    if (Name.size() > AsidePrefix.size() && Name.compare(0, AsidePrefix.size(), AsidePrefix) == 0) asides.push_back(Name);
  });
  for (const std::u16string& name : temporaries) platform::RemoveFile(FDir + name);
  for (const std::u16string& name : asides) {
    if (platform::KindOf(FDir + name) != platform::PathKind::File) continue;
    const std::u16string final = FDir + name.substr(AsidePrefix.size());
    if (platform::KindOf(final) == platform::PathKind::None) {
      platform::MoveReplacing(FDir + name, final);
    } else {
      platform::RemoveFile(FDir + name);
    }
  }
}

void TOutputFolder::CheckExisting(const platform::FileId& Source) const {
  for (std::int64_t i = 1; i <= FCount; ++i) {
    platform::FileId id;
    bool writable = false;
    const platform::PathKind kind = platform::KindOf(FinalPath(i), &id, &writable);
    if (kind == platform::PathKind::None) continue;
    if (kind == platform::PathKind::File && id == Source) {
      throw TkxException(u"待拆分文件同时是它自己的一个输出文件, 未做任何改动!");
    }
    if (kind != platform::PathKind::File || !writable) CannotReplace(OutputName(FBase, FExtension, i));
  }
}

platform::FileHandle TOutputFolder::CreateTemporary(std::int64_t I) {
  const platform::FileHandle file = platform::CreateNewFile(TemporaryPath(I));
  if (file == platform::InvalidFile) throw TkxException(u"File Open Error!");
  FCreated = I;
  return file;
}

// Puts output I back as it was before the run: its old file under its name, or no file.
// The file set aside is the record of what was there.
void TOutputFolder::Restore(std::int64_t I) const {
  if (platform::KindOf(AsidePath(I)) == platform::PathKind::File) {
    platform::MoveReplacing(AsidePath(I), FinalPath(I));
    platform::RemoveFile(AsidePath(I));  // POSIX: the second link, where both were one file
  } else {
    platform::RemoveFile(FinalPath(I));
  }
}

void TOutputFolder::Replace(TSplitControl& Control) {
  Control.Commit();
  std::int64_t setAside = 0;
  std::int64_t moved = 0;
  bool anyAside = false;
  try {
    for (; setAside < FCount; ++setAside) {
      const std::int64_t i = setAside + 1;
      // What took the name since the checks is set aside only when it is a file.
      const platform::PathKind kind = platform::KindOf(FinalPath(i));
      if (kind == platform::PathKind::None) continue;
      if (kind != platform::PathKind::File || !platform::SetAside(FinalPath(i), AsidePath(i))) {
        CannotReplace(OutputName(FBase, FExtension, i));
      }
      anyAside = true;
    }
    for (; moved < FCount; ++moved) {
      if (!platform::MoveReplacing(TemporaryPath(moved + 1), FinalPath(moved + 1))) {
        CannotReplace(OutputName(FBase, FExtension, moved + 1));
      }
      ++Control.FilesDone;
    }
  } catch (...) {
    for (std::int64_t i = moved; i >= 1; --i) Restore(i);
    for (std::int64_t i = setAside; i > moved; --i) {
      if (platform::KindOf(AsidePath(i)) == platform::PathKind::File) Restore(i);
    }
    throw;
  }
  FReplaced = true;
  // Into a folder without earlier outputs nothing was set aside: a million outputs
  // would otherwise cost a million removals of names that do not exist.
  if (!anyAside) return;
  for (std::int64_t i = 1; i <= FCount; ++i) platform::RemoveFile(AsidePath(i));
}

void TOutputFolder::FindStale(TSplitResult& Result) const {
  const std::u16string prefix = FBase + u"-";
  const std::u16string suffix = u"." + FExtension;
  std::int64_t first = 0;
  platform::ForEachName(FDir, [&](const std::u16string& name) {
    if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
      return;
    }
    const std::u16string digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    if (digits[0] == u'0' || digits.size() > 18 ||
        !std::all_of(digits.begin(), digits.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; })) {
      return;
    }
    const std::int64_t k = TextToInt(digits);
    if (k <= FCount) return;
    ++Result.StaleCount;
    if (first == 0 || k < first) {
      first = k;
      Result.FirstStale = name;
    }
  });
}
