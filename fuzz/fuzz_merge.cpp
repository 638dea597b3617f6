// The merge against a model of its own: a random table split any way, then its folder
// merged. The merged file is the source as it stands but for its last line (one without
// a line end gains one, a lone last byte of UTF-16 is padded with a zero first), a check
// against the source finds the same data records, and pieces by value check the same in
// any order. A byte changed in a piece never checks the same: the check tells where the
// merge differs (the source record that differs first, where the change is plain) or
// refuses the pieces for their header, mark or count.
#include "engine/UMergeJob.h"
#include "engine/USplitJob.h"
#include "engine/USplitWays.h"
#include "fuzz/FuzzScratch.h"
#include "fuzz/FuzzTables.h"
#include "tests/TestUtil.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Bytes that choose H, the record rule, the name, the way, its count, the limits and
// the byte to change.
constexpr std::size_t Fixed = 9;

// The source as the split reads it: its records (lines where a quote is left open, or
// where lines are asked for), each with the line it begins on.
struct TTable {
  int Encoding = 0;  // as FuzzScratch.h numbers them
  std::string Mark;
  std::size_t Unit = 1;
  std::size_t Low = 0;
  bool Lf = false;
  bool Quoted = false;  // by records
  std::int64_t Open = 0;
  std::vector<std::string> Records;
  std::vector<std::int64_t> Starts;

  [[nodiscard]] std::string UnitOf(char ch) const {
    return Unit == 1 ? std::string(1, ch) : Low ? std::string{'\0', ch} : std::string{ch, '\0'};
  }
  [[nodiscard]] std::string End() const { return Lf ? UnitOf('\n') : UnitOf('\r') + UnitOf('\n'); }
  // A record as a piece holds it: a lone byte padded, then the line end.
  [[nodiscard]] std::string Bytes(const std::string& record) const {
    return record + std::string(record.size() % Unit, '\0') + End();
  }
  [[nodiscard]] int Layout() const { return Encoding == 0 ? 1 : Encoding; }
};

TTable ReadTable(const std::string& source, bool byRecords) {
  TTable table;
  table.Encoding = fuzzscratch::MarkedEncoding(source);
  table.Mark = fuzzscratch::MarkOf(table.Encoding);
  table.Unit = table.Encoding >= 4 ? 2 : 1;
  table.Low = table.Encoding == 5 ? 1 : 0;
  if (byRecords) {
    table.Lf = fuzztables::RecordsEndWithLf(source, table.Mark.size(), table.Unit, table.Low).lf;
    table.Records = fuzzscratch::ModelRecords(fuzzscratch::ModelLines(source, table.Layout(), table.Lf), table.End(),
                                              table.Unit, table.Low, table.Open, &table.Starts);
    table.Quoted = table.Open == 0;
    if (table.Quoted) return table;
  }
  table.Lf = fuzztables::EndsWithLf(source, table.Unit, table.Low).lf;
  table.Records = fuzzscratch::ModelLines(source, table.Layout(), table.Lf);
  table.Starts.clear();
  for (std::size_t k = 0; k < table.Records.size(); ++k) table.Starts.push_back(static_cast<std::int64_t>(k) + 1);
  return table;
}

// The records of a piece read by the table's rule, or none where they do not make it up.
std::optional<std::vector<std::string>> PieceRecords(const std::string& piece, const TTable& table) {
  std::vector<std::string> records;
  if (piece.size() > table.Mark.size()) {
    records = fuzzscratch::ModelLines(piece, table.Layout(), table.Lf);
    std::int64_t open = 0;
    if (table.Quoted) records = fuzzscratch::ModelRecords(records, table.End(), table.Unit, table.Low, open);
    if (open != 0) return std::nullopt;
  }
  std::string made = piece.empty() ? "" : table.Mark;
  for (const std::string& record : records) made += table.Bytes(record);
  if (made != piece) return std::nullopt;
  return records;
}

// What the merge gives back of Source: its bytes, where its last line has no line end
// with one (a lone byte of UTF-16 padded before it). A last CR ends that line: CR LF
// tables drop it for their CR LF, LF tables keep it before their LF.
std::string GivenBack(std::string source, const TTable& table) {
  const std::string end = table.End();
  if (source.empty()) return source;
  if (source.size() % table.Unit != 0) return source + '\0' + end;
  const std::size_t body = source.size() - table.Mark.size();
  if (body >= end.size() && source.compare(source.size() - end.size(), end.size(), end) == 0) return source;
  const std::string cr = table.UnitOf('\r');
  if (body >= cr.size() && source.compare(source.size() - cr.size(), cr.size(), cr) == 0) return source + table.UnitOf('\n');
  return source + end;
}

// Bytes as a failed check prints them, each byte outside printable ASCII in hex.
void Print(const char* what, const std::string& bytes) {
  std::fprintf(stderr, "%s: ", what);
  for (const unsigned char b : bytes) std::fprintf(stderr, b >= 0x20 && b < 0x7F ? "%c" : "\\x%02x", b);
  std::fprintf(stderr, "\n");
}

// The merge's outcome, which must not be a failure.
TMergeResult Surely(const TMergeRequest& request, const TMergeLimits& limits) {
  try {
    return RunMergeRequestWith(request, limits);
  } catch (const TkxException& e) {
    std::fprintf(stderr, "%s\n", testutil::Utf8(e.Message).c_str());
    fuzzscratch::Fail("the merge of the split's pieces failed");
  }
}

// The notes a merge of the pieces makes: where the split went by lines after a quote
// left open, the one that says it merged by lines too.
bool NotesFit(const std::vector<std::u16string>& notes, const TTable& table) {
  if (table.Open == 0) return notes.empty();
  return notes.size() == 1 && notes[0].starts_with(u"注意: ") && notes[0].ends_with(u"本次按行合并。");
}

// Where a check must place the difference that a byte changed at At of piece P makes: the
// line of the source record that differs first, or 0 where the change may move the
// records or the mark, or lies in a header.
std::int64_t LineOfChange(const std::vector<std::string>& pieces, std::size_t p, std::size_t at, char was,
                          const TTable& table, std::size_t h, TSplitMode mode, bool anyOrder) {
  const std::string& piece = pieces[p];
  // Bytes that may make a mark, or the mark's own.
  if (table.Open != 0 || (table.Mark.empty() && at < 3) || at < table.Mark.size()) return 0;
  const std::size_t first = at - (at - table.Mark.size()) % table.Unit;
  std::string before = piece.substr(first, table.Unit), after = before;
  before[at - first] = was;
  for (const std::string& unit : {before, after}) {
    const int u = fuzzscratch::UnitAt(unit, 0, table.Unit, table.Low);
    if (u < 0 || std::string("\r\n\",;\t|").find(static_cast<char>(u)) != std::string::npos) return 0;
  }
  std::string original = piece;
  original[at] = was;
  const auto records = PieceRecords(original, table);
  if (!records || records->empty()) return 0;
  std::size_t j = 0;
  for (std::size_t end = table.Mark.size() + table.Bytes((*records)[0]).size(); end <= at;) end += table.Bytes((*records)[++j]).size();
  if (j < h) return 0;
  const std::string record = table.Bytes((*records)[j]);
  std::size_t g = j - h;  // the record's place among the source's data records
  if (anyOrder) {
    // The check names the first of the records equal to it.
    for (g = 0; h + g < table.Records.size() && table.Bytes(table.Records[h + g]) != record;) ++g;
  } else if (mode == TSplitMode::Cycle) {
    g = g * pieces.size() + p;
  } else {
    for (std::size_t q = 0; q < p; ++q) {
      const auto earlier = PieceRecords(pieces[q], table);
      if (!earlier) return 0;
      g += earlier->size() < h ? 0 : earlier->size() - h;
    }
  }
  FUZZ_CHECK(h + g < table.Records.size() && table.Bytes(table.Records[h + g]) == record);
  return table.Starts[h + g];
}

// What an input asks for: the source, how to split it and the limits of both runs.
struct TAsked {
  std::size_t H = 0;
  TRecordMode Records = TRecordMode::Auto;
  std::u16string Ext;
  TSplitMode Mode = TSplitMode::Cycle;
  bool ByValue = false;
  TDelimiter Delimiter = TDelimiter::Auto;
  bool ByRecords = false;  // as the split is asked to read the source
  TSplitRequest Split;
  TSplitLimits SplitLimits;
  TMergeLimits MergeLimits;
  std::string Source;
};

TAsked Read(const std::uint8_t* data, std::size_t size, const fs::path& run) {
  TAsked asked;
  // Byte 0: H (bits 0-1), the record rule (2-3), the name data.csv (4), the source made
  // of tokens (5) in the encoding of bits 6-7.
  asked.H = data[0] % 4;
  asked.Records = std::array{TRecordMode::Auto, TRecordMode::Csv, TRecordMode::Lines, TRecordMode::Auto}[data[0] >> 2 & 3];
  asked.Ext = data[0] & 0x10 ? u"csv" : u"txt";
  asked.ByRecords = asked.Records == TRecordMode::Csv || (asked.Records == TRecordMode::Auto && asked.Ext == u"csv");
  asked.Source = data[0] & 0x20 ? fuzztables::TableOf(data + Fixed, size - Fixed, std::array{0, 3, 4, 5}[data[0] >> 6])
                                : std::string(reinterpret_cast<const char*>(data) + Fixed, size - Fixed);
  // Byte 1: the way and its count; byte 2: the size, or by value the delimiter and column.
  asked.Mode = SplitWays[data[1] % std::size(SplitWays)].Mode;
  asked.ByValue = asked.Mode == TSplitMode::ByValue;
  asked.Delimiter = std::array{TDelimiter::Auto, TDelimiter::Comma, TDelimiter::Semicolon, TDelimiter::Tab,
                               TDelimiter::Bar,  TDelimiter::Auto,  TDelimiter::Auto,      TDelimiter::Auto}[data[2] & 7];
  TSplitRequest& split = asked.Split;
  split.Path = (run / fs::path(u"data." + asked.Ext)).u16string();
  split.Header = ReadHeaderCount(std::u16string(1, static_cast<char16_t>(u'0' + asked.H)));
  split.Mode = asked.Mode;
  const std::string count = std::to_string(asked.Mode == TSplitMode::MaxSize ? 1 + data[2] % 128 : 1 + data[1] / 5 % 7);
  split.Count = ReadWayCount(asked.Mode, std::u16string(count.begin(), count.end()));
  split.Records = asked.Records;
  if (asked.ByValue) split.Columns = {{1 + data[2] / 8 % 3, {}}};
  split.Delimiter = asked.Delimiter;
  // Bytes 3 and 4: blocks and open files of the split and of the merge.
  asked.SplitLimits.SourceBlock = 16 + data[3] % 64;
  asked.SplitLimits.OpenOutputs = 1 + (data[3] >> 6);
  asked.SplitLimits.OutputBudget = 2048u << (data[3] >> 6);
  asked.SplitLimits.HeaderInMemory = 1024;
  asked.MergeLimits.InputBlock = 16 + data[4] % 64;
  asked.MergeLimits.OpenInputs = 1 + (data[4] >> 6);
  asked.MergeLimits.InputBudget = 4096u << (data[4] >> 6);
  return asked;
}

// By value with fields that go by '|' (given, or judged on the first record), a quote
// after '|' opens a quoted field for the split's records, not for the merge's.
bool BarFields(const TAsked& asked) {
  return asked.ByValue && asked.ByRecords && (asked.Delimiter == TDelimiter::Auto || asked.Delimiter == TDelimiter::Bar);
}

// The data records the merge finds: the split's, and one more where a lone last byte LF
// of a UTF-16 LE table with LF line ends, padded, is a line end of its own.
bool PaddedLf(const TAsked& asked, const TTable& table) {
  return table.Lf && table.Unit == 2 && table.Low == 0 && asked.Source.size() % 2 != 0 && asked.Source.back() == '\n';
}

std::int64_t DataRecords(const TAsked& asked, const TTable& table) {
  return static_cast<std::int64_t>(table.Records.size() - asked.H) + (PaddedLf(asked, table) ? 1 : 0);
}

// The pieces merged into a file give the source back.
void CheckMerged(TMergeRequest merge, const TAsked& asked, const TTable& table, const fs::path& run) {
  merge.Output = (run / "merged.out").u16string();
  const TMergeResult merged = Surely(merge, asked.MergeLimits);
  const std::string back = testutil::ReadFile(run / "merged.out");
  const std::string expected = GivenBack(asked.Source, table);
  if (back != expected) Print("merged", back), Print("expected", expected);
  FUZZ_CHECK(back == expected);
  const bool fits = merged.Records == DataRecords(asked, table) && NotesFit(merged.Notes, table);
  if (!fits) Print("answer", testutil::Utf8(MergeSuccessText(merged)));
  FUZZ_CHECK(fits);
}

// The check of the pieces against the source finds them the same, and writes nothing.
void CheckSame(const TMergeRequest& check, const TAsked& asked, const TTable& table, const fs::path& run) {
  const std::map<std::string, std::string> before = testutil::Contents(run);
  const TMergeResult checked = Surely(check, asked.MergeLimits);
  const std::int64_t datas = DataRecords(asked, table);
  const bool same = checked.Same && checked.Records == datas && NotesFit(checked.Notes, table);
  if (!same) Print("check", testutil::Utf8(CheckText(checked, check.Check)));
  FUZZ_CHECK(same);
  FUZZ_CHECK(testutil::Contents(run) == before);
}

// A byte of a piece changed (byte 5 picks a piece that holds bytes, 6 and 7 the byte, 8
// its new value): never the same.
void CheckChanged(const TMergeRequest& check, const TAsked& asked, const TTable& table, const std::vector<fs::path>& pieces,
                  const std::uint8_t* data) {
  std::vector<std::string> bytes;
  std::vector<std::size_t> held;
  for (const fs::path& piece : pieces) {
    bytes.push_back(testutil::ReadFile(piece));
    if (!bytes.back().empty()) held.push_back(bytes.size() - 1);
  }
  if (held.empty()) return;
  const std::size_t p = held[data[5] % held.size()];
  const std::size_t at = (data[6] | data[7] << 8) % bytes[p].size();
  const char was = bytes[p][at];
  bytes[p][at] = static_cast<char>(was + 1 + data[8] % 255);
  testutil::WriteFile(pieces[p], bytes[p]);
  TMergeResult changed;
  try {
    changed = RunMergeRequestWith(check, asked.MergeLimits);
  } catch (const TMergeMismatch&) {
    return;
  } catch (const TkxException& e) {
    // Only records asked for may fail to compare: the change left a quote open.
    FUZZ_CHECK(asked.Records == TRecordMode::Csv &&
               testutil::Utf8(e.Message).find("引号直到文件末尾都没有闭合") != std::string::npos);
    return;
  }
  if (changed.Same) Print("changed", testutil::Utf8(CheckText(changed, check.Check)));
  FUZZ_CHECK(!changed.Same && changed.Difference.starts_with(u"不一致: "));
  const std::int64_t line = BarFields(asked) ? 0 : LineOfChange(bytes, p, at, was, table, asked.H, asked.Mode, asked.ByValue);
  if (line > 0) {
    const std::u16string where = u"不一致: " + check.Check + u" 第 " + fs::path(std::to_string(line)).u16string() + u" 行开始的记录";
    if (!changed.Difference.starts_with(where)) Print("difference", testutil::Utf8(changed.Difference));
    FUZZ_CHECK(changed.Difference.starts_with(where));
  }
}

// Whether Bytes, read by the table's rule, judge their line ends as the source does.
bool JudgedAlike(const std::string& bytes, const TTable& table) {
  const bool lf = table.Quoted ? fuzztables::RecordsEndWithLf(bytes, table.Mark.size(), table.Unit, table.Low).lf
                               : fuzztables::EndsWithLf(bytes, table.Unit, table.Low).lf;
  return lf == table.Lf;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < Fixed) return 0;
  const fs::path run = fuzzscratch::Folder() / "run";
  fs::remove_all(run);
  fs::create_directories(run);
  const TAsked asked = Read(data, size, run);
  testutil::WriteFile(fs::path(asked.Split.Path), asked.Source);
  TSplitResult made;
  try {
    made = RunSplitRequestWith(asked.Split, asked.SplitLimits);
  } catch (const TkxException&) {
    return 0;  // the split's own model tells when it must succeed
  }
  const fs::path folder = run / "data";
  std::vector<fs::path> pieces;
  bool looksMarked = false;
  for (std::int64_t k = 1; k <= made.Count; ++k) {
    pieces.push_back(folder / fs::path(made.Names ? made.Names->Name(k) : OutputName(u"data", asked.Ext, k)));
    const std::string bytes = testutil::ReadFile(pieces.back());
    looksMarked = looksMarked || (!bytes.empty() && fuzzscratch::MarkedEncoding(bytes) != fuzzscratch::MarkedEncoding(asked.Source));
  }
  const TTable table = ReadTable(asked.Source, asked.ByRecords);
  FUZZ_CHECK(table.Records.size() >= asked.H);

  // Left out until the merge meets them: by value, a table without data records makes
  // no piece and so no folder to merge; without a mark, a data record that begins as a
  // mark does makes a piece that looks marked; a mark alone splits as one empty record
  // that the check finds no record of in the source.
  const bool markOnly = !table.Mark.empty() && asked.Source.size() == table.Mark.size();
  if (made.Count == 0 || looksMarked) return 0;
  // Left out of the merge: a table that the split read by lines after a quote left open,
  // whose pieces' headers, read as records, may differ before any quote is found open;
  // pieces whose line ends tip the other way than the source's (the first piece's, whose
  // header may hold bare LFs; in order the merged table's too, where a last line's CR
  // gains an LF). Of the check: by value, fields by '|', whose quotes the merge's
  // records and line ends do not follow.
  const bool byLines = table.Open != 0;
  std::string first;
  for (std::size_t k = 0; k < pieces.size() && first.size() <= table.Mark.size(); ++k) first = testutil::ReadFile(pieces[k]);
  const bool alike = JudgedAlike(first, table) &&
                     (asked.Mode == TSplitMode::Cycle || JudgedAlike(GivenBack(asked.Source, table), table));
  TMergeRequest merge;
  merge.Inputs = {folder.u16string()};
  merge.Records = asked.Records;
  // That padded LF is a record the source does not hold as such: dealt, it gives the
  // last piece one record more than a deal gives it; and the check reads it otherwise.
  const bool dealtPad = asked.Mode == TSplitMode::Cycle && PaddedLf(asked, table);
  if (!asked.ByValue && !byLines && alike && !dealtPad) CheckMerged(merge, asked, table, run);
  merge.Check = asked.Split.Path;
  merge.AnyOrder = asked.ByValue;
  if (!markOnly && !BarFields(asked) && !PaddedLf(asked, table)) CheckSame(merge, asked, table, run);
  CheckChanged(merge, asked, table, pieces, data);
  return 0;
}
