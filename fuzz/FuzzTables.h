// The tables that the split and merge models share: how a table's line ends are judged,
// and tables made of tokens of a small alphabet, in UTF-8 or UTF-16.
#pragma once

#include "fuzz/FuzzScratch.h"

#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

namespace fuzztables {

using fuzzscratch::Field;
using fuzzscratch::UnitAt;

// How the line ends were judged: LF or CR LF, and whether the source holds none at all
// but a CR (it then goes as one record, with a note).
struct Judged {
  bool lf = false;
  bool none = false;
};

// Whether the scan may go on at At, from Start: to the end of the first MiB, or of the
// first further MiB in which a line end was seen.
inline bool Within(std::size_t at, std::size_t start, std::int64_t ends) {
  return (at - start) % (1u << 20) != 0 || at == start || ends == 0;
}

// CR LF unless the first MiB, in whole code units, ends more lines with a bare LF; a
// first MiB without any is judged on the MiBs up to one that has.
inline Judged EndsWithLf(const std::string& source, std::size_t unit, std::size_t low) {
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
inline Judged RecordsEndWithLf(const std::string& source, std::size_t mark, std::size_t unit, std::size_t low,
                               int opener = ',') {
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
      state = fuzzscratch::Next(state, ch, opener);
    }
  }
  return {bare > crLf, crLf + bare == 0 && cr};
}

// A table made of Tokens (bytes read as entries of a small alphabet), as code points, -1
// standing for a byte or unit that decodes as nothing; then in UTF-8 or UTF-16 with a mark.
inline std::string TableOf(const std::uint8_t* tokens, std::size_t count, int encoding) {
  static const std::vector<int> alphabet[] = {
      {'C', 'O'}, {'C', 'o'}, {'c', 'o'}, {'A', '/', 'B'}, {'x', ':', 'y'}, {'"'}, {'"', '"'}, {','},
      {';'}, {'\t'}, {'|'}, {'\r', '\n'}, {'\n'}, {0x4E2D}, {0xE9}, {0xC9},
      {0x1F600}, {'1'}, {'2'}, {' '}, {'\r'}, {0x01}, {'*', '?', '<', '>'}, {-1},
      {'.'}, {'\\'}, {',', '"'}, {'"', '\r', '\n'}, {'\r', '\n'}, {','}, {'C', 'O'}, {'b'}};
  std::string bytes = fuzzscratch::MarkOf(encoding);
  const auto unit16 = [&](int u) {
    const char a = static_cast<char>(u & 0xFF), b = static_cast<char>(u >> 8);
    bytes += encoding == 5 ? std::string{b, a} : std::string{a, b};
  };
  for (std::size_t i = 0; i < count; ++i) {
    for (const int cp : alphabet[tokens[i] % std::size(alphabet)]) {
      if (encoding >= 4) {
        if (cp < 0) {
          unit16(0xD800);  // a lone surrogate
        } else if (cp >= 0x10000) {
          unit16(0xD800 + ((cp - 0x10000) >> 10));
          unit16(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
          unit16(cp);
        }
      } else if (cp < 0) {
        bytes += '\xFF';
      } else if (cp < 0x80) {
        bytes += static_cast<char>(cp);
      } else if (cp < 0x800) {
        bytes += {static_cast<char>(0xC0 | cp >> 6), static_cast<char>(0x80 | (cp & 0x3F))};
      } else if (cp < 0x10000) {
        bytes += {static_cast<char>(0xE0 | cp >> 12), static_cast<char>(0x80 | (cp >> 6 & 0x3F)),
                  static_cast<char>(0x80 | (cp & 0x3F))};
      } else {
        bytes += {static_cast<char>(0xF0 | cp >> 18), static_cast<char>(0x80 | (cp >> 12 & 0x3F)),
                  static_cast<char>(0x80 | (cp >> 6 & 0x3F)), static_cast<char>(0x80 | (cp & 0x3F))};
      }
    }
  }
  return bytes;
}

}  // namespace fuzztables
