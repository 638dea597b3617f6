// The files a merge reads, as its inputs name them: files as given, a folder with the
// record of the split that made its pieces as that record lists them, and any other
// folder by its numbered pieces of one base.
#pragma once

#include "engine/UMergeRequest.h"
#include "platform/Platform.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct TMergeInput {
  std::u16string Path;   // to open
  std::u16string Shown;  // in the messages
};

struct TMergePlan {
  std::vector<TMergeInput> Files;
  std::optional<std::int64_t> Header;  // the H of a folder's record
  bool Interleave = false;             // a folder's record of a deal in turn
  std::vector<std::u16string> Notes;
  // The folders with a record, locked while their pieces are read.
  std::vector<std::unique_ptr<platform::FolderLock>> Locks;
};

// Raises the message for an input that is missing or no file or folder, a folder whose
// record names a piece that is missing or that a split is writing (its journal), a
// folder without pieces or with a gap in their numbers; TMergeUsage for a folder whose
// pieces are of several bases, none of them its own name's.
[[nodiscard]] TMergePlan PlanMerge(const TMergeRequest& Request);

// A piece's name taken apart: <Base>-<Number>.<Extension>; Number 0 for no piece's name.
struct TPieceName {
  std::u16string Base;
  std::u16string Extension;
  std::int64_t Number = 0;
};
[[nodiscard]] TPieceName PieceNameOf(const std::u16string& Name);
