// The split job: keeps the first H records of a text table as header records and deals
// every further record in turn over N new files, each beginning with the header records,
// in the source's own encoding, in a folder beside the source named after it.
#pragma once

#include "app/USplitControl.h"
#include "app/USplitResult.h"

#include <cstddef>
#include <cstdint>
#include <string>

// The resources a run may use. RunSplit takes the defaults, with the number of open
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

// What a run deals: records (a line end inside a quoted field belongs to its record) for
// a source whose extension is csv in any case, lines for any other (Auto); or records
// or lines whatever the name.
enum class TSplitRecords { Auto, Csv, Lines };

// Splits the file at Path (a relative path is taken in the current directory) with H
// and N given as the texts the user typed (converted with TextToInt: H from 0, N from 1,
// both up to 2147483647). Output file i is <folder><base><sep><base>-<i>.<ext>; it holds
// the byte-order mark where the source has one, then the bytes of its records exactly
// as they stand in the source, each followed by its line end: CR LF, or LF for a table
// whose first MiB ends more lines (records, outside quoted fields) with a bare LF than
// with CR LF. A file that gets no record stays empty. The outputs are written as
// temporaries and replace the files of those names only when all are complete.
// A source read by records that ends inside a quoted field is split by lines instead,
// as Lines would split it (the result names the line where that field began), unless
// Records is Csv: that run fails.
// Any failure raises TkxException with the message to show, and leaves every file as
// it was before the run; Control, when given, sees the progress and may cancel
// (TSplitCancelled).
TSplitResult RunSplit(const std::u16string& Path, const std::u16string& HeaderText,
                      const std::u16string& CycleText, TSplitControl* Control = nullptr,
                      TSplitRecords Records = TSplitRecords::Auto);
TSplitResult RunSplitWith(const std::u16string& Path, const std::u16string& HeaderText,
                          const std::u16string& CycleText, const TSplitLimits& Limits,
                          TSplitControl* Control = nullptr, TSplitRecords Records = TSplitRecords::Auto);

// H and N read from their texts as a run reads them (H first); raises the run's
// TkxException for a count it would refuse, so a caller can refuse it before any file.
struct TSplitCounts {
  std::int64_t Header = 0;
  std::int64_t Cycle = 0;
};
TSplitCounts ReadCounts(const std::u16string& HeaderText, const std::u16string& CycleText);

// True for the names that Windows gives to devices in every folder (CON, NUL, COM1, ...),
// with or without an extension.
bool IsDeviceName(const std::u16string& Name);
