// A scratch folder for one fuzzing process (in memory where the system has /dev/shm),
// removed when the process ends, the check that stops a run, and plain byte-by-byte
// models of the UTF-8 test, of recognition, of the line rule and of the record rule.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fuzzscratch {

inline const std::filesystem::path& Folder() {
  // Removed by its destructor at exit: an exit handler of its own would run after the
  // path is destroyed, and leave the folder behind.
  struct TScratch {
    std::filesystem::path Path;
    ~TScratch() {
      std::error_code ignored;
      std::filesystem::remove_all(Path, ignored);
    }
  };
  static const TScratch scratch = [] {
    std::filesystem::path root = std::filesystem::exists("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                                      : std::filesystem::temp_directory_path();
    std::filesystem::path made = root / ("rowdeal-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(made);
    return TScratch{made};
  }();
  return scratch.Path;
}

// Stops the run with a message that names what broke; libFuzzer keeps the input.
[[noreturn]] inline void Fail(const char* what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

inline std::string MarkOf(int encoding) {
  switch (encoding) {
    case 3: return "\xEF\xBB\xBF";
    case 4: return "\xFF\xFE";
    case 5: return "\xFE\xFF";
    default: return "";
  }
}

// The lax UTF-8 test, one byte at a time: every lead byte must be followed by as many
// bytes 10xxxxxx as it has leading 1 bits minus one, and some byte must be 0x80 or more.
inline bool Utf8TestPasses(const std::string& bytes) {
  int pending = 0;
  bool ascii = true;
  for (unsigned char b : bytes) {
    if (b & 0x80) ascii = false;
    if (pending > 0) {
      if ((b & 0xC0) != 0x80) return false;
      --pending;
    } else if (b >= 0x80) {
      int ones = 0;
      for (int bit = 7; bit >= 0 && (b >> bit & 1); --bit) ++ones;
      pending = ones - 1;
      if (pending == 0) return false;
    }
  }
  return pending == 0 && !ascii;
}

// The encoding a byte-order mark gives (3 to 5), or 0.
inline int MarkedEncoding(const std::string& bytes) {
  for (int encoding : {3, 4, 5}) {
    if (bytes.compare(0, MarkOf(encoding).size(), MarkOf(encoding)) == 0) return encoding;
  }
  return 0;
}

// The encoding of a file's bytes for the text API: its mark, else 2 (UTF-8) or 1 (ANSI).
inline int Recognise(const std::string& bytes) {
  const int marked = MarkedEncoding(bytes);
  return marked != 0 ? marked : Utf8TestPasses(bytes) ? 2 : 1;
}

// The lines of a file's bytes, one code unit at a time as the reading loop takes them:
// the mark skipped; with CR LF line ends a CR that is the last code unit is dropped,
// with LF line ends (lf) every CR stays; a lone byte at the end of a UTF-16 file stays
// with its line.
inline std::vector<std::string> ModelLines(const std::string& bytes, int encoding, bool lf = false) {
  const std::size_t unit = encoding >= 4 ? 2 : 1;
  const std::size_t low = encoding == 5 ? 1 : 0;
  auto is = [&](std::size_t at, char ch) {
    if (at + unit > bytes.size()) return false;
    return unit == 1 ? bytes[at] == ch : bytes[at + low] == ch && bytes[at + 1 - low] == '\0';
  };
  std::vector<std::string> lines;
  std::size_t pos = std::min(bytes.size(), MarkOf(encoding).size());
  if (bytes.empty()) return lines;
  do {
    std::string line;
    bool cr = false;
    bool ended = false;
    while (pos < bytes.size()) {
      const std::size_t take = std::min(unit, bytes.size() - pos);
      if ((lf || cr) && is(pos, '\n')) {
        pos += unit;
        if (!lf) line.resize(line.size() - unit);
        ended = true;
        break;
      }
      cr = !lf && take == unit && is(pos, '\r');
      line.append(bytes, pos, take);
      pos += take;
    }
    if (!ended && cr) line.resize(line.size() - unit);
    lines.push_back(line);
  } while (pos < bytes.size());
  return lines;
}


// The code unit at At, or -1 where no whole one is left.
inline int UnitAt(const std::string& bytes, std::size_t at, std::size_t unit, std::size_t low) {
  if (at + unit > bytes.size()) return -1;
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  return unit == 1 ? byte(at) : byte(at + low) | byte(at + 1 - low) << 8;
}

// The quote rule, one code unit at a time; Opener is a further separator ('|' for a
// split by value whose fields go by it).
enum class Field { Start, Plain, Quoted, QuoteSeen };
inline Field Next(Field state, int ch, int opener = ',') {
  const bool separator = ch == ',' || ch == ';' || ch == '\t' || ch == opener;
  switch (state) {
    case Field::Start: return ch == '"' ? Field::Quoted : separator ? Field::Start : Field::Plain;
    case Field::Quoted: return ch == '"' ? Field::QuoteSeen : Field::Quoted;
    case Field::QuoteSeen: return ch == '"' ? Field::Quoted : separator ? Field::Start : Field::Plain;
    default: return separator ? Field::Start : Field::Plain;
  }
}

// The records of a table: its lines, joined (with the line end between them) where a
// line ends inside a quoted field. Open becomes the line (from 1) on which a field that
// the end of the file leaves open began; Starts, when given, gets the line each record
// begins on.
inline std::vector<std::string> ModelRecords(const std::vector<std::string>& lines, const std::string& end,
                                             std::size_t unit, std::size_t low, std::int64_t& open,
                                             std::vector<std::int64_t>* starts = nullptr, int opener = ',') {
  std::vector<std::string> records;
  Field state = Field::Start;
  std::int64_t began = 0;
  std::string record;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    if (starts && record.empty() && state == Field::Start) starts->push_back(static_cast<std::int64_t>(k) + 1);
    for (std::size_t at = 0; UnitAt(lines[k], at, unit, low) >= 0; at += unit) {
      const Field next = Next(state, UnitAt(lines[k], at, unit, low), opener);
      if (state == Field::Start && next == Field::Quoted) began = static_cast<std::int64_t>(k) + 1;
      state = next;
    }
    record += lines[k];
    if (state == Field::Quoted && k + 1 < lines.size()) {
      record += end;
      continue;
    }
    if (state == Field::Quoted) open = began;
    records.push_back(record);
    record.clear();
    state = Field::Start;
  }
  return records;
}

}  // namespace fuzzscratch

#define FUZZ_CHECK(condition) \
  do {                        \
    if (!(condition)) fuzzscratch::Fail(#condition); \
  } while (0)
