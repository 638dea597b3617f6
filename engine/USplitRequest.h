// What one split is asked to do: the source, the header count, how the rest is cut into
// pieces, and where the pieces go. Counts come read (ReadHeaderCount, ReadWayCount in
// engine/USplitWays.h), each a number or the message that refuses it, which the run
// raises at its own step, so that a missing source is still told first.
#pragma once

#include "platform/Platform.h"

#include <string>
#include <vector>

enum class TSplitMode {
  Cycle,    // lines dealt in turn over N files
  Rows,     // contiguous pieces of K data records
  Parts,    // N contiguous pieces of (nearly) equal record counts
  MaxSize,  // contiguous pieces of at most a size in bytes
  ByValue,  // one piece per value of the key columns
};

// What separates the fields of a record, for finding the key: Auto takes TAB for a .tsv,
// else the one of the others that the first record holds most often outside quotes.
enum class TDelimiter { Auto, Comma, Semicolon, Tab, Bar };

// A key column as the user named it: its number from 1, or else the name of a field of
// the first header record.
struct TKeyColumn {
  std::int64_t Number = 0;
  std::u16string Name;
};

// Whether a line end inside a quoted field ends a record: Auto decides by the
// extension (csv).
enum class TRecordMode { Auto, Csv, Lines };

// A count as the user typed it, read: its value, or the message that refuses it.
struct TTypedCount {
  std::int64_t Value = 0;
  std::u16string Refusal;  // empty when Value holds
};

// A file that the run must neither replace nor set aside: another FILE of the same command.
struct TOtherSource {
  platform::FileId Id;
  std::u16string Name;  // as the user gave it
};

struct TSplitRequest {
  std::u16string Path;
  TTypedCount Header{1, {}};
  TSplitMode Mode = TSplitMode::Cycle;
  // N for Cycle and Parts, K for Rows, the size in bytes for MaxSize.
  TTypedCount Count{5, {}};
  TRecordMode Records = TRecordMode::Auto;
  // Empty: the folder beside the source, named after it. Otherwise the folder the pieces
  // go to (made when missing), and how the success text shows it.
  std::u16string OutDir;
  std::u16string OutDirShown;
  std::vector<TOtherSource> OtherSources;
  // ByValue: the key, in order, and the fields' delimiter.
  std::vector<TKeyColumn> Columns;
  TDelimiter Delimiter = TDelimiter::Auto;
  // The code page of a source that is neither UTF-16 nor UTF-8, for the names of its
  // values: 0 for the system's (on POSIX the locale's character set).
  std::uint32_t CodePage = 0;
};
