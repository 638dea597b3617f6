// Test and fuzz helpers: whole files as bytes, the contents of a folder, a run's answer
// as text, and a guard that switches injected faults off.
#pragma once

#include "platform/Platform.h"
#include "support/UkxException.h"
#include "support/UkxUtf8.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>

namespace filebytes {

inline std::string Read(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void Write(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Everything under a folder: relative path to bytes; a folder's path ends in "/".
inline std::map<std::string, std::string> Contents(const std::filesystem::path& root) {
  std::map<std::string, std::string> seen;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    const std::string relative = std::filesystem::relative(entry.path(), root).generic_string();
    if (entry.is_directory()) {
      seen[relative + "/"] = "";
    } else {
      seen[relative] = Read(entry.path());
    }
  }
  return seen;
}

// The text a run answers with, or "error: " and the message it raised.
inline std::string Outcome(const std::function<std::u16string()>& run) {
  try {
    return TextToUtf8(run());
  } catch (const TkxException& e) {
    return "error: " + TextToUtf8(e.Message);
  }
}

// Switches both injected faults off at the end of a test, whatever happened.
struct FaultGuard {
  ~FaultGuard() {
    platform::InjectReadFault(-1);
    platform::InjectWriteFault(-1);
  }
};

}  // namespace filebytes
