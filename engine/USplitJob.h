// The split job: keeps the first H records of a text table as header records and cuts
// the further records into new files, each beginning with the header records, in the
// source's own encoding.
#pragma once

#include "engine/USplitControl.h"
#include "engine/USplitRequest.h"
#include "engine/USplitResult.h"
#include "engine/USplitWays.h"

#include <cstddef>
#include <cstdint>
#include <string>

// The resources a run may use. RunSplitRequest takes the defaults, with the number of open
// files raised as far as the system allows.
struct TSplitLimits {
  // Output files kept open at once; the others are opened again for each block written.
  std::int64_t OpenOutputs = 0;
  // The memory that all output blocks share, and the block of the source.
  std::size_t OutputBudget = 48u << 20;
  // Measured: the reading thread's processor time per GiB is least from 256 KiB to 1 MiB
  // and grows beyond (by a tenth at 4 MiB, a quarter at 16 MiB: the block leaves the
  // caches); smaller blocks cost more calls. bench/calibrate.cpp shows it for a host.
  std::size_t SourceBlock = 1u << 20;
  // Header lines larger than this are read again from the source for each output file.
  std::size_t HeaderInMemory = 8u << 20;
};

// Splits the file at Request.Path (a relative path is taken in the current directory)
// with H and the count as the front end read them (engine/USplitWays.h), a refusal among
// them raised once the source is known to exist.
// Output file i is <folder><base>-<i>.<ext>, the folder being Request.OutDir or else
// <base> beside the source. It holds the byte-order mark where the source has one, then
// the header records and its data records, the bytes of each exactly as they stand in
// the source, each followed by its line end: CR LF, or LF for a table whose first MiB
// ends more lines (records, outside quoted fields) with a bare LF than with CR LF. The
// data records are dealt in turn over N files (Cycle), or cut into contiguous pieces of
// K records (Rows), into N pieces whose counts differ by at most one (Parts, which
// counts the records first), or into pieces each as full as the next record allows
// without passing the size (MaxSize). A file that gets no record stays empty. The
// outputs are written as temporaries and replace the files of those names only when
// all are complete.
// Records are lines, or for a source whose extension is csv (Auto) or with Csv, records
// whose quoted fields keep their line ends. Such a source that ends inside a quoted
// field is split by lines instead, as Lines would split it (the result names the line
// where that field began), unless Records is Csv: that run fails.
// Any failure raises TkxException with the message to show, and leaves every file as
// it was before the run; Control, when given, sees the progress and may cancel
// (TSplitCancelled). RunSplitRequest takes the default limits, with the number of open
// files raised as far as the system allows.
TSplitResult RunSplitRequest(const TSplitRequest& Request, TSplitControl* Control = nullptr);
TSplitResult RunSplitRequestWith(const TSplitRequest& Request, const TSplitLimits& Limits,
                                 TSplitControl* Control = nullptr);

// Where the request's pieces would go and how they are named, from its paths alone:
// OutputDir, OutDirShown, Base and Extension of the result. Beside the source the
// folder is <base>, or for a source without an extension <base>-拆分.
TSplitResult PlannedOutputs(const TSplitRequest& Request);

// A folder as the success text shows it: with the platform's separator at its end.
std::u16string WithSeparator(const std::u16string& Dir);

// True for the names that Windows gives to devices in every folder (CON, NUL, COM1, ...),
// with or without an extension.
bool IsDeviceName(const std::u16string& Name);
