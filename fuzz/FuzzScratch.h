// A scratch folder for one fuzzing process (in memory where the system has /dev/shm),
// removed when the process ends, the check that stops a run, and plain byte-by-byte
// models of the UTF-8 test, of recognition and of the line rule.
#pragma once

#include <unistd.h>

#include <algorithm>
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

}  // namespace fuzzscratch

#define FUZZ_CHECK(condition) \
  do {                        \
    if (!(condition)) fuzzscratch::Fail(#condition); \
  } while (0)
