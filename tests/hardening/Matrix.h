// The fault matrix's common ground: a source table with neighbours that existed before
// the run (a file beside it, an output folder holding a file of someone else's), the
// split's answer as text, and a check that everything that existed before is still
// there, byte for byte.
#pragma once

#include "app/USplitJob.h"
#include "platform/Platform.h"
#include "tests/TestText.h"
#include "tests/file/FileBytes.h"
#include "tests/support/TempDir.h"
#include "support/UkxException.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace matrix {

namespace fs = std::filesystem;

inline std::string Answer(const std::function<std::u16string()>& run) {
  try {
    return testtext::Utf8(run());
  } catch (const TkxException& e) {
    return "error: " + testtext::Utf8(e.Message);
  }
}

inline bool Succeeded(const std::string& answer) { return answer.rfind("文件拆分成功!", 0) == 0; }

// Every file under a folder, by path relative to it, with its bytes.
inline std::map<std::string, std::string> Files(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) files[fs::relative(entry.path(), root).generic_string()] = filebytes::Read(entry.path());
  }
  return files;
}

// A table of one header line and Rows data lines in a fresh folder, with a neighbour
// file and an output folder that already holds a file of its own.
class World {
 public:
  explicit World(int Rows = 20000, const std::string& Name = "data.txt") : name_(Name) {
    body_ = "header\r\n";
    for (int i = 0; i < Rows; ++i) body_ += "row " + std::to_string(i) + " of the table\r\n";
    filebytes::Write(Native(Name), body_);
    filebytes::Write(Native("neighbour.txt"), "beside the source");
    fs::create_directory(Native("data"));
    filebytes::Write(Native("data/other.txt"), "in the output folder already");
    before_ = Files(dir_.Native(""));
  }

  std::u16string Source() const { return Path(name_); }
  std::u16string Path(const std::string& relative) const { return Native(relative).u16string(); }
  fs::path Native(const std::string& relative) const { return dir_.Native(relative); }
  const std::string& Body() const { return body_; }
  std::string Output(int i) const { return filebytes::Read(Native("data/data-" + std::to_string(i) + ".txt")); }
  bool HasOutput(int i) const { return fs::exists(Native("data/data-" + std::to_string(i) + ".txt")); }

  // Output file i of n as a complete run writes it.
  std::string Expected(int i, int n) const {
    std::vector<std::string> lines = filebytes::ModelLines(body_, 1);
    std::string bytes = lines[0] + "\r\n";
    for (std::size_t k = static_cast<std::size_t>(i); k < lines.size(); k += static_cast<std::size_t>(n)) {
      bytes += lines[k] + "\r\n";
    }
    return bytes;
  }

  // Everything that existed before the run, except the output files that the run may
  // rewrite, is unchanged.
  void ExpectNothingLost(const std::vector<std::string>& mayChange = {}) const {
    std::map<std::string, std::string> now = Files(dir_.Native(""));
    for (const auto& [path, bytes] : before_) {
      if (std::find(mayChange.begin(), mayChange.end(), path) != mayChange.end()) continue;
      auto found = now.find(path);
      ASSERT_NE(found, now.end()) << path << " was lost";
      EXPECT_EQ(found->second, bytes) << path << " was changed";
    }
  }

  // Every output file that exists holds a beginning of what a complete run writes.
  void ExpectOutputsArePrefixes(int n) const {
    for (int i = 1; i <= n; ++i) {
      if (!HasOutput(i)) continue;
      std::string got = Output(i);
      std::string whole = Expected(i, n);
      EXPECT_LE(got.size(), whole.size()) << i;
      const std::size_t differ = static_cast<std::size_t>(
          std::mismatch(got.begin(), got.end(), whole.begin(), whole.end()).first - got.begin());
      EXPECT_EQ(differ, got.size()) << "output " << i << " is not a beginning of its whole: at byte " << differ
                                    << " it has \"" << got.substr(differ, 40) << "\" for \""
                                    << whole.substr(differ, 40) << "\"";
    }
  }

  // Takes a new picture of what exists (after the test has added files of its own).
  void Remember() { before_ = Files(dir_.Native("")); }

 private:
  TempDir dir_;
  std::string name_;
  std::string body_;
  std::map<std::string, std::string> before_;
};

}  // namespace matrix
