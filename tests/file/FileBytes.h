// Test and fuzz helpers: whole files as bytes, plain byte-by-byte models of the UTF-8
// test, of recognition and of the line rule, and a guard that switches injected faults off.
#pragma once

#include "platform/Platform.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace filebytes {

inline std::string Read(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void Write(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

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

// The lines of a file's bytes, one code unit at a time, exactly as the reading loop
// takes them: the mark skipped, only CR LF ends a line, a CR that is the last code
// unit is dropped, and a lone byte at the end of a UTF-16 file stays with its line.
inline std::vector<std::string> ModelLines(const std::string& bytes, int encoding) {
  const std::size_t unit = encoding >= 4 ? 2 : 1;
  const std::size_t low = encoding == 5 ? 1 : 0;
  auto is = [&](std::size_t at, char ch) {
    if (at + unit > bytes.size()) return false;
    if (unit == 1) return bytes[at] == ch;
    return bytes[at + low] == ch && bytes[at + 1 - low] == '\0';
  };
  std::vector<std::string> lines;
  std::size_t pos = bytes.size() < MarkOf(encoding).size() ? bytes.size() : MarkOf(encoding).size();
  if (pos == 0 && bytes.empty()) return lines;
  do {
    std::string line;
    bool cr = false;
    bool ended = false;
    while (pos < bytes.size()) {
      std::size_t take = pos + unit <= bytes.size() ? unit : bytes.size() - pos;
      if (cr && is(pos, '\n')) {
        pos += unit;
        line.resize(line.size() - unit);
        ended = true;
        break;
      }
      cr = take == unit && is(pos, '\r');
      line.append(bytes, pos, take);
      pos += take;
    }
    if (!ended && cr) line.resize(line.size() - unit);
    lines.push_back(line);
  } while (pos < bytes.size());
  return lines;
}

// Switches both injected faults off at the end of a test, whatever happened.
struct FaultGuard {
  ~FaultGuard() {
    platform::InjectReadFault(-1);
    platform::InjectWriteFault(-1);
  }
};

}  // namespace filebytes
