// The fields of a record, for the split by the value of a column: the delimiter a
// source's fields go by, the header's field names, and the key of each record, read in
// the raw code units of its encoding while the record itself is copied unchanged.
#pragma once

#include "engine/ULineReader.h"
#include "engine/USplitRequest.h"
#include "engine/UValueNames.h"
#include "support/UkxByteStream.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The code unit that separates fields: Delimiter's, or for Auto TAB in a .tsv, else the
// one of , ; TAB | that Record (the first record, without its line end) holds most often
// outside quotes, the comma on a tie.
[[nodiscard]] char16_t DelimiterOf(TDelimiter Delimiter, const std::u16string& Extension, std::string_view Record,
                                   TkxUnitLayout Layout);

// The key columns' values of records, in raw code units, quotes removed and "" read as ".
// A record with fewer fields than a column has an empty value there.
class TKeyReader {
 public:
  // Columns are 0-based field numbers, in key order.
  TKeyReader(std::vector<std::int64_t> Columns, char16_t Delimiter, TkxUnitLayout Layout);
  // The key of Record (its line end included or not): the columns' values, each as
  // its length in bytes and then its bytes, so that two keys are equal only when every
  // value is. Valid until the next call.
  [[nodiscard]] std::string_view KeyOf(std::string_view Record);
  // The same for a record read in pieces: Begin, Feed each piece in order, then Key.
  void Begin();
  void Feed(std::string_view Piece);
  [[nodiscard]] std::string_view Key();
  // The fields of the record read last in pieces, counted as far as the highest column.
  [[nodiscard]] std::int64_t Fields() const { return std::min(FField, FLast) + 1; }
  // Field I (from 0) of the record read last, as far as the highest column.
  [[nodiscard]] std::string_view Value(std::int64_t I) const {
    return static_cast<std::size_t>(I) < FValues.size() ? FValues[static_cast<std::size_t>(I)] : std::string_view();
  }
  // The values of a key as KeyOf answers it, in key order.
  [[nodiscard]] std::vector<std::string_view> ValuesOf(std::string_view Key) const;

 private:
  // Where the reading of a field stands.
  enum class TQuote { Outside, Inside, AfterQuote };
  void FeedUnits(const char* Data, std::size_t Size);
  void TakeUnit(const char* Unit);
  void EndField();

  std::vector<std::int64_t> FColumns;
  std::int64_t FLast = 0;  // the highest column: the fields after it are not read
  char16_t FDelimiter;
  TkxUnitLayout FLayout;
  std::vector<std::string> FValues;  // by field, up to the highest column read so far
  std::string FKey;
  std::int64_t FField = 0;
  TQuote FQuote = TQuote::Outside;
  bool FFieldStart = true;
  std::size_t FTrailingEnds = 0;  // the CR and LF units that end the value, taken last
  std::string FPending;  // a unit split between pieces
};

// The first record of Units (the source's code units after its mark): to its first line
// end of the kind Ends (outside quoted fields with Quoted), or all of Units.
[[nodiscard]] std::string_view FirstRecordIn(std::string_view Units, TkxUnitLayout Layout, bool Quoted, TLineEnd Ends);

// The fields of Record as text (DecodeValue), quotes removed, at most MaxFields of them
// (0: all).
[[nodiscard]] std::vector<std::u16string> FieldsOf(std::string_view Record, char16_t Delimiter, TkxUnitLayout Layout,
                                                   const TValueEncoding& Encoding, std::size_t MaxFields = 0);

// The key columns as field numbers from 0, for a source whose first header record has
// Fields (none with Header 0). Raises the message for a name that no field has or two
// have, a number past the fields, or a name without header records.
[[nodiscard]] std::vector<std::int64_t> KeyColumnsOf(const std::vector<TKeyColumn>& Columns,
                                                     const std::vector<std::u16string>& Fields, std::int64_t Header);

// The fields of the first header record of the file at Path, reading at most MaxBytes of
// it, for the dialog's list of columns; empty when it cannot be read. It may take long
// on a path that does not answer.
[[nodiscard]] std::vector<std::u16string> HeaderFieldsOf(const std::u16string& Path, TDelimiter Delimiter,
                                                         TRecordMode Records, std::uint32_t CodePage,
                                                         std::size_t MaxBytes = 64u << 10, std::size_t MaxFields = 200);
