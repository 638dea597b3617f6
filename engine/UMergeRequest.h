// What one merge is asked to do: the inputs (files, and folders of pieces), the header
// count, the order, and where the merged table goes, or the source it is checked against.
#pragma once

#include "engine/USplitRequest.h"

#include <string>
#include <vector>

struct TMergeRequest {
  // Files and folders, in the order given. A folder holding the record of the split that
  // made its pieces stands for those pieces; any other for its numbered pieces of one base.
  std::vector<std::u16string> Inputs;
  // H: given, or else the record's where a folder has one, or else 1.
  TTypedCount Header{1, {}};
  bool HeaderGiven = false;
  // The first data record of each input in turn, then the second of each, ... (the
  // inverse of the deal in turn). A folder's record decides for itself.
  bool Interleave = false;
  TRecordMode Records = TRecordMode::Auto;
  // The merged table (a relative path is taken in the current directory), and how the
  // messages show it. Unused with Check.
  std::u16string Output;
  std::u16string OutputShown;
  // When not empty: nothing is written; the merge is compared with this file.
  std::u16string Check;
  // With Check: records compared as a multiset (pieces by value keep no source order).
  bool AnyOrder = false;
  // The inputs' texts in the merge's messages: as given (the command line) or by their
  // names alone (the dialog).
  bool NamesOnly = false;
};
