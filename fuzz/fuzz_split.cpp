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

std::u16string NameOf(const std::uint8_t* data) {
  static const char16_t alphabet[] = {u'a', u'.', u' ', u'-', u'Z', u'\u4E2D'};
  const int length = data[6] % 8 - 3;  // half of the inputs keep the usual name, a table's in any case
  if (length <= 0) return data[0] & 0x10 ? (data[0] & 0x20 ? u"data.cSv" : u"data.csv") : u"data.txt";
  std::u16string name;
  for (int i = 0; i < length; ++i) name += alphabet[data[7 + i] % 6];
  return name;
}

using fuzzscratch::Field;
using fuzzscratch::UnitAt;
using testutil::Utf8;

// How the line ends were judged: LF or CR LF, and whether the source holds none at all
// but a CR (it then goes as one record, with a note).
struct Judged {
  bool lf = false;
  bool none = false;
};

// Whether the scan may go on at At, from Start: to the end of the first MiB, or of the
// first further MiB in which a line end was seen.
bool Within(std::size_t at, std::size_t start, std::int64_t ends) {
  return (at - start) % (1u << 20) != 0 || at == start || ends == 0;
}

// CR LF unless the first MiB, in whole code units, ends more lines with a bare LF; a
// first MiB without any is judged on the MiBs up to one that has.
Judged EndsWithLf(const std::string& source, std::size_t unit, std::size_t low) {
  auto is = [&](std::size_t at, char ch) {
    return unit == 1 ? source[at] == ch : source[at + low] == ch && source[at + 1 - low] == '\0';
  };
  std::int64_t crLf = 0, bare = 0;
  bool cr = false;
  for (std::size_t at = 0; at + unit <= source.size() && Within(at, 0, crLf + bare); at += unit) {
    if (is(at, '\n')) ++(at >= unit && is(at - unit, '\r') ? crLf : bare);
    cr = cr || is(at, '\r');
  }
  return {bare > crLf, crLf + bare == 0 && cr};
}

// The line ends of a table read by records: LF when, over the first MiB after the mark
// (or the whole source, where that holds none), more LFs outside quoted fields are bare
// than follow a CR (each such LF starts a record).
Judged RecordsEndWithLf(const std::string& source, std::size_t mark, std::size_t unit, std::size_t low) {
  const std::string& head = source;
  std::int64_t crLf = 0, bare = 0;
  bool cr = false;
  Field state = Field::Start;
  for (std::size_t at = mark; UnitAt(head, at, unit, low) >= 0 && Within(at, mark, crLf + bare); at += unit) {
    const int ch = UnitAt(head, at, unit, low);
    cr = cr || ch == '\r';
    if (ch == '\n' && state != Field::Quoted) {
      ++(at >= mark + unit && UnitAt(head, at - unit, unit, low) == '\r' ? crLf : bare);
      state = Field::Start;
    } else {
      state = fuzzscratch::Next(state, ch);
    }
  }
  return {bare > crLf, crLf + bare == 0 && cr};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < Fixed) return 0;
  const int h = data[0] % 4;
  const int n = 1 + data[1] % 7;  // N or K
  // The top bits choose how the records are cut; a size goes up to a few records.
  const TSplitMode mode = SplitWays[(data[1] >> 6) % std::size(SplitWays)].Mode;
  const std::int64_t limit = 1 + (data[1] & 63) * (1 + (data[2] >> 7));
  TSplitLimits limits;
  limits.SourceBlock = 16 + data[2] % 64;
  limits.OutputBudget = data[3] * 128u;
  limits.OpenOutputs = 1 + data[4] % 4;
  limits.HeaderInMemory = data[5] % 40;
  const std::u16string name = NameOf(data);
  if (name == u"." || name == u"..") return 0;
  const std::string source(reinterpret_cast<const char*>(data) + Fixed, size - Fixed);

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

  // A quarter of the runs meet a read fault, a quarter a write fault, after a number of
  // bytes taken from the input.
  const int fault = data[4] >> 2 & 3;
  const std::int64_t budget = (data[5] >> 1 | data[3] << 7) % 3000;
  if (fault == 2) platform::InjectReadFault(budget);
  if (fault == 3) platform::InjectWriteFault(budget);
  const TRecordMode records = std::array{TRecordMode::Auto, TRecordMode::Csv, TRecordMode::Lines,
                                           TRecordMode::Auto}[data[0] >> 2 & 3];
  TSplitResult result;
  const std::string answer = testutil::Outcome([&] {
    const std::string count = mode == TSplitMode::MaxSize ? std::to_string(limit) : std::to_string(n);
    TSplitRequest request;
    request.Path = (run / fs::path(name)).u16string();
    request.Header = ReadHeaderCount(std::u16string(1, static_cast<char16_t>(u'0' + h)));
    request.Mode = mode;
    request.Count = ReadWayCount(mode, std::u16string(count.begin(), count.end()));
    request.Records = records;
    result = RunSplitRequestWith(request, limits);
    return SuccessText(result);
  });
  platform::InjectReadFault(-1);
  platform::InjectWriteFault(-1);

  // What the run must have done: only the mark decides the encoding.
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
  if (quoted) {
    judged = RecordsEndWithLf(source, fuzzscratch::MarkOf(encoding).size(), unit, low);
    lf = judged.lf;
    lines = fuzzscratch::ModelRecords(fuzzscratch::ModelLines(source, layout, lf), lineEnd(lf), unit, low, open, &starts);
    quoted = open == 0 || records == TRecordMode::Csv;
  }
  if (!quoted) {
    judged = EndsWithLf(source, unit, low);
    lf = judged.lf;
    lines = fuzzscratch::ModelLines(source, layout, lf);
    starts.clear();
    for (std::size_t k = 0; k < lines.size(); ++k) starts.push_back(static_cast<std::int64_t>(k) + 1);
  }
  const std::string end = lineEnd(lf);
  const std::string mark = fuzzscratch::MarkOf(encoding);
  const auto bytesOf = [&](std::size_t k) { return lines[k] + std::string(lines[k].size() % unit, '\0') + end; };
  std::string header;
  for (std::size_t k = 0; k < std::min(lines.size(), static_cast<std::size_t>(h)); ++k) header += bytesOf(k);
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
  if (pieces.empty()) pieces.emplace_back();
  std::map<std::string, std::string> expected = before;
  std::string expectedAnswer;
  if (!usable) {
    expectedAnswer = "error: 无法由文件名确定输出子路径!";
  } else if (quoted && open > 0) {
    // Found in the header records, the count of Parts, the look past a header or a
    // record too large, or once the records are dealt.
    expectedAnswer = "error: 第 " + std::to_string(open) + " 行开始的引号直到文件末尾都没有闭合, 未做任何改动!";
  } else if (lines.size() < static_cast<std::size_t>(h)) {
    expectedAnswer = "error: 文件中不包含足够的数据!";
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
    const char* way[] = {"cycle", "rows", "parts", "max-size"};
    expected[folder + "/~R.manifest"] = "Rowdeal manifest\nversion 1\nbase " + Utf8(base) + "\nextension " + Utf8(ext) +
                                        "\nway " + way[static_cast<int>(mode)] + "\ncount " +
                                        (mode == TSplitMode::MaxSize ? std::to_string(limit) : std::to_string(n)) +
                                        "\nheader " + std::to_string(h) + "\npieces " + std::to_string(count) + "\n";
    for (std::size_t i = 0; i < pieces.size(); ++i) {
      std::string bytes = header;
      for (std::size_t k : pieces[i]) bytes += bytesOf(k);
      if (!bytes.empty()) bytes = mark + bytes;
      expected[folder + "/" + pieceName(static_cast<std::int64_t>(i) + 1)] = bytes;
      // The rule itself: under the size and as full as the next record allows; parts even.
      if (mode == TSplitMode::MaxSize) {
        FUZZ_CHECK(static_cast<std::int64_t>(bytes.size()) <= limit);
        FUZZ_CHECK(i + 1 == pieces.size() || static_cast<std::int64_t>(bytes.size() + bytesOf(pieces[i + 1][0]).size()) > limit);
      }
      if (mode == TSplitMode::Parts) FUZZ_CHECK(pieces[i].size() <= pieces[0].size() && pieces[i].size() + 1 >= pieces[0].size());
    }
    std::vector<std::u16string> notes;
    if (earlier > count) {
      notes.push_back(u"注意: 子路径下还有 " + fs::path(std::to_string(earlier - count)).u16string() + u" 个以前拆分留下的文件 (" +
                      fs::u8path(pieceName(count + 1)).u16string() + u" 等), 它们不属于本次拆分。");
    }
    if (!quoted && open > 0) {
      notes.push_back(u"注意: 第 " + fs::path(std::to_string(open)).u16string() + u" 行开始的引号直到文件末尾都没有闭合, 本次按行拆分。");
    }
    if (judged.none) notes.push_back(u"注意: 文件中没有 CR LF 或 LF 换行, 整个文件作为一条记录拆分。");
    expectedAnswer = Utf8(testutil::SuccessMessage((run / fs::u8path(folder)).u16string() + u"/", count, base, ext, notes));
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
