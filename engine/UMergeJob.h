// The merge job: puts the pieces of a split, or any tables of one header, back into one
// table, or checks that they hold all of a source.
#pragma once

#include "engine/UMergeRequest.h"
#include "engine/UMergeResult.h"
#include "engine/USplitControl.h"
#include "support/UkxException.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The inputs do not fit one another: a header, an encoding mark or, interleaved, a count
// that differs. For a check this is a difference, not a failure to compare.
class TMergeMismatch : public TkxException {
 public:
  using TkxException::TkxException;
};

// The inputs cannot be told apart from what they are (a folder of pieces of several
// bases): the user has to name them. A front end takes it for bad usage.
class TMergeUsage : public TkxException {
 public:
  using TkxException::TkxException;
};

struct TMergeLimits {
  // Inputs kept open at once when interleaving; the others are opened again for each read.
  std::int64_t OpenInputs = 0;
  // The memory that the inputs' blocks share when interleaving, and the block of one input.
  std::size_t InputBudget = 8u << 20;
  std::size_t InputBlock = 128u << 10;
};

// Merges the inputs into Request.Output: the byte-order mark where they have one, the
// first input's H header records, then every input's data records (in turn with
// Interleave), each as it stands with its line end, a last one without gaining the
// merge's. Records and line ends are judged on the first input (on Check), and every
// input's own header records and mark must equal the first's; a 0-byte input adds
// nothing. The output replaces a file of its name only when it is complete; any failure
// raises TkxException with the message to show, and leaves every file as it was.
// With Check nothing is written: the result says whether the merge equals that file.
TMergeResult RunMergeRequest(const TMergeRequest& Request, TSplitControl* Control = nullptr);
TMergeResult RunMergeRequestWith(const TMergeRequest& Request, const TMergeLimits& Limits,
                                 TSplitControl* Control = nullptr);

// The files the inputs stand for, in the merge's order, as the run would take them
// (raises as it would for a folder it cannot use).
std::vector<std::u16string> MergeFilesOf(const TMergeRequest& Request);

// Files picked or dropped together, in the dialog's order: the numbered pieces of one
// base by number, then the other files by name.
std::vector<std::u16string> OrderedForMerge(std::vector<std::u16string> Files);

// The merged table's name by default: <base>-合并.<ext> beside the folder or the first
// file, <base> being the pieces' base where they have one.
std::u16string DefaultMergeOutput(const std::vector<std::u16string>& Inputs);
