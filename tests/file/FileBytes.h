// Test and fuzz helpers of the split: the contents of a folder, a run's answer as text,
// and a guard that switches injected faults off; whole files come from TestUtil.h.
#pragma once

#include "platform/Platform.h"
#include "support/UkxException.h"
#include "support/UkxUtf8.h"
#include "tests/TestUtil.h"

#include <filesystem>
#include <functional>
#include <map>
#include <string>

namespace filebytes {

using testutil::ReadFile;
using testutil::WriteFile;

// Everything under a folder: relative path to bytes; a folder's path ends in "/".
inline std::map<std::string, std::string> Contents(const std::filesystem::path& root) {
  std::map<std::string, std::string> seen;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    const std::string relative = std::filesystem::relative(entry.path(), root).generic_string();
    if (entry.is_directory()) {
      seen[relative + "/"] = "";
    } else {
      seen[relative] = ReadFile(entry.path());
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
