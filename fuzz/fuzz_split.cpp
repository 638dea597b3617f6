// The whole split on random sources, counts, names, record rules, resource limits and
// earlier outputs: the outputs hold the mark, the header records and the data records
// dealt in turn, each record's bytes exactly as the reading loop finds its lines (CR LF
// or, where the first MiB ends more lines with a bare LF, LF), joined where a line ends
// inside a quoted field of a table read by records; such a table that ends inside a
// quoted field is split by lines with a note, or fails when records were asked for. The
// outputs replace the earlier ones; later pieces stay and are named. Under an injected
// read or write fault the fault's message, and the folder exactly as it was before the run.
#include "engine/USplitJob.h"
#include "fuzz/FuzzScratch.h"
#include "fuzz/FuzzTables.h"
#include "tests/TestUtil.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t Fixed = 11;  // bytes that choose the counts, the limits, the name and the earlier outputs

std::u16string NameOf(const std::uint8_t* data, bool byValue) {
  static const char16_t alphabet[] = {u'a', u'.', u' ', u'-', u'Z', u'\u4E2D'};
  const int length = data[6] % 8 - 3;  // half of the inputs keep the usual name, a table's in any case
  // By value, a tab-separated table takes TAB whatever its first record holds.
  if (length <= 0 && byValue && data[0] & 0x80) return data[0] & 0x20 ? u"data.TsV" : u"data.tsv";
  if (length <= 0) return data[0] & 0x10 ? (data[0] & 0x20 ? u"data.cSv" : u"data.csv") : u"data.txt";
  std::u16string name;
  for (int i = 0; i < length; ++i) name += alphabet[data[7 + i] % 6];
  return name;
}

using fuzzscratch::Field;
using fuzzscratch::UnitAt;
using fuzztables::EndsWithLf;
using fuzztables::Judged;
using fuzztables::RecordsEndWithLf;
using fuzztables::TableOf;
using testutil::Utf8;

// ---- By value ----

// The fields of a record's content (its line end left out), each in code units: a field
// that begins with a quote runs to the quote not followed by another ("" one quote), what
// follows up to the delimiter as it stands; a quote elsewhere is a character. Ends, when
// given, gets the delimiter that ended each field but the last.
std::vector<std::string> ModelFields(const std::string& content, const std::string& delimiters, std::size_t unit,
                                     std::size_t low, std::vector<int>* ends = nullptr) {
  const auto at = [&](std::size_t i) { return fuzzscratch::UnitAt(content, i, unit, low); };
  const auto isDelimiter = [&](int u) { return u >= 0 && delimiters.find(static_cast<char>(u)) != std::string::npos; };
  std::vector<std::string> fields(1);
  std::size_t i = 0;
  for (;;) {
    if (at(i) == '"') {
      for (i += unit; at(i) >= 0; i += unit) {
        if (at(i) == '"' && at(i + unit) != '"') break;
        if (at(i) == '"') i += unit;  // the second of a pair is the quote kept
        fields.back().append(content, i, unit);
      }
      if (at(i) == '"') i += unit;
    }
    for (; at(i) >= 0 && !isDelimiter(at(i)); i += unit) fields.back().append(content, i, unit);
    if (at(i) < 0) return fields;
    if (ends) ends->push_back(at(i));
    i += unit;
    fields.emplace_back();
  }
}

// A record's content as its fields are read: with LF line ends a CR before the LF is
// part of the line end too.
std::string FieldContent(std::string content, bool lf, std::size_t unit, std::size_t low) {
  const std::size_t whole = content.size() - content.size() % unit;
  if (lf && whole >= unit && fuzzscratch::UnitAt(content, whole - unit, unit, low) == '\r') content.erase(whole - unit, unit);
  return content;
}

// The delimiter that occurs most often outside quotes among , ; TAB | in Record, the
// first of them on a tie.
int DetectDelimiter(const std::string& record, std::size_t unit, std::size_t low) {
  const std::string candidates = ",;\t|";
  std::vector<int> ends;
  (void)ModelFields(record, candidates, unit, low, &ends);
  int best = ',';
  std::size_t most = 0;
  for (char c : candidates) {
    const auto count = static_cast<std::size_t>(std::count(ends.begin(), ends.end(), c));
    if (count > most) most = count, best = c;
  }
  return best;
}

// Code units as UTF-16 text, where they decode without fault (UTF-8 read strictly).
bool DecodeUnits(const std::string& units, std::size_t unit, std::size_t low, std::u16string& text) {
  text.clear();
  if (unit == 2) {
    for (std::size_t i = 0; fuzzscratch::UnitAt(units, i, unit, low) >= 0; i += 2) {
      const int u = fuzzscratch::UnitAt(units, i, unit, low);
      if (u >= 0xD800 && u <= 0xDFFF) return false;
      text += static_cast<char16_t>(u);
    }
    return units.size() % 2 == 0;
  }
  for (std::size_t i = 0; i < units.size();) {
    const auto b = static_cast<unsigned char>(units[i]);
    const int more = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
    if (more < 0 || i + more + 1 > units.size()) return false;
    std::uint32_t cp = more == 0 ? b : b & (0x3F >> more);
    for (int k = 1; k <= more; ++k) {
      const auto c = static_cast<unsigned char>(units[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = cp << 6 | (c & 0x3F);
    }
    static const std::uint32_t least[] = {0, 0x80, 0x800, 0x10000};
    if (cp < least[more] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    if (cp >= 0x10000) {
      text += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      text += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      text += static_cast<char16_t>(cp);
    }
    i += static_cast<std::size_t>(more) + 1;
  }
  return true;
}

bool Ascii(const std::string& units, std::size_t unit, std::size_t low) {
  for (std::size_t i = 0; fuzzscratch::UnitAt(units, i, unit, low) >= 0; i += unit) {
    if (fuzzscratch::UnitAt(units, i, unit, low) >= 0x80) return false;
  }
  return units.size() % unit == 0;
}

// Uppercase for the letters of the alphabet above and those of Latin-1, a part of any
// simple uppercase table: names equal under it are equal under the product's too.
std::u16string Upper(std::u16string text) {
  for (char16_t& c : text) {
    if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) c = static_cast<char16_t>(c - 0x20);
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < Fixed) return 0;
  const int h = data[0] % 4;
  const int n = 1 + data[1] % 7;  // N or K
  // The top bits choose how the records are cut, bit 6 of the first byte the way by
  // value; a size goes up to a few records.
  const std::size_t ways = std::size(SplitWays) - 1;
  static_assert(SplitWays[std::size(SplitWays) - 1].Column);
  const TSplitMode mode = SplitWays[data[0] & 0x40 ? ways : (data[1] >> 6) % ways].Mode;
  const bool byValue = mode == TSplitMode::ByValue;
  const std::int64_t limit = 1 + (data[1] & 63) * (1 + (data[2] >> 7));
  TSplitLimits limits;
  limits.SourceBlock = 16 + data[2] % 64;
  limits.OutputBudget = data[3] * 128u;
  limits.OpenOutputs = 1 + data[4] % 4;
  limits.HeaderInMemory = data[5] % 40;
  const std::u16string name = NameOf(data, byValue);
  if (name == u"." || name == u"..") return 0;
  // By value, three more bytes: the table's encoding (bits 0-1: none, UTF-8 with its
  // mark, UTF-16 LE, BE), bit 2 the rest as the source itself, bits 3-5 the delimiter,
  // bit 6 a second key column; then each column (below); then the table's tokens.
  std::string source(reinterpret_cast<const char*>(data) + Fixed, size - Fixed);
  const std::uint8_t* const more = data + Fixed;
  const std::size_t extra = byValue ? std::min<std::size_t>(size - Fixed, 3) : 0;
  const auto moreAt = [&](std::size_t i) { return i < extra ? more[i] : std::uint8_t{0}; };
  if (byValue) {
    source = moreAt(0) & 4 ? source.substr(extra) : TableOf(more + extra, size - Fixed - extra, std::array{0, 3, 4, 5}[moreAt(0) & 3]);
  }
  const bool generated = byValue && !(moreAt(0) & 4);
  const TDelimiter delimiter = std::array{TDelimiter::Auto, TDelimiter::Comma, TDelimiter::Semicolon, TDelimiter::Tab,
                                          TDelimiter::Bar, TDelimiter::Auto, TDelimiter::Auto, TDelimiter::Auto}[moreAt(0) >> 3 & 7];

  const fs::path run = fuzzscratch::Folder() / "run";
  fs::remove_all(run);
  fs::create_directories(run);
  testutil::WriteFile(run / fs::path(name), source);
  const std::size_t dot = name.rfind(u'.');
  const std::u16string base = dot == std::u16string::npos ? name : name.substr(0, dot);
  const std::u16string ext = dot == std::u16string::npos ? u"" : name.substr(dot + 1);
  const bool usable = std::any_of(base.begin(), base.end(), [](char16_t ch) { return ch != u'.' && ch != u' '; });
  // Beside a source without an extension the folder cannot take its name.
  const std::string folder = Utf8(ext.empty() ? base + u"-拆分" : base);
  const auto pieceName = [&](std::int64_t k) { return Utf8(base) + "-" + std::to_string(k) + (ext.empty() ? "" : "." + Utf8(ext)); };
  // Earlier outputs 1 to K, and a file of someone else's, in the output folder.
  const int earlier = !usable ? 0 : data[6] >> 3 & 7;
  if (earlier > 0) {
    fs::create_directory(run / fs::u8path(folder));
    testutil::WriteFile(run / fs::u8path(folder) / "other", "someone else's");
    for (int k = 1; k <= earlier; ++k) testutil::WriteFile(run / fs::u8path(folder) / fs::u8path(pieceName(k)), "old " + std::to_string(k));
  }
  const std::map<std::string, std::string> before = testutil::Contents(run);

  const TRecordMode records = std::array{TRecordMode::Auto, TRecordMode::Csv, TRecordMode::Lines,
                                           TRecordMode::Auto}[data[0] >> 2 & 3];

  // What the run must do: only the mark decides the encoding.
  const int encoding = fuzzscratch::MarkedEncoding(source);
  const std::size_t unit = encoding >= 4 ? 2 : 1;
  const std::size_t low = encoding == 5 ? 1 : 0;
  const auto lineEnd = [&](bool lf) {
    std::string end = lf ? "\n" : "\r\n", wide;
    for (char ch : end) wide += low ? std::string{'\0', ch} : std::string{ch, '\0'};
    return unit == 2 ? wide : end;
  };
  const int layout = encoding == 0 ? 1 : encoding;
  Judged judged;
  bool lf = false;
  std::vector<std::string> lines;    // the records
  std::vector<std::int64_t> starts;  // the line each record begins on
  std::int64_t open = 0;
  std::string lower = Utf8(ext);
  for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  bool quoted = records == TRecordMode::Csv || (records == TRecordMode::Auto && lower == "csv");
  // By value, the records of the first reading too, by records, with their line ends.
  std::vector<std::string> firstLines;
  bool firstLf = false;
  const bool firstQuoted = quoted;
  // By value with fields that go by '|' (given, or judged on the first record found with
  // a quote after any of , ; TAB | opening a field), a quote after '|' opens one for the
  // records too.
  int opener = ',';
  if (quoted && byValue && delimiter == TDelimiter::Bar) opener = '|';
  if (quoted && byValue && delimiter == TDelimiter::Auto && lower != "tsv") {
    std::int64_t ignored = 0;
    const bool endsLf = RecordsEndWithLf(source, fuzzscratch::MarkOf(encoding).size(), unit, low, '|').lf;
    const std::vector<std::string> found = fuzzscratch::ModelRecords(fuzzscratch::ModelLines(source, layout, endsLf),
                                                                     lineEnd(endsLf), unit, low, ignored, nullptr, '|');
    if (!found.empty() && DetectDelimiter(found[0], unit, low) == '|') opener = '|';
  }
  if (quoted) {
    judged = RecordsEndWithLf(source, fuzzscratch::MarkOf(encoding).size(), unit, low, opener);
    lf = judged.lf;
    lines = fuzzscratch::ModelRecords(fuzzscratch::ModelLines(source, layout, lf), lineEnd(lf), unit, low, open, &starts, opener);
    firstLines = lines;
    firstLf = lf;
    quoted = open == 0 || records == TRecordMode::Csv;
  }
  if (!quoted) {
    judged = EndsWithLf(source, unit, low);
    lf = judged.lf;
    lines = fuzzscratch::ModelLines(source, layout, lf);
    starts.clear();
    for (std::size_t k = 0; k < lines.size(); ++k) starts.push_back(static_cast<std::int64_t>(k) + 1);
    if (!firstQuoted) firstLines = lines, firstLf = lf;
  }

  // The key columns, each from a byte: the number 1 + byte % 5, or by bits 5-7 (4, 5 as
  // it stands, 6 in capitals, 7 a name that no field has, or with no header a name at
  // all) the name of that field of the first record of the first reading, where it has
  // one that decodes.
  const bool validUtf8 = [&] {
    std::u16string ignored;
    return DecodeUnits(source, 1, 0, ignored);
  }();
  std::vector<TKeyColumn> columns;
  std::vector<int> kinds;  // 0 a number, 1 a name as it stands, 2 in capitals, 3 no field's
  for (std::size_t c = 0; byValue && c < (moreAt(0) & 0x40 ? 2u : 1u); ++c) {
    const std::uint8_t byte = moreAt(1 + c);
    const std::int64_t number = 1 + byte % 5;
    int kind = byte >> 5 < 4 ? 0 : byte >> 5 == 7 ? 3 : byte >> 5 == 6 ? 2 : 1;
    std::vector<std::string> fields;
    if (!firstLines.empty()) fields = ModelFields(FieldContent(firstLines[0], firstLf, unit, low), ",;\t|", unit, low);
    const bool asciiHeader = std::all_of(fields.begin(), fields.end(), [&](const std::string& f) { return Ascii(f, unit, low); });
    std::u16string text;
    if (kind == 3 && (h == 0 || asciiHeader)) {
      text = u"zz";
      if (h > 0) {  // a name that no field has, in any case
        for (const std::string& f : fields) {
          std::u16string field;
          if (!DecodeUnits(f, unit, low, field) || Upper(field) == u"ZZ") kind = 0;
        }
      }
    } else if (kind == 3 || h == 0) {
      kind = 0;
    }
    if (kind == 1 || kind == 2) {
      // Only the delimiter of the reading decides the fields; the name is that field's
      // under any delimiter, which then may or may not find it.
      const std::string field = static_cast<std::size_t>(number) <= fields.size() ? fields[number - 1] : "";
      const bool decodes = DecodeUnits(field, unit, low, text) && (Ascii(field, unit, low) || encoding != 0 || validUtf8);
      // Other letters than the table's own have cases this model does not know.
      if (field.empty() || !decodes || text.find(u'\uFFFD') != std::u16string::npos || (kind == 2 && !asciiHeader) ||
          !(generated || asciiHeader)) {
        kind = 0;
      } else if (kind == 2) {
        text = Upper(text);
      }
    }
    kinds.push_back(kind);
    columns.push_back(kind == 0 ? TKeyColumn{number, {}} : TKeyColumn{0, text});
  }

  // A quarter of the runs meet a read fault, a quarter a write fault, after a number of
  // bytes taken from the input.
  const int fault = data[4] >> 2 & 3;
  const std::int64_t budget = (data[5] >> 1 | data[3] << 7) % 3000;
  if (fault == 2) platform::InjectReadFault(budget);
  if (fault == 3) platform::InjectWriteFault(budget);
  TSplitResult result;
  const std::string answer = testutil::Outcome([&] {
    const std::string count = mode == TSplitMode::MaxSize ? std::to_string(limit) : std::to_string(n);
    TSplitRequest request;
    request.Path = (run / fs::path(name)).u16string();
    request.Header = ReadHeaderCount(std::u16string(1, static_cast<char16_t>(u'0' + h)));
    request.Mode = mode;
    request.Count = ReadWayCount(mode, std::u16string(count.begin(), count.end()));
    request.Records = records;
    request.Columns = columns;
    request.Delimiter = delimiter;
    result = RunSplitRequestWith(request, limits);
    return SuccessText(result);
  });
  platform::InjectReadFault(-1);
  platform::InjectWriteFault(-1);

  const std::string end = lineEnd(lf);
  const std::string mark = fuzzscratch::MarkOf(encoding);
  const auto bytesOf = [&](std::size_t k) { return lines[k] + std::string(lines[k].size() % unit, '\0') + end; };
  std::string header;
  for (std::size_t k = 0; k < std::min(lines.size(), static_cast<std::size_t>(h)); ++k) header += bytesOf(k);
  // By value: the delimiter and the key columns (fields from 0) as a reading finds them
  // in its first record, or the message that refuses the columns (Listed false where
  // its list of the header's fields holds what this model does not decode).
  struct TKeyModel {
    int Delimiter = ',';
    std::vector<std::size_t> Columns;
    std::string Error;
    bool Listed = true;
  };
  const auto keyModel = [&](const std::vector<std::string>& recs, bool recLf) {
    TKeyModel model;
    const std::string first = recs.empty() ? "" : FieldContent(recs[0], recLf, unit, low);
    model.Delimiter = delimiter == TDelimiter::Comma       ? ','
                      : delimiter == TDelimiter::Semicolon ? ';'
                      : delimiter == TDelimiter::Tab       ? '\t'
                      : delimiter == TDelimiter::Bar       ? '|'
                      : lower == "tsv"                     ? '\t'
                                                           : DetectDelimiter(first, unit, low);
    std::vector<std::string> fields;
    if (h > 0) fields = ModelFields(first, std::string(1, static_cast<char>(model.Delimiter)), unit, low);
    for (std::size_t c = 0; c < columns.size() && model.Error.empty(); ++c) {
      const TKeyColumn& column = columns[c];
      if (kinds[c] == 0) {
        if (h > 0 && static_cast<std::size_t>(column.Number) > fields.size()) {
          model.Error = "error: 第 " + std::to_string(column.Number) + " 列超出了表头的列数 (" + std::to_string(fields.size()) + ")!";
        }
        model.Columns.push_back(static_cast<std::size_t>(column.Number - 1));
        continue;
      }
      if (h == 0) {
        model.Error = "error: 没有表头时只能用列号指定依据的列!";
        continue;
      }
      // The fields of that name, or else of that name in any case.
      std::vector<std::size_t> exact, anyCase;
      std::string list;
      for (std::size_t i = 0; i < fields.size(); ++i) {
        std::u16string text;
        const bool decodes = DecodeUnits(fields[i], unit, low, text) && (Ascii(fields[i], unit, low) || encoding != 0 || validUtf8);
        if (decodes && text == column.Name) exact.push_back(i);
        if (decodes && Upper(text) == Upper(column.Name)) anyCase.push_back(i);
        if (i < 20) list += (i ? ", " : "") + Utf8(text);
        if (i < 20 && !decodes) model.Listed = false;
      }
      const std::vector<std::size_t>& named = exact.empty() ? anyCase : exact;
      if (named.size() > 1) {
        model.Error = "error: 表头中有两个名为 " + Utf8(column.Name) + " 的列 (第 " + std::to_string(named[0] + 1) + " 列和第 " +
                      std::to_string(named[1] + 1) + " 列)!";
      } else if (named.empty()) {
        model.Error = "error: 表头中没有名为 " + Utf8(column.Name) + " 的列! 表头中的列: " + list;
      } else {
        model.Columns.push_back(named[0]);
      }
    }
    if (model.Error.rfind("error: 表头中没有名为 ", 0) != 0) model.Listed = true;
    return model;
  };
  // The first reading, by records, meets its columns before the quote left open when
  // that is in a data record; then the reading that deals.
  TKeyModel firstKeys, keys;
  if (byValue && firstQuoted && open > 0 && firstLines.size() > static_cast<std::size_t>(h)) firstKeys = keyModel(firstLines, firstLf);
  if (byValue && lines.size() >= static_cast<std::size_t>(h)) keys = keyModel(lines, lf);
  // Each data record's key: its key columns' values.
  const auto keyOf = [&](std::size_t k) {
    const std::vector<std::string> fields =
        ModelFields(FieldContent(lines[k], lf, unit, low), std::string(1, static_cast<char>(keys.Delimiter)), unit, low);
    std::vector<std::string> key;
    for (std::size_t column : keys.Columns) key.push_back(column < fields.size() ? fields[column] : "");
    return key;
  };
  std::map<std::vector<std::string>, std::size_t> groups;
  const bool headerTooLarge = mode == TSplitMode::MaxSize && static_cast<std::int64_t>(mark.size() + header.size()) > limit;
  // The data records of each piece, or the record that fits none.
  std::vector<std::vector<std::size_t>> pieces;
  std::int64_t tooLarge = 0;
  const std::size_t datas = lines.size() < static_cast<std::size_t>(h) ? 0 : lines.size() - h;
  if (mode == TSplitMode::Cycle || mode == TSplitMode::Parts) pieces.resize(n);
  for (std::size_t r = 0, used = 0; r < datas && tooLarge == 0; ++r) {
    const std::size_t k = h + r, size = bytesOf(k).size();
    if (mode == TSplitMode::Cycle) {
      pieces[r % n].push_back(k);
    } else if (mode == TSplitMode::Parts) {
      // The earlier pieces take one more each while the rest is not even.
      std::size_t piece = 0, before = 0;
      while (before + datas / n + (piece < datas % n) <= r) before += datas / n + (piece++ < datas % n);
      pieces[piece].push_back(k);
    } else if (mode == TSplitMode::Rows) {
      if (r % n == 0) pieces.emplace_back();
      pieces.back().push_back(k);
    } else if (byValue) {
      // A key not seen before takes the next piece.
      if (!keys.Error.empty()) break;
      const auto [group, fresh] = groups.try_emplace(keyOf(k), pieces.size());
      if (fresh) pieces.emplace_back();
      pieces[group->second].push_back(k);
    } else if (mark.size() + header.size() + size > static_cast<std::size_t>(limit)) {
      tooLarge = starts[k];
    } else {
      if (pieces.empty() || used + size > static_cast<std::size_t>(limit)) {
        pieces.emplace_back();
        used = mark.size() + header.size();
      }
      pieces.back().push_back(k);
      used += size;
    }
  }
  if (pieces.empty() && !byValue) pieces.emplace_back();
  std::map<std::string, std::string> expected = before;
  std::string expectedAnswer;
  if (!usable) {
    expectedAnswer = "error: 无法由文件名确定输出子路径!";
  } else if (!firstKeys.Error.empty()) {
    expectedAnswer = firstKeys.Error;
  } else if (quoted && open > 0) {
    // Found in the header records, the count of Parts, the look past a header or a
    // record too large, or once the records are dealt.
    expectedAnswer = "error: 第 " + std::to_string(open) + " 行开始的引号直到文件末尾都没有闭合, 未做任何改动!";
  } else if (lines.size() < static_cast<std::size_t>(h)) {
    expectedAnswer = "error: 文件中不包含足够的数据!";
  } else if (!keys.Error.empty()) {
    expectedAnswer = keys.Error;
  } else if (headerTooLarge) {
    expectedAnswer = header.empty() ? "error: 字节顺序标记超过了每个文件的大小上限, 未做任何改动!"
                                    : "error: 表头超过了每个文件的大小上限, 未做任何改动!";
  } else if (tooLarge > 0) {
    const char* with = header.empty() && !mark.empty() ? "字节顺序标记" : "表头";
    expectedAnswer = "error: 第 " + std::to_string(tooLarge) + " 行开始的记录连同" + with + "超过了每个文件的大小上限, 未做任何改动!";
  } else {
    const std::int64_t count = static_cast<std::int64_t>(pieces.size());
    expected[folder + "/"] = "";
    // The record of the split that replaced the pieces.
    const char* way[] = {"cycle", "rows", "parts", "max-size", "by"};
    std::string manifest = "Rowdeal manifest\nversion " + std::string(byValue ? "2" : "1") + "\nbase " + Utf8(base) +
                           "\nextension " + Utf8(ext) + "\nway " + way[static_cast<int>(mode)] + "\ncount " +
                           (mode == TSplitMode::MaxSize ? std::to_string(limit) : byValue ? "0" : std::to_string(n)) +
                           "\nheader " + std::to_string(h) + "\npieces " + std::to_string(count) + "\n";
    // By value the names are the run's own; only their rules are checked here: each
    // <base>-...<.ext>, without a character that a name may not hold, and no two equal
    // in any case. Their pieces must hold the keys' records in the order keys first come.
    std::vector<std::u16string> names;
    if (byValue && answer.rfind("文件拆分成功", 0) == 0) {
      FUZZ_CHECK(result.Names && result.Names->Count() == count);
    }
    for (std::int64_t i = 1; byValue && result.Names && i <= std::min(count, result.Names->Count()); ++i) {
      const std::u16string piece = result.Names->Name(i);
      FUZZ_CHECK(piece.rfind(base + u"-", 0) == 0);
      const std::u16string tail = ext.empty() ? u"" : u"." + ext;
      FUZZ_CHECK(piece.size() > base.size() + 1 + tail.size() && piece.compare(piece.size() - tail.size(), tail.size(), tail) == 0);
      FUZZ_CHECK(piece.find_first_of(u"\\/:*?\"<>|") == std::u16string::npos);
      FUZZ_CHECK(std::none_of(piece.begin(), piece.end(), [](char16_t c) { return c < 0x20; }));
      FUZZ_CHECK(!generated || piece.find(u'\uFFFD') == std::u16string::npos);
      FUZZ_CHECK(!ext.empty() || (piece.back() != u'.' && piece.back() != u' '));  // the value ends the name
      for (const std::u16string& other : names) FUZZ_CHECK(Upper(other) != Upper(piece));
      names.push_back(piece);
      manifest += "name " + Utf8(piece) + "\n";
    }
    expected[folder + "/~R.manifest"] = manifest;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
      std::string bytes = header;
      for (std::size_t k : pieces[i]) bytes += bytesOf(k);
      if (!bytes.empty()) bytes = mark + bytes;
      if (!byValue) expected[folder + "/" + pieceName(static_cast<std::int64_t>(i) + 1)] = bytes;
      if (byValue && i < names.size()) expected[folder + "/" + Utf8(names[i])] = bytes;
      // The rule itself: under the size and as full as the next record allows; parts even.
      if (mode == TSplitMode::MaxSize) {
        FUZZ_CHECK(static_cast<std::int64_t>(bytes.size()) <= limit);
        FUZZ_CHECK(i + 1 == pieces.size() || static_cast<std::int64_t>(bytes.size() + bytesOf(pieces[i + 1][0]).size()) > limit);
      }
      if (mode == TSplitMode::Parts) FUZZ_CHECK(pieces[i].size() <= pieces[0].size() && pieces[i].size() + 1 >= pieces[0].size());
    }
    std::vector<std::u16string> notes;
    // By value, the earlier pieces that no name of this run took.
    std::int64_t stale = 0;
    std::string firstStale;
    for (std::int64_t k = 1; byValue && k <= earlier; ++k) {
      if (std::find(names.begin(), names.end(), fs::u8path(pieceName(k)).u16string()) != names.end()) continue;
      if (stale++ == 0) firstStale = pieceName(k);
    }
    if (stale > 0) {
      notes.push_back(u"注意: 子路径下还有 " + fs::path(std::to_string(stale)).u16string() + u" 个以前拆分留下的文件 (" +
                      fs::u8path(firstStale).u16string() + u" 等), 它们不属于本次拆分。");
    }
    if (!byValue && earlier > count) {
      notes.push_back(u"注意: 子路径下还有 " + fs::path(std::to_string(earlier - count)).u16string() + u" 个以前拆分留下的文件 (" +
                      fs::u8path(pieceName(count + 1)).u16string() + u" 等), 它们不属于本次拆分。");
    }
    if (!quoted && open > 0) {
      notes.push_back(u"注意: 第 " + fs::path(std::to_string(open)).u16string() + u" 行开始的引号直到文件末尾都没有闭合, 本次按行拆分。");
    }
    if (judged.none) notes.push_back(u"注意: 文件中没有 CR LF 或 LF 换行, 整个文件作为一条记录拆分。");
    expectedAnswer = Utf8(testutil::SuccessMessage((run / fs::u8path(folder)).u16string() + u"/", count, base, ext, notes));
    if (byValue) {
      // The names as the run gave them, each with the value where the name does not show it.
      std::u16string text = testutil::SuccessMessage((run / fs::u8path(folder)).u16string() + u"/", count, base, ext, {});
      text.resize(text.find(u"\r\n\r\n") + 4);
      for (std::size_t i = 0; i < names.size(); ++i) {
        const std::u16string shown = result.Names->Shown(static_cast<std::int64_t>(i) + 1);
        text += names[i] + (shown.empty() ? u"" : u"  (" + shown + u")") + u"\r\n";
      }
      for (const std::u16string& note : notes) text += note + u"\r\n";
      expectedAnswer = names.size() == pieces.size() ? Utf8(text) : "(names missing)";
    }
  }
  // A column that no field is named after: the list of the fields as far as it is known.
  const TKeyModel& refused = !firstKeys.Error.empty() ? firstKeys : keys;
  if (expectedAnswer == refused.Error && !refused.Listed && answer.rfind(refused.Error.substr(0, refused.Error.find("表头中的列: ")), 0) == 0) {
    expectedAnswer = answer;
  }
  const std::map<std::string, std::string> contents = testutil::Contents(run);
  if (answer == expectedAnswer) {
    FUZZ_CHECK(contents == expected);
  } else {
    // Only the injected fault may change the outcome, and then nothing changed.
    FUZZ_CHECK((fault == 2 && answer == "error: File Read Error!") || (fault == 3 && answer == "error: File Write Error!"));
    FUZZ_CHECK(contents == before);
  }
  // Nor anything beside the folder of the run.
  FUZZ_CHECK(std::distance(fs::directory_iterator(fuzzscratch::Folder()), fs::directory_iterator{}) == 1);
  return 0;
}
