// A fresh directory for one test, removed with everything in it afterwards.
#pragma once

#include <chrono>
#include <filesystem>
#include <random>
#include <string>

class TempDir {
 public:
  TempDir() {
    std::random_device random;
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = std::filesystem::temp_directory_path() /
            ("rowdeal-test-" + std::to_string(stamp) + "-" + std::to_string(random()));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The path of name inside the directory, as text.
  std::u16string Path(const std::string& name = {}) const { return (name.empty() ? path_ : path_ / name).u16string(); }
  std::filesystem::path Native(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};
