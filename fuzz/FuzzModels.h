// Plain models for the fuzz targets: the encoding test and the line rule written out
// code unit by code unit, with nothing shared with the code under test.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzzmodel {

inline std::string MarkOf(int encoding) {
  switch (encoding) {
    case 3: return "\xEF\xBB\xBF";
    case 4: return "\xFF\xFE";
    case 5: return "\xFE\xFF";
    default: return "";
  }
}

inline std::string LineEndOf(int encoding) {
  if (encoding == 4) return std::string("\r\0\n\0", 4);
  if (encoding == 5) return std::string("\0\r\0\n", 4);
  return "\r\n";
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

// The encoding of a file's bytes: its byte-order mark, else 2 (UTF-8) or 1 (ANSI).
inline int Recognise(const std::string& bytes) {
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return 3;
  if (bytes.compare(0, 2, "\xFF\xFE") == 0) return 4;
  if (bytes.compare(0, 2, "\xFE\xFF") == 0) return 5;
  return Utf8TestPasses(bytes) ? 2 : 1;
}

// The reading loop: while bytes are left, read one line by taking one code unit at a
// time; a CR sets a flag, an LF after a flagged CR ends the line without being taken,
// any other unit clears the flag; a flagged CR left at the end is dropped. The mark
// (as many of its bytes as the file has) is skipped before the first line. A lone
// byte at the end of a UTF-16 file is taken as part of the line.
inline std::vector<std::string> Lines(const std::string& bytes, int encoding) {
  const std::size_t unit = encoding >= 4 ? 2 : 1;
  auto unitIs = [&](std::size_t at, char ch) {
    if (unit == 1) return bytes[at] == ch;
    char low = encoding == 4 ? bytes[at] : bytes[at + 1];
    char high = encoding == 4 ? bytes[at + 1] : bytes[at];
    return low == ch && high == '\0';
  };
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    if (pos == 0) pos = std::min(bytes.size(), MarkOf(encoding).size());
    std::string line;
    bool cr = false;
    while (pos < bytes.size()) {
      if (pos + unit > bytes.size()) {  // the lone last byte
        line += bytes[pos++];
        cr = false;
        break;
      }
      if (unitIs(pos, '\r')) {
        cr = true;
      } else if (cr) {
        if (unitIs(pos, '\n')) {
          pos += unit;
          break;
        }
        cr = false;
      }
      line.append(bytes, pos, unit);
      pos += unit;
    }
    if (cr) line.resize(line.size() - unit);
    lines.push_back(line);
  }
  return lines;
}

}  // namespace fuzzmodel
